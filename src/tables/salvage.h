// Mending a table that will not open because its files are damaged. The damaged files are
// copied aside first (the file's name, ".damaged-" and a time stamp; an earlier copy is
// never overwritten), then what can be read is kept: a missing or unreadable memo file is
// replaced by an empty one and every memo emptied, a record whose deletion flag cannot be
// read is read as not deleted, and a data file cut short keeps the records it still holds.
// The index file goes, so that the next open builds the tags from the mended data.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tables {

struct SalvageReport {
  enum class Outcome {
    Intact,      // nothing to mend: the table's trouble lies elsewhere
    Mended,      // copies made, damage mended: the table opens now
    Unreadable,  // copies made, nothing can be read: the table stays as it was
  };
  Outcome outcome = Outcome::Intact;
  std::vector<std::string> problems;     // one sentence each: what was wrong and what was done
  std::vector<std::string> copies;       // full paths of the copies of the damaged files
  bool memosLost = false;                // the memo file was replaced; every memo is empty
  std::vector<std::uint32_t> lostMemos;  // records that had a memo in the file replaced
};

// For a table nobody has open; `stamp` ends the names of the copies (for example
// "20240307-101500"). A table held by someone else, or a failure to copy or mend, throws
// TableError; copies made before a failure stay.
SalvageReport SalvageTable(const std::string& dir, const std::string& fileName,
                           const std::string& stamp);

}  // namespace tables
