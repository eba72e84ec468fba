// Texts of the table engine's error codes.
#include "tables/errors.h"

namespace tables {

namespace {
struct ErrorEntry {
  int code;
  const char* text;
};
constexpr ErrorEntry kErrorTexts[] = {
    {err::kOk, "No error"},
    {err::kIo, "Read or write failed"},
    {err::kNotFound, "File not found"},
    {err::kLocked, "Table is in use by another opener"},
    {err::kBadDbf, "Not a valid DBF table"},
    {err::kBadFpt, "Not a valid FPT memo file"},
    {err::kBadCdx, "Not a valid CDX index"},
    {err::kBadExpr, "Invalid expression"},
    {err::kNoField, "No such field"},
    {err::kBadField, "Invalid field"},
    {err::kNotOpen, "Table is not open"},
    {err::kState, "Operation not allowed now"},
    {err::kNoTag, "No such index tag"},
    {err::kRange, "Record number out of range"},
    {err::kWriteFailed, "An earlier write failed; reopen the table"},
    {err::kDiskFull, "Disk full"},
    {err::kExists, "File already exists"},
};
}  // namespace

const char* errorText(int code) {
  for (const auto& e : kErrorTexts)
    if (e.code == code) return e.text;
  return "Unknown table error";
}

void fail(int code, const std::string& file, const std::string& detail) {
  std::string msg = file.empty() ? std::string() : file + ": ";
  msg += errorText(code);
  if (!detail.empty()) msg += ": " + detail;
  throw TableError(code, msg);
}

}  // namespace tables
