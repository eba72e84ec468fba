// Making suggestions: the words one swap of neighbouring letters makes, then a walk of
// every section's trie pruned by the sound key, once for each letter the first one may
// have been typed for, and last the word split in two.
#include "spell/suggest.h"

#include <algorithm>

#include "base/wordsimilarity.h"

#include "spell/engine.h"
#include "spell/letters.h"
#include "spell/phonetic.h"

namespace spell {
namespace {

constexpr std::size_t kMaxTyped = 25;      // characters of the word that are looked at
constexpr std::size_t kMaxCandidate = 30;  // longer dictionary words are not offered
constexpr std::size_t kMaxPath = 40;       // the walk goes no deeper

bool IsSmall(std::uint8_t c) {
  return (c >= 'a' && c <= 'z') || c == 0x9A || c == 0x9C || (c >= 0xE0 && c <= 0xEF) ||
         (c >= 0xF1 && c <= 0xF6) || c >= 0xF8;
}

bool IsCapital(std::uint8_t c) {
  return (c >= 'A' && c <= 'Z') || c == 0x8A || c == 0x8C || c == 0x9F ||
         (c >= 0xC0 && c <= 0xD6) || (c >= 0xD8 && c <= 0xDF) || c == 0xF0;
}

// Letters for the case walk; the suggestion side also counts ñ-ö.
bool IsCaseLetter(std::uint8_t c, bool inSuggestion) {
  if (c == '\'' || IsCapital(c) || (c >= 'a' && c <= 'z') || c == 0x9A || c == 0x9C ||
      (c >= 0xE0 && c <= 0xF0) || c >= 0xF8)
    return true;
  return inSuggestion && c >= 0xF1 && c <= 0xF6;
}

}  // namespace

void SuggestionList::Offer(const std::string& word, std::int16_t score) {
  for (const auto& e : entries_)
    if (e.first == word) return;
  auto at = entries_.begin();
  while (at != entries_.end() && at->second >= score) ++at;
  if (at == entries_.end() && entries_.size() >= capacity_) return;
  entries_.insert(at, {word, score});
  if (entries_.size() > capacity_) entries_.pop_back();
}

std::string RestoreCase(const std::string& upperSuggestion, const std::string& typed) {
  if (std::none_of(typed.begin(), typed.end(), [](char c) { return IsSmall(std::uint8_t(c)); }))
    return upperSuggestion;
  std::string out = LowerCase(upperSuggestion);
  std::size_t i = 0, j = 0;
  for (;; ++i, ++j) {
    while (i < typed.size() && !IsCaseLetter(std::uint8_t(typed[i]), false)) ++i;
    while (j < out.size() && !IsCaseLetter(std::uint8_t(out[j]), true)) ++j;
    if (i >= typed.size() || j >= out.size()) break;
    if (IsCapital(std::uint8_t(typed[i]))) out[j] = char(UpperChar(std::uint8_t(out[j])));
  }
  return out;
}

// One Suggest call: the word, the reference key and the list being filled.
class SuggestionSearch {
 public:
  SuggestionSearch(Engine& engine, std::string upper, int capacity)
      : engine_(engine),
        upper_(std::move(upper)),
        capacity_(std::size_t(std::max(capacity, 0))),
        list_(capacity),
        swaps_(capacity),
        splits_(capacity),
        reference_(WordKey(upper_)) {}

  void Run() {
    for (char first : FirstLetterAlternatives(std::uint8_t(upper_[0]))) {
      reference_[0] = std::uint8_t(first);
      for (auto& section : engine_.sections_) {
        // A well-formed trie is a tree: no walk reads a node twice.
        budget_ = std::int64_t(section->header().used) + 1;
        Walk(*section, 1);
      }
    }
    OfferSwaps();
    OfferSplits();
  }

  // The swapped words, the words of the walk, then the splits, each part best first, as
  // many as the list holds.
  std::vector<std::string> Words() const {
    std::vector<std::string> out;
    for (const SuggestionList* list : {&swaps_, &list_, &splits_})
      for (const auto& e : list->entries())
        if (out.size() < capacity_ && std::find(out.begin(), out.end(), e.first) == out.end())
          out.push_back(e.first);
    return out;
  }

 private:
  void Offer(const std::string& candidate, SuggestionList& list) {
    if (candidate.size() > kMaxCandidate) return;
    std::string bare = candidate;
    std::erase(bare, '\'');
    list.Offer(candidate, base::WordSimilarity(bare, upper_));
  }
  void Offer(const std::string& candidate) { Offer(candidate, list_); }

  // Two neighbouring letters typed the wrong way round ("TSET" for "TEST") change the
  // sound key, so the walk cannot find the word meant; and the similarity score ranks it
  // low, though it is the likeliest word of all.
  void OfferSwaps() {
    for (std::size_t i = 0; i + 1 < upper_.size(); ++i) {
      if (upper_[i] == upper_[i + 1]) continue;
      std::string swapped = upper_;
      std::swap(swapped[i], swapped[i + 1]);
      if (engine_.Correct(swapped)) Offer(swapped, swaps_);
    }
  }

  void Walk(Section& section, std::uint32_t run) {
    for (std::uint32_t n = run;; ++n) {
      Node node;
      if (--budget_ < 0 || !section.ReadNode(n, node)) return;
      const char letter = char(LetterOf(node.code()));
      if (node.wordEnd()) Offer(path_ + letter);
      if (node.hasChildren() && path_.size() < kMaxPath) {
        path_.push_back(letter);
        if (PathKey(path_, reference_) == reference_) Walk(section, node.child);
        path_.pop_back();
      }
      if (node.last()) return;
    }
  }

  // Two correct words run together: every split point that leaves two words, where a
  // part of one letter is allowed only for A and I.
  void OfferSplits() {
    const std::size_t len = upper_.size();
    const std::size_t first = (upper_.front() == 'A' || upper_.front() == 'I') ? 1 : 2;
    const std::size_t last = (upper_.back() == 'A' || upper_.back() == 'I') ? len - 1 : len - 2;
    for (std::size_t d = first; d <= last && d < len; ++d) {
      const std::string left = upper_.substr(0, d), right = upper_.substr(d);
      if (engine_.Correct(left) && engine_.Correct(right)) Offer(left + ' ' + right, splits_);
    }
  }

  Engine& engine_;
  std::string upper_;
  std::size_t capacity_;
  SuggestionList list_;    // whole words of the walk
  SuggestionList swaps_;   // whole words of one swap
  SuggestionList splits_;  // two words
  SoundKey reference_;
  std::string path_;
  std::int64_t budget_ = 0;
};

std::vector<std::string> Engine::Suggest(const std::string& word, int maxCount) {
  RefreshUserSections();
  const std::string typed = word.substr(0, kMaxTyped);
  const std::string upper = UpperCase(typed);
  // The similarity score divides by the length; a word the check passes over unjudged
  // gets no suggestions either.
  if (upper.size() < 2 || !InAlphabet(upper)) return {};
  SuggestionSearch search(*this, upper, std::min(maxCount, kMaxSuggestionLimit));
  search.Run();
  std::vector<std::string> out;
  for (const std::string& word : search.Words()) out.push_back(RestoreCase(word, typed));
  return out;
}

}  // namespace spell
