#pragma once

#include "app/main_window.h"
#include "app/result_view.h"
#include "app/settings.h"

#include <QAction>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace mv::test {

// Settings go to the test location, never into the user's own.
inline void initAppTests() {
    // The offscreen platform's note about size hints says nothing about the program.
    static const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (text.contains(QLatin1String("propagateSizeHints")) || text.contains(QLatin1String("support raise()"))) return;
        previous(type, context, text);
    });
    QStandardPaths::setTestModeEnabled(true);
    // Each test program keeps its settings to itself, so programs running side by side do not
    // see each other's save folder.
    static QTemporaryDir settingsDir;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    settings::registerKey();
    QSettings(QString::fromLatin1(settings::kOrganisation), QString::fromLatin1(settings::kApplication)).clear();
}

struct Enabled {
    int id;
    bool enabled;
};

// Each command's enabled state is as expected; when names the moment for the failure message.
inline void checkEnabled(MainWindow& window, std::initializer_list<Enabled> expected, const char* when) {
    for (const Enabled& e : expected)
        QVERIFY2(window.action(e.id)->isEnabled() == e.enabled,
                 qPrintable(QStringLiteral("%1: command %2 should be %3")
                                .arg(QLatin1String(when))
                                .arg(e.id)
                                .arg(e.enabled ? "enabled" : "disabled")));
}

// Waits until the running calculation has been stored (or timeoutMs passed).
inline bool waitForStored(MainWindow& window, int timeoutMs = 60000) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < timeoutMs) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        if (!window.view().calculating() && !window.document().dataSet().readyForCalculation) return true;
        if (QTest::currentTestFailed() && !window.view().calculating()) return false;
        QTest::qWait(10);
    }
    return false;
}

// What marvolen-cli writes on stdout for the arguments; empty with a test failure otherwise.
inline QByteArray cliOutput(const QStringList& args) {
    QProcess cli;
    cli.start(QStringLiteral(MARVOLEN_CLI), QStringList(args) << QStringLiteral("--no-progress"));
    if (!cli.waitForFinished(120000) || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
        qWarning() << "marvolen-cli" << args << "failed:" << cli.readAllStandardError();
        return {};
    }
    return cli.readAllStandardOutput();
}

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

}  // namespace mv::test
