// The five calculation commands driven through their real dialogs, as a person would: refused
// entries with their messages, a stored data set whose listing is drawn, and File Save writing the
// bytes marvolen-cli writes for the same inputs.

#include "app_test_support.h"
#include "modal_driver.h"

#include "document/data_set_file.h"

#include <QImage>

using namespace mv;
using mv::test::ModalDriver;

class CommandsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir_;

    // Runs a command whose dialogs the driver answers; true when a data set was stored.
    static bool run(MainWindow& window, int command) {
        window.action(command)->trigger();
        return mv::test::waitForStored(window);
    }

    // The listing is drawn on the screen: the paint counts its lines and hands the view its
    // scroll sizes, and the picture has text in it.
    static void checkListingDrawn(MainWindow& window) {
        window.resize(1000, 700);
        const QImage image = window.view().viewport()->grab().toImage();
        QCoreApplication::processEvents();
        QVERIFY(window.document().dataSet().listingLineCount > 5);
        QCOMPARE(window.view().scrollSizes().mapMode, MapMode::LoEnglish);
        QVERIFY(window.view().scrollSizes().total.cy > 0);
        int dark = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) dark += qGray(image.pixel(x, y)) < 128;
        QVERIFY2(dark > 500, "the listing left the view blank");
    }

    // File Save through the save dialog; the file holds what marvolen-cli writes.
    void saveAndCompare(MainWindow& window, ModalDriver& driver, const QString& name, const QByteArray& expected) {
        QVERIFY(!expected.isEmpty());
        const QString path = dir_.filePath(name);
        driver.save(path);
        QVERIFY(window.action(Command::FileSave)->isEnabled());
        window.action(Command::FileSave)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY2(driver.unexpected.isEmpty(), qPrintable(driver.unexpected.join(" | ")));
        const QByteArray written = mv::test::fileBytes(path);
        QCOMPARE(written.size(), expected.size());
        QCOMPARE(written, expected);
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen - ") + name);
    }

private slots:
    void initTestCase() {
        mv::test::initAppTests();
        QVERIFY(dir_.isValid());
    }

    // A formula error answered with Retry brings the dialog back with the wrong formula; a stop
    // value out of range keeps the dialog open with the framework's message.
    void regularScan() {
        MainWindow window;
        ModalDriver driver;
        driver.form({{1000, "C6H12O6Xq"}, {1001, "1"}, {1048, "1"}, {1070, "0"}, {1071, "3"}});
        driver.box("Formula Entry Error", QMessageBox::Retry);
        driver.form({{1000, "C6H12O6"}, {1002, "1"}});
        driver.box("Please enter a number between 0.5 and 0.99999.");
        driver.add([](QWidget* w) {
            // Still the same dialog, the focus in the failing field.
            auto* dialog = qobject_cast<QDialog*>(w);
            QVERIFY(dialog);
            QCOMPARE(dialog->focusWidget(), dialog->findChild<QWidget*>(fieldObjectName(1002)));
            dialog->findChild<QLineEdit*>(fieldObjectName(1002))->setText(QStringLiteral("0.9999"));
            QTimer::singleShot(0, dialog, [dialog] { dialog->accept(); });
        });
        QVERIFY(run(window, Command::RegularScan));
        QVERIFY2(driver.done(), qPrintable(driver.seen.join(" | ")));
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(driver.seen.first(), QStringLiteral("form:Ion or Precursor Ion Parameters"));
        QCOMPARE(driver.formContents.at(1).at(1000), QStringLiteral("C6H12O6Xq"));
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen - MVSet1"));
        checkListingDrawn(window);
        saveAndCompare(window, driver, QStringLiteral("regular.txt"),
                       mv::test::cliOutput({"regular", "C6H12O6", "--components", "0:3"}));
    }

    // A zero charge ends the command; the next one shows what was typed, for correction.
    void precursorScan() {
        MainWindow window;
        ModalDriver driver;
        driver.form({{1077, "C10H20O2S"}, {1073, "0"}});
        driver.box("Precursor ion charge cannot be zero!");
        window.action(Command::PrecursorScan)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(window.document().dataSet().readyForCalculation);

        driver.form({{1073, "1"}});
        driver.form({{1011, "C5H10O"}, {1012, "1"}});
        QVERIFY(run(window, Command::PrecursorScan));
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(driver.formContents.at(1).at(1073), QStringLiteral("0"));
        QCOMPARE(driver.formContents.at(1).at(1077), QStringLiteral("C10H20O2S"));
        QCOMPARE(driver.seen.at(3), QStringLiteral("form:Product (Fragment) Ion Parameters"));
        checkListingDrawn(window);
        saveAndCompare(window, driver, QStringLiteral("precursor.txt"),
                       mv::test::cliOutput({"precursor", "C10H20O2S", "--product", "C5H10O"}));
    }

    // A product with an element its precursor lacks is refused; components of the first pass.
    void neutralLossScan() {
        MainWindow window;
        ModalDriver driver;
        driver.form({{1000, "C20H30N2O5"}, {1001, "1"}, {1048, "1"}, {1070, "0"}, {1071, "2"}});
        driver.form({{1011, "C10H15Cl"}, {1012, "1"}});
        driver.box("Element mismatch between product ion and precursor ion!");
        window.action(Command::NeutralLossScan)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));

        driver.form({});
        driver.form({{1011, "C10H15NO2"}});
        QVERIFY(run(window, Command::NeutralLossScan));
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(driver.formContents.back().at(1011), QStringLiteral("C10H15Cl"));
        checkListingDrawn(window);
        saveAndCompare(window, driver, QStringLiteral("neutral-loss.txt"),
                       mv::test::cliOutput({"neutral-loss", "C20H30N2O5", "--product", "C10H15NO2", "--components",
                                            "0:2"}));
    }

    // The heaviest precursor peak is limited to 34 by the dialog itself.
    void productScan() {
        MainWindow window;
        ModalDriver driver;
        driver.form({{1003, "C8H16O4"}, {1004, "1"}, {1006, "35"}});
        driver.box("Please enter an integer between 0 and 34.");
        driver.form({{1006, "3"}});
        driver.form({{1011, "C4H8O2"}, {1012, "1"}});
        QVERIFY(run(window, Command::ProductScan));
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(driver.seen.first(), QStringLiteral("form:Precursor Ion Parameters"));
        checkListingDrawn(window);
        saveAndCompare(window, driver, QStringLiteral("product.txt"),
                       mv::test::cliOutput({"product", "C8H16O4", "--product", "C4H8O2", "--max-precursor-peak", "3"}));
    }

    // A product index above its parent's goes back to the three-step dialog.
    void msnScan() {
        MainWindow window;
        ModalDriver driver;
        driver.form({{1007, "C20H30N2O5"}, {1008, "1"}, {1009, "2"}, {1010, "3"}});
        driver.form({{1013, "C15H20NO4"}, {1014, "1"}, {1015, "3"}, {1016, "C10H15NO2"}, {1017, "1"}});
        driver.box("Index numbers for products cannot be larger than those of precursors!");
        driver.form({{1015, "1"}});
        QVERIFY(run(window, Command::MSnScans));
        QVERIFY2(driver.done(), qPrintable(driver.seen.join(" | ")));
        QVERIFY(driver.unexpected.isEmpty());
        QCOMPARE(driver.formContents.back().at(1015), QStringLiteral("3"));
        QCOMPARE(window.document().dataSet().scanType, 4);
        QCOMPARE(window.document().dataSet().msSteps, 3);
        window.view().viewport()->grab();
        QVERIFY(window.document().dataSet().listingLineCount > 3);
        saveAndCompare(window, driver, QStringLiteral("msn.txt"),
                       mv::test::cliOutput({"msn", "C20H30N2O5", "--steps", "3", "--precursor-peak", "2", "--product",
                                            "C15H20NO4", "--product1-peak", "1", "--product2", "C10H15NO2"}));
    }

    // While a data set is held a command shows the File New message and no dialog; the next data
    // set after File New is MVSet2.
    void heldDataSetRefusesUntilNew() {
        MainWindow window;
        ModalDriver driver;
        driver.form({{1000, "C6H12O6"}, {1048, "0"}});
        QVERIFY(run(window, Command::RegularScan));
        const std::string before = renderListingText(window.document().dataSet(), workspace());

        driver.box("Click 'File, New' (Ctrl+N) before another calculation!");
        window.action(Command::MSnScans)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QCOMPARE(QString::fromStdString(renderListingText(window.document().dataSet(), workspace())),
                 QString::fromStdString(before));

        driver.box("Current data set is not saved, save it?", QMessageBox::No);
        window.action(Command::FileNew)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        driver.form({});
        QVERIFY(run(window, Command::RegularScan));
        QCOMPARE(window.windowTitle(), QStringLiteral("Marvolen - MVSet2"));
        QVERIFY(driver.unexpected.isEmpty());
    }
};

QTEST_MAIN(CommandsTest)
#include "test_commands.moc"
