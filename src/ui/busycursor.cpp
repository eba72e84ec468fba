// Setting and restoring the hourglass.
#include "ui/busycursor.h"

#include <QApplication>

namespace ui {

BusyCursor::BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
BusyCursor::~BusyCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace ui
