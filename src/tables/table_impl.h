// The inside of Table: open files, tags in memory, position, pending edit and caches.
// Shared by the files that implement Table's parts (open, navigation, editing).
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "tables/cdxfile.h"
#include "tables/dbffile.h"
#include "tables/expr.h"
#include "tables/fptfile.h"
#include "tables/keyindex.h"
#include "tables/table.h"

namespace tables {

// Field numbers by name, any case of ASCII letters: a small open hash table, so that the
// field reads and writes that name a field on every record find it without a copy.
class FieldNames {
 public:
  void assign(const std::vector<DbfField>& fields);
  int find(std::string_view name) const;  // -1 when absent

 private:
  static std::uint32_t hash(std::string_view name);
  std::vector<std::string> names_;
  std::vector<int> slots_;  // field index + 1, 0 for an empty slot; size a power of two
};

struct Tag {
  CdxTag def;  // name, expressions, order, key length, pad byte (entries unused)
  Expr key;
  Expr forCond;  // invalid when the tag has no FOR condition
  KeyIndex index;
  char keyType = 'C';

  bool includes(const std::uint8_t* rec, std::uint32_t recNo) const {
    return !forCond.valid() || forCond.test(rec, recNo);
  }
};

struct Table::Impl {
  // Creation in progress.
  std::string createPath;
  int createCount = -1;
  std::vector<FieldDef> createFields;

  // Files.
  bool open = false;
  bool exclusive = true;
  std::string path, fptPath, cdxPath, aliasName;
  DbfFile dbf;
  FptFile fpt;
  bool cdxOpen = false;  // tags belong to a CDX file that we keep up to date
  FieldNames fieldByName;

  // Tags and order.
  std::vector<Tag> tags;
  int order = 0;

  // Filter and visibility.
  std::string filterText;
  Expr filter;
  bool hideDeleted = true;
  std::uint32_t deletedCount = 0;

  // Position and editing.
  State state = State::Closed;
  std::uint32_t recNo = 0;
  bool eof = true, bof = true;
  std::uint32_t peekRec = 0;        // reads come from this record while set
  std::vector<std::uint8_t> buf;    // the record being edited or appended
  std::vector<std::uint8_t> blank;  // a blank record, shown past the end
  std::map<int, std::string> pendingMemos;
  int batch = 0;
  bool cdxDirty = false;
  bool failed = false;  // a write failed: refuse further writes until reopened
  std::uint64_t changes = 0;

  // Caches: navigation index of the current record, visible records in order.
  std::uint64_t navStamp = ~0ull;
  std::uint32_t navRec = 0;
  std::size_t navPos = 0;
  bool navExact = false;
  std::uint64_t visStamp = ~0ull;
  std::vector<std::uint32_t> visible;

  // --- table.cpp: files and values.
  void requireOpen() const;
  void requireWritable() const;
  void openFiles(bool withTags = true);
  void closeFiles();
  void loadTags(const std::vector<std::uint32_t>& deleted);
  KeyIndex indexFromData(const Tag& tag) const;
  void buildIndex(Tag& tag) { tag.index = indexFromData(tag); }
  Tag makeTag(const std::string& name, const std::string& keyExpr, bool descending,
              const std::string& forExpr) const;
  int fieldIndex(const std::string& name) const;  // throws err::kNoField
  const std::uint8_t* current() const;
  std::uint32_t memoBlock(int field, const std::uint8_t* rec) const;
  void setMemoBlock(int field, std::uint8_t* rec, std::uint32_t block) const;
  std::uint8_t* editable(const std::string& name, int& index, char type);
  std::uint8_t* editableAt(int index, const std::string& name, char type);

  // --- table_nav.cpp: order and position.
  bool visibleRec(std::uint32_t r) const;
  std::size_t navCount() const;
  std::uint32_t recAtNav(std::size_t i) const;
  std::size_t nextNavIndex(std::uint32_t r, bool& exact);
  void setPosition(std::uint32_t r);
  void setEof();
  bool findVisible(std::size_t start, bool forward);
  void browse(Table& t);
  bool allEntriesVisible() const;
  void refreshVisible();

  // --- table_edit.cpp: writing.
  void writeRecord(std::uint32_t r, const std::vector<std::uint8_t>& rec, bool append);
  void flushHeld();
  void forgetLostRecords();
  void writeCdx();
  std::vector<std::uint32_t> writePacked() const;
  void installPacked(const std::function<void()>& write);
};

std::string upperName(const std::string& s);
// The companion file of a table with another extension (".FPT", ".CDX"), matching the case
// of the table's name and taking an existing file in either case.
std::string companion(const std::string& path, const char* upperExt);
// dir/name, or name alone when it is absolute or dir is empty.
std::string joinPath(const std::string& dir, const std::string& name);

}  // namespace tables
