// The transfer-rate list of the settings dialogs: index 0..5 stands for 2400, 4800, 7200,
// 9600, 12000 and 14400 bit/s, while the settings file keeps the rate itself.
#pragma once

namespace settings {

// Unknown indexes give 9600, unknown rates give index 3.
int BpsIndexToRate(int index);
int BpsRateToIndex(int rate);

}  // namespace settings
