// The document side of the window: command enabling after start-up, a calculation and a save;
// File New and closing with their save prompts; failed writes; printing and print preview.

#include "app_test_support.h"
#include "modal_driver.h"

#include "display/listing.h"
#include "document/data_set_file.h"

#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>

using namespace mv;
using mv::test::ModalDriver;
using mv::test::checkEnabled;

namespace {

// Never enabled, whatever the state: nothing is read from files and the edit commands have no
// handlers. (The plot commands stay disabled too here: no calculation of these tests lists
// component ions.)
const std::initializer_list<mv::test::Enabled> kAlwaysDisabled = {
    {Command::FileOpen, false}, {Command::FileMruFile1, false}, {Command::EditUndo, false},
    {Command::EditCut, false},  {Command::EditCopy, false},     {Command::EditPaste, false},
    {Command::PlotSpectrum, false}, {Command::DisplayData, false}, {Command::ExportSpectrum, false}};

bool calculate(MainWindow& window, ModalDriver& driver, const QString& formula, bool components = false,
               bool reminder = true) {
    driver.form({{1000, formula}, {1048, components ? "1" : "0"}, {1070, "0"}, {1071, "20"},
                 {1046, reminder ? "1" : "0"}});
    window.action(Command::RegularScan)->trigger();
    return mv::test::waitForStored(window);
}

}  // namespace

class DocumentTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        mv::test::initAppTests();
        QVERIFY(dir_.isValid());
    }

    void enablingFollowsTheDocument() {
        MainWindow window;
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen"));
        checkEnabled(window, kAlwaysDisabled, "start-up");
        checkEnabled(window,
                     {{Command::FileNew, true}, {Command::FileSave, false}, {Command::FileSaveAs, false},
                      {Command::FilePrint, false}, {Command::FilePrintPreview, false}, {Command::RegularScan, true},
                      {Command::MSnScans, true}, {Command::AppAbout, true}, {Command::GettingStarted, true}},
                     "start-up");

        ModalDriver driver;
        QVERIFY(calculate(window, driver, "C6H12O6"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen - MVSet1"));
        checkEnabled(window, kAlwaysDisabled, "after a calculation");
        checkEnabled(window,
                     {{Command::FileSave, true}, {Command::FileSaveAs, true}, {Command::FilePrint, true},
                      {Command::FilePrintPreview, true}, {Command::RegularScan, true}},
                     "after a calculation");

        // Save As offers the data set's name with the extension.
        const QString path = dir_.filePath(QStringLiteral("first.txt"));
        driver.save(path);
        window.action(Command::FileSaveAs)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QCOMPARE(driver.seen.last(), QStringLiteral("file:MVSet1.txt"));
        QVERIFY(QFile::exists(path));
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen - first.txt"));
        checkEnabled(window, kAlwaysDisabled, "after a save");
        checkEnabled(window,
                     {{Command::FileSave, false}, {Command::FileSaveAs, true}, {Command::FilePrint, true}},
                     "after a save");

        // Saved: New asks nothing and empties the document.
        window.action(Command::FileNew)->trigger();
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen"));
        checkEnabled(window,
                     {{Command::FileSave, false}, {Command::FileSaveAs, false}, {Command::FilePrint, false}},
                     "after File New");
        QVERIFY(driver.unexpected.isEmpty());
    }

    // A write that fails names the file, keeps the data set unsaved and keeps the window open.
    void failedWritesLoseNothing() {
        MainWindow window;
        ModalDriver driver;
        QVERIFY(calculate(window, driver, "C6H12O6"));
        // A folder that does not exist: the dialog takes the name, the write fails.
        const QString bad = dir_.filePath(QStringLiteral("missing-folder/data.txt"));
        driver.save(bad);
        driver.add([bad](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            QVERIFY2(box->text().contains(bad), qPrintable(box->text()));
            QCOMPARE(box->icon(), QMessageBox::Warning);
            QTimer::singleShot(0, box, [box] { box->accept(); });
        });
        window.action(Command::FileSave)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(window.document().isModified());
        QVERIFY(window.action(Command::FileSave)->isEnabled());
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen - MVSet1"));

        // Closing: Yes, the same failure, the close is abandoned.
        window.show();
        driver.box("Current data set is not saved, save it?", QMessageBox::Yes);
        driver.save(bad);
        driver.add([](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            QTimer::singleShot(0, box, [box] { box->accept(); });
        });
        QVERIFY(!window.close());
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(window.isVisible());
        QVERIFY(!window.document().dataSet().readyForCalculation);

        // File New the same way: nothing is reset.
        driver.box("Current data set is not saved, save it?", QMessageBox::Yes);
        driver.save(bad);
        driver.add([](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            QVERIFY(box);
            QTimer::singleShot(0, box, [box] { box->accept(); });
        });
        window.action(Command::FileNew)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(!window.document().dataSet().readyForCalculation);
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen - MVSet1"));

        // Saving at the prompt of a close writes the file and lets the window close.
        const QString good = dir_.filePath(QStringLiteral("at-close.txt"));
        driver.box("Current data set is not saved, save it?", QMessageBox::Yes);
        driver.save(good);
        QVERIFY(window.close());
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QCOMPARE(mv::test::fileBytes(good),
                 QByteArray::fromStdString(renderDataSetFile(window.document().dataSet())));
        QVERIFY(driver.unexpected.isEmpty());
    }

    // With the reminder off, New and closing ask nothing.
    void reminderOffAsksNothing() {
        MainWindow window;
        window.show();
        ModalDriver driver;
        QVERIFY(calculate(window, driver, "C6H12O6", false, false));
        window.action(Command::FileNew)->trigger();
        QVERIFY(window.document().dataSet().readyForCalculation);
        QVERIFY(calculate(window, driver, "C6H12O6", false, false));
        QVERIFY(window.close());
        QVERIFY(driver.unexpected.isEmpty());
    }

    // A long listing prints on the pages the last screen paint's line count asks for, and the
    // preview shows the same pages.
    void printingAndPreview() {
        MainWindow window;
        window.resize(1000, 700);
        ModalDriver driver;
        QVERIFY(calculate(window, driver, "C254H377N65O75S6", true));
        window.view().viewport()->grab();
        const int lines = window.document().dataSet().listingLineCount;
        QVERIFY(lines > 100);

        QPrinter& printer = window.printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = dir_.filePath(QStringLiteral("listing.pdf"));
        printer.setOutputFileName(pdf);
        printer.setResolution(600);
        const int pages = window.view().printDocument(printer);
        const int linesPerPage = window.view().listingView().linesPerPage;
        QVERIFY(linesPerPage > 10);
        QCOMPARE(pages, pageCountFor(lines, linesPerPage));
        QVERIFY(pages >= 2);
        QCOMPARE(mv::test::fileBytes(pdf).count("/Type /Page\n") + mv::test::fileBytes(pdf).count("/Type /Page\r"),
                 pages);
        QVERIFY(!window.view().listingView().printing);

        printer.setOutputFileName(QString());
        int previewPages = -1;
        driver.add([&previewPages](QWidget* w) {
            auto* preview = qobject_cast<QPrintPreviewDialog*>(w);
            QVERIFY(preview);
            auto* widget = preview->findChild<QPrintPreviewWidget*>();
            QVERIFY(widget);
            previewPages = widget->pageCount();
            QTimer::singleShot(0, preview, [preview] { preview->reject(); });
        });
        window.action(Command::FilePrintPreview)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QCOMPARE(previewPages, pages);
        QVERIFY(driver.unexpected.isEmpty());
    }
};

QTEST_MAIN(DocumentTest)
#include "test_document.moc"
