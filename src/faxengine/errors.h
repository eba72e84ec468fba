// The fax engine reports the shared error codes, texts and exceptions of faxcodes.
#pragma once

#include "faxcodes/error_codes.h"
#include "faxcodes/exceptions.h"
#include "faxcodes/texts.h"

namespace faxengine {
using namespace faxcodes;
}  // namespace faxengine
