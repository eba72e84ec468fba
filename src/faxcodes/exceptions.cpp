// Maps error codes to the exception family.
#include "faxcodes/exceptions.h"

#include "faxcodes/error_codes.h"
#include "faxcodes/texts.h"

namespace faxcodes {

EFxException::EFxException(int code) : std::runtime_error(errorText(code)), code_(code) {}
EFxException::EFxException(int code, const std::string& text)
    : std::runtime_error(text), code_(code) {}

void raiseFxError(int code) {
  if (code >= 0) return;
  switch (code) {
    case ecOutOfMemory: throw EOutOfMemory(code);
    case ecBadArgument: throw EBadArgument(code);
    case ecGotQuitMsg: throw EGotQuitMsg(code);
    case ecFaxBadFormat: throw EFaxBadFormat(code);
    case ecBadGraphicsFormat: throw EBadGraphicsFormat(code);
    case ecConvertAbort: throw EConvertAbort(code);
    case ecUnpackAbort: throw EUnpackAbort(code);
    case ecCantMakeBitmap: throw ECantMakeBitmap(code);
    default: break;
  }
  if (code <= ecFileNotFound && code >= -162) throw EInOutError(code);
  throw EFxException(code);
}

}  // namespace faxcodes
