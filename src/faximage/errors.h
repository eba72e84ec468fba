// The fax image module reports the fax engine's error codes and raises its exceptions;
// the one table of codes and texts lives in faxcodes, which both modules share.
#pragma once

#include "faxcodes/error_codes.h"
#include "faxcodes/exceptions.h"
#include "faxcodes/texts.h"

namespace faximage {
using namespace faxcodes;
}  // namespace faximage
