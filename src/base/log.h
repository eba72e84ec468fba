// Failures the program handles by carrying on (a list that shows fewer rows, an index
// that keeps its old order) are still written to its error output, so that whoever
// looks into a problem later can see what went wrong and where.
#pragma once

#include <string_view>

namespace base {

// Writes "brindle: <where>: <what>" as one line to the error output.
void LogFailure(std::string_view where, std::string_view what);

}  // namespace base
