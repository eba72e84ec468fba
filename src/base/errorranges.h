// Every error code of the program is a negative int (0 is success) from one of the ranges
// below, so that a code names its failure wherever it turns up. Each module keeps its
// named constants and its text function; this is the one list of who owns which numbers.
//
// clang-format off
// | codes            | owner    | what                                       | constants and texts        |
// |------------------|----------|--------------------------------------------|----------------------------|
// | -2 .. -162       | faxcodes | run-time file errors, negated (-2 not      | faxcodes/error_codes.h,    |
// |                  |          | found, -100 read, -101 write); -8 memory;  | faxcodes::errorText; used  |
// |                  |          | a failed port open may give -errno         | by faximage, richtext and  |
// |                  |          |                                            | faxengine                  |
// | -1001 .. -1009   | faxcodes | arguments and components (-1002 bad        |                            |
// |                  |          | argument, -1003 quit message)              |                            |
// | -2001 .. -2011   | faxcodes | opening a serial port (-2001 no such port, | (fax engine)               |
// |                  |          | -2005 in use, -2009 no more handles), and  |                            |
// |                  |          | its device lost while open (-2011)         |                            |
// | -3002 .. -3007   | faxcodes | line settings and buffers                  | (fax engine)               |
// | -5001 .. -5003   | faxcodes | triggers                                   | (fax engine)               |
// | -6005 .. -6011   | faxcodes | session control (-6005 cancel, -6006       | (fax engine)               |
// |                  |          | time-out)                                  |                            |
// | -8001 .. -8082   | faxcodes | fax files and images (-8001 .. -8054,      | faximage, fax engine       |
// |                  |          | faximage) and modem dialogues (-8070 ..)   |                            |
// | -9000 .. -9099   | tables   | table engine                               | tables/errors.h            |
// | -9100 .. -9199   | app      | results of the program's own commands      | app (fax assembly)         |
// clang-format on
#pragma once

#include <string_view>

namespace base {

struct ErrorRange {
  int first;  // the range runs from first down to last
  int last;
  std::string_view owner;
};

inline constexpr ErrorRange kErrorRanges[] = {
    {-2, -162, "faxcodes"},     {-1001, -1009, "faxcodes"}, {-2001, -2011, "faxcodes"},
    {-3002, -3007, "faxcodes"}, {-5001, -5003, "faxcodes"}, {-6005, -6011, "faxcodes"},
    {-8001, -8082, "faxcodes"}, {-9000, -9099, "tables"},   {-9100, -9199, "app"},
};

// The module that owns a code, or "" for a code outside every range.
constexpr std::string_view ErrorCodeOwner(int code) {
  for (const ErrorRange& r : kErrorRanges)
    if (code <= r.first && code >= r.last) return r.owner;
  return {};
}

}  // namespace base
