// User dictionaries: creating one, and adding a word by rewriting the whole file under
// a lock. The file is small (at most 64,000 nodes), so it is read and changed in memory
// and written back in one piece.
#include <sys/file.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "base/atomicfile.h"
#include "spell/engine.h"
#include "spell/letters.h"

namespace spell {
namespace {

constexpr std::uint32_t kNewSlots = 500;
constexpr std::uint32_t kMaxNodesAfterAdd = 63999;
constexpr std::uint32_t kMaxSlots = 65535;
constexpr std::uint8_t kFreeFlags = kLastSibling | kWordEnd;
// A user dictionary this large is not one of ours: it is refused rather than loaded.
constexpr std::int64_t kMaxUserFile = 16 << 20;
constexpr std::string_view kUserText =
    "USER DICTIONARY\r\nBrindle spelling dictionary: a letter trie of 3-byte nodes\r\n\x1A";

// A user dictionary's section held in memory while words go in (nodes[0] is unused).
struct UserImage {
  std::vector<std::uint8_t> text;  // up to and including 0x1A
  SectionHeader header;
  std::vector<Node> nodes;

  static UserImage Fresh() {
    UserImage image;
    image.text.assign(kUserText.begin(), kUserText.end());
    image.header = {1, kNewSlots, 1, 0, 0};
    image.nodes = {Node{}, Node{0, kFreeFlags}};  // the one-letter word "A"
    return image;
  }

  // The file's section, refused when a child index points outside it.
  bool Load(const DictFile& file) {
    const std::int64_t size = file.Size();
    const std::int64_t at = file.TextEnd();
    if (size > kMaxUserFile || at < 0 || !ReadHeader(file, at, header) || header.kind != 0 ||
        !NodesFit(header, at + kHeaderSize, size))
      return false;
    text.resize(std::size_t(at));
    std::vector<std::uint8_t> raw(std::size_t(header.used) * kNodeSize);
    if (file.ReadAt(0, text.data(), text.size()) != text.size() ||
        file.ReadAt(at + kHeaderSize, raw.data(), raw.size()) != raw.size())
      return false;
    nodes.assign(1, Node{});
    for (std::size_t i = 0; i < raw.size(); i += kNodeSize) nodes.push_back(DecodeNode(&raw[i]));
    return std::all_of(nodes.begin(), nodes.end(),
                       [this](const Node& n) { return !n.hasChildren() || n.child <= used(); });
  }

  std::uint32_t used() const { return std::uint32_t(nodes.size() - 1); }

  // Places the letters as a chain of one-node runs after the used nodes; the last one
  // ends the word. Returns the index of the first.
  std::uint32_t AppendChain(std::string_view codes) {
    const std::uint32_t first = used() + 1;
    for (std::size_t i = 0; i < codes.size(); ++i) {
      const bool end = i + 1 == codes.size();
      nodes.push_back({std::uint16_t(end ? 0 : used() + 2),
                       std::uint8_t(std::uint8_t(codes[i]) | kLastSibling | (end ? kWordEnd : 0))});
    }
    return first;
  }

  // Makes room at index i; every child index past it moves up with its node.
  void InsertAt(std::uint32_t i) {
    nodes.insert(nodes.begin() + i, Node{});
    for (Node& n : nodes)
      if (n.hasChildren() && n.child > i) ++n.child;
  }

  void Insert(std::string_view codes) {
    ++header.words;
    if (used() == 0) {
      AppendChain(codes);
      return;
    }
    std::uint32_t run = 1;
    for (std::size_t k = 0;; ++k) {
      std::uint32_t found = 0;
      for (std::uint32_t n = run; n <= used(); ++n) {
        if (nodes[n].code() == std::uint8_t(codes[k])) {
          found = n;
          break;
        }
        if (nodes[n].last()) break;
      }
      const std::string_view rest = codes.substr(k + 1);
      if (found == 0) {  // a new first node for the run, the rest as its chain
        InsertAt(run);
        const std::uint32_t child = rest.empty() ? 0 : AppendChain(rest);
        nodes[run] = {std::uint16_t(child),
                      std::uint8_t(std::uint8_t(codes[k]) | (rest.empty() ? kWordEnd : 0))};
        return;
      }
      if (rest.empty()) {
        nodes[found].flags |= kWordEnd;
        return;
      }
      if (!nodes[found].hasChildren()) {
        nodes[found].child = std::uint16_t(AppendChain(rest));
        return;
      }
      run = nodes[found].child;
    }
  }

  std::vector<std::uint8_t> Bytes() {
    header.used = used();
    // Free slots are kept, but never more than a child index can reach.
    header.slotCount = std::max(std::min(header.slotCount, kMaxSlots), header.used);
    header.offset = std::uint32_t(text.size());
    std::vector<std::uint8_t> out(text);
    out.resize(text.size() + kHeaderSize + std::size_t(header.slotCount) * kNodeSize);
    EncodeHeader(header, &out[text.size()]);
    std::uint8_t* p = &out[text.size() + kHeaderSize];
    for (std::uint32_t n = 1; n <= header.slotCount; ++n, p += kNodeSize)
      EncodeNode(n <= header.used ? nodes[n] : Node{kFreeChild, kFreeFlags}, p);
    return out;
  }
};

// Holds the exclusive lock of a user dictionary's file, taken on the file the path names
// now: when another writer replaced it while we waited, the section moves to the new file
// and the lock is taken again. Gives up after about two seconds rather than hang.
class WriteLock {
 public:
  explicit WriteLock(Section& section) {
    for (int tries = 0; tries < 200; ++tries) {
      file_ = section.file();
      if (::flock(file_->fd(), LOCK_EX | LOCK_NB) == 0) {
        if (!file_->Replaced()) return;
        ::flock(file_->fd(), LOCK_UN);
        section.Refresh();
        continue;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    file_.reset();
  }
  ~WriteLock() {
    if (file_) ::flock(file_->fd(), LOCK_UN);
  }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;

  const DictFile* file() const { return file_.get(); }

 private:
  std::shared_ptr<DictFile> file_;
};

// A word a user dictionary can take: 1 to 25 letters of the alphabet, upper-cased.
bool AcceptableWord(const std::string& word, std::string& upper) {
  upper = UpperCase(word);
  return !upper.empty() && upper.size() <= kMaxAddedWord && InAlphabet(upper);
}

}  // namespace

int Engine::CreateUser(const std::string& path, std::vector<std::string> words) {
  UserImage image = UserImage::Fresh();
  std::sort(words.begin(), words.end());
  for (const std::string& word : words) {
    std::string upper;
    if (AcceptableWord(word, upper) && image.used() + upper.size() <= kMaxNodesAfterAdd)
      image.Insert(LetterCodes(upper));
  }
  if (base::ReplaceFile(path, image.Bytes()) != 0) return -1;
  return OpenUser(path);
}

bool Engine::AddWord(const std::string& word, int handle) {
  RefreshUserSections();
  Section* section = UserSection(handle);
  std::string upper;
  if (!section || !AcceptableWord(word, upper)) return false;
  const std::string codes = LetterCodes(upper);
  if (section->Contains(codes)) return true;  // nothing to write
  WriteLock lock(*section);
  UserImage image;
  if (!lock.file() || !image.Load(*lock.file()) || image.used() + upper.size() > kMaxNodesAfterAdd)
    return false;
  image.Insert(codes);
  if (base::ReplaceFile(section->file()->path(), image.Bytes()) != 0) return false;
  section->Refresh();  // onto the new file
  return true;
}

}  // namespace spell
