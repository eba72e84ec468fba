// The main dictionary builder: compiles a word list into "bdl.dct".
//
// The file format leaves these choices to the builder; this one makes them so:
// - Words: each line of the list is one word, converted from UTF-8 to code page 1252. A
//   word with a character the code page lacks or that is outside the 64-letter spelling
//   alphabet (digits, periods, blanks) is dropped. Words are stored in capitals, so
//   "Nice" and "nice" become one (the check ignores case anyway). Words of more than 40
//   letters are dropped: the suggestion walk goes no deeper.
// - Order: words are sorted by their letter codes, so every run of siblings is in
//   ascending code order and suggestions of equal score always come in the same order.
// - Sections: the sorted words fill a section until the next word would take its node
//   count past 64,999; that word starts a new section. Every child index therefore stays
//   below 65,000, the value that marks a free slot in a user dictionary, and each section
//   is a complete trie of a contiguous range of the sorted words.
// - Node order in a section: depth first, a run and then, for each of its nodes in turn,
//   that node's child run. The tail of a word, one node per run, lies in consecutive
//   nodes and so mostly in one cached block of eight.
// - Header: 32-bit fields little-endian; slots equal to used nodes (a main dictionary
//   never grows); words = the words of that section; kind 1; bytes 13-16 zero.
// - Free text: two lines naming the file and its word count, then 0x1A; the text never
//   holds that byte itself.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dictbuild {

struct BuildResult {
  std::vector<std::uint8_t> bytes;  // the whole file
  std::size_t words = 0;            // distinct words stored
  std::size_t dropped = 0;          // words outside the alphabet or too long
  std::size_t sections = 0;
};

// Words in code page 1252, in any order and case.
BuildResult BuildMainDictionary(const std::vector<std::string>& words);

}  // namespace dictbuild
