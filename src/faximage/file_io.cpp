// Whole-file reading and writing.
#include "faximage/file_io.h"

#include <cerrno>
#include <cstdio>

#include "base/atomicfile.h"
#include "base/fileowner.h"
#include "faximage/errors.h"

namespace faximage {

int readWholeFile(const std::string& name, std::vector<std::uint8_t>& out, std::size_t maxBytes) {
  out.clear();
  if (name.empty()) return ecFileNotFound;
  base::FilePtr f(std::fopen(name.c_str(), "rb"));
  if (!f) return ioErrorFromErrno(errno, false);
  if (std::fseek(f.get(), 0, SEEK_END) != 0) return ioErrorFromErrno(errno, false);
  long size = std::ftell(f.get());
  if (size < 0) return ioErrorFromErrno(errno, false);  // a directory, a pipe
  if (std::size_t(size) > maxBytes) return ecOutOfMemory;
  std::rewind(f.get());
  try {
    out.resize(std::size_t(size));
  } catch (const std::bad_alloc&) {
    return ecOutOfMemory;
  }
  if (size > 0 && std::fread(out.data(), 1, out.size(), f.get()) != out.size()) {
    out.clear();
    return ecDiskRead;
  }
  return ecOK;
}

int writeWholeFile(const std::string& name, std::span<const std::uint8_t> bytes) {
  if (name.empty()) return ecFileNotFound;
  const int err = base::ReplaceFile(name, bytes);
  return err == 0 ? ecOK : ioErrorFromErrno(err, true);
}

}  // namespace faximage
