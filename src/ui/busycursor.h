// The hourglass: Qt's override cursors stack, so every set is paired with its restore by
// holding a BusyCursor for as long as the work runs.
#pragma once

namespace ui {

class BusyCursor {
 public:
  BusyCursor();
  ~BusyCursor();
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace ui
