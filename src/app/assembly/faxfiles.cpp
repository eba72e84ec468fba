// Fax file names and page joining on the BRX layout (header reader and writer of faximage).
#include "app/assembly/faxfiles.h"

#include "base/fileowner.h"
#include "faximage/brx_file.h"
#include "faximage/errors.h"
#include "settings/appsettings.h"

#include <sys/types.h>
#include <unistd.h>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace app {

namespace {

namespace fs = std::filesystem;
using namespace faximage;

constexpr std::size_t kCopyBlock = 4096;
constexpr unsigned kMaxFaxNumber = 1000;

bool fileExists(const std::string& path) {
  std::error_code ec;
  return fs::exists(path, ec);
}

using base::FilePtr;

int readError(std::FILE* f) { return std::ferror(f) ? ioErrorFromErrno(errno, false) : ecDiskRead; }

int readAt(std::FILE* f, std::uint64_t pos, void* data, std::size_t size) {
  if (::fseeko(f, off_t(pos), SEEK_SET) != 0) return ioErrorFromErrno(errno, false);
  if (std::fread(data, 1, size, f) != size) return readError(f);
  return ecOK;
}

// A BRX file as far as joining needs it: its header and where its pages lie.
struct PageSpan {
  FaxFileHeader header;
  std::uint64_t begin = 0;  // first page header
  std::uint64_t end = 0;    // just past the last page's data
};

// Reads the file header and walks the page chain; every page must lie inside the file.
int walkPages(std::FILE* f, PageSpan& span) {
  if (::fseeko(f, 0, SEEK_END) != 0) return ioErrorFromErrno(errno, false);
  const off_t size = ::ftello(f);
  if (size < 0) return ioErrorFromErrno(errno, false);
  const auto fileSize = std::uint64_t(size);
  if (fileSize < kFileHeaderSize) return ecFaxBadFormat;
  std::array<std::uint8_t, kFileHeaderSize> head{};
  int rc = readAt(f, 0, head.data(), head.size());
  if (rc != ecOK) return rc;
  span.header = unpackFileHeader(head);
  if (!span.header.hasSignature() || span.header.firstPageOffset < kFileHeaderSize)
    return ecFaxBadFormat;
  span.begin = span.end = span.header.firstPageOffset;
  auto readHeader = [f](std::uint64_t pos, std::span<std::uint8_t, kPageHeaderSize> raw) {
    return readAt(f, pos, raw.data(), raw.size());
  };
  auto visit = [&](unsigned, std::uint64_t pos, const FaxPageHeader& h) {
    span.end = pos + kPageHeaderSize + std::uint64_t(h.imageLength);
    return span.end <= fileSize ? ecOK : ecFaxBadFormat;
  };
  rc = walkPageChain(span.header, fileSize, readHeader, visit);
  if (rc != ecOK) return rc;
  return span.end <= fileSize ? ecOK : ecFaxBadFormat;
}

// Copies bytes [from, to) of in onto out at `at`, one block at a time.
int copyRange(std::FILE* in, std::uint64_t from, std::uint64_t to, std::FILE* out,
              std::uint64_t at) {
  std::unique_ptr<std::uint8_t[]> block(new (std::nothrow) std::uint8_t[kCopyBlock]);
  if (!block) return ecOutOfMemory;
  if (::fseeko(in, off_t(from), SEEK_SET) != 0) return ioErrorFromErrno(errno, false);
  if (::fseeko(out, off_t(at), SEEK_SET) != 0) return ioErrorFromErrno(errno, true);
  for (std::uint64_t left = to - from; left > 0;) {
    const std::size_t n = left < kCopyBlock ? std::size_t(left) : kCopyBlock;
    if (std::fread(block.get(), 1, n, in) != n) return readError(in);
    if (std::fwrite(block.get(), 1, n, out) != n) return ioErrorFromErrno(errno, true);
    left -= n;
  }
  return ecOK;
}

int flushAndCut(std::FILE* f, std::uint64_t size) {
  if (std::fflush(f) != 0 || ::ftruncate(::fileno(f), off_t(size)) != 0)
    return ioErrorFromErrno(errno, true);
  return ecOK;
}

bool sameFile(const std::string& a, const std::string& b) {
  std::error_code ec;
  return fs::equivalent(a, b, ec);
}

}  // namespace

std::string NewFaxFileName() {
  const std::string dir = settings::ProgramDir();
  for (unsigned n = 1; n <= kMaxFaxNumber; ++n) {
    std::string name = dir + "BDL_" + std::to_string(n) + ".BRX";
    if (!fileExists(name)) return name;
  }
  return dir + "BDL1.BRX";
}

int AppendFaxFile(const std::string& target, const std::string& source) {
  if (target.empty() || source.empty() || !fileExists(target) || !fileExists(source))
    return ecFileNotFound;
  // Appending a file to itself would read what it has just written.
  if (sameFile(target, source)) return ecBadArgument;
  FilePtr out(std::fopen(target.c_str(), "r+b"));
  if (!out) return ioErrorFromErrno(errno, true);
  PageSpan to;
  int rc = walkPages(out.get(), to);
  if (rc != ecOK) return rc;
  FilePtr in(std::fopen(source.c_str(), "rb"));
  if (!in) return ioErrorFromErrno(errno, false);
  PageSpan from;
  rc = walkPages(in.get(), from);
  if (rc != ecOK) return rc;
  const unsigned pages = unsigned(to.header.pageCount) + from.header.pageCount;
  if (pages > 0xFFFF) return ecBadArgument;

  // Only the source's pages move over, so bytes after its last page cannot turn into
  // part of the target; the target's own trailing bytes are cut off the same way.
  const std::uint64_t newEnd = to.end + (from.end - from.begin);
  rc = copyRange(in.get(), from.begin, from.end, out.get(), to.end);
  if (rc == ecOK) rc = flushAndCut(out.get(), newEnd);
  if (rc == ecOK) {
    FaxFileHeader header = to.header;
    header.pageCount = std::uint16_t(pages);
    const auto bytes = packFileHeader(header);
    if (::fseeko(out.get(), 0, SEEK_SET) != 0 ||
        std::fwrite(bytes.data(), 1, bytes.size(), out.get()) != bytes.size())
      rc = ioErrorFromErrno(errno, true);
  }
  if (rc != ecOK) {
    flushAndCut(out.get(), to.end);  // the header still counts the old pages only
    return rc;
  }
  if (std::fclose(out.release()) != 0) return ioErrorFromErrno(errno, true);
  return ecOK;
}

int JoinFaxFiles(const std::vector<std::string>& pages, std::string& faxFile) {
  faxFile.clear();
  if (pages.empty()) return ecBadArgument;
  for (std::size_t i = 1; i < pages.size(); ++i) {
    const int rc = AppendFaxFile(pages[0], pages[i]);
    if (rc != ecOK) return rc;
  }
  RemoveFiles({pages.begin() + 1, pages.end()});
  faxFile = pages[0];
  return ecOK;
}

void RemoveFiles(const std::vector<std::string>& files) {
  for (const std::string& f : files) {
    std::error_code ec;
    fs::remove(f, ec);
  }
}

}  // namespace app
