// Error codes of the table engine, their texts, and the exception that carries them.
// The engine's codes live in the range -9000..-9099.
#pragma once

#include <stdexcept>
#include <string>

namespace tables {

namespace err {
constexpr int kOk = 0;
constexpr int kIo = -9001;           // read or write failed at the system level
constexpr int kNotFound = -9002;     // file does not exist
constexpr int kLocked = -9003;       // another opener holds the table
constexpr int kBadDbf = -9004;       // malformed DBF file
constexpr int kBadFpt = -9005;       // malformed FPT memo file
constexpr int kBadCdx = -9006;       // malformed CDX index file
constexpr int kBadExpr = -9007;      // expression cannot be parsed or evaluated
constexpr int kNoField = -9008;      // no field of that name
constexpr int kBadField = -9009;     // field definition or value not acceptable
constexpr int kNotOpen = -9010;      // the table is not open
constexpr int kState = -9011;        // operation not allowed in the current state
constexpr int kNoTag = -9012;        // no tag of that name or number
constexpr int kRange = -9013;        // record number out of range
constexpr int kWriteFailed = -9014;  // an earlier write failed; reopen the table
constexpr int kDiskFull = -9015;     // no space left on the device
constexpr int kExists = -9016;       // file already exists
}  // namespace err

// The text for an error code; unknown codes give "Unknown table error".
const char* errorText(int code);

// Every failure of the engine; what() names the file and the problem.
class TableError : public std::runtime_error {
 public:
  TableError(int code, const std::string& message) : std::runtime_error(message), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

// Throws a TableError whose message is "<file>: <code text>: <detail>".
[[noreturn]] void fail(int code, const std::string& file, const std::string& detail = {});

}  // namespace tables
