#include "document/document.h"

#include "base/textfmt.h"
#include "document/data_set_file.h"

namespace mv {

namespace {

const char kDataSetQuestion[] = "Current data set is not saved, save it?";
const char kSpectrumQuestion[] = "Current spectrum is not saved, save it?";
const char kDefaultExtension[] = "txt";

std::string fileNameOf(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool MarvolenDocument::newDocument(Prompter& prompter) {
    if (!savePrompts(prompter)) return false;
    path_.clear();
    modified_ = false;
    title_.clear();
    dataSet_.dataSetSaved = true;
    dataSet_.spectrumSaved = true;
    dataSet_.readyForCalculation = true;
    dataSet_.saveCount = 0;
    return true;
}

bool MarvolenDocument::saveModified(Prompter& prompter) {
    if (!savePrompts(prompter)) return false;
    modified_ = false;
    return true;
}

bool MarvolenDocument::savePrompts(Prompter& prompter) {
    if (!dataSet_.saveReminder || !modified_) return true;
    if (!dataSet_.dataSetSaved && prompter.yesNo(kDataSetQuestion)) {
        if (!promptAndWrite(prompter, dataSet_.name + ".txt", false)) return false;
    }
    if (!dataSet_.spectrumSaved && prompter.yesNo(kSpectrumQuestion)) {
        if (!promptAndWrite(prompter, formatC("Spectrum%d.txt", dataSet_.spectrumNumber), true)) return false;
    }
    return true;
}

bool MarvolenDocument::promptAndWrite(Prompter& prompter, const std::string& defaultName, bool spectrum) {
    dataSet_.fileNameBuffer = defaultName;
    const auto path = prompter.savePath(defaultName, dataSet_.fileFilter, kDefaultExtension);
    if (!path) return true;  // Cancel in the dialog discards the item
    dataSet_.pathName = *path;
    // A failed write leaves the document as it was, including what a later save would write.
    const bool shownMode = dataSet_.spectrumMode;
    dataSet_.spectrumMode = spectrum;
    if (saveDocument(*path, prompter)) return true;
    dataSet_.spectrumMode = shownMode;
    return false;
}

std::optional<std::string> MarvolenDocument::saveDocument(const std::string& path) {
    if (auto failure = writeTextFile(path, renderSaveFile(dataSet_))) return failure;
    if (dataSet_.spectrumMode) {
        dataSet_.spectrumSaved = true;
        takeSpectrumNumber();
        if (dataSet_.dataSetSaved) modified_ = false;
    } else {
        dataSet_.dataSetSaved = true;
        if (dataSet_.spectrumSaved) modified_ = false;
    }
    ++dataSet_.saveCount;
    return std::nullopt;
}

bool MarvolenDocument::saveDocument(const std::string& path, Prompter& prompter) {
    if (auto failure = saveDocument(path)) {
        prompter.message(*failure);
        return false;
    }
    return true;
}

bool MarvolenDocument::fileSaveAs(Prompter& prompter) {
    // After a save the title is the file's name, which already carries the extension.
    const bool hasExtension = title_.size() >= 4 && title_.compare(title_.size() - 4, 4, ".txt") == 0;
    const auto path = prompter.savePath(hasExtension ? title_ : title_ + ".txt", dataSet_.fileFilter, kDefaultExtension);
    if (!path || !saveDocument(*path, prompter)) return false;
    path_ = *path;
    title_ = fileNameOf(*path);
    return true;
}

void MarvolenDocument::dataSetStored() {
    modified_ = true;
    dataSet_.readyForCalculation = false;
    dataSet_.dataSetSaved = false;
    title_ = dataSet_.name;
}

void MarvolenDocument::spectrumPlotted() {
    dataSet_.spectrumNumberTaken = false;
    dataSet_.spectrumMode = true;
    dataSet_.spectrumSaved = false;
    modified_ = true;
    title_ = dataSet_.spectrumName;
}

void MarvolenDocument::displayData() {
    dataSet_.spectrumMode = false;
    title_ = dataSet_.name;
}

void MarvolenDocument::takeSpectrumNumber() {
    if (!dataSet_.spectrumNumberTaken) ++dataSet_.spectrumNumber;
    dataSet_.spectrumName = formatC("Spectrum%d", dataSet_.spectrumNumber);
    dataSet_.spectrumNumberTaken = true;
}

}  // namespace mv
