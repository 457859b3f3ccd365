#include "app/main_window.h"
#include "app/settings.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    mv::settings::registerKey();
    QGuiApplication::setDesktopFileName(QStringLiteral("marvolen"));
    mv::MainWindow window;
    QApplication::setWindowIcon(window.windowIcon());
    window.showMaximized();
    return app.exec();
}
