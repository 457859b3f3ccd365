#include "app/main_window.h"
#include "app/settings.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    mv::settings::registerKey();
    QGuiApplication::setDesktopFileName(QStringLiteral("marvolen"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/marvolen.svg")));
    mv::MainWindow window;
    window.showMaximized();
    return app.exec();
}
