// Temporary file, fsync, rename; the fault-injection hook before each change.
#include "base/atomicfile.h"

#include "base/faultinjection.h"

#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <string>

namespace base {

namespace {

using Action = FaultInjector::Action;

constexpr int kNameTries = 100;  // names taken by files a dead process left behind

std::string temporaryNameFor(const std::string& target) {
  static std::atomic<unsigned> count{0};
  return target + "." + std::to_string(::getpid()) + "-" + std::to_string(++count) + ".tmp";
}

// Writes all of size bytes at offset, retrying after signals.
int writeFully(int fd, std::uint64_t offset, const void* data, std::size_t size) {
  const auto* p = static_cast<const char*>(data);
  for (std::size_t done = 0; done < size;) {
    const ssize_t n = ::pwrite(fd, p + done, size - done, off_t(offset + done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    done += std::size_t(n);
  }
  return 0;
}

}  // namespace

int AtomicFile::Open(const std::string& target) {
  Abandon();
  target_ = target;
  temp_ = temporaryNameFor(target);
  size_ = 0;
  if (consultFaultInjector("write", temp_) != Action::Proceed) {
    temp_.clear();
    if (!simulatedCrashHappened()) return ENOSPC;
    dropped_ = true;  // after the crash writes go nowhere
    return 0;
  }
  // Created anew, never opened when it exists: another writer's file is not ours.
  int error = 0;
  for (int tries = 1;; ++tries) {
    const int fd = ::open(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    error = errno;
    fd_.reset(fd);
    if (fd_ || error != EEXIST || tries == kNameTries) break;
    temp_ = temporaryNameFor(target);
  }
  if (fd_) return 0;
  temp_.clear();
  return error;
}

int AtomicFile::Append(const void* data, std::size_t size) { return WriteAt(size_, data, size); }

int AtomicFile::WriteAt(std::uint64_t offset, const void* data, std::size_t size) {
  if (dropped_) return 0;
  if (!fd_) return EBADF;
  std::size_t todo = size;
  const Action action = consultFaultInjector("write", temp_);
  switch (action) {
    case Action::Crash: dropped_ = true; return 0;
    case Action::ShortWrite: todo = size / 2; break;
    case Action::Proceed: break;
    default: todo = 0; break;
  }
  const int rc = writeFully(fd_.get(), offset, data, todo);
  if (rc != 0) return fail(rc);
  if (action != Action::Proceed) return fail(ENOSPC);
  if (offset + size > size_) size_ = offset + size;
  return 0;
}

int AtomicFile::Commit() {
  if (dropped_) {
    Abandon();
    return 0;
  }
  if (!fd_) return EBADF;
  if (::fsync(fd_.get()) != 0) return fail(errno);
  if (fd_.reset() != 0) return fail(errno);
  const Action action = consultFaultInjector("rename", target_);
  if (action == Action::Crash) return 0;
  if (action != Action::Proceed) return fail(EIO);
  if (std::rename(temp_.c_str(), target_.c_str()) != 0) return fail(errno);
  temp_.clear();
  return 0;
}

void AtomicFile::Abandon() {
  fd_.reset();
  // A simulated crash leaves its temporary file behind, as a dead process would.
  if (!temp_.empty() && !simulatedCrashHappened()) ::unlink(temp_.c_str());
  temp_.clear();
  dropped_ = false;
}

int AtomicFile::fail(int error) {
  Abandon();
  return error;
}

int ReplaceFile(const std::string& target, std::span<const std::uint8_t> bytes) {
  AtomicFile file;
  int rc = file.Open(target);
  if (rc == 0) rc = file.Append(bytes.data(), bytes.size());
  if (rc == 0) rc = file.Commit();
  return rc;
}

}  // namespace base
