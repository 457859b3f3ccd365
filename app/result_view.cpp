#include "app/result_view.h"

#include "app/device_caps.h"
#include "app/progress_dialog.h"
#include "picture/qt_canvas.h"
#include "base/prompter.h"
#include "base/textfmt.h"
#include "control/parameter_entry.h"
#include "display/profile.h"
#include "display/spectrum_export.h"
#include "document/store_data_set.h"
#include "engine/components.h"
#include "picture/picture_writer.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>

#include <algorithm>
#include <cmath>

namespace mv {

ResultView::ResultView(MarvolenDocument& document, CalcWorkspace& ws, Prompter& prompter, QWidget* parent)
    : QAbstractScrollArea(parent), doc_(document), ws_(ws), prompter_(prompter) {
    setObjectName(QStringLiteral("resultView"));
    viewport()->setAutoFillBackground(true);
    QPalette palette = viewport()->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(palette);
    viewport()->setBackgroundRole(QPalette::Window);
    setFrameShape(QFrame::NoFrame);
    // The stored parameters start as in a fresh program, whatever ran before in this process.
    resetStoredParameters(ws_);
    listing_.drawPlot = makePlotDrawer(
        session_, [this] { return Rect{0, 0, viewport()->width(), viewport()->height()}; }, screen_);
    timer_.setObjectName(QStringLiteral("calcTimer"));
    connect(&timer_, &QTimer::timeout, this, &ResultView::onCalcTimer);
    updateScrollBars();
}

ResultView::~ResultView() { abandonCalculation(); }

bool ResultView::readyForCalculation() const { return doc_.dataSet().readyForCalculation; }

void ResultView::prepareForCalculation() {
    doc_.dataSet().spectrumMode = false;
    ws_.plotMode = false;
    listing_.showWelcome = false;
    viewport()->update();
}

void ResultView::documentChanged() {
    viewport()->update();
    emit stateChanged();
}

void ResultView::runCommand(ScanType scan) {
    // The five commands are disabled while a calculation runs; the handler refuses as well, so
    // that no path (a queued shortcut, a test, a script) can reset the workspace under the worker.
    if (calculating_) {
        prompter_.message("A calculation is still running. Wait for it to finish, or press Cancel in the "
                          "progress window, before starting another.");
        return;
    }
    // A held data set refuses the command; its listing still reads the workspace, so the resets
    // of the command's first step wait until the document is ready.
    if (!readyForCalculation()) {
        enterIonParameters(session_, ws_, *this, prompter_);
        return;
    }
    beginCommand(ws_, scan);
    if (!enterIonParameters(session_, ws_, *this, prompter_)) return;
    if (scan != ScanType::Regular && !enterTandemParameters(session_, ws_, prompter_)) return;
    prepareRun(ws_);

    progress_ = new StopCalcDialog(ws_.cancelRequest, window());
    progress_->hide();

    CalcCallbacks callbacks;
    // Both run on the worker thread. Part Two waits until the user-interface thread has handled
    // it; the completion is posted and handled later on the user-interface thread.
    callbacks.partTwo = [this] {
        QMetaObject::invokeMethod(this, [this] { onPartTwo(); }, Qt::BlockingQueuedConnection);
    };
    callbacks.complete = [this](bool cancelled) {
        QMetaObject::invokeMethod(this, [this, cancelled] { onCalcComplete(cancelled); }, Qt::QueuedConnection);
    };
    calculating_ = true;
    if (!runner_.start(ws_, std::move(callbacks))) {
        calculating_ = false;
        delete progress_;
        prompter_.message("The calculation could not be started.");
        return;
    }
    timer_.start(progressIntervalMs_);
    emit stateChanged();
}

void ResultView::onCalcTimer() {
    if (!progress_ || progress_->cancelRequested()) return;
    if (ws_.progressPhase == 0 || ws_.progressPhase == 2) {
        progress_->show();
        progress_->raise();
        ++ws_.progressPhase;
    }
    progress_->showTotal(
        QString::fromStdString(formatC("%.5f", ws_.publishedTotalFA.load(std::memory_order_relaxed))));
}

void ResultView::onPartTwo() {
    timer_.stop();
    if (progress_) {
        progress_->hide();
        progress_->setWindowTitle(QStringLiteral("Calculation in Progress - Part Two"));
    }
    resetCancelForPartTwo(ws_);
    // Closing the window stops the second part too.
    if (abandoning_) {
        ws_.cancelRequest.store(true, std::memory_order_relaxed);
        return;
    }
    timer_.start(progressIntervalMs_);
}

void ResultView::onCalcComplete(bool /*cancelled: a cancelled result is stored like a complete one*/) {
    timer_.stop();
    delete progress_;
    runner_.join();
    calculating_ = false;
    if (abandoning_) return;
    storeDataSet(doc_.dataSet(), ws_, session_);
    if (ws_.listComponentsOption) finishComponentLists(ws_);
    doc_.dataSetStored();
    viewport()->update();
    emit stateChanged();
    emit calculationStored();
}

void ResultView::abandonCalculation() {
    if (!calculating_) return;
    abandoning_ = true;
    ws_.cancelRequest.store(true, std::memory_order_relaxed);
    // The worker may be waiting for Part Two on this thread, so events are handled while waiting.
    while (runner_.running()) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    runner_.join();
    timer_.stop();
    delete progress_;
    calculating_ = false;
}

// --- Plot commands --------------------------------------------------------------------------------

void ResultView::plotSpectrum() {
    if (calculating_ || !doc_.canPlot()) return;
    if (!mv::plotSpectrum(doc_, ws_, prompter_)) return;
    // A new plot starts at the top left of its graph.
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
    emit stateChanged();
}

void ResultView::displayData() {
    if (calculating_ || !doc_.canDisplayData()) return;
    mv::displayData(doc_, ws_);
    viewport()->update();
    emit stateChanged();
}

bool ResultView::canExport() const { return ws_.plotMode && !doc_.dataSet().readyForCalculation && !calculating_; }

void ResultView::exportSpectrum() {
    if (!canExport()) return;
    mv::exportSpectrum(doc_, prompter_, plotTitlesOf(session_), screen_, renderQtPicture);
    emit stateChanged();
}

// --- Drawing ---------------------------------------------------------------------------------------

void ResultView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    QtCanvas canvas(painter, screenDeviceCaps(*this), false);
    // As a scroll view does before drawing: the device origin follows the scroll position.
    canvas.setViewportOrg({-horizontalScrollBar()->value(), -verticalScrollBar()->value()});
    const Rect client{0, 0, viewport()->width(), viewport()->height()};
    onDraw(listing_, canvas, doc_.dataSet(), ws_, client);
    if (listing_.scrollSizesChanged && !(listing_.scrollSizes == sizes_)) {
        const ScrollSizes sizes = listing_.scrollSizes;
        // Changing the scroll bars repaints; do it after this paint.
        QMetaObject::invokeMethod(this, [this, sizes] { setScrollSizes(sizes); }, Qt::QueuedConnection);
    }
}

void ResultView::setScrollSizes(const ScrollSizes& sizes) {
    sizes_ = sizes;
    updateScrollBars();
    viewport()->update();
}

void ResultView::updateScrollBars() {
    const int dpiX = logicalDpiX() > 0 ? logicalDpiX() : 96;
    const int dpiY = logicalDpiY() > 0 ? logicalDpiY() : 96;
    auto toPixels = [&](int logical, int dpi) {
        switch (sizes_.mapMode) {
            case MapMode::LoEnglish: return static_cast<int>(std::lround(std::abs(logical) * dpi / 100.0));
            case MapMode::HiEnglish: return static_cast<int>(std::lround(std::abs(logical) * dpi / 1000.0));
            default: return std::abs(logical);
        }
    };
    const int width = toPixels(sizes_.total.cx, dpiX);
    const int height = toPixels(sizes_.total.cy, dpiY);
    const QSize client = viewport()->size();
    horizontalScrollBar()->setRange(0, std::max(0, width - client.width()));
    verticalScrollBar()->setRange(0, std::max(0, height - client.height()));
    // The page is the client area; a line is the listing's line (default: a tenth of the page).
    horizontalScrollBar()->setPageStep(std::max(1, client.width()));
    verticalScrollBar()->setPageStep(std::max(1, client.height()));
    horizontalScrollBar()->setSingleStep(
        std::max(1, sizes_.line.cx ? toPixels(sizes_.line.cx, dpiX) : client.width() / 10));
    verticalScrollBar()->setSingleStep(
        std::max(1, sizes_.line.cy ? toPixels(sizes_.line.cy, dpiY) : client.height() / 10));
}

void ResultView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void ResultView::scrollContentsBy(int, int) { viewport()->update(); }

// --- Printing --------------------------------------------------------------------------------------

int ResultView::printDocument(QPrinter& printer) {
    QPainter painter;
    if (!painter.begin(&printer)) {
        prompter_.message("The printer could not be started.");
        return 0;
    }
    const DeviceCaps caps = printerDeviceCaps(printer);
    PrintLayout layout;
    {
        QtCanvas canvas(painter, caps, true);
        layout = onBeginPrinting(listing_, canvas, doc_.dataSet(), ws_, ws_.plotMode);
    }
    int first = 1;
    int last = layout.pageCount;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = std::max(1, printer.fromPage());
        last = std::min(layout.pageCount, printer.toPage() > 0 ? printer.toPage() : layout.pageCount);
    }
    int printed = 0;
    for (int page = first; page <= last; ++page) {
        if (printed > 0) printer.newPage();
        QtCanvas canvas(painter, caps, true);
        onPrepareDC(canvas, page);
        onDraw(listing_, canvas, doc_.dataSet(), ws_, {0, 0, caps.horzRes, caps.vertRes});
        ++printed;
    }
    painter.end();
    listing_.printing = false;
    return printed;
}

}  // namespace mv
