// The window's shell and dialogs: menus, accelerators, prompts and toolbar; the form dialogs built
// from the parameter forms (tab order, toggles, validation), the user-element dialogs; About and
// Getting Started; the settings key and the desktop entry.

#include "app_test_support.h"
#include "modal_driver.h"

#include "app/about_dialog.h"
#include "app/form_dialog.h"
#include "control/parameter_entry.h"
#include "control/parameter_forms.h"
#include "isodata/element_table.h"
#include "isodata/user_element.h"

#include <QLabel>
#include <QMenuBar>
#include <QTextBrowser>
#include <QToolBar>

using namespace mv;
using mv::test::ModalDriver;

namespace {

// Fields of a dialog in tab order, starting from its first field.
std::vector<int> tabOrder(FormDialog& dialog, const Form& form) {
    std::vector<int> ids;
    QWidget* w = dialog.fieldWidget(form.fields.front().id);
    for (size_t i = 0; i < form.fields.size(); ++i) {
        ids.push_back(w->objectName().mid(5).toInt());
        do {
            w = w->nextInFocusChain();
        } while (!w->objectName().startsWith(QLatin1String("field")));
    }
    return ids;
}

std::vector<int> exchangeOrder(const Form& form) {
    std::vector<int> ids;
    for (const Field& f : form.fields) ids.push_back(f.id);
    return ids;
}

}  // namespace

class ShellTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { mv::test::initAppTests(); }

    void menusAcceleratorsAndPrompts_data() {
        QTest::addColumn<int>("id");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("prompt");
        auto row = [](int id, const char* menu, const char* text, const char* keys, const char* prompt = nullptr) {
            QTest::newRow(text) << id << QString::fromLatin1(menu) << QString::fromLatin1(text)
                                << QString::fromLatin1(keys) << (prompt ? QString::fromLatin1(prompt) : QString());
        };
        row(Command::FileNew, "&File", "&New", "Ctrl+N");
        row(Command::FileOpen, "&File", "&Open...", "Ctrl+O");
        row(Command::FileSave, "&File", "&Save", "Ctrl+S");
        row(Command::FileSaveAs, "&File", "Save &As...", "");
        row(Command::ExportSpectrum, "&File", "&Export", "Ctrl+E", "Export the graph as an enhanced metafile");
        row(Command::FilePrint, "&File", "&Print...", "Ctrl+P");
        row(Command::FilePrintPreview, "&File", "Print Pre&view", "");
        row(Command::FilePrintSetup, "&File", "P&rint Setup...", "");
        row(Command::AppExit, "&File", "E&xit", "");
        row(Command::EditUndo, "&Edit", "&Undo", "Ctrl+Z, Alt+Backspace");
        row(Command::EditCut, "&Edit", "Cu&t", "Ctrl+X, Shift+Del");
        row(Command::EditCopy, "&Edit", "&Copy", "Ctrl+C, Ctrl+Ins");
        row(Command::EditPaste, "&Edit", "&Paste", "Ctrl+V, Shift+Ins");
        row(Command::ViewToolbar, "&View", "&Toolbar", "");
        row(Command::ViewStatusBar, "&View", "&Status Bar", "");
        row(Command::RegularScan, "&Calculations", "&Regular Scan", "Ctrl+R",
            "Perform an isotope pattern calculation for a regular scan");
        row(Command::PrecursorScan, "&Calculations", "Pre&cursor MS/MS Scan", "Ctrl+K",
            "Perform an isotope pattern calculation for a precursor ion scan");
        row(Command::NeutralLossScan, "&Calculations", "&Neutral Loss MS/MS Scan", "Ctrl+L",
            "Perform an isotope cluster pattern calculation for a neutral loss scan");
        row(Command::ProductScan, "&Calculations", "&Product MS/MS Scan", "Ctrl+T",
            "Perform an isotope cluster pattern calculation for a product ion scan");
        row(Command::MSnScans, "&Calculations", "&MSn Scans", "Ctrl+M",
            "Perform isotope cluster calculations for MSn scans");
        row(Command::PlotSpectrum, "&Calculations", "Plot &Spectrum", "Ctrl+U",
            "Plot the spectrum using individual component ion data");
        row(Command::DisplayData, "&Calculations", "&Display Data", "Ctrl+D",
            "Return to the display of individual ion component data");
        row(Command::HelpFinder, "&Help", "&Help Topics", "F1");
        row(Command::GettingStarted, "&Help", "&Getting Started", "", "Display advice on how to use Marvolen");
        row(Command::AppAbout, "&Help", "&About Marvolen...", "");
    }

    void menusAcceleratorsAndPrompts() {
        QFETCH(int, id);
        QFETCH(QString, menu);
        QFETCH(QString, text);
        QFETCH(QString, keys);
        QFETCH(QString, prompt);
        MainWindow window;
        QAction* a = window.action(id);
        QVERIFY(a);
        QCOMPARE(a->text(), text);
        QStringList shortcuts;
        for (const QKeySequence& k : a->shortcuts()) shortcuts << k.toString();
        QCOMPARE(shortcuts.join(QStringLiteral(", ")), keys);
        if (!prompt.isEmpty()) QCOMPARE(a->statusTip(), prompt);
        bool inMenu = false;
        for (QAction* top : window.menuBar()->actions())
            if (top->text() == menu && top->menu()->actions().contains(a)) inMenu = true;
        QVERIFY2(inMenu, qPrintable(text + QStringLiteral(" is not in ") + menu));
    }

    void menuBarToolbarAndStatusBar() {
        MainWindow window;
        QStringList menus;
        for (QAction* top : window.menuBar()->actions()) menus << top->text();
        QCOMPARE(menus, (QStringList{"&File", "&Edit", "&View", "&Calculations", "&Help"}));

        auto* toolbar = window.findChild<QToolBar*>(QStringLiteral("toolBar"));
        QVERIFY(toolbar);
        const QList<QAction*> buttons = toolbar->actions();
        QCOMPARE(buttons.size(), 6);
        QCOMPARE(buttons[0], window.action(Command::FileNew));
        QCOMPARE(buttons[1], window.action(Command::FileSave));
        QVERIFY(buttons[2]->isSeparator());
        QCOMPARE(buttons[3], window.action(Command::FilePrint));
        QCOMPARE(buttons[4], window.action(Command::AppAbout));
        QCOMPARE(buttons[5], window.action(Command::ContextHelp));
        QCOMPARE(window.action(Command::ContextHelp)->shortcut().toString(), QStringLiteral("Shift+F1"));
        for (QAction* b : buttons) QVERIFY(b->isSeparator() || !b->icon().isNull());

        // The bars can be hidden from the View menu, and the choice is kept in the settings.
        window.action(Command::ViewToolbar)->trigger();
        QVERIFY(!window.action(Command::ViewToolbar)->isChecked());
        QVERIFY(toolbar->isHidden());
        QSettings settings(QString::fromLatin1(settings::kOrganisation), QString::fromLatin1(settings::kApplication));
        QCOMPARE(settings.value(QStringLiteral("Settings/ToolBar")).toBool(), false);
        MainWindow second;
        QVERIFY(!second.action(Command::ViewToolbar)->isChecked());
        second.action(Command::ViewToolbar)->trigger();
        QVERIFY(settings.value(QStringLiteral("Settings/ToolBar")).toBool());
    }

    void settingsKey() {
        QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Local AppWizard-Generated Applications"));
        QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Marvolen"));
    }

    void aboutBox() {
        AboutDialog about;
        QCOMPARE(about.windowTitle(), QStringLiteral("About Marvolen"));
        QStringList texts;
        for (QLabel* l : about.findChildren<QLabel*>())
            if (!l->text().isEmpty()) texts << l->text();
        QCOMPARE(texts, (QStringList{"Marvolen Version 2.13", "NOTE: This Version uses 80-bit floating point math routines,",
                                     "providing more accurate results for large molecules.", "Source of isotopic data:",
                                     "Pure Appl. Chem., Vol. 75, pp 683-800, 2003"}));
        QVERIFY(!about.findChildren<QLabel*>().first()->pixmap().isNull());
    }

    void gettingStartedOpensTheBundledPage() {
        MainWindow window;
        window.action(Command::GettingStarted)->trigger();
        QVERIFY(window.helpWindow());
        QVERIFY(window.helpWindow()->isVisible());
        QCOMPARE(window.helpWindow()->browser()->documentTitle(), QStringLiteral("Getting Started with Marvolen"));
        QVERIFY(window.helpWindow()->browser()->toPlainText().contains(QStringLiteral("Regular Scan")));
    }

    // Tab order follows the exchange order, also where it differs from the visual order (the second
    // generation's charge before its formula); each form's check box enables its group.
    void formDialogsTabInExchangeOrder() {
        CalcWorkspace& ws = workspace();
        resetStoredParameters(ws);
        CalcSession session;
        std::vector<Form> forms;
        for (ScanType scan : {ScanType::Regular, ScanType::Precursor, ScanType::Product, ScanType::MSn})
            forms.push_back(ionParameterForm(scan, session, ws));
        for (int steps : {2, 3, 4}) {
            ws.msSteps = steps;
            forms.push_back(tandemParameterForm(ScanType::MSn, session, ws));
        }
        ws.msSteps = 2;
        forms.push_back(userElementForm(84, false));
        forms.push_back(userElementForm(88, true));
        for (Form& form : forms) {
            FormDialog dialog(form);
            QCOMPARE(dialog.windowTitle(), QString::fromStdString(form.caption));
            QCOMPARE(tabOrder(dialog, form), exchangeOrder(form));
        }
        QCOMPARE(forms[6].fields[3].id, 1022);
        QCOMPARE(forms[8].caption, std::string("Data for User Element Qy"));
    }

    void listingCheckBoxEnablesItsGroup() {
        CalcSession session;
        resetStoredParameters(workspace());
        Form form = ionParameterForm(ScanType::Regular, session, workspace());
        FormDialog dialog(form);
        auto* check = qobject_cast<QCheckBox*>(dialog.fieldWidget(1048));
        QVERIFY(check && !check->isChecked());
        for (int id : {1068, 1070, 1071}) QVERIFY(!dialog.fieldWidget(id)->isEnabled());
        QVERIFY(dialog.fieldWidget(1000)->isEnabled());
        check->click();
        for (int id : {1068, 1070, 1071}) QVERIFY(dialog.fieldWidget(id)->isEnabled());
        check->click();
        for (int id : {1068, 1070, 1071}) QVERIFY(!dialog.fieldWidget(id)->isEnabled());
    }

    // A refused field keeps the dialog open and the form untouched; OK with good values fills it.
    void validationKeepsTheDialogOpen_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("charge not an integer") << 1001 << "1.5" << "Please enter an integer.";
        QTest::newRow("stop below range") << 1002 << "0.49999" << "Please enter a number between 0.5 and 0.99999.";
        QTest::newRow("stop not a number") << 1002 << "abc" << "Please enter a number.";
        QTest::newRow("formula too long") << 1000 << QString(129, QLatin1Char('C'))
                                          << "Please enter no more than 128 characters.";
    }

    void validationKeepsTheDialogOpen() {
        QFETCH(int, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        CalcSession session;
        resetStoredParameters(workspace());
        Form form = ionParameterForm(ScanType::Regular, session, workspace());
        const Form before = form;
        FormDialog dialog(form);
        dialog.show();
        auto* edit = qobject_cast<QLineEdit*>(dialog.fieldWidget(field));
        edit->setMaxLength(32767);
        edit->setText(text);
        ModalDriver driver;
        driver.box(message);
        dialog.accept();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(dialog.focusWidget(), edit);
        QCOMPARE(form.field(field).text, before.field(field).text);

        edit->setText(field == 1000 ? QStringLiteral("C6H12O6") : QStringLiteral("1"));
        if (field == 1002) edit->setText(QStringLiteral("0.5"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(QString::fromStdString(form.field(field).text), edit->text());
        QVERIFY(driver.unexpected.isEmpty());
    }

    // The user-element dialogs of a formula with Jx and Jz: the first keeps the resource's title;
    // with components listed the accurate-mass form asks for exact masses.
    void userElementDialogsInACalculation() {
        MainWindow window;
        ModalDriver driver;
        driver.form({{1000, "C6H12O6JxJz"}, {1048, "0"}});
        driver.form({{1026, "12.0"}, {1027, "2"}, {1036, "0.1"}, {1028, "1"}, {1037, "0.3"}});
        driver.form({{1026, "20.0"}});
        window.action(Command::RegularScan)->trigger();
        QVERIFY(mv::test::waitForStored(window));
        QCOMPARE(driver.seen.mid(1),
                 (QStringList{"form:Data for User ELEMENT Jx", "form:Data for User Element Jz"}));
        QCOMPARE(elementTable().heavyIsotopeCount[84], 2);
        QCOMPARE(elementTable().abundance[266], 0.6);

        driver.box("Current data set is not saved, save it?", QMessageBox::No);
        window.action(Command::FileNew)->trigger();
        driver.form({{1000, "C6H12O6Qz"}, {1048, "1"}, {1070, "0"}, {1071, "2"}});
        driver.form({{1049, "100.0"}, {1050, "100.4"}, {1051, "0.2"}});
        driver.box("Delta mass cannot be less than or equal to zero.");
        window.action(Command::RegularScan)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QCOMPARE(driver.seen.last(), QStringLiteral("box:Delta mass cannot be less than or equal to zero."));
        QCOMPARE(driver.seen.at(driver.seen.size() - 2), QStringLiteral("form:Data for User Element Qz"));
        QVERIFY(window.document().dataSet().readyForCalculation);
        QVERIFY(driver.unexpected.isEmpty());
    }

    void desktopEntry() {
        QFile entry(QStringLiteral(MARVOLEN_SOURCE_DIR "/app/marvolen.desktop"));
        QVERIFY(entry.open(QIODevice::ReadOnly | QIODevice::Text));
        const QStringList lines = QString::fromUtf8(entry.readAll()).split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("[Desktop Entry]"));
        for (const char* line : {"Type=Application", "Name=Marvolen", "Exec=marvolen", "Icon=marvolen"})
            QVERIFY2(lines.contains(QString::fromLatin1(line)), line);
        QVERIFY(QFile::exists(QStringLiteral(MARVOLEN_SOURCE_DIR "/app/resources/icons/marvolen.svg")));
    }
};

QTEST_MAIN(ShellTest)
#include "test_shell.moc"
