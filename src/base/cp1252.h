// Windows code page 1252 to and from UTF-16, the code page RTF text escapes use here.
#pragma once

#include <cstdint>
#include <optional>

namespace base {

char16_t Cp1252ToUnicode(uint8_t byte);
// The byte for a UTF-16 unit, or none when code page 1252 has no such character.
std::optional<uint8_t> UnicodeToCp1252(char16_t unit);

}  // namespace base
