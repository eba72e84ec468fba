// Running pdfinfo, pdftoppm and gs as child processes and reading what they make.
#include "faximage/document_raster.h"

#include "faximage/errors.h"
#include "faximage/file_io.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace faximage {
namespace {

constexpr int kPollMs = 50;
constexpr std::size_t kMaxOutput = 64 * 1024;  // of a helper's messages, what is kept
constexpr int kMaxPages = 2000;
constexpr int kMaxSide = 20000;

std::string baseName(const std::string& path) {
  const auto slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The first line of a helper's messages that says something, without its prefix.
std::string firstReason(const std::string& output) {
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    for (const char* prefix : {"Syntax Error: ", "Syntax Warning: ", "Command Line Error: ",
                               "Internal Error: ", "I/O Error: ", "Error: "})
      if (line.rfind(prefix, 0) == 0) line.erase(0, std::strlen(prefix));
    return line;
  }
  return "no reason given";
}

// "P5 width height 255" and the pixels.
bool readPgm(const std::vector<std::uint8_t>& bytes, GreyPage& out) {
  std::size_t pos = 0;
  auto number = [&](int& v) {
    while (pos < bytes.size() && (std::isspace(bytes[pos]) || bytes[pos] == '#')) {
      if (bytes[pos] == '#')
        while (pos < bytes.size() && bytes[pos] != '\n') ++pos;
      else
        ++pos;
    }
    long n = 0;
    bool any = false;
    while (pos < bytes.size() && std::isdigit(bytes[pos]) && n < 1000000) {
      n = n * 10 + (bytes[pos++] - '0');
      any = true;
    }
    v = int(n);
    return any;
  };
  if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '5') return false;
  pos = 2;
  int w = 0, h = 0, maxval = 0;
  if (!number(w) || !number(h) || !number(maxval) || maxval != 255) return false;
  ++pos;  // the one blank after the header
  if (w <= 0 || h <= 0 || w > kMaxSide || h > kMaxSide) return false;
  const std::size_t size = std::size_t(w) * std::size_t(h);
  if (bytes.size() < pos + size) return false;
  out.width = w;
  out.height = h;
  out.pixels.assign(bytes.begin() + long(pos), bytes.begin() + long(pos + size));
  return true;
}

}  // namespace

std::optional<DocumentKind> documentKindOf(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return std::nullopt;
  char head[1024] = {};
  const std::size_t n = std::fread(head, 1, sizeof head, f);
  std::fclose(f);
  const std::string_view bytes(head, n);
  if (bytes.rfind("%!", 0) == 0 || bytes.rfind("\x04%!", 0) == 0) return DocumentKind::PostScript;
  if (bytes.find("%PDF-") != std::string_view::npos) return DocumentKind::Pdf;  // may follow junk
  return std::nullopt;
}

void fitPage(const PageBox& box, double xDpi, double yDpi, int maxWidth, int maxHeight,
             int& width, int& height) {
  const double w = std::max(box.width, 1.0) / 72.0 * xDpi;
  const double h = std::max(box.height, 1.0) / 72.0 * yDpi;
  const double factor = std::min({1.0, maxWidth / w, maxHeight / h});
  width = std::clamp(int(std::lround(w * factor)), 1, std::max(1, maxWidth));
  height = std::clamp(int(std::lround(h * factor)), 1, std::max(1, maxHeight));
}

DocumentRasteriser::DocumentRasteriser() = default;

DocumentRasteriser::~DocumentRasteriser() {
  if (dir_.empty()) return;
  for (const char* name : {"document.pdf", "page.pgm"}) std::remove((dir_ + "/" + name).c_str());
  ::rmdir(dir_.c_str());
}

int DocumentRasteriser::fail(int code, const std::string& reason) {
  message_ = baseName(path_) + ": " + reason;
  return code;
}

std::string DocumentRasteriser::scratch(const std::string& name) {
  if (dir_.empty()) {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/brindle-pages-XXXXXX";
    if (!::mkdtemp(pattern.data())) return {};
    dir_ = pattern;
  }
  return dir_ + "/" + name;
}

// Runs argv[0] found on the PATH with its messages (stdout and stderr) in output. Returns
// its exit status, -1 when it could not be started, or ecConvertAbort when cancelled.
int DocumentRasteriser::run(const std::vector<std::string>& argv, std::string& output) {
  output.clear();
  // A cancel that came before the start starts nothing: a quick helper could otherwise end
  // before the first look at keepGoing and the cancel would go unnoticed.
  if (keepGoing && !keepGoing()) return ecConvertAbort;
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return -1;
  }
  if (pid == 0) {
    ::dup2(fds[1], 1);
    ::dup2(fds[1], 2);
    const int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) ::dup2(devnull, 0);
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    ::execvp(args[0], args.data());
    ::_exit(127);
  }
  ::close(fds[1]);
  bool cancelled = false;
  for (;;) {
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, kPollMs);
    if (ready > 0) {
      char buf[4096];
      const ssize_t n = ::read(fds[0], buf, sizeof buf);
      if (n == 0) break;
      if (n > 0 && output.size() < kMaxOutput) output.append(buf, std::size_t(n));
      if (n < 0 && errno != EINTR && errno != EAGAIN) break;
    }
    if (!cancelled && keepGoing && !keepGoing()) {
      cancelled = true;
      ::kill(pid, SIGTERM);
    }
  }
  ::close(fds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (cancelled) return ecConvertAbort;
  if (WIFEXITED(status)) return WEXITSTATUS(status) == 127 ? -1 : WEXITSTATUS(status);
  return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
}

int DocumentRasteriser::open(const std::string& path) {
  path_ = path;
  boxes_.clear();
  message_.clear();
  const auto kind = documentKindOf(path);
  if (!kind) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return fail(ecFileNotFound, "the file cannot be opened");
    std::fclose(f);
    return fail(ecBadGraphicsFormat, "it is not a PDF or PostScript file");
  }
  std::string output;
  pdf_ = path;
  if (*kind == DocumentKind::PostScript) {
    pdf_ = scratch("document.pdf");
    if (pdf_.empty()) return fail(ecDiskWrite, "no room for temporary files");
    const int rc = run({"gs", "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-sDEVICE=pdfwrite",
                        "-sOutputFile=" + pdf_, "-f", path},
                       output);
    if (rc == ecConvertAbort) return fail(rc, "cancelled");
    if (rc < 0) return fail(ecFileNotFound, "Ghostscript (gs) is not installed");
    if (rc != 0) return fail(ecBadGraphicsFormat, "the PostScript cannot be read: " + firstReason(output));
  }
  int rc = run({"pdfinfo", "-f", "1", "-l", std::to_string(kMaxPages), pdf_}, output);
  if (rc == ecConvertAbort) return fail(rc, "cancelled");
  if (rc < 0) return fail(ecFileNotFound, "pdfinfo (poppler-utils) is not installed");
  if (rc != 0) {
    if (output.find("Incorrect password") != std::string::npos)
      return fail(ecBadGraphicsFormat, "the PDF is protected by a password");
    return fail(ecBadGraphicsFormat, "the PDF is damaged and cannot be read (" + firstReason(output) + ")");
  }
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    int page = 0, rotation = 0;
    double w = 0, h = 0;
    if (std::sscanf(line.c_str(), "Page %d size: %lf x %lf", &page, &w, &h) == 3 &&
        page == int(boxes_.size()) + 1)
      boxes_.push_back({w, h});
    else if (std::sscanf(line.c_str(), "Page %d rot: %d", &page, &rotation) == 2 &&
             page == int(boxes_.size()) && (rotation % 180 + 180) % 180 == 90)
      std::swap(boxes_.back().width, boxes_.back().height);
  }
  if (boxes_.empty()) return fail(ecBadGraphicsFormat, "the PDF has no pages");
  return ecOK;
}

int DocumentRasteriser::renderPage(int page, int width, int height, GreyPage& out) {
  if (page < 1 || page > pageCount() || width < 1 || height < 1 || width > kMaxSide ||
      height > kMaxSide)
    return ecBadArgument;
  const std::string file = scratch("page.pgm");
  if (file.empty()) return fail(ecDiskWrite, "no room for temporary files");
  std::string output;
  const int rc = run({"pdftoppm", "-f", std::to_string(page), "-l", std::to_string(page),
                      "-singlefile", "-gray", "-aa", "no", "-aaVector", "no", "-scale-to-x",
                      std::to_string(width), "-scale-to-y", std::to_string(height), pdf_,
                      file.substr(0, file.size() - 4)},
                     output);
  if (rc == ecConvertAbort) return fail(rc, "cancelled");
  if (rc < 0) return fail(ecFileNotFound, "pdftoppm (poppler-utils) is not installed");
  std::vector<std::uint8_t> bytes;
  const int read = rc == 0 ? readWholeFile(file, bytes) : rc;
  std::remove(file.c_str());
  if (read != ecOK || !readPgm(bytes, out))
    return fail(ecBadGraphicsFormat, "page " + std::to_string(page) + " cannot be drawn (" +
                                         firstReason(output) + ")");
  return ecOK;
}

}  // namespace faximage
