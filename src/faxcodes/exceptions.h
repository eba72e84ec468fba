// The exception family that components raise for negative error codes.
#pragma once

#include <stdexcept>
#include <string>

namespace faxcodes {

// Base of the family; what() is the code's text from the engine's table.
class EFxException : public std::runtime_error {
 public:
  explicit EFxException(int code);
  EFxException(int code, const std::string& text);
  int code() const { return code_; }

 private:
  int code_;
};

// File errors -2..-162; errorCode() is the positive run-time code.
class EInOutError : public EFxException {
 public:
  using EFxException::EFxException;
  int errorCode() const { return -code(); }
};

#define FAXCODES_EXCEPTION(Name)      \
  class Name : public EFxException {  \
   public:                            \
    using EFxException::EFxException; \
  };
FAXCODES_EXCEPTION(EOutOfMemory)        // -8
FAXCODES_EXCEPTION(EBadArgument)        // -1002
FAXCODES_EXCEPTION(EGotQuitMsg)         // -1003
FAXCODES_EXCEPTION(EFaxBadFormat)       // -8001
FAXCODES_EXCEPTION(EBadGraphicsFormat)  // -8002
FAXCODES_EXCEPTION(EConvertAbort)       // -8003
FAXCODES_EXCEPTION(EUnpackAbort)        // -8004
FAXCODES_EXCEPTION(ECantMakeBitmap)     // -8005
#undef FAXCODES_EXCEPTION

// Throws the exception class that belongs to a negative code; does nothing for 0 or more.
void raiseFxError(int code);

}  // namespace faxcodes
