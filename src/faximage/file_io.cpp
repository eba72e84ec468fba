// Whole-file reading and writing, and file-name helpers.
#include "faximage/file_io.h"

#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <memory>

#include "faximage/errors.h"

namespace faximage {

namespace {
struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;
}  // namespace

int readWholeFile(const std::string& name, std::vector<std::uint8_t>& out, std::size_t maxBytes) {
  out.clear();
  if (name.empty()) return ecFileNotFound;
  FilePtr f(std::fopen(name.c_str(), "rb"));
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

std::string temporaryNameFor(const std::string& target) {
  return target + ".part" + std::to_string(::getpid());
}

int writeWholeFile(const std::string& name, std::span<const std::uint8_t> bytes) {
  if (name.empty()) return ecFileNotFound;
  std::string temp = temporaryNameFor(name);
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (!f) return ioErrorFromErrno(errno, true);
  bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  int err = errno;
  if (std::fclose(f) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && std::rename(temp.c_str(), name.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    std::remove(temp.c_str());
    return ioErrorFromErrno(err, true);
  }
  return ecOK;
}

namespace {
std::size_t extensionDot(const std::string& name) {
  std::size_t slash = name.find_last_of('/');
  std::size_t dot = name.find_last_of('.');
  if (dot == std::string::npos) return std::string::npos;
  if (slash != std::string::npos && dot < slash) return std::string::npos;
  return dot;
}
}  // namespace

bool hasExtension(const std::string& name) { return extensionDot(name) != std::string::npos; }

std::string withoutExtension(const std::string& name) {
  std::size_t dot = extensionDot(name);
  return dot == std::string::npos ? name : name.substr(0, dot);
}

std::string withExtension(const std::string& name, const std::string& ext) {
  return withoutExtension(name) + "." + ext;
}

}  // namespace faximage
