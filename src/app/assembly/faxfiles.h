// The files of fax assembly: the name of a new fax file, and joining one-page BRX files
// into one multi-page file by moving their pages over in 4096-byte blocks.
#pragma once

#include <string>
#include <vector>

namespace app {

// ProgramDir + "BDL_" + n + ".BRX" for the smallest n from 1 to 1000 whose file does not
// exist; ProgramDir + "BDL1.BRX" when all of them exist.
std::string NewFaxFileName();

// Appends every page of the BRX file `source` to the BRX file `target` and raises the
// target's PageCount by the source's; the target's other header fields stay. Returns 0 or
// a negative fax image error code: -2 when either file is missing, -8001 when either is
// not a BRX file or its page chain runs past its end, -1002 when both name the same file
// or the page count would pass 65535, file errors as the negated run-time code. A failed
// append leaves the target's pages and header as they were.
int AppendFaxFile(const std::string& target, const std::string& source);

// Appends pages[1..] to pages[0], then deletes pages[1..]; faxFile becomes pages[0].
// Returns 0 or the first error (-1002 for an empty list); the page files then stay for
// the caller to remove.
int JoinFaxFiles(const std::vector<std::string>& pages, std::string& faxFile);

// Deletes the files, ignoring errors (missing files included).
void RemoveFiles(const std::vector<std::string>& files);

}  // namespace app
