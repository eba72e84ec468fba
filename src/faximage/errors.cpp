// Message texts of the fax image module's error codes and the exception for each code.
#include "faximage/errors.h"

#include <cerrno>
#include <cstdlib>

namespace faximage {

namespace {

struct CodeText {
  int code;
  const char* text;
};

constexpr CodeText kTexts[] = {
    {ecFileNotFound, "File not found"},
    {ecPathNotFound, "Path not found"},
    {ecTooManyOpenFiles, "Too many open files"},
    {ecAccessDenied, "File access denied"},
    {ecOutOfMemory, "Insufficient memory"},
    {ecDiskRead, "Disk read error"},
    {ecDiskWrite, "Disk write error"},
    {-102, "File not assigned"},
    {-103, "File not open"},
    {-160, "Device write error"},
    {ecBadArgument, "Bad argument passed to function"},
    {ecGotQuitMsg, "Got quit message"},
    {ecFaxBadFormat, "File is not a BRX file"},
    {ecBadGraphicsFormat, "Unsupported graphics file format"},
    {ecConvertAbort, "User aborted fax conversion"},
    {ecUnpackAbort, "User aborted fax unpack"},
    {ecCantMakeBitmap, "CreateBitmapIndirect API failure"},
    {ecFontNotFound, "Fax font not found"},
    {ecBitmapTooTall, "Page is too long for a bitmap"},
};

}  // namespace

const char* errorText(int code) {
  if (code == 0) return "";
  for (const auto& t : kTexts)
    if (t.code == code) return t.text;
  return "Fax image error";
}

int errorStringId(int code) {
  int c = std::abs(code);
  if (c >= 100 && c <= 199) return 11800 + c;
  return 11000 + (c / 1000) * 100 + (c % 1000);
}

int ioErrorFromErrno(int err, bool writing) {
  switch (err) {
    case ENOENT: return ecFileNotFound;
    case ENOTDIR: return ecPathNotFound;
    case EMFILE:
    case ENFILE: return ecTooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return ecAccessDenied;
    case ENOMEM: return ecOutOfMemory;
    default: return writing ? ecDiskWrite : ecDiskRead;
  }
}

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
  if (code <= -2 && code >= -162) throw EInOutError(code);
  throw EFxException(code);
}

}  // namespace faximage
