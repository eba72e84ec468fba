// Error codes of the fax image module, their message texts and the exception family
// that components raise for them. Codes are negative ints; 0 is success.
#pragma once

#include <stdexcept>
#include <string>

namespace faximage {

// The module's codes. File errors carry the run-time I/O result code, negated.
inline constexpr int ecOK = 0;
inline constexpr int ecFileNotFound = -2;
inline constexpr int ecPathNotFound = -3;
inline constexpr int ecTooManyOpenFiles = -4;
inline constexpr int ecAccessDenied = -5;
inline constexpr int ecOutOfMemory = -8;
inline constexpr int ecDiskRead = -100;   // reading beyond the end of the file
inline constexpr int ecDiskWrite = -101;  // disk full or failed write
inline constexpr int ecBadArgument = -1002;
inline constexpr int ecGotQuitMsg = -1003;
inline constexpr int ecFaxBadFormat = -8001;
inline constexpr int ecBadGraphicsFormat = -8002;
inline constexpr int ecConvertAbort = -8003;
inline constexpr int ecUnpackAbort = -8004;
inline constexpr int ecCantMakeBitmap = -8005;
inline constexpr int ecFontNotFound = -8052;
inline constexpr int ecBitmapTooTall = -8054;

// Message text of a code ("" for 0; a generic text for unknown codes).
const char* errorText(int code);

// String-table number of a code: 11000 + (|c| div 1000) * 100 + (|c| mod 1000),
// or 11800 + |c| for |c| from 100 to 199.
int errorStringId(int code);

// Maps an errno value to the run-time file error code (negative).
int ioErrorFromErrno(int err, bool writing);

class EFxException : public std::runtime_error {
 public:
  explicit EFxException(int code);
  EFxException(int code, const std::string& text);
  int code() const { return code_; }

 private:
  int code_;
};

class EInOutError : public EFxException {
 public:
  using EFxException::EFxException;
  int errorCode() const { return -code(); }  // the positive run-time code
};
class EOutOfMemory : public EFxException {
  using EFxException::EFxException;
};
class EBadArgument : public EFxException {
  using EFxException::EFxException;
};
class EGotQuitMsg : public EFxException {
  using EFxException::EFxException;
};
class EFaxBadFormat : public EFxException {
  using EFxException::EFxException;
};
class EBadGraphicsFormat : public EFxException {
  using EFxException::EFxException;
};
class EConvertAbort : public EFxException {
  using EFxException::EFxException;
};
class EUnpackAbort : public EFxException {
  using EFxException::EFxException;
};
class ECantMakeBitmap : public EFxException {
  using EFxException::EFxException;
};

// Throws the exception class that belongs to a negative code; does nothing for 0.
void raiseFxError(int code);

}  // namespace faximage
