// Small text and number helpers shared by the windows: blank trimming, the transfer-rate
// list and the word-similarity score used to rank spelling suggestions.
#pragma once

#include <cstdint>
#include <string>

namespace app {

// Remove leading, trailing or both blanks (code 32 only; tabs stay).
std::string TrimLeftSpaces(const std::string& text);
std::string TrimRightSpaces(const std::string& text);
std::string TrimSpaces(const std::string& text);

// Transfer-rate list: index 0..5 stands for 2400, 4800, 7200, 9600, 12000, 14400 bit/s.
// Unknown indexes give 9600, unknown rates give index 3.
int BpsIndexToRate(int index);
int BpsRateToIndex(int rate);

// Percentage of likeness of two words (at most 255 characters each are compared):
// twice the characters of common runs, found longest first and recursively left and
// right of each run, over the total length.
std::int16_t WordSimilarity(const std::string& a, const std::string& b);

}  // namespace app
