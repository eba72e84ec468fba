// Main dictionary builder: sorted words into depth-first laid out trie sections.
#include "dictbuilder.h"

#include <algorithm>

#include "spell/dictformat.h"
#include "spell/letters.h"

namespace dictbuild {
namespace {

constexpr std::size_t kMaxWordLetters = 40;
constexpr std::uint32_t kMaxSectionNodes = 64999;

// One section's trie, filled with words in ascending code order.
class SectionTrie {
 public:
  std::uint32_t nodes() const { return std::uint32_t(pool_.size() - 1); }
  std::uint32_t words() const { return words_; }

  // Sorted input means a word shares its prefix with the last children along the way.
  void Add(const std::string& codes) {
    std::uint32_t at = 0;
    for (char c : codes) {
      auto& kids = pool_[at].children;
      if (kids.empty() || pool_[kids.back()].code != std::uint8_t(c)) {
        const auto next = std::uint32_t(pool_.size());
        pool_[at].children.push_back(next);
        pool_.push_back({std::uint8_t(c), false, {}, 0, false});
      }
      at = pool_[at].children.back();
    }
    pool_[at].end = true;
    ++words_;
  }

  void AppendTo(std::vector<std::uint8_t>& out) {
    std::uint32_t next = 1;
    Layout(0, next);
    const std::size_t start = out.size();
    out.resize(start + spell::kHeaderSize + std::size_t(nodes()) * spell::kNodeSize);
    spell::EncodeHeader({nodes(), nodes(), words_, 1, 0}, &out[start]);
    for (std::size_t i = 1; i < pool_.size(); ++i) Encode(std::uint32_t(i), out, start);
  }

 private:
  struct TrieNode {
    std::uint8_t code = 0;
    bool end = false;
    std::vector<std::uint32_t> children;
    std::uint32_t index = 0;  // node number in the file
    bool last = false;        // the last of its run
  };

  // A run gets consecutive numbers, then each of its nodes' child runs follows in turn.
  void Layout(std::uint32_t parent, std::uint32_t& next) {
    const auto& kids = pool_[parent].children;
    if (kids.empty()) return;
    for (std::size_t i = 0; i < kids.size(); ++i) pool_[kids[i]].index = next + std::uint32_t(i);
    pool_[kids.back()].last = true;
    next += std::uint32_t(kids.size());
    for (std::uint32_t k : kids)
      if (!pool_[k].children.empty()) Layout(k, next);
  }

  void Encode(std::uint32_t i, std::vector<std::uint8_t>& out, std::size_t start) const {
    const TrieNode& t = pool_[i];
    spell::Node node;
    node.child = std::uint16_t(t.children.empty() ? 0 : pool_[t.children.front()].index);
    node.flags = t.code | (t.end ? spell::kWordEnd : 0) | (t.last ? spell::kLastSibling : 0);
    spell::EncodeNode(node, &out[start + spell::kHeaderSize - spell::kNodeSize +
                                 std::size_t(t.index) * spell::kNodeSize]);
  }

  std::vector<TrieNode> pool_{TrieNode{}};  // pool_[0] is the root above the first run
  std::uint32_t words_ = 0;
};

}  // namespace

BuildResult BuildMainDictionary(const std::vector<std::string>& words) {
  BuildResult result;
  std::vector<std::string> codes;
  for (const std::string& w : words) {
    const std::string upper = spell::UpperCase(w);
    if (upper.empty()) continue;
    if (!spell::InAlphabet(upper) || upper.size() > kMaxWordLetters) {
      ++result.dropped;
      continue;
    }
    codes.push_back(spell::LetterCodes(upper));
  }
  std::sort(codes.begin(), codes.end());  // codes are 0..63, so char order is code order
  codes.erase(std::unique(codes.begin(), codes.end()), codes.end());

  std::vector<SectionTrie> sections(1);
  const std::string* previous = nullptr;
  for (const std::string& c : codes) {
    std::size_t shared = 0;
    if (previous)
      while (shared < c.size() && shared < previous->size() && c[shared] == (*previous)[shared])
        ++shared;
    if (sections.back().nodes() + (c.size() - shared) > kMaxSectionNodes) sections.emplace_back();
    sections.back().Add(c);
    previous = &c;
  }

  const std::string text = "BRINDLE MAIN DICTIONARY\r\n" + std::to_string(codes.size()) +
                           " words in capitals, code page 1252\r\n\x1A";
  result.bytes.assign(text.begin(), text.end());
  for (SectionTrie& s : sections) s.AppendTo(result.bytes);
  result.words = codes.size();
  result.sections = sections.size();
  return result;
}

}  // namespace dictbuild
