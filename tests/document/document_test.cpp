// The document's save state: command enabling, the save prompts of File New and closing, spectrum
// numbering, and write failures that must change nothing.
#include "document/document.h"

#include "tests/support/scripted_prompter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace mv {
namespace {

const char kDataSetQuestion[] = "Current data set is not saved, save it?";
const char kSpectrumQuestion[] = "Current spectrum is not saved, save it?";
const char kFilter[] = "Marvolen Files (*.txt)|*.txt|All Files (*.*)|*.*||";

// Also remembers the filter and default extension each save dialog was given.
class RecordingPrompter : public test::ScriptedPrompter {
public:
    std::vector<std::string> filters;
    std::vector<std::string> extensions;
    std::optional<std::string> savePath(const std::string& name, const std::string& filter,
                                        const std::string& extension) override {
        filters.push_back(filter);
        extensions.push_back(extension);
        return ScriptedPrompter::savePath(name, filter, extension);
    }
};

struct Enabling {
    bool save, saveAs, print, plot, display;
    bool operator==(const Enabling&) const = default;
};

Enabling enablingOf(const MarvolenDocument& doc) {
    return {doc.canSave(), doc.canSaveAs(), doc.canPrint(), doc.canPlot(), doc.canDisplayData()};
}

class DocumentTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/mv_doc_XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        std::fill(std::begin(starts_), std::end(starts_), -1);
        std::fill(std::begin(startMz_), std::end(startMz_), -1.0);
        starts_[0] = 0;
        startMz_[0] = 100.0;
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    // What the completion of a Regular calculation leaves in the document.
    void calculate(int number, bool listComponents = true) {
        DataSet& ds = doc_.dataSet();
        ds.scanType = 0;
        ds.ionFormula = "CH4";
        ds.ionMassA0 = 100.0;
        ds.ionCharge = 1;
        ds.peakFA[0] = 0.5;
        ds.peakFA[1] = 0.5;
        ds.reportedFA = 0.9;
        ds.listComponentsOption = listComponents;
        ds.spectrumMode = false;
        ds.name = "MVSet" + std::to_string(number);
        doc_.dataSetStored();
    }
    // What Plot Spectrum leaves in the document: a two-point profile.
    void plot() {
        DataSet& ds = doc_.dataSet();
        ds.plotSegmentStarts = starts_;
        ds.plotSegmentStartMz = startMz_;
        ds.plotIntensities = intensities_;
        ds.plotPointCount = 2;
        ds.plotMaxIntensity = 2.0;
        ds.plotStep = 0.5;
        doc_.spectrumPlotted();
    }
    std::string path(const std::string& name) const { return dir_ + "/" + name; }
    static std::string contents(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }
    static bool startsWith(const std::string& text, const std::string& head) { return text.rfind(head, 0) == 0; }

    MarvolenDocument doc_;
    RecordingPrompter prompter_;
    std::string dir_;
    int32_t starts_[kPlotSegmentSlots];
    double startMz_[kPlotSegmentSlots];
    double intensities_[2] = {1.0, 2.0};
};

TEST_F(DocumentTest, CommandEnablingThroughTheLifecycle) {
    EXPECT_TRUE(doc_.dataSet().readyForCalculation);
    EXPECT_EQ(enablingOf(doc_), (Enabling{false, false, false, false, false}));
    EXPECT_FALSE(doc_.canOpen());
    EXPECT_FALSE(doc_.canOpenRecent());

    calculate(1, false);
    EXPECT_EQ(doc_.title(), "MVSet1");
    EXPECT_FALSE(doc_.dataSet().readyForCalculation);
    EXPECT_EQ(enablingOf(doc_), (Enabling{true, true, true, false, false})) << "no components: no plot";

    ASSERT_TRUE(doc_.newDocument(prompter_));
    calculate(2);
    EXPECT_EQ(enablingOf(doc_), (Enabling{true, true, true, true, false}));
    plot();
    EXPECT_EQ(doc_.title(), "Spectrum1");
    EXPECT_EQ(enablingOf(doc_), (Enabling{true, true, true, true, true}));
    doc_.displayData();
    EXPECT_EQ(doc_.title(), "MVSet2");
    EXPECT_EQ(enablingOf(doc_), (Enabling{true, true, true, true, false}));

    // One save disables Save until the next New; Save As stays.
    prompter_.savePaths = {path("a.txt")};
    ASSERT_TRUE(doc_.fileSave(prompter_));
    EXPECT_EQ(doc_.dataSet().saveCount, 1);
    EXPECT_EQ(enablingOf(doc_), (Enabling{false, true, true, true, false}));
    EXPECT_EQ(doc_.title(), "a.txt");
    EXPECT_EQ(doc_.pathName(), path("a.txt"));

    ASSERT_TRUE(doc_.newDocument(prompter_));
    EXPECT_TRUE(doc_.dataSet().readyForCalculation);
    EXPECT_EQ(doc_.dataSet().saveCount, 0);
    EXPECT_EQ(doc_.title(), "");
    EXPECT_EQ(doc_.pathName(), "");
    EXPECT_EQ(enablingOf(doc_), (Enabling{false, false, false, false, false}));
}

TEST_F(DocumentTest, NewAsksForTheDataSetOnlyWhenNothingWasPlotted) {
    calculate(1);
    ASSERT_TRUE(doc_.newDocument(prompter_));  // answered No
    EXPECT_EQ(prompter_.messages, std::vector<std::string>{kDataSetQuestion});
    EXPECT_TRUE(doc_.dataSet().readyForCalculation);
    EXPECT_FALSE(doc_.isModified());
    EXPECT_TRUE(doc_.dataSet().dataSetSaved);
}

TEST_F(DocumentTest, NewAsksForBothAndWritesEachWithItsDefaultName) {
    calculate(3);
    doc_.dataSet().spectrumNumber = 2;
    doc_.dataSet().spectrumName = "Spectrum2";
    plot();
    prompter_.yesNoAnswers = {true, true};
    prompter_.savePaths = {path("set.txt"), path("spectrum.txt")};
    ASSERT_TRUE(doc_.newDocument(prompter_));
    EXPECT_EQ(prompter_.messages, (std::vector<std::string>{kDataSetQuestion, "save dialog: MVSet3.txt",
                                                            kSpectrumQuestion, "save dialog: Spectrum2.txt"}));
    EXPECT_EQ(prompter_.filters, (std::vector<std::string>{kFilter, kFilter}));
    EXPECT_EQ(prompter_.extensions, (std::vector<std::string>{"txt", "txt"}));
    // The data set is written as a data set although the plot was on show.
    EXPECT_TRUE(startsWith(contents(path("set.txt")), "Data for a simple mass spectrum\r\n"));
    EXPECT_TRUE(startsWith(contents(path("spectrum.txt")), "Isotope Cluster Mass Spectrum\r\n"));
    EXPECT_EQ(doc_.dataSet().spectrumNumber, 3);
    EXPECT_EQ(doc_.dataSet().pathName, path("spectrum.txt"));
    EXPECT_TRUE(doc_.dataSet().readyForCalculation);
    EXPECT_EQ(doc_.dataSet().saveCount, 0);
}

TEST_F(DocumentTest, CancelInTheSaveDialogDiscardsThatItemOnly) {
    calculate(1);
    plot();
    prompter_.yesNoAnswers = {true, true};
    prompter_.savePaths = {std::nullopt, path("spectrum.txt")};
    ASSERT_TRUE(doc_.newDocument(prompter_));
    EXPECT_EQ(prompter_.messages.size(), 4u);
    EXPECT_FALSE(std::filesystem::exists(path("MVSet1.txt")));
    EXPECT_TRUE(std::filesystem::exists(path("spectrum.txt")));
    EXPECT_TRUE(doc_.dataSet().readyForCalculation);
}

TEST_F(DocumentTest, NothingIsAskedWhenBothAreSavedOrTheReminderIsOff) {
    calculate(1);
    plot();
    doc_.displayData();
    ASSERT_TRUE(doc_.saveDocument(path("set.txt"), prompter_));
    EXPECT_TRUE(doc_.isModified()) << "the spectrum is still unsaved";
    plot();
    ASSERT_TRUE(doc_.saveDocument(path("spectrum.txt"), prompter_));
    EXPECT_FALSE(doc_.isModified());
    ASSERT_TRUE(doc_.newDocument(prompter_));
    EXPECT_TRUE(prompter_.messages.empty());

    calculate(2);
    plot();
    doc_.dataSet().saveReminder = false;
    ASSERT_TRUE(doc_.newDocument(prompter_));
    EXPECT_TRUE(prompter_.messages.empty());
    EXPECT_TRUE(doc_.dataSet().readyForCalculation);

    calculate(3);
    doc_.dataSet().saveReminder = false;
    ASSERT_TRUE(doc_.saveModified(prompter_));
    EXPECT_TRUE(prompter_.messages.empty());
    EXPECT_FALSE(doc_.isModified());
}

TEST_F(DocumentTest, SavingOneOfTheTwoLeavesTheDocumentModified) {
    // Spectrum first, then the data set.
    calculate(1);
    plot();
    ASSERT_TRUE(doc_.saveDocument(path("spectrum.txt"), prompter_));
    EXPECT_TRUE(doc_.dataSet().spectrumSaved);
    EXPECT_FALSE(doc_.dataSet().dataSetSaved);
    EXPECT_TRUE(doc_.isModified());
    doc_.displayData();
    ASSERT_TRUE(doc_.saveDocument(path("set.txt"), prompter_));
    EXPECT_FALSE(doc_.isModified());
    EXPECT_EQ(doc_.dataSet().saveCount, 2);
}

TEST_F(DocumentTest, ClosingAsksThenClearsTheModifiedFlag) {
    calculate(1);
    prompter_.yesNoAnswers = {true};
    prompter_.savePaths = {path("MVSet1.txt")};
    ASSERT_TRUE(doc_.saveModified(prompter_));
    EXPECT_EQ(prompter_.messages, (std::vector<std::string>{kDataSetQuestion, "save dialog: MVSet1.txt"}));
    EXPECT_TRUE(std::filesystem::exists(path("MVSet1.txt")));
    EXPECT_FALSE(doc_.isModified());
}

TEST_F(DocumentTest, SpectrumNumberAdvancesOncePerPlot) {
    calculate(1);
    plot();
    EXPECT_EQ(doc_.title(), "Spectrum1");
    prompter_.savePaths = {path("s1.txt"), path("s1again.txt"), path("s2.txt")};
    ASSERT_TRUE(doc_.fileSaveAs(prompter_));
    EXPECT_EQ(doc_.dataSet().spectrumNumber, 2);
    EXPECT_EQ(doc_.dataSet().spectrumName, "Spectrum2");
    ASSERT_TRUE(doc_.fileSaveAs(prompter_));  // the same plot again
    EXPECT_EQ(doc_.dataSet().spectrumNumber, 2);
    plot();
    EXPECT_EQ(doc_.title(), "Spectrum2");
    ASSERT_TRUE(doc_.fileSaveAs(prompter_));
    EXPECT_EQ(prompter_.messages, (std::vector<std::string>{"save dialog: Spectrum1.txt", "save dialog: s1.txt",
                                                            "save dialog: Spectrum2.txt"}));
    EXPECT_EQ(doc_.dataSet().spectrumNumber, 3);

    // A plot that is never saved uses up no number.
    plot();
    plot();
    EXPECT_EQ(doc_.title(), "Spectrum3");
    doc_.takeSpectrumNumber();  // e.g. a metafile export
    doc_.takeSpectrumNumber();
    EXPECT_EQ(doc_.dataSet().spectrumNumber, 4);
    EXPECT_EQ(doc_.dataSet().spectrumName, "Spectrum4");
}

TEST_F(DocumentTest, AFailedWriteIsReportedAndChangesNothing) {
    struct Case {
        std::string target;
        std::string message;
    };
    std::vector<Case> cases = {
        {dir_, "Access to " + dir_ + " was denied."},
        {dir_ + "/missing/MVSet1.txt", "Could not write " + dir_ + "/missing/MVSet1.txt: No such file or directory."},
    };
    if (std::ifstream("/dev/full")) cases.push_back({"/dev/full", "Disk full while accessing /dev/full."});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.target);
        for (bool spectrum : {false, true}) {
            SCOPED_TRACE(spectrum ? "spectrum" : "data set");
            MarvolenDocument& doc = doc_ = MarvolenDocument();
            RecordingPrompter prompter;
            calculate(1);
            plot();  // on show while either write fails
            // The failing item is answered Yes; when it is the spectrum, the data set is declined.
            prompter.yesNoAnswers = {!spectrum, true};
            prompter.savePaths = {c.target};
            const std::string title = doc.title();

            EXPECT_FALSE(doc.newDocument(prompter)) << "New is abandoned";
            ASSERT_FALSE(prompter.messages.empty());
            EXPECT_EQ(prompter.messages.back(), c.message) << "and no further question follows";
            EXPECT_FALSE(doc.dataSet().readyForCalculation);
            EXPECT_TRUE(doc.isModified());
            EXPECT_FALSE(doc.dataSet().dataSetSaved);
            EXPECT_FALSE(doc.dataSet().spectrumSaved);
            EXPECT_EQ(doc.dataSet().saveCount, 0);
            EXPECT_EQ(doc.dataSet().spectrumNumber, 1);
            EXPECT_FALSE(doc.dataSet().spectrumNumberTaken);
            EXPECT_TRUE(doc.dataSet().spectrumMode) << "a later save writes what is shown";
            EXPECT_EQ(doc.title(), title);
            EXPECT_TRUE(doc.canSave());

            // Closing with the same failure keeps the program open; File Save As reports it too.
            prompter.messages.clear();
            prompter.yesNoAnswers = {!spectrum, true};
            prompter.savePaths = {c.target, c.target};
            EXPECT_FALSE(doc.saveModified(prompter));
            EXPECT_TRUE(doc.isModified());
            EXPECT_FALSE(doc.fileSaveAs(prompter));
            EXPECT_EQ(prompter.messages.back(), c.message);
            EXPECT_EQ(doc.pathName(), "");
            EXPECT_EQ(doc.title(), title);
            EXPECT_EQ(doc.dataSet().saveCount, 0);
            EXPECT_EQ(doc.dataSet().spectrumNumber, 1);
        }
    }
}

}  // namespace
}  // namespace mv
