// The progress dialog of a running calculation: hidden until the first tick, the running total,
// OK that does nothing, Cancel that stops the pass, Part Two, and no second calculation meanwhile.

#include "app_test_support.h"
#include "modal_driver.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QListWidget>
#include <QRegularExpression>

using namespace mv;
using mv::test::ModalDriver;

namespace {

// A protein-sized ion whose cluster takes minutes at the default stop value.
const QString kLargeIon = QStringLiteral("C2934H4615N781O897S39");
const QRegularExpression kTotal(QStringLiteral("^0\\.\\d{5}$"));

const int kCalcCommands[] = {Command::RegularScan, Command::PrecursorScan, Command::NeutralLossScan,
                             Command::ProductScan, Command::MSnScans};

}  // namespace

class ProgressTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { mv::test::initAppTests(); }

    void cancelStopsTheCalculationAndStoresWhatWasReached() {
        MainWindow window;
        QCOMPARE(window.view().progressInterval(), 5000);
        window.view().setProgressInterval(200);
        ModalDriver driver;
        driver.form({{1000, kLargeIon}, {1001, "1"}, {1002, "0.9999"}, {1048, "0"}});
        window.action(Command::RegularScan)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(window.view().calculating());
        StopCalcDialog* progress = window.view().progressDialog();
        QVERIFY(progress);
        QVERIFY(!progress->isVisible());
        QCOMPARE(progress->totalText(), QStringLiteral("0.00000"));

        // No second calculation while this one runs: the commands are disabled and the handler
        // refuses as well.
        for (int id : kCalcCommands) QVERIFY(!window.action(id)->isEnabled());
        driver.box("A calculation is still running. Wait for it to finish, or press Cancel in the progress "
                   "window, before starting another.");
        window.view().runCommand(ScanType::Product);
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        QVERIFY(window.view().calculating());

        QTRY_VERIFY_WITH_TIMEOUT(progress->isVisible(), 5000);
        QCOMPARE(progress->windowTitle(), QStringLiteral("Calculation in Progress"));
        QStringList texts;
        for (QLabel* l : progress->findChildren<QLabel*>()) texts << l->text();
        QCOMPARE(texts, (QStringList{"Present Total Fractional Abundance", "To stop the calculation: Exit or press Cancel.",
                                     "Proper exiting may require some time!",
                                     "Please WAIT for the next screen to appear before acting."}));
        QTRY_VERIFY(kTotal.match(progress->totalText()).hasMatch());
        QCOMPARE(progress->findChild<QListWidget*>(QStringLiteral("list1045"))->count(), 1);

        // OK neither closes the dialog nor stops the calculation.
        auto* buttons = progress->findChild<QDialogButtonBox*>();
        buttons->button(QDialogButtonBox::Ok)->click();
        QVERIFY(progress->isVisible());
        QVERIFY(!workspace().cancelRequest.load());
        QTest::qWait(300);
        QVERIFY(window.view().calculating());

        buttons->button(QDialogButtonBox::Cancel)->click();
        QVERIFY(!progress->isVisible());
        QVERIFY(mv::test::waitForStored(window, 120000));
        QVERIFY(window.view().progressDialog() == nullptr);
        const DataSet& ds = window.document().dataSet();
        QCOMPARE(ds.name, std::string("MVSet1"));
        QVERIFY(ds.reportedFA < 0.9999);
        QCOMPARE(ds.reportedFA, workspace().clusterFAIon - 0.000001);
        for (int id : kCalcCommands) QVERIFY(window.action(id)->isEnabled());
        QVERIFY(window.action(Command::FileSave)->isEnabled());
        QVERIFY(driver.unexpected.isEmpty());
    }

    void escapeCancelsToo() {
        MainWindow window;
        window.view().setProgressInterval(100);
        ModalDriver driver;
        driver.form({{1000, kLargeIon}, {1048, "0"}});
        window.action(Command::RegularScan)->trigger();
        StopCalcDialog* progress = window.view().progressDialog();
        QTRY_VERIFY_WITH_TIMEOUT(progress->isVisible(), 5000);
        QTest::keyClick(progress, Qt::Key_Escape);
        QVERIFY(!progress->isVisible());
        QVERIFY(workspace().cancelRequest.load());
        QVERIFY(mv::test::waitForStored(window, 120000));
        QVERIFY(window.document().dataSet().reportedFA < 0.9999);
    }

    void aQuickCalculationNeverShowsTheDialog() {
        MainWindow window;
        ModalDriver driver;
        driver.form({{1000, "C6H12O6"}, {1048, "0"}});
        window.action(Command::RegularScan)->trigger();
        QPointer<StopCalcDialog> progress = window.view().progressDialog();
        bool shown = false;
        QElapsedTimer clock;
        clock.start();
        while (window.view().calculating() && clock.elapsed() < 10000) {
            shown = shown || (progress && progress->isVisible());
            QTest::qWait(5);
        }
        QVERIFY(!window.view().calculating());
        QVERIFY(!shown);
        QVERIFY(progress.isNull());  // created and destroyed
        QCOMPARE(window.document().dataSet().reportedFA, 0.9999);
    }

    // Both passes of a Neutral Loss scan are long: cancelling the first starts Part Two with the
    // dialog hidden and re-titled, shown again on the next tick, and cancellable on its own.
    void partTwoIsCancelledSeparately() {
        MainWindow window;
        window.view().setProgressInterval(200);
        ModalDriver driver;
        driver.form({{1000, kLargeIon}, {1048, "0"}});
        driver.form({{1011, "C1400H2300N390O440S19"}});
        window.action(Command::NeutralLossScan)->trigger();
        QVERIFY2(driver.done(), qPrintable(driver.log()));
        StopCalcDialog* progress = window.view().progressDialog();
        QTRY_VERIFY_WITH_TIMEOUT(progress->isVisible(), 5000);
        QCOMPARE(workspace().progressPhase, 1);
        progress->reject();
        QTRY_COMPARE_WITH_TIMEOUT(progress->windowTitle(), QStringLiteral("Calculation in Progress - Part Two"), 60000);
        QVERIFY(!workspace().cancelRequest.load());
        QTRY_VERIFY_WITH_TIMEOUT(progress->isVisible(), 5000);
        QCOMPARE(workspace().progressPhase, 3);
        QVERIFY(window.view().calculating());
        progress->reject();
        QVERIFY(mv::test::waitForStored(window, 120000));
        const DataSet& ds = window.document().dataSet();
        QVERIFY(ds.reportedFA2 < 0.9999);  // the product ion's pass
        QVERIFY(ds.reportedFA < 0.9999);   // the neutral fragment's pass
    }

    // Closing the window during a calculation stops it and stores nothing.
    void closingStopsARunningCalculation() {
        auto window = std::make_unique<MainWindow>();
        ModalDriver driver;
        driver.form({{1000, kLargeIon}, {1048, "0"}});
        window->action(Command::RegularScan)->trigger();
        QVERIFY(window->view().calculating());
        QTest::qWait(200);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(window->close());
        QVERIFY(!window->view().calculating());
        QVERIFY(clock.elapsed() < 30000);
        QVERIFY(window->document().dataSet().readyForCalculation);
        QVERIFY(driver.unexpected.isEmpty());
    }
};

QTEST_MAIN(ProgressTest)
#include "test_progress.moc"
