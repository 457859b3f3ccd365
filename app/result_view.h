#pragma once

#include "base/scan_type.h"
#include "control/session.h"
#include "control/workers.h"
#include "display/listing.h"
#include "display/plot.h"
#include "document/document.h"
#include "engine/workspace.h"
#include "app/progress_dialog.h"

#include <QAbstractScrollArea>
#include <QPointer>
#include <QTimer>

class QPrinter;

namespace mv {

class Prompter;


// The program's only view: it owns the calculation commands with their stored parameters, runs the
// worker, the timer and the progress dialog, and draws the welcome screen, the listing, the plotted
// spectrum or nothing through the shared drawing code, on the screen and on printers.
class ResultView : public QAbstractScrollArea, public CalcTarget {
    Q_OBJECT
public:
    ResultView(MarvolenDocument& document, CalcWorkspace& ws, Prompter& prompter, QWidget* parent = nullptr);
    ~ResultView() override;

    // --- Calculation commands ---
    void runCommand(ScanType scan);
    bool calculating() const { return calculating_; }
    // Closing: ask the running calculation to stop at its next level and wait for its thread;
    // its result is not stored.
    void abandonCalculation();
    StopCalcDialog* progressDialog() const { return progress_; }
    // The progress timer's period (5000 ms; tests shorten it).
    void setProgressInterval(int ms) { progressIntervalMs_ = ms; }
    int progressInterval() const { return progressIntervalMs_; }

    // --- CalcTarget ---
    bool readyForCalculation() const override;
    void prepareForCalculation() override;

    // --- Plot commands: refused unless the document and the view allow them ---
    void plotSpectrum();
    void displayData();
    void exportSpectrum();
    bool canExport() const;
    const PlotScreen& plotScreen() const { return screen_; }

    // --- Printing: the page count of a job on this printer, and the job itself ---
    int printDocument(QPrinter& printer);

    // The document was reset or changed: repaint everything.
    void documentChanged();

    ListingView& listingView() { return listing_; }
    CalcSession& session() { return session_; }
    const ScrollSizes& scrollSizes() const { return sizes_; }

signals:
    // Something the enabling of commands or the title depends on has changed.
    void stateChanged();
    // A calculation's result has been stored in the document.
    void calculationStored();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void onCalcTimer();
    void onPartTwo();
    void onCalcComplete(bool cancelled);
    void setScrollSizes(const ScrollSizes& sizes);
    void updateScrollBars();

    MarvolenDocument& doc_;
    CalcWorkspace& ws_;
    Prompter& prompter_;
    CalcSession session_;
    ListingView listing_;
    PlotScreen screen_;  // the display the plot was last painted on, for the export's sizes
    ScrollSizes sizes_;
    CalcRunner runner_;
    QTimer timer_;
    QPointer<StopCalcDialog> progress_;
    int progressIntervalMs_ = 5000;
    bool calculating_ = false;
    bool abandoning_ = false;
};

}  // namespace mv
