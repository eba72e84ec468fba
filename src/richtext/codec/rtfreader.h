// RTF reader: a tokenizer and a flat (non-recursive) group parser that builds an
// RtfDocument. Linear in the input; malformed input yields what could be read.
#pragma once

#include "richtext/codec/rtfdocument.h"

#include <string_view>

namespace richtext {

// Reads RTF. Bytes that do not start with "{\rtf" are taken as plain text in code
// page 1252, one paragraph a line.
RtfDocument ReadRtf(std::string_view bytes);

}  // namespace richtext
