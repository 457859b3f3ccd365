#pragma once

#include "base/prompter.h"
#include "document/data_set.h"

#include <optional>
#include <string>

namespace mv {

// The single document of the application: it holds the data set of the last finished calculation
// and the save state that drives File New, the reminders to save and the enabling of the file,
// print and plot commands. Nothing is ever read from a file.
//
// All members run on the user-interface thread.
class MarvolenDocument {
public:
    DataSet& dataSet() { return dataSet_; }
    const DataSet& dataSet() const { return dataSet_; }

    bool isModified() const { return modified_; }
    void setModifiedFlag(bool modified = true) { modified_ = modified; }
    const std::string& title() const { return title_; }
    void setTitle(const std::string& title) { title_ = title; }
    // Path of the last File Save / Save As since File New; empty otherwise.
    const std::string& pathName() const { return path_; }

    // --- Commands ---

    // File New: the save prompts, then the reset to an empty, ready document. Answers false when
    // a write in the prompts failed; it has then been reported and nothing was reset.
    bool newDocument(Prompter& prompter);
    // Closing the application: the save prompts, then the modified flag is cleared. Answers false
    // when a write failed (reported); the close should then be abandoned so nothing is lost.
    bool saveModified(Prompter& prompter);
    // Writes the data set or the plotted spectrum (by spectrumMode) to path and updates the save
    // state. On failure answers the message naming the file and changes no state.
    std::optional<std::string> saveDocument(const std::string& path);
    // The same, reporting a failure through the prompter; answers whether the file was written.
    bool saveDocument(const std::string& path, Prompter& prompter);
    // File Save and File Save As: ask for a path offering the title with ".txt" (unless it already
    // ends so), write, and on
    // success take the file as the document's path and title. Answer whether a file was written.
    bool fileSave(Prompter& prompter) { return fileSaveAs(prompter); }
    bool fileSaveAs(Prompter& prompter);

    // --- Command enabling ---
    bool canOpen() const { return false; }
    bool canOpenRecent() const { return false; }
    bool canSave() const { return modified_ && dataSet_.saveCount == 0; }
    bool canSaveAs() const { return holdsDataSet(); }
    bool canPrint() const { return holdsDataSet(); }         // Print and Print Preview
    bool canPlot() const { return holdsDataSet() && dataSet_.listComponentsOption; }
    bool canDisplayData() const { return holdsDataSet() && dataSet_.spectrumMode; }

    // --- State changes made by other steps ---

    // After the results of a finished calculation have been stored in the data set.
    void dataSetStored();
    // After Plot Spectrum has filled the plot fields of the data set.
    void spectrumPlotted();
    // Display Data: back from the plot to the listing.
    void displayData();
    // The present plot was written as text or exported: the first time it takes the present
    // spectrum number and moves the number on; spectrumName then names the next plot.
    void takeSpectrumNumber();

private:
    bool holdsDataSet() const { return !dataSet_.readyForCalculation; }
    // The save prompts shared by New and closing; false when a write failed.
    bool savePrompts(Prompter& prompter);
    bool promptAndWrite(Prompter& prompter, const std::string& defaultName, bool spectrum);

    DataSet dataSet_;
    bool modified_ = false;
    std::string title_;
    std::string path_;
};

}  // namespace mv
