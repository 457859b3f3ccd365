#include "app/main_window.h"
#include "app/settings.h"

#include <QApplication>
#include <QIcon>
#include <QScreen>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    mv::settings::registerKey();
    QGuiApplication::setDesktopFileName(QStringLiteral("marvolen"));
    mv::MainWindow window;
    QApplication::setWindowIcon(window.windowIcon());
    // Maximized by the window manager; the screen's size where there is none (a bare X server).
    if (const QScreen* screen = window.screen()) window.setGeometry(screen->availableGeometry());
    window.showMaximized();
    return app.exec();
}
