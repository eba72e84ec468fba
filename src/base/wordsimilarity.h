// The word-similarity score that ranks spelling suggestions.
#pragma once

#include <cstdint>
#include <string>

namespace base {

// Percentage of likeness of two words (at most 255 characters each are compared):
// twice the characters of common runs, found longest first and recursively left and
// right of each run, over the total length.
std::int16_t WordSimilarity(const std::string& a, const std::string& b);

}  // namespace base
