// RTF writer: writes an RtfDocument as 7-bit RTF (code page 1252 escapes and \uN),
// with font and colour tables and merge fields as standard fields.
#pragma once

#include "richtext/codec/rtfdocument.h"

#include <string>

namespace richtext {

std::string WriteRtf(const RtfDocument& doc);

}  // namespace richtext
