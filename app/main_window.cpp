#include "app/main_window.h"

#include "app/about_dialog.h"
#include "app/help_window.h"
#include "app/qt_prompter.h"
#include "app/result_view.h"
#include "app/settings.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSignalBlocker>
#include <QStatusBar>
#include <QToolBar>
#include <QWhatsThis>

// The icons and help pages live in the library; a static library's resources need registering.
static void initResources() { Q_INIT_RESOURCE(marvolen); }

namespace mv {

namespace {

const QString kIdleMessage = QStringLiteral("Ready");

}  // namespace

MainWindow::MainWindow(std::unique_ptr<Prompter> prompter, QWidget* parent)
    : QMainWindow(parent), prompter_(std::move(prompter)) {
    setObjectName(QStringLiteral("mainWindow"));
    initResources();
    if (!prompter_) prompter_ = std::make_unique<QtPrompter>(this);
    setWindowIcon(QIcon(QStringLiteral(":/icons/marvolen.svg")));
    view_ = new ResultView(doc_, workspace(), *prompter_, this);
    view_->setWhatsThis(QStringLiteral("The results of the last calculation: the listing of its isotope cluster."));
    setCentralWidget(view_);
    createMenus();
    createToolBar();

    statusBar()->setObjectName(QStringLiteral("statusBar"));
    connect(statusBar(), &QStatusBar::messageChanged, this, [this](const QString& text) {
        if (text.isEmpty()) statusBar()->showMessage(kIdleMessage);
    });
    statusBar()->showMessage(kIdleMessage);
    {
        const QSignalBlocker blockToolbar(action(Command::ViewToolbar));
        const QSignalBlocker blockStatus(action(Command::ViewStatusBar));
        action(Command::ViewToolbar)->setChecked(settings::barVisible(QStringLiteral("ToolBar")));
        action(Command::ViewStatusBar)->setChecked(settings::barVisible(QStringLiteral("StatusBar")));
    }
    toolBar_->setVisible(action(Command::ViewToolbar)->isChecked());
    statusBar()->setVisible(action(Command::ViewStatusBar)->isChecked());

    connect(view_, &ResultView::stateChanged, this, &MainWindow::updateCommands);
    // Start-up runs File New on the fresh document: nothing to save, a ready, untitled document.
    doc_.newDocument(*prompter_);
    updateCommands();
}

// The view outlives this body (it is a child widget), the prompter and document do not: a running
// calculation is stopped while everything it may call back into still exists.
MainWindow::~MainWindow() { view_->abandonCalculation(); }

QAction* MainWindow::action(int commandId) const {
    const auto it = actions_.find(commandId);
    return it == actions_.end() ? nullptr : it->second;
}

QAction* MainWindow::addCommand(QMenu* menu, int id, const QString& text, const QString& prompt,
                                const QList<QKeySequence>& keys) {
    auto* a = new QAction(text, this);
    a->setObjectName(QStringLiteral("command%1").arg(id));
    a->setData(id);
    a->setStatusTip(prompt);
    a->setWhatsThis(prompt);
    if (!keys.isEmpty()) a->setShortcuts(keys);
    menu->addAction(a);
    actions_[id] = a;
    return a;
}

void MainWindow::createMenus() {
    using K = QKeySequence;
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    connect(addCommand(file, Command::FileNew, QStringLiteral("&New"), QStringLiteral("Create a new document"),
                       {K(Qt::CTRL | Qt::Key_N)}),
            &QAction::triggered, this, &MainWindow::fileNew);
    addCommand(file, Command::FileOpen, QStringLiteral("&Open..."), QStringLiteral("Open an existing document"),
               {K(Qt::CTRL | Qt::Key_O)});
    connect(addCommand(file, Command::FileSave, QStringLiteral("&Save"), QStringLiteral("Save the active document"),
                       {K(Qt::CTRL | Qt::Key_S)}),
            &QAction::triggered, this, &MainWindow::fileSave);
    connect(addCommand(file, Command::FileSaveAs, QStringLiteral("Save &As..."),
                       QStringLiteral("Save the active document with a new name")),
            &QAction::triggered, this, &MainWindow::fileSaveAs);
    connect(addCommand(file, Command::ExportSpectrum, QStringLiteral("&Export"),
                       QStringLiteral("Export the graph as an enhanced metafile"), {K(Qt::CTRL | Qt::Key_E)}),
            &QAction::triggered, this, [this] {
                view_->exportSpectrum();
                updateCommands();
            });
    file->addSeparator();
    connect(addCommand(file, Command::FilePrint, QStringLiteral("&Print..."),
                       QStringLiteral("Print the active document"), {K(Qt::CTRL | Qt::Key_P)}),
            &QAction::triggered, this, &MainWindow::filePrint);
    connect(addCommand(file, Command::FilePrintPreview, QStringLiteral("Print Pre&view"),
                       QStringLiteral("Display full pages")),
            &QAction::triggered, this, &MainWindow::filePrintPreview);
    connect(addCommand(file, Command::FilePrintSetup, QStringLiteral("P&rint Setup..."),
                       QStringLiteral("Change the printer and printing options")),
            &QAction::triggered, this, &MainWindow::filePrintSetup);
    file->addSeparator();
    addCommand(file, Command::FileMruFile1, QStringLiteral("Recent File"), QStringLiteral("Open this document"));
    file->addSeparator();
    connect(addCommand(file, Command::AppExit, QStringLiteral("E&xit"),
                       QStringLiteral("Quit the application; prompts to save documents")),
            &QAction::triggered, this, &MainWindow::close);

    // No handlers: shown disabled, as the framework shows commands nobody handles.
    QMenu* edit = menuBar()->addMenu(QStringLiteral("&Edit"));
    addCommand(edit, Command::EditUndo, QStringLiteral("&Undo"), QStringLiteral("Undo the last action"),
               {K(Qt::CTRL | Qt::Key_Z), K(Qt::ALT | Qt::Key_Backspace)});
    edit->addSeparator();
    addCommand(edit, Command::EditCut, QStringLiteral("Cu&t"),
               QStringLiteral("Cut the selection and put it on the Clipboard"),
               {K(Qt::CTRL | Qt::Key_X), K(Qt::SHIFT | Qt::Key_Delete)});
    addCommand(edit, Command::EditCopy, QStringLiteral("&Copy"),
               QStringLiteral("Copy the selection and put it on the Clipboard"),
               {K(Qt::CTRL | Qt::Key_C), K(Qt::CTRL | Qt::Key_Insert)});
    addCommand(edit, Command::EditPaste, QStringLiteral("&Paste"), QStringLiteral("Insert Clipboard contents"),
               {K(Qt::CTRL | Qt::Key_V), K(Qt::SHIFT | Qt::Key_Insert)});

    QMenu* viewMenu = menuBar()->addMenu(QStringLiteral("&View"));
    QAction* toolbar = addCommand(viewMenu, Command::ViewToolbar, QStringLiteral("&Toolbar"),
                                  QStringLiteral("Show or hide the toolbar"));
    toolbar->setCheckable(true);
    connect(toolbar, &QAction::toggled, this, [this](bool on) {
        toolBar_->setVisible(on);
        settings::setBarVisible(QStringLiteral("ToolBar"), on);
    });
    QAction* status = addCommand(viewMenu, Command::ViewStatusBar, QStringLiteral("&Status Bar"),
                                 QStringLiteral("Show or hide the status bar"));
    status->setCheckable(true);
    connect(status, &QAction::toggled, this, [this](bool on) {
        statusBar()->setVisible(on);
        settings::setBarVisible(QStringLiteral("StatusBar"), on);
    });

    QMenu* calc = menuBar()->addMenu(QStringLiteral("&Calculations"));
    struct CalcCommand {
        int id;
        const char* text;
        const char* prompt;
        Qt::Key key;
        ScanType scan;
    };
    static const CalcCommand kCalcCommands[] = {
        {Command::RegularScan, "&Regular Scan", "Perform an isotope pattern calculation for a regular scan", Qt::Key_R,
         ScanType::Regular},
        {Command::PrecursorScan, "Pre&cursor MS/MS Scan",
         "Perform an isotope pattern calculation for a precursor ion scan", Qt::Key_K, ScanType::Precursor},
        {Command::NeutralLossScan, "&Neutral Loss MS/MS Scan",
         "Perform an isotope cluster pattern calculation for a neutral loss scan", Qt::Key_L, ScanType::NeutralLoss},
        {Command::ProductScan, "&Product MS/MS Scan",
         "Perform an isotope cluster pattern calculation for a product ion scan", Qt::Key_T, ScanType::Product},
        {Command::MSnScans, "&MSn Scans", "Perform isotope cluster calculations for MSn scans", Qt::Key_M,
         ScanType::MSn},
    };
    for (const CalcCommand& c : kCalcCommands) {
        QAction* a = addCommand(calc, c.id, QString::fromLatin1(c.text), QString::fromLatin1(c.prompt),
                                {K(Qt::CTRL | c.key)});
        const ScanType scan = c.scan;
        connect(a, &QAction::triggered, this, [this, scan] {
            view_->runCommand(scan);
            updateCommands();
        });
    }
    calc->addSeparator();
    connect(addCommand(calc, Command::PlotSpectrum, QStringLiteral("Plot &Spectrum"),
                       QStringLiteral("Plot the spectrum using individual component ion data"),
                       {K(Qt::CTRL | Qt::Key_U)}),
            &QAction::triggered, this, [this] {
                view_->plotSpectrum();
                updateCommands();
            });
    connect(addCommand(calc, Command::DisplayData, QStringLiteral("&Display Data"),
                       QStringLiteral("Return to the display of individual ion component data"),
                       {K(Qt::CTRL | Qt::Key_D)}),
            &QAction::triggered, this, [this] {
                view_->displayData();
                updateCommands();
            });

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    connect(addCommand(help, Command::HelpFinder, QStringLiteral("&Help Topics"), QStringLiteral("List Help topics"),
                       {K(Qt::Key_F1)}),
            &QAction::triggered, this, &MainWindow::showGettingStarted);
    connect(addCommand(help, Command::GettingStarted, QStringLiteral("&Getting Started"),
                       QStringLiteral("Display advice on how to use Marvolen")),
            &QAction::triggered, this, &MainWindow::showGettingStarted);
    help->addSeparator();
    connect(addCommand(help, Command::AppAbout, QStringLiteral("&About Marvolen..."),
                       QStringLiteral("Display program information, version number and copyright")),
            &QAction::triggered, this, &MainWindow::showAbout);

    QAction* whatsThis = QWhatsThis::createAction(this);
    whatsThis->setObjectName(QStringLiteral("command%1").arg(Command::ContextHelp));
    whatsThis->setIcon(QIcon(QStringLiteral(":/icons/context_help.svg")));
    whatsThis->setShortcut(K(Qt::SHIFT | Qt::Key_F1));
    whatsThis->setStatusTip(QStringLiteral("Display help for clicked on buttons, menus and windows"));
    addAction(whatsThis);
    actions_[Command::ContextHelp] = whatsThis;
}

void MainWindow::createToolBar() {
    toolBar_ = addToolBar(QStringLiteral("Toolbar"));
    toolBar_->setObjectName(QStringLiteral("toolBar"));
    toolBar_->setIconSize(QSize(16, 16));
    action(Command::FileNew)->setIcon(QIcon(QStringLiteral(":/icons/new.svg")));
    action(Command::FileSave)->setIcon(QIcon(QStringLiteral(":/icons/save.svg")));
    action(Command::FilePrint)->setIcon(QIcon(QStringLiteral(":/icons/print.svg")));
    action(Command::AppAbout)->setIcon(QIcon(QStringLiteral(":/icons/about.svg")));
    toolBar_->addAction(action(Command::FileNew));
    toolBar_->addAction(action(Command::FileSave));
    toolBar_->addSeparator();
    toolBar_->addAction(action(Command::FilePrint));
    toolBar_->addAction(action(Command::AppAbout));
    toolBar_->addAction(action(Command::ContextHelp));
    toolBar_->setWhatsThis(QStringLiteral("New, Save, Print, About and context help."));
}

QPrinter& MainWindow::printer() {
    if (!printer_) printer_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *printer_;
}

void MainWindow::updateCommands() {
    const bool running = view_->calculating();
    for (int id : {Command::RegularScan, Command::PrecursorScan, Command::NeutralLossScan, Command::ProductScan,
                   Command::MSnScans})
        action(id)->setEnabled(!running);
    // Nothing is ever read from a file.
    action(Command::FileOpen)->setEnabled(false);
    action(Command::FileMruFile1)->setEnabled(false);
    action(Command::FileSave)->setEnabled(doc_.canSave());
    action(Command::FileSaveAs)->setEnabled(doc_.canSaveAs());
    action(Command::FilePrint)->setEnabled(doc_.canPrint());
    action(Command::FilePrintPreview)->setEnabled(doc_.canPrint());
    action(Command::PlotSpectrum)->setEnabled(doc_.canPlot() && !running);
    action(Command::DisplayData)->setEnabled(doc_.canDisplayData() && !running);
    action(Command::ExportSpectrum)->setEnabled(view_->canExport());
    for (int id : {Command::EditUndo, Command::EditCut, Command::EditCopy, Command::EditPaste})
        action(id)->setEnabled(false);

    const QString title = QString::fromStdString(doc_.title());
    setWindowTitle(title.isEmpty() ? QStringLiteral("Marvolen") : QStringLiteral("Marvolen - ") + title);
}

void MainWindow::fileNew() {
    if (doc_.newDocument(*prompter_)) view_->documentChanged();
    updateCommands();
}

void MainWindow::fileSave() {
    doc_.fileSave(*prompter_);
    updateCommands();
}

void MainWindow::fileSaveAs() {
    doc_.fileSaveAs(*prompter_);
    updateCommands();
}

void MainWindow::filePrint() {
    if (!doc_.canPrint()) return;
    QPrintDialog dialog(&printer(), this);
    dialog.setObjectName(QStringLiteral("printDialog"));
    if (dialog.exec() == QDialog::Accepted) view_->printDocument(printer());
}

void MainWindow::filePrintPreview() {
    if (!doc_.canPrint()) return;
    QPrintPreviewDialog preview(&printer(), this);
    preview.setObjectName(QStringLiteral("printPreview"));
    connect(&preview, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { view_->printDocument(*p); });
    preview.exec();
}

void MainWindow::filePrintSetup() {
    QPageSetupDialog dialog(&printer(), this);
    dialog.exec();
}

void MainWindow::showAbout() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::showGettingStarted() {
    if (!help_) help_ = new HelpWindow(this);
    help_->showPage(QStringLiteral("qrc:/help/getting_started.html"));
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // The save prompts; a write that failed keeps the window open so nothing is lost.
    if (!doc_.saveModified(*prompter_)) {
        event->ignore();
        updateCommands();
        return;
    }
    view_->abandonCalculation();
    if (help_) help_->close();
    event->accept();
}

}  // namespace mv
