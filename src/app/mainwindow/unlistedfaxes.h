// Received fax files that the received list does not show. A fax is listed only once its
// row has been added after the file was complete; a failed append (disk full, damaged
// table) or a program that ended first leaves a file without a row. These functions find
// such files and make their rows from what the files themselves record.
#pragma once

#include "app/store/faxstore.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace app {

// The row a received fax file stands for: the sender and page count from its header and
// the time the file was written (the header's, else the file system's). Nothing for a
// file that is not a fax file or holds no page.
std::optional<ReceivedRecord> RecordOfFaxFile(const std::string& path);

// The fax files of `folder` (extension BRX in any case) whose upper-cased names are not
// in `listed`, in name order; files that are not fax files with pages are left out.
std::vector<ReceivedRecord> UnlistedFaxes(const std::string& folder,
                                          const std::set<std::string>& listed);

}  // namespace app
