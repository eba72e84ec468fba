// Tool tips ("hints") for the whole program: shown after 1200 ms, or not at all.
#pragma once

namespace ui {

// Switches hints on or off for every window of the program.
void InstallHints(bool on);

}  // namespace ui
