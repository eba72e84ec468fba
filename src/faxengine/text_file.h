// Small file helpers of the fax sessions: extension tests and reading a text file's lines.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace faxengine {

// True when the extension of name (after the last '.' of its last path component) equals
// ext, without regard to case.
bool hasExtension(std::string_view name, std::string_view ext);

// Reads the lines of a text file (CR LF or LF), each cut to maxLength characters.
// Returns 0 or a file error code.
int readTextLines(const std::string& name, std::size_t maxLength, std::vector<std::string>& lines);

// The name for a received file when no handler names it: FileNaming 1 and 2 take the
// first free counter name in dir ("FAX0001.ext", or month and day then the counter);
// past 9999 "NONAME.BRX"; any other value "noname.brx". dir ends in '/' or is empty.
std::string receivedFileName(const std::string& dir, int fileNaming, const std::string& ext);

}  // namespace faxengine
