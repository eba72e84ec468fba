// Opening and closing dictionaries, and the word check.
#include "spell/engine.h"

#include "spell/letters.h"

namespace spell {
namespace {

// More sections than any real main dictionary needs; a file claiming more is damaged.
constexpr std::size_t kMaxMainSections = 64;
constexpr int kMaxHandle = 65534;

}  // namespace

bool Engine::OpenMain(const std::string& path) {
  if (mainOpen_) return false;
  auto file = DictFile::Open(path, false);
  if (!file) return false;
  const std::int64_t size = file->Size();
  std::int64_t at = file->TextEnd();
  SectionHeader header;
  if (at < 0 || !ReadHeader(*file, at, header) || header.kind == 0) return false;
  std::vector<std::unique_ptr<Section>> found;
  for (;;) {
    if (header.used > header.slotCount || !NodesFit(header, at + kHeaderSize, size) ||
        found.size() == kMaxMainSections)
      return false;
    found.push_back(std::make_unique<Section>(file, at, header, false));
    at += kHeaderSize + std::int64_t(kNodeSize) * header.slotCount;
    if (size - at < kMinSectionRest || !ReadHeader(*file, at, header)) break;
  }
  sections_.insert(sections_.begin(), std::move(found.front()));
  for (std::size_t i = 1; i < found.size(); ++i) sections_.push_back(std::move(found[i]));
  mainOpen_ = true;
  return true;
}

int Engine::OpenUser(const std::string& path) {
  auto file = DictFile::Open(path, true);
  if (!file) return -1;
  const std::int64_t at = file->TextEnd();
  SectionHeader header;
  if (at < 0 || !ReadHeader(*file, at, header) || header.kind != 0 ||
      !NodesFit(header, at + kHeaderSize, file->Size()))
    return -1;
  return AppendUser(std::move(file), at, header);
}

int Engine::AppendUser(std::shared_ptr<DictFile> file, std::int64_t headerOffset,
                       const SectionHeader& header) {
  auto section = std::make_unique<Section>(std::move(file), headerOffset, header, true);
  section->handle = nextHandle_;
  nextHandle_ = nextHandle_ == kMaxHandle ? 0 : nextHandle_ + 1;
  sections_.push_back(std::move(section));
  return sections_.back()->handle;
}

void Engine::Close() {
  sections_.clear();
  mainOpen_ = false;
}

Section* Engine::UserSection(int handle) {
  for (auto& s : sections_)
    if (s->user() && s->handle == handle) return s.get();
  return nullptr;
}

void Engine::RefreshUserSections() {
  for (auto& s : sections_)
    if (s->user()) s->Refresh();
}

bool Engine::Known(const std::string& upper) {
  const std::string codes = LetterCodes(upper);
  for (auto& s : sections_)
    if (s->Contains(codes)) return true;
  return false;
}

bool Engine::Correct(const std::string& upper) {
  if (upper.size() <= 1 || !InAlphabet(upper)) return true;
  if (Known(upper)) return true;
  return upper.size() > 2 && upper.ends_with("'S") && Known(upper.substr(0, upper.size() - 2));
}

bool Engine::CheckWord(const std::string& word) {
  RefreshUserSections();
  return Correct(UpperCase(word));
}

}  // namespace spell
