#include "spooljob.h"

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "base/fileowner.h"
#include "base/printspool.h"

namespace cupsbackend {

namespace {

Outcome Failure(BackendStatus status, const std::string& what, bool withErrno = true) {
  std::string message = what;
  if (withErrno) message += ": " + std::string(std::strerror(errno));
  return {status, message};
}

// The spool root: made by root when missing, readable by all so each user can reach their
// own folder, writable by root alone so nobody can swap another user's folder.
Outcome CheckRoot(const std::string& root) {
  if (mkdir(root.c_str(), 0755) == 0) {
    // The scheduler starts backends with a closed umask and its own group.
    if (chown(root.c_str(), 0, 0) != 0 || chmod(root.c_str(), 0755) != 0)
      return Failure(kFailed, "cannot open the spool folder " + root + " to its users");
  } else if (errno != EEXIST) {
    return Failure(kFailed, "cannot make the spool folder " + root);
  }
  struct stat st {};
  if (lstat(root.c_str(), &st) != 0) return Failure(kFailed, "cannot reach " + root);
  if (!S_ISDIR(st.st_mode) || st.st_uid != 0 || (st.st_mode & 022))
    return Failure(kFailed, root + " is not a folder owned and written by root alone", false);
  return {};
}

bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t n = write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Reads until `want` bytes are there or the input ends.
ssize_t ReadSome(int fd, char* buffer, std::size_t want) {
  std::size_t have = 0;
  while (have < want) {
    const ssize_t n = read(fd, buffer + have, want - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (n == 0) break;
    have += static_cast<std::size_t>(n);
  }
  return static_cast<ssize_t>(have);
}

}  // namespace

Outcome PrepareFolder(const std::string& user, Recipient& out) {
  const passwd* pw = user.empty() ? nullptr : getpwnam(user.c_str());
  if (!pw) return Failure(kCancelJob, "no local user \"" + user + "\" to fax this job", false);
  out.uid = pw->pw_uid;
  out.gid = pw->pw_gid;
  out.name = pw->pw_name;
  out.folder = base::PrintSpoolFolder(out.name);
  if (geteuid() != 0)
    return Failure(kFailed, "the backend runs as root only (install it with mode 0700)", false);

  const std::string root = base::PrintSpoolRoot();
  if (Outcome o = CheckRoot(root); o.status != kOk) return o;
  if (mkdir(out.folder.c_str(), 0700) == 0) {
    if (lchown(out.folder.c_str(), out.uid, out.gid) != 0)
      return Failure(kFailed, "cannot give " + out.folder + " to " + out.name);
  } else if (errno != EEXIST) {
    return Failure(kFailed, "cannot make " + out.folder);
  }
  struct stat st {};
  if (lstat(out.folder.c_str(), &st) != 0) return Failure(kFailed, "cannot reach " + out.folder);
  if (!S_ISDIR(st.st_mode) || st.st_uid != out.uid || (st.st_mode & 077))
    return Failure(kCancelJob, out.folder + " is not a folder of " + out.name + " closed to others",
                   false);
  return {};
}

Outcome BecomeUser(const Recipient& who) {
  if (initgroups(who.name.c_str(), who.gid) != 0 || setgid(who.gid) != 0 || setuid(who.uid) != 0)
    return Failure(kFailed, "cannot take the identity of " + who.name);
  if (who.uid != 0 && setuid(0) == 0)
    return Failure(kFailed, "still root after switching to " + who.name, false);
  return {};
}

std::string JobKind(const std::string& head) {
  if (head.starts_with("%PDF-")) return "pdf";
  if (head.starts_with("%!")) return "ps";
  return {};
}

Outcome WriteJob(int input, const Recipient& who, const std::string& jobId,
                 const std::string& title) {
  std::vector<char> buffer(64 * 1024);
  const ssize_t first = ReadSome(input, buffer.data(), buffer.size());
  if (first < 0) return Failure(kFailed, "cannot read the job");
  const std::string kind = JobKind(std::string(buffer.data(), static_cast<std::size_t>(first)));
  if (kind.empty())
    return Failure(kCancelJob,
                   "the job is neither PDF nor PostScript (set the printer up with "
                   "\"brindlefax setup-printer\")",
                   false);

  umask(077);
  const base::UniqueFd dir(open(who.folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW));
  if (dir.get() < 0) return Failure(kFailed, "cannot open " + who.folder);
  const std::string part = "." + jobId + ".part";
  unlinkat(dir.get(), part.c_str(), 0);  // left by an earlier attempt at this job
  base::UniqueFd file(openat(dir.get(), part.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW, 0600));
  if (file.get() < 0) return Failure(kFailed, "cannot write in " + who.folder);

  ssize_t n = first;
  while (n > 0) {
    if (!WriteAll(file.get(), buffer.data(), static_cast<std::size_t>(n))) {
      unlinkat(dir.get(), part.c_str(), 0);
      return Failure(kFailed, "cannot write the job into " + who.folder);
    }
    n = ReadSome(input, buffer.data(), buffer.size());
  }
  if (n < 0 || fsync(file.get()) != 0) {
    unlinkat(dir.get(), part.c_str(), 0);
    return Failure(kFailed, "cannot finish the job in " + who.folder);
  }
  const std::string name = base::PrintJobFileName(jobId, title, kind);
  if (renameat(dir.get(), part.c_str(), dir.get(), name.c_str()) != 0) {
    unlinkat(dir.get(), part.c_str(), 0);
    return Failure(kFailed, "cannot name the job in " + who.folder);
  }
  return {kOk, "waiting for " + who.name + " in Brindle as \"" + name + "\""};
}

}  // namespace cupsbackend
