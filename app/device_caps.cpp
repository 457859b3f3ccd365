#include "app/device_caps.h"

#include <QGuiApplication>
#include <QPrinter>
#include <QScreen>
#include <QWidget>

namespace mv {

DeviceCaps screenDeviceCaps(const QWidget& widget) {
    DeviceCaps caps;
    const QScreen* screen = widget.screen() ? widget.screen() : QGuiApplication::primaryScreen();
    if (screen) {
        caps.horzRes = screen->geometry().width();
        caps.vertRes = screen->geometry().height();
        caps.horzSize = roundHalfUp(screen->physicalSize().width());
        caps.vertSize = roundHalfUp(screen->physicalSize().height());
    }
    caps.logPixelsX = widget.logicalDpiX();
    caps.logPixelsY = widget.logicalDpiY();
    return caps;
}

DeviceCaps printerDeviceCaps(QPrinter& printer) {
    DeviceCaps caps;
    const QRectF pixels = printer.pageRect(QPrinter::DevicePixel);
    const QRectF millimetres = printer.pageRect(QPrinter::Millimeter);
    caps.horzRes = static_cast<int>(pixels.width());
    caps.vertRes = static_cast<int>(pixels.height());
    caps.logPixelsX = printer.logicalDpiX();
    caps.logPixelsY = printer.logicalDpiY();
    caps.horzSize = roundHalfUp(millimetres.width());
    caps.vertSize = roundHalfUp(millimetres.height());
    return caps;
}

}  // namespace mv
