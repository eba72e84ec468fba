// Replacing a file safely: the new content is written under a temporary name of its own
// beside the target (target + "." + process id + "-" + count + ".tmp", so that two writers,
// in one process or in two, never share one), flushed to the disk, and only then renamed
// over the target, so that a failure at any point leaves the old file as it was. Every
// step consults the fault-injection hook.
#pragma once

#include "base/fileowner.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace base {

// Errors are errno values; 0 is success.
class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Abandon(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates (or empties) the temporary file.
  int Open(const std::string& target);
  // Appends at the end, or rewrites bytes written before (the end stays where it is).
  int Append(const void* data, std::size_t size);
  int WriteAt(std::uint64_t offset, const void* data, std::size_t size);
  std::uint64_t Size() const { return size_; }
  bool IsOpen() const { return bool(fd_) || dropped_; }
  // Flushes the data to the disk, closes the file and renames it over the target. On a
  // failure the temporary file is removed and the target is untouched.
  int Commit();
  // Closes and removes the temporary file; the target is untouched.
  void Abandon();

 private:
  int fail(int error);

  UniqueFd fd_;
  std::string target_;
  std::string temp_;
  std::uint64_t size_ = 0;
  bool dropped_ = false;  // a simulated crash: nothing more reaches the disk
};

// Replaces the whole file with bytes through an AtomicFile; 0 or an errno value.
int ReplaceFile(const std::string& target, std::span<const std::uint8_t> bytes);

}  // namespace base
