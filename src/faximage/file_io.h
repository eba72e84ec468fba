// Whole-file reading and writing with the module's file error codes. Writes replace the
// target only once the new content is complete (base/atomicfile.h), so a failure never
// leaves a partial file.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace faximage {

// Reads the whole file; "" gives -2. Files above maxBytes give -8 (the module's inputs are
// page images and fax files, far below the default).
int readWholeFile(const std::string& name, std::vector<std::uint8_t>& out,
                  std::size_t maxBytes = std::size_t(1) << 30);
int writeWholeFile(const std::string& name, std::span<const std::uint8_t> bytes);

}  // namespace faximage
