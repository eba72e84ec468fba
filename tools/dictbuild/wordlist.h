// Reading a word list: one word per line in UTF-8, as the system's word lists are.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace dictbuild {

// One UTF-8 text in code page 1252; none when it is not valid UTF-8 or holds a character
// the code page lacks.
std::optional<std::string> Utf8ToCp1252(const std::string& utf8);

// The words of a list in code page 1252, in file order; lines that cannot be converted
// are counted in unconverted. False when the file cannot be read.
bool ReadWordList(const std::string& path, std::vector<std::string>& words,
                  std::size_t& unconverted);

}  // namespace dictbuild
