// Where jobs printed to the Brindle printer wait for the user who printed them: one
// folder per user under a root folder, the user's folder and files readable by that user
// alone. The printer backend writes there; the program picks the jobs up.
#pragma once

#include <string>
#include <string_view>

namespace base {

// The root of the print spool: $BRINDLE_SPOOL_DIR when set (tests and private
// schedulers set it), else /var/spool/brindle.
std::string PrintSpoolRoot();
// The folder of one user's printed jobs under the root.
std::string PrintSpoolFolder(std::string_view user);
// A file name for a job: "<job id> <title>.<ext>", the title cut to a sensible length with
// path separators and control characters replaced, so the name is safe and the program can
// show the title again.
std::string PrintJobFileName(std::string_view jobId, std::string_view title, std::string_view ext);
// The title a job file name carries (the text after the job id), without its extension.
std::string PrintJobTitle(std::string_view fileName);

}  // namespace base
