// Plot Spectrum, Display Data and Export in the window: when they are enabled, the resolution
// dialog, the plot on the screen, File Save writing the spectrum as marvolen-cli does, the picture
// formats of the export with their numbering and failures, and the spectrum's save prompt.

#include "app_test_support.h"
#include "modal_driver.h"

#include "display/profile.h"
#include "display/spectrum_export.h"
#include "document/data_set_file.h"

#include <QComboBox>
#include <QFileDialog>
#include <QImage>
#include <QPrinter>
#include <QRadioButton>

using namespace mv;
using mv::test::ModalDriver;

namespace {

bool calculate(MainWindow& window, ModalDriver& driver, bool components) {
    driver.form({{1000, "C6H12O6"}, {1048, components ? "1" : "0"}, {1070, "0"}, {1071, "4"}});
    window.action(Command::RegularScan)->trigger();
    return mv::test::waitForStored(window);
}

// Plot Spectrum with the dialog's values as given (unit mass resolution unless changed).
void plot(MainWindow& window, ModalDriver& driver, std::map<int, QString> values = {}) {
    driver.form(std::move(values));
    window.action(Command::PlotSpectrum)->trigger();
}

struct PlotCommands {
    bool plot;
    bool display;
    bool exportPicture;
};

void checkPlotCommands(MainWindow& window, PlotCommands expected, const char* when) {
    mv::test::checkEnabled(window,
                           {{Command::PlotSpectrum, expected.plot},
                            {Command::DisplayData, expected.display},
                            {Command::ExportSpectrum, expected.exportPicture}},
                           when);
}

const QString kEmfType = QStringLiteral("Enhanced Metafile (*.emf)");

}  // namespace

class PlotTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

private slots:
    void initTestCase() {
        mv::test::initAppTests();
        QVERIFY(dir_.isValid());
    }

    void enablingFollowsDocumentAndView() {
        MainWindow window;
        ModalDriver driver;
        checkPlotCommands(window, {false, false, false}, "start-up");
        QVERIFY(calculate(window, driver, false));
        checkPlotCommands(window, {false, false, false}, "no components listed");
        driver.box("Current data set is not saved, save it?", QMessageBox::No);
        window.action(Command::FileNew)->trigger();
        QVERIFY(window.document().dataSet().readyForCalculation);
        QVERIFY(calculate(window, driver, true));
        checkPlotCommands(window, {true, false, false}, "components listed");

        plot(window, driver);
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen - Spectrum1"));
        checkPlotCommands(window, {true, true, true}, "plot shown");

        window.action(Command::DisplayData)->trigger();
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen - MVSet2"));
        checkPlotCommands(window, {true, false, false}, "back to the listing");

        // New with both prompts answered No empties the document.
        driver.box("Current data set is not saved, save it?", QMessageBox::No);
        driver.box("Current spectrum is not saved, save it?", QMessageBox::No);
        window.action(Command::FileNew)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        checkPlotCommands(window, {false, false, false}, "after File New");
        QVERIFY(driver.unexpected.isEmpty());
    }

    // The dialog opens on unit mass resolution with the edit disabled; choosing the user's
    // resolution enables the edit and hands it the focus; out-of-range values keep the dialog open;
    // Cancel changes nothing.
    void resolutionDialog() {
        MainWindow window;
        ModalDriver driver;
        QVERIFY(calculate(window, driver, true));

        driver.cancelForm();
        window.action(Command::PlotSpectrum)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(!window.document().dataSet().spectrumMode);
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen - MVSet1"));
        checkPlotCommands(window, {true, false, false}, "resolution cancelled");

        driver.add([](QWidget* w) {
            auto* dialog = qobject_cast<QDialog*>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->objectName(), QStringLiteral("form%1").arg(ResolDlg::kResource));
            QCOMPARE(dialog->windowTitle(), QStringLiteral(" Instrument Resolution"));
            auto* unit = dialog->findChild<QRadioButton*>(fieldObjectName(ResolDlg::kUnitMass));
            auto* user = dialog->findChild<QRadioButton*>(fieldObjectName(ResolDlg::kUserSelected));
            auto* edit = dialog->findChild<QLineEdit*>(fieldObjectName(ResolDlg::kResolution));
            QVERIFY(unit && user && edit);
            QVERIFY(unit->isChecked() && !user->isChecked());
            QVERIFY(!edit->isEnabled());
            QCOMPARE(edit->text(), QStringLiteral("1000"));
            user->click();
            QVERIFY(user->isChecked() && !unit->isChecked());
            QVERIFY(edit->isEnabled());
            QCOMPARE(dialog->focusWidget(), edit);
            unit->click();
            QVERIFY(!edit->isEnabled());
            user->click();
            edit->setText(QStringLiteral("50"));
            QTimer::singleShot(0, dialog, [dialog] { dialog->accept(); });
        });
        driver.box("Please enter a number between 100 and 1000000.");
        driver.add([](QWidget* w) {
            auto* dialog = qobject_cast<QDialog*>(w);
            QVERIFY(dialog);
            auto* edit = dialog->findChild<QLineEdit*>(fieldObjectName(ResolDlg::kResolution));
            QCOMPARE(dialog->focusWidget(), edit);
            edit->setText(QStringLiteral("5000"));
            QTimer::singleShot(0, dialog, [dialog] { dialog->accept(); });
        });
        window.action(Command::PlotSpectrum)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(window.document().dataSet().plotResolution, 5000.0);
        // W = M / (R z) = 180.06 / 5000: the step is a twentieth of it.
        QVERIFY(std::abs(window.document().dataSet().plotStep - 180.0633881 / 5000.0 / 20.0) < 1e-9);
    }

    // The plot fills the view; File Save while it is shown writes the spectrum file exactly as
    // marvolen-cli --spectrum writes it.
    void plotIsDrawnAndSavedAsTheCommandLineWritesIt() {
        MainWindow window;
        window.resize(1000, 700);
        ModalDriver driver;
        QVERIFY(calculate(window, driver, true));
        plot(window, driver);
        QVERIFY2(driver.done(), qPrintable(driver.log()));

        const QImage image = window.view().viewport()->grab().toImage();
        QCoreApplication::processEvents();
        QCOMPARE(window.view().scrollSizes().mapMode, MapMode::HiEnglish);
        QVERIFY(window.view().plotScreen().horzRes > 0);
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 128;
        QVERIFY2(dark > 2000, "the plot left the view blank");

        const QString path = dir_.filePath(QStringLiteral("spectrum.txt"));
        driver.save(path);
        window.action(Command::FileSave)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QCOMPARE(driver.seen.last(), QStringLiteral("file:Spectrum1.txt"));
        const QByteArray expected =
            mv::test::cliOutput({"regular", "C6H12O6", "--components", "0:4", "--spectrum", "unit"});
        QVERIFY(expected.startsWith("Isotope Cluster Mass Spectrum"));
        QCOMPARE(mv::test::fileBytes(path), expected);
        QVERIFY(driver.unexpected.isEmpty());
    }

    // Each format from the extension of the chosen name; the same plot offers the same number
    // again, a new plot the next; a failed write is reported in the words of its format.
    void exportFormatsNumberingAndFailures() {
        MainWindow window;
        ModalDriver driver;
        QVERIFY(calculate(window, driver, true));
        plot(window, driver);

        const struct {
            const char* name;
            QByteArray start;
        } formats[] = {{"plot.svg", "<?xml"}, {"plot.png", "\x89PNG"}, {"plot.pdf", "%PDF"},
                       {"plot.emf", QByteArray("\x01\0\0\0", 4)}};
        for (const auto& f : formats) {
            const QString path = dir_.filePath(QLatin1String(f.name));
            driver.save(path, QStringLiteral("emf"), kEmfType);
            window.action(Command::ExportSpectrum)->trigger();
            QVERIFY2(driver.done(), qPrintable(driver.log()));
            QCOMPARE(driver.seen.last(), QStringLiteral("file:Spectrum1.emf"));
            QVERIFY2(mv::test::fileBytes(path).startsWith(f.start), f.name);
        }
        QVERIFY(window.document().dataSet().spectrumNumberTaken);

        // A name typed without an extension takes the one of the file type chosen.
        driver.add([this](QWidget* w) {
            auto* dialog = qobject_cast<QFileDialog*>(w);
            QVERIFY(dialog);
            // As a person picks it: the list of types, one down from the metafile.
            auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
            QVERIFY(types);
            QTest::keyClick(types, Qt::Key_Down);
            QCOMPARE(dialog->selectedNameFilter(), QStringLiteral("Scalable Vector Graphics (*.svg)"));
            QCOMPARE(dialog->defaultSuffix(), QStringLiteral("svg"));
            dialog->setDirectory(dir_.path());
            auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setText(QStringLiteral("typed"));
            QTimer::singleShot(0, dialog, [dialog] { static_cast<QDialog*>(dialog)->accept(); });
        });
        window.action(Command::ExportSpectrum)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(mv::test::fileBytes(dir_.filePath(QStringLiteral("typed.svg"))).startsWith("<?xml"));

        const QString missing = dir_.filePath(QStringLiteral("missing-folder/"));
        driver.save(missing + QStringLiteral("x.svg"), QStringLiteral("emf"), kEmfType);
        driver.box(QString::fromLatin1(kPictureNotWritten));
        window.action(Command::ExportSpectrum)->trigger();
        driver.save(missing + QStringLiteral("x.emf"), QStringLiteral("emf"), kEmfType);
        driver.box(QString::fromLatin1(kMetafileNotCopied));
        window.action(Command::ExportSpectrum)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));

        // Cancel writes nothing; a new plot offers the next number.
        plot(window, driver);
        driver.save(QString(), QStringLiteral("emf"), kEmfType);
        window.action(Command::ExportSpectrum)->trigger();
        driver.save(QString(), QStringLiteral("emf"), kEmfType);
        window.action(Command::ExportSpectrum)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QCOMPARE(driver.seen.last(), QStringLiteral("file:Spectrum2.emf"));
        QVERIFY(driver.unexpected.isEmpty());
    }

    // The plot prints on one page, at the printer's own sizes.
    void plotPrintsOnOnePage() {
        MainWindow window;
        ModalDriver driver;
        QVERIFY(calculate(window, driver, true));
        plot(window, driver);
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QPrinter& printer = window.printer();
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString pdf = dir_.filePath(QStringLiteral("plot.pdf"));
        printer.setOutputFileName(pdf);
        printer.setResolution(600);
        QCOMPARE(window.view().printDocument(printer), 1);
        const QByteArray bytes = mv::test::fileBytes(pdf);
        QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r"), 1);
        QVERIFY(!window.view().listingView().printing);
        // The screen paint after printing is the plot again.
        window.view().viewport()->grab();
        QCoreApplication::processEvents();
        QCOMPARE(window.view().scrollSizes().mapMode, MapMode::HiEnglish);
    }

    // Closing with a plot never saved asks for the data set, then for the spectrum, whose file
    // name is the plot's number.
    void closingOffersTheSpectrum() {
        MainWindow window;
        window.show();
        ModalDriver driver;
        QVERIFY(calculate(window, driver, true));
        plot(window, driver);
        const QString path = dir_.filePath(QStringLiteral("at-close-spectrum.txt"));
        driver.box("Current data set is not saved, save it?", QMessageBox::No);
        driver.box("Current spectrum is not saved, save it?", QMessageBox::Yes);
        driver.save(path);
        QVERIFY(window.close());
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QCOMPARE(driver.seen.last(), QStringLiteral("file:Spectrum1.txt"));
        QCOMPARE(mv::test::fileBytes(path), QByteArray::fromStdString(renderSpectrumFile(window.document().dataSet())));
        QVERIFY(driver.unexpected.isEmpty());
    }
};

QTEST_MAIN(PlotTest)
#include "test_plot.moc"
