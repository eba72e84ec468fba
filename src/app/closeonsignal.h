// Turns SIGTERM and SIGINT into a normal close of a window (after its modal windows), so
// that a desktop logout or Ctrl+C runs the window's close handling (which saves the
// settings).
#pragma once

class QWidget;

namespace app {

void CloseOnTerminationSignals(QWidget* window);

}  // namespace app
