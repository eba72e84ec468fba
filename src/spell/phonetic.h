// Sound keys and first-letter alternatives: how the suggestion search decides which
// branches of a dictionary are worth walking.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace spell {

// Four bytes: the first character as it is, then up to three consonant classes (the
// bytes 1 to 7) or digit letters, each class once.
using SoundKey = std::array<std::uint8_t, 4>;

// The key of an upper-cased word; positions the word does not fill are 0.
SoundKey WordKey(std::string_view upper);
// The key of a partial path, its unfilled positions taken from the reference key, so a
// short path agrees with every reference it could still grow into.
SoundKey PathKey(std::string_view upper, const SoundKey& reference);

// The letters a word's first letter may have been typed for, the letter itself among
// them; each is tried in turn as the start of a suggestion.
std::string FirstLetterAlternatives(std::uint8_t upperFirst);

}  // namespace spell
