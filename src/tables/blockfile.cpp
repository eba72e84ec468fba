// Positioned file I/O with locks and the fault-injection hook.
#include "tables/blockfile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "base/atomicfile.h"
#include "tables/errors.h"

namespace tables {

namespace {
using base::consultFaultInjector;
using base::simulatedCrashHappened;

[[noreturn]] void failErrno(const std::string& path, const char* what, int e) {
  fail(e == ENOSPC   ? err::kDiskFull
       : e == ENOENT ? err::kNotFound
                     : err::kIo,
       path, std::string(what) + ": " + std::strerror(e));
}
}  // namespace

BlockFile::~BlockFile() { close(); }

BlockFile::BlockFile(BlockFile&& o) noexcept { *this = std::move(o); }

BlockFile& BlockFile::operator=(BlockFile&& o) noexcept {
  if (this != &o) {
    close();
    fd_ = o.fd_;
    memory_ = o.memory_;
    bytes_ = std::move(o.bytes_);
    path_ = std::move(o.path_);
    map_ = o.map_;
    mapLen_ = o.mapLen_;
    o.fd_ = -1;
    o.memory_ = false;
    o.map_ = nullptr;
    o.mapLen_ = 0;
  }
  return *this;
}

BlockFile BlockFile::open(const std::string& path, bool writable, Lock lock) {
  BlockFile f;
  f.path_ = path;
  f.fd_ = ::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC);
  if (f.fd_ < 0) failErrno(path, "open", errno);
  struct stat st {};
  if (::fstat(f.fd_, &st) == 0 && !S_ISREG(st.st_mode)) fail(err::kIo, path, "not a regular file");
  if (lock != Lock::None) {
    // flock locks belong to the open file description, so a second open of the same
    // file in this process conflicts just as one from another process does.
    int how = (lock == Lock::Exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB;
    if (::flock(f.fd_, how) != 0) {
      int e = errno;
      if (e == EWOULDBLOCK) fail(err::kLocked, path, "the table is open elsewhere");
      failErrno(path, "lock", e);
    }
  }
  return f;
}

BlockFile BlockFile::create(const std::string& path) {
  if (consultFaultInjector("write", path) != FaultInjector::Action::Proceed) {
    if (simulatedCrashHappened()) return fromMemory({}, path);  // writes to it are dropped anyway
    fail(err::kDiskFull, path, "create: no space left on device");
  }
  BlockFile f;
  f.path_ = path;
  f.fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (f.fd_ < 0) failErrno(path, "create", errno);
  return f;
}

BlockFile BlockFile::fromMemory(std::vector<std::uint8_t> bytes, const std::string& name) {
  BlockFile f;
  f.memory_ = true;
  f.bytes_ = std::move(bytes);
  f.path_ = name;
  return f;
}

std::uint64_t BlockFile::size() const {
  if (memory_) return bytes_.size();
  struct stat st {};
  if (fd_ < 0 || ::fstat(fd_, &st) != 0) return 0;
  return std::uint64_t(st.st_size);
}

std::size_t BlockFile::read(std::uint64_t offset, void* buf, std::size_t len) const {
  if (memory_) {
    if (offset >= bytes_.size()) return 0;
    std::size_t n = std::min<std::uint64_t>(len, bytes_.size() - offset);
    std::memcpy(buf, bytes_.data() + offset, n);
    return n;
  }
  std::size_t done = 0;
  auto* p = static_cast<char*>(buf);
  while (done < len) {
    ssize_t r = ::pread(fd_, p + done, len - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      failErrno(path_, "read", errno);
    }
    if (r == 0) break;
    done += std::size_t(r);
  }
  return done;
}

void BlockFile::readExact(std::uint64_t offset, void* buf, std::size_t len, int errCode) const {
  if (read(offset, buf, len) != len)
    fail(errCode, path_,
         "file ends at " + std::to_string(size()) + ", expected data at " + std::to_string(offset) +
             "+" + std::to_string(len));
}

std::vector<std::uint8_t> BlockFile::readAll() const {
  if (memory_) return bytes_;
  std::vector<std::uint8_t> v(size());
  v.resize(read(0, v.data(), v.size()));
  return v;
}

const std::uint8_t* BlockFile::map(std::uint64_t len) {
  if (memory_) {
    if (len > bytes_.size()) fail(err::kIo, path_, "map: past the end of the buffer");
    return bytes_.data();
  }
  if (len == 0 || fd_ < 0) fail(err::kIo, path_, "map: nothing to map");
  if (len <= mapLen_) return static_cast<const std::uint8_t*>(map_);
  // Growing views double, so that a run of appends remaps only a few times.
  const std::uint64_t page = std::uint64_t(::sysconf(_SC_PAGESIZE));
  std::uint64_t want = std::max<std::uint64_t>(len, 2 * std::uint64_t(mapLen_));
  want = (want + page - 1) / page * page;
  if (want > std::uint64_t(SIZE_MAX / 2)) fail(err::kIo, path_, "map: file too large");
  void* p = ::mmap(nullptr, std::size_t(want), PROT_READ, MAP_SHARED, fd_, 0);
  if (p == MAP_FAILED) failErrno(path_, "map", errno);
  if (map_) ::munmap(map_, mapLen_);
  map_ = p;
  mapLen_ = std::size_t(want);
  return static_cast<const std::uint8_t*>(map_);
}

void BlockFile::write(std::uint64_t offset, const void* data, std::size_t len) {
  std::size_t todo = len;
  const auto action = consultFaultInjector("write", path_);
  switch (action) {
    case FaultInjector::Action::Crash: return;
    case FaultInjector::Action::ShortWrite: todo = len / 2; break;
    case FaultInjector::Action::Proceed: break;
    default: todo = 0; break;
  }
  if (memory_) fail(err::kIo, path_, "write: read-only buffer");
  const char* p = static_cast<const char*>(data);
  std::size_t done = 0;
  while (done < todo) {
    ssize_t r = ::pwrite(fd_, p + done, todo - done, off_t(offset + done));
    if (r < 0) {
      if (errno == EINTR) continue;
      failErrno(path_, "write", errno);
    }
    done += std::size_t(r);
  }
  if (action != FaultInjector::Action::Proceed) failErrno(path_, "write", ENOSPC);
}

void BlockFile::truncate(std::uint64_t len) {
  auto a = consultFaultInjector("truncate", path_);
  if (a == FaultInjector::Action::Crash) return;
  if (a != FaultInjector::Action::Proceed) failErrno(path_, "truncate", EIO);
  if (memory_ || ::ftruncate(fd_, off_t(len)) != 0) failErrno(path_, "truncate", errno);
}

void BlockFile::sync() {
  if (fd_ >= 0 && !simulatedCrashHappened()) ::fsync(fd_);
}

void BlockFile::close() {
  if (map_) ::munmap(map_, mapLen_);
  map_ = nullptr;
  mapLen_ = 0;
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  memory_ = false;
  bytes_.clear();
}

bool BlockFile::exists(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

void BlockFile::rename(const std::string& from, const std::string& to) {
  auto a = consultFaultInjector("rename", to);
  if (a == FaultInjector::Action::Crash) return;
  if (a != FaultInjector::Action::Proceed) failErrno(to, "rename", EIO);
  if (::rename(from.c_str(), to.c_str()) != 0) failErrno(to, "rename", errno);
}

void BlockFile::remove(const std::string& path) {
  auto a = consultFaultInjector("remove", path);
  if (a == FaultInjector::Action::Crash) return;
  if (a != FaultInjector::Action::Proceed) failErrno(path, "remove", EIO);
  if (::unlink(path.c_str()) != 0 && errno != ENOENT) failErrno(path, "remove", errno);
}

void BlockFile::replaceWhole(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  if (const int e = base::ReplaceFile(path, bytes)) failErrno(path, "replace", e);
}

}  // namespace tables
