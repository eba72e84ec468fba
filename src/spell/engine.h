// The dictionary engine: the open sections of a main dictionary and of user
// dictionaries, searched in order, with the word check, the ranked suggestions and the
// growing of user dictionaries.
//
// Words are code page 1252 text. A word with a character outside the spelling alphabet
// is never judged: CheckWord passes it and AddWord refuses it. A damaged file never
// hangs or crashes a call: sibling runs stop after the section's used-node count, child
// indexes outside the section end a search, and a short read ends the section.
#pragma once

#include "spell/dictfile.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace spell {

// A word added to a user dictionary may have this many characters at most.
constexpr std::size_t kMaxAddedWord = 25;
// Suggestion lists hold at most this many words.
constexpr int kMaxSuggestionLimit = 220;

class Engine {
 public:
  Engine() = default;
  Engine(const Engine&) = delete;
  Engine& operator=(const Engine&) = delete;

  // Opens a main dictionary and puts its first section at the head of the search order.
  // Fails when one is open already, the file cannot be read, its first section is a user
  // dictionary, or a section does not fit the file.
  bool OpenMain(const std::string& path);
  bool MainOpen() const { return mainOpen_; }
  // Opens a user dictionary and returns its handle number, -1 on failure.
  int OpenUser(const std::string& path);
  // Creates a user dictionary holding the word "A" and the given words, opens it and
  // returns its handle number, -1 on failure.
  int CreateUser(const std::string& path, std::vector<std::string> words);
  // Adds a word to the user dictionary with that handle. Fails for another kind of
  // section, an unknown handle, a word of more than 25 characters or outside the
  // alphabet, a full dictionary, or when the file cannot be written. The file is locked
  // while it is rewritten, and replaced whole, so a crash leaves the old or the new one.
  bool AddWord(const std::string& word, int handle);
  // Closes every section.
  void Close();

  // Words of 0 or 1 characters are correct; "X'S" is correct when "X" is.
  bool CheckWord(const std::string& word);
  // At most maxCount words (capped at 220), best first, in the case of the word as typed.
  std::vector<std::string> Suggest(const std::string& word, int maxCount);

 private:
  friend class SuggestionSearch;
  void RefreshUserSections();
  bool Known(const std::string& upper);    // in a section, exactly
  bool Correct(const std::string& upper);  // the check without refreshing
  Section* UserSection(int handle);
  int AppendUser(std::shared_ptr<DictFile> file, std::int64_t headerOffset,
                 const SectionHeader& header);

  std::vector<std::unique_ptr<Section>> sections_;
  bool mainOpen_ = false;
  int nextHandle_ = 0;
};

}  // namespace spell
