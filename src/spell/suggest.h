// The pieces of a suggestion list: the ranked list itself and the case of the word as
// typed carried over to each suggestion.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace spell {

// Words kept best score first; among equal scores the earlier offer stays ahead. An offer
// no better than every entry of a full list, or already listed, is dropped.
class SuggestionList {
 public:
  explicit SuggestionList(int capacity) : capacity_(std::size_t(capacity > 0 ? capacity : 0)) {}
  void Offer(const std::string& word, std::int16_t score);
  const std::vector<std::pair<std::string, std::int16_t>>& entries() const { return entries_; }

 private:
  std::size_t capacity_;
  std::vector<std::pair<std::string, std::int16_t>> entries_;
};

// An upper-case suggestion in the case of the word as typed: capitals when it has no
// small letter, else small letters with a capital wherever the typed word has one at the
// same letter position (characters other than letters and apostrophes are not counted).
std::string RestoreCase(const std::string& upperSuggestion, const std::string& typed);

}  // namespace spell
