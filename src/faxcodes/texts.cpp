// The string table of the fax engine: error texts from 11000, status texts from 13000.
#include "faxcodes/texts.h"

#include <cerrno>
#include <cstdlib>
#include <iterator>

#include "faxcodes/error_codes.h"

namespace faxcodes {

namespace {

struct Entry {
  int id;
  const char* text;
};

// Kept in ascending order of id, so each number appears once (checked below).
constexpr Entry kTable[] = {
    // Run-time file errors and memory.
    {11002, "File not found"},
    {11003, "Path not found"},
    {11004, "Too many open files"},
    {11005, "File access denied"},
    {11006, "Invalid file handle"},
    {11008, "Insufficient memory"},
    {11012, "Invalid file access code"},
    {11015, "Invalid drive number"},
    {11016, "Cannot remove current directory"},
    {11017, "Cannot rename across drives"},
    {11018, "No more files"},
    // Arguments and components.
    {11101, "Bad handle passed to com function"},
    {11102, "Bad argument passed to function"},
    {11103, "Got quit message"},
    {11105, "ComPort component not assigned"},
    {11106, "Internal error creating window class"},
    {11109, "Component not compatible with WinSock"},
    // Opening a port.
    {11201, "No such port: the device does not exist"},
    {11205, "Port is in use by another program"},
    {11209, "No more handles, can't open port"},
    {11210, "Permission denied: no access to the port's device"},
    {11211, "The modem was disconnected or stopped answering"},
    // Line settings and buffers.
    {11302, "Line settings rejected by the device"},
    {11304, "Failed to put entire block"},
    {11306, "Output buffer too small for block"},
    {11307, "Buffer is empty"},
    // Triggers.
    {11501, "No more trigger slots"},
    {11503, "Bad trigger handle"},
    // Session control.
    {11605, "Cancel requested"},
    {11606, "Fatal time out"},
    {11610, "No filename specified in protocol receive"},
    {11611, "File was rejected"},
    // Fax files, images and modem dialogues.
    {11801, "File is not a BRX file"},
    {11802, "Unsupported graphics file format"},
    {11803, "User aborted fax conversion"},
    {11804, "User aborted fax unpack"},
    {11805, "CreateBitmapIndirect API failure"},
    {11850, "no image loaded into viewer"},
    {11851, "no block of image marked"},
    {11852, "Fax font not found"},
    {11854, "Page is too long for a bitmap"},
    {11870, "Fax incompatible with remote fax"},
    {11871, "Bad response from modem"},
    {11872, "Modems failed to train"},
    {11873, "Error while initializing modem"},
    {11874, "Called fax number was busy"},
    {11875, "Called fax number answered with voice"},
    {11876, "Incoming data call"},
    {11877, "No dial tone"},
    {11878, "Failed to connect to remote fax"},
    {11879, "Fax failed in mid-session"},
    {11880, "Fax failed at page end"},
    {11882, "Multiple resolutions per session not supported"},
    // Run-time file errors 100..199 (numbered 11800 + code).
    {11900, "Disk read error"},
    {11901, "Disk write error"},
    {11902, "File not assigned"},
    {11903, "File not open"},
    {11904, "File not open for input"},
    {11905, "File not open for output"},
    {11906, "Invalid numeric format"},
    {11950, "Disk is write-protected"},
    {11951, "Unknown unit"},
    {11952, "Drive not ready"},
    {11953, "Unknown command"},
    {11954, "CRC error in data"},
    {11955, "Bad drive request structure length"},
    {11956, "Disk seek error"},
    {11957, "Unknown media type"},
    {11958, "Sector not found"},
    {11959, "Printer out of paper"},
    {11960, "Device write error"},
    {11961, "Device read error"},
    {11962, "Hardware failure"},
    // Progress texts (13000 + status code).
    {13001, "Initializing modem for fax processing"},
    {13002, "Dialing"},
    {13003, "Busy, waiting until redial..."},
    {13004, "Sending page data"},
    {13005, "Sending EOP"},
    {13006, "Error sending page"},
    {13007, "Page accepted by remote"},
    {13008, "Sending MPS"},
    {13020, "Waiting for incoming call"},
    {13021, "No connect on this call"},
    {13022, "Answering incoming call"},
    {13023, "Incoming call validated as fax"},
    {13024, "Getting page data"},
    {13025, "Getting end-of-page signal"},
    {13026, "Getting end-of-document status"},
    {13027, "Getting hangup command"},
    {13028, "Got Class 2 FHNG code"},
    {13040, "Getting connection params"},
    {13041, "Got called-station ID"},
    {13042, "User abort"},
    // Code 43 ("Finished") is deliberately absent: its text is never shown.
};

constexpr bool idsAscend() {
  for (std::size_t i = 1; i < std::size(kTable); ++i)
    if (kTable[i - 1].id >= kTable[i].id) return false;
  return true;
}
static_assert(idsAscend(), "string-table numbers must ascend and appear once");

constexpr int kFirstStatusId = 13000;
constexpr int kLastStatusWithText = 42;

}  // namespace

int errorStringId(int code) {
  int c = std::abs(code);
  if (c >= 100 && c <= 199) return 11800 + c;
  return 11000 + (c / 1000) * 100 + (c % 1000);
}

const char* tableText(int stringId) {
  for (const auto& e : kTable)
    if (e.id == stringId) return e.text;
  return nullptr;
}

const char* errorText(int code) {
  if (code == 0) return "";
  if (const char* t = tableText(errorStringId(code))) return t;
  return "Unexpected fax engine error";
}

const char* statusText(int code) {
  if (code < 1 || code > kLastStatusWithText) return "";
  const char* t = tableText(kFirstStatusId + code);
  return t ? t : "";
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

}  // namespace faxcodes
