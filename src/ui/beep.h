// Every beep of the program goes through here, so tests can count beeps even where the
// platform itself stays silent (the offscreen platform never beeps).
#pragma once

namespace ui {

void Beep();
// Beeps since the program started.
int BeepCount();

}  // namespace ui
