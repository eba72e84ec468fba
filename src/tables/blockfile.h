// The lowest layer of the engine: positioned reads and writes on one file (or on a byte
// buffer, for parsers under test), whole-file locks, renames, and a fault-injection hook.
#pragma once

#include "base/faultinjection.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace tables {

// The fault-injection hook tests use to make writes fail or stop short lives in base;
// the engine's tests reach it under the engine's names.
using base::FaultInjector;
using base::setFaultInjector;
using base::SimulatedCrash;

class BlockFile {
 public:
  enum class Lock { None, Shared, Exclusive };

  BlockFile() = default;
  ~BlockFile();
  BlockFile(BlockFile&& o) noexcept;
  BlockFile& operator=(BlockFile&& o) noexcept;
  BlockFile(const BlockFile&) = delete;
  BlockFile& operator=(const BlockFile&) = delete;

  // Opens an existing file. A lock that cannot be had fails with err::kLocked.
  static BlockFile open(const std::string& path, bool writable, Lock lock = Lock::None);
  // Creates or empties a file for writing.
  static BlockFile create(const std::string& path);
  // A read-only file over bytes in memory (parsers under test).
  static BlockFile fromMemory(std::vector<std::uint8_t> bytes, const std::string& name);

  bool isOpen() const { return fd_ >= 0 || memory_; }
  const std::string& path() const { return path_; }
  std::uint64_t size() const;
  // Reads up to len bytes; returns how many were read (short at the end of the file).
  std::size_t read(std::uint64_t offset, void* buf, std::size_t len) const;
  // Reads exactly len bytes or fails with the given error code.
  void readExact(std::uint64_t offset, void* buf, std::size_t len, int errCode) const;
  std::vector<std::uint8_t> readAll() const;
  // A read-only view of the file's first len bytes (len > 0), shared with the system's
  // file cache so that writes made through write() show in it at once. Valid until the
  // next map() or close(). The view may reach past the end of the file to leave room for
  // appends; only bytes that exist in the file may be read through it. Memory files give
  // their buffer, which must hold len bytes.
  const std::uint8_t* map(std::uint64_t len);
  void write(std::uint64_t offset, const void* data, std::size_t len);
  void truncate(std::uint64_t len);
  void sync();
  void close();

  static bool exists(const std::string& path);
  static void rename(const std::string& from, const std::string& to);
  static void remove(const std::string& path);  // no error when the file is absent
  // Writes a whole file under a temporary name, syncs it and renames it into place, so
  // the old content stays until the new one is complete.
  static void replaceWhole(const std::string& path, const std::vector<std::uint8_t>& bytes);

 private:
  int fd_ = -1;
  bool memory_ = false;
  std::vector<std::uint8_t> bytes_;
  std::string path_;
  void* map_ = nullptr;
  std::size_t mapLen_ = 0;
};

}  // namespace tables
