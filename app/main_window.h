#pragma once

#include "app/help_window.h"
#include "document/document.h"

#include <QMainWindow>
#include <QPointer>

#include <map>
#include <memory>

class QAction;
class QPrinter;

namespace mv {

class Prompter;
class ResultView;


// Command ids of the menu entries, as the resources number them; tests find actions by them.
namespace Command {
inline constexpr int FileNew = 57600;
inline constexpr int FileOpen = 57601;
inline constexpr int FileSave = 57603;
inline constexpr int FileSaveAs = 57604;
inline constexpr int FilePrintSetup = 57606;
inline constexpr int FilePrint = 57607;
inline constexpr int FilePrintPreview = 57609;
inline constexpr int FileMruFile1 = 57616;
inline constexpr int AppExit = 57665;
inline constexpr int EditUndo = 57643;
inline constexpr int EditCut = 57635;
inline constexpr int EditCopy = 57634;
inline constexpr int EditPaste = 57637;
inline constexpr int ViewToolbar = 59392;
inline constexpr int ViewStatusBar = 59393;
inline constexpr int RegularScan = 32771;
inline constexpr int PrecursorScan = 32772;
inline constexpr int NeutralLossScan = 32773;
inline constexpr int ProductScan = 32774;
inline constexpr int MSnScans = 32775;
inline constexpr int GettingStarted = 32777;
inline constexpr int PlotSpectrum = 32779;
inline constexpr int DisplayData = 32780;
inline constexpr int ExportSpectrum = 32781;
inline constexpr int HelpFinder = 57667;
inline constexpr int ContextHelp = 57669;
inline constexpr int Help = 57670;
inline constexpr int AppAbout = 57664;
}  // namespace Command

// The main frame with the single document and its view: menus, accelerators, toolbar, status bar,
// About box and help. The prompter answers every question the commands ask; the program passes
// none and gets the dialogs, tests pass their own.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(std::unique_ptr<Prompter> prompter = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    QAction* action(int commandId) const;
    ResultView& view() { return *view_; }
    MarvolenDocument& document() { return doc_; }
    Prompter& prompter() { return *prompter_; }
    QPrinter& printer();
    HelpWindow* helpWindow() const { return help_; }

    // Enables and disables the commands from the document and the view, and sets the caption.
    void updateCommands();

public slots:
    void fileNew();
    void fileSave();
    void fileSaveAs();
    void filePrint();
    void filePrintPreview();
    void filePrintSetup();
    void showAbout();
    void showGettingStarted();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* addCommand(QMenu* menu, int id, const QString& text, const QString& prompt,
                        const QList<QKeySequence>& keys = {});
    void createMenus();
    void createToolBar();

    MarvolenDocument doc_;
    std::unique_ptr<Prompter> prompter_;
    ResultView* view_ = nullptr;
    std::map<int, QAction*> actions_;
    std::unique_ptr<QPrinter> printer_;
    QPointer<HelpWindow> help_;
    QToolBar* toolBar_ = nullptr;
};

}  // namespace mv
