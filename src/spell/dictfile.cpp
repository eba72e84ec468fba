// Dictionary file access: positioned reads, the block cache and user header refresh.
#include "spell/dictfile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace spell {

std::shared_ptr<DictFile> DictFile::Open(const std::string& path, bool writable) {
  base::UniqueFd fd(::open(path.c_str(), (writable ? O_RDWR : O_RDONLY) | O_CLOEXEC));
  struct stat st;
  if (!fd || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  return std::shared_ptr<DictFile>(new DictFile(std::move(fd), path));
}

std::int64_t DictFile::Size() const {
  struct stat st;
  return ::fstat(fd_.get(), &st) == 0 ? std::int64_t(st.st_size) : 0;
}

std::size_t DictFile::ReadAt(std::int64_t offset, std::uint8_t* out, std::size_t count) const {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pread(fd_.get(), out + done, count - done, off_t(offset) + off_t(done));
    if (n <= 0) break;  // the end of the file, or an error treated as one
    done += std::size_t(n);
  }
  return done;
}

std::int64_t DictFile::TextEnd() const {
  std::uint8_t buf[4096];
  for (std::int64_t at = 0;;) {
    const std::size_t n = ReadAt(at, buf, sizeof buf);
    if (n == 0) return -1;
    if (const void* hit = std::memchr(buf, kTextEnd, n))
      return at + (static_cast<const std::uint8_t*>(hit) - buf) + 1;
    at += std::int64_t(n);
  }
}

bool DictFile::Replaced() const {
  struct stat held, named;
  if (::fstat(fd_.get(), &held) != 0 || ::stat(path_.c_str(), &named) != 0) return false;
  return held.st_ino != named.st_ino || held.st_dev != named.st_dev;
}

bool ReadHeader(const DictFile& file, std::int64_t offset, SectionHeader& header) {
  std::uint8_t bytes[kHeaderSize];
  if (file.ReadAt(offset, bytes, kHeaderSize) != kHeaderSize) return false;
  header = DecodeHeader(bytes);
  return true;
}

bool NodesFit(const SectionHeader& header, std::int64_t headerEnd, std::int64_t fileSize) {
  return header.used <= 0xFFFF && headerEnd + std::int64_t(kNodeSize) * header.used <= fileSize;
}

Section::Section(std::shared_ptr<DictFile> file, std::int64_t headerOffset,
                 const SectionHeader& header, bool user)
    : file_(std::move(file)),
      headerOffset_(headerOffset),
      node0_(headerOffset + kHeaderSize - kNodeSize),
      header_(header),
      user_(user) {
  if (!user) {
    cache_.resize(kBlocks);
    IndexFirstLetters();
  }
}

bool Section::ReadDirect(std::uint32_t n, Node& node) {
  std::uint8_t bytes[kNodeSize];
  if (file_->ReadAt(node0_ + std::int64_t(kNodeSize) * n, bytes, kNodeSize) != kNodeSize)
    return false;
  node = DecodeNode(bytes);
  return true;
}

void Section::Fill(Block& block, std::int64_t start) {
  block.valid = std::uint8_t(file_->ReadAt(start, block.bytes, sizeof block.bytes));
  block.tag = start;
}

void Section::IndexFirstLetters() {
  Node node;
  for (std::uint32_t n = 1; n <= header_.used && ReadNode(n, node); ++n) {
    if (firstLetters_[node.code()] == 0) firstLetters_[node.code()] = n;
    if (node.last()) break;
  }
}

bool Section::Contains(std::string_view codes) {
  if (codes.empty()) return false;
  Node node;
  std::uint32_t n = 1;
  if (!user_) {
    n = firstLetters_[std::uint8_t(codes[0]) & kLetterBits];
    if (n == 0 || !ReadNode(n, node)) return false;
  }
  for (std::size_t k = 0;; ++k) {
    if (user_ || k > 0) {  // find the letter in the run starting at n
      for (std::uint32_t steps = 1;; ++n, ++steps) {
        if (steps > header_.used || !ReadNode(n, node)) return false;
        if (node.code() == std::uint8_t(codes[k])) break;
        if (node.last()) return false;
      }
    }
    if (k + 1 == codes.size()) return node.wordEnd();
    if (!node.hasChildren()) return false;
    n = node.child;
  }
}

void Section::Refresh() {
  if (file_->Replaced()) {
    if (auto reopened = DictFile::Open(file_->path(), true)) {
      const std::int64_t text = reopened->TextEnd();
      if (text >= 0) {
        file_ = std::move(reopened);
        headerOffset_ = text;
        node0_ = text + kHeaderSize - kNodeSize;
      }
    }
  }
  SectionHeader now;
  if (!ReadHeader(*file_, headerOffset_, now) || now.kind != 0 ||
      !NodesFit(now, headerOffset_ + kHeaderSize, file_->Size()))
    now.used = 0;
  header_ = now;
}

}  // namespace spell
