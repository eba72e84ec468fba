// The program's beep and its counter.
#include "ui/beep.h"

#include <QApplication>

#include <atomic>

namespace ui {

namespace {
std::atomic<int> beeps{0};
}

void Beep() {
  ++beeps;
  QApplication::beep();
}

int BeepCount() { return beeps; }

}  // namespace ui
