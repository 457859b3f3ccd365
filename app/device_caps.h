#pragma once

#include "display/canvas.h"

class QPrinter;
class QWidget;

namespace mv {

// The capabilities of a widget's screen, and of a printer's printable area.
DeviceCaps screenDeviceCaps(const QWidget& widget);
DeviceCaps printerDeviceCaps(QPrinter& printer);

}  // namespace mv
