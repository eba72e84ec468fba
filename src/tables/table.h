// The table engine's public face: one open xBase table (DBF data, FPT memos, CDX tags)
// with a current record, navigation in record or tag order, filters, editing and packing.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tables/errors.h"
#include "tables/fieldcodec.h"

namespace tables {

// One index tag as stored in the CDX file.
struct TagInfo {
  std::string name;     // upper case, up to 10 characters
  std::string keyExpr;  // as given when the tag was made
  std::string forExpr;  // empty when the tag has no FOR condition
  bool descending = false;
  char keyType = 'C';  // 'C', 'N', 'D' or 'L'
  int keyLength = 0;
};

// A calendar date; the empty date is year 0.
struct Date {
  int year = 0, month = 0, day = 0;
  bool empty() const { return year == 0; }
  std::string toDtos() const;                  // "YYYYMMDD", 8 blanks when empty
  static Date fromDtos(const std::string& s);  // blanks or junk give the empty date
};

class Table {
 public:
  enum class State { Closed, Browse, Edit, Append };

  Table();
  ~Table();  // closes the table; errors while closing are swallowed
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // --- Creation: createNew, one createField per field, createExec. -----------------
  // The path names the DBF file; an FPT file is made beside it when a memo field exists.
  // An existing file of that name is replaced. createExec throws on any problem.
  void createNew(const std::string& path, int fieldCount);
  void createField(const std::string& name, char type, int width, int decimals);
  void createExec();
  static void create(const std::string& path, const std::vector<FieldDef>& fields);

  // --- Open and close. ---------------------------------------------------------------
  // Opens dir/fileName and its FPT and CDX when present. An exclusive open holds a
  // lock that makes any other opener (this or another process) fail with err::kLocked;
  // a shared open reads only, and fails while someone holds the table exclusively.
  // A CDX that is damaged or disagrees with the DBF (by the quick check of tagcheck.h) is
  // rebuilt from the data; one whose tag list cannot be read is removed. Records are read
  // from the file as they are needed, not loaded whole. The first tag becomes the current order, so
  // a list opened again shows the order it had when its tag was made.
  void open(const std::string& dir, const std::string& fileName, bool exclusive = true);
  void close();  // a pending edit or append is discarded; tags not yet written are written
  bool isOpen() const;
  State state() const;
  std::string path() const;   // full path of the DBF
  std::string alias() const;  // work-area name derived from the file name

  // --- Fields. -----------------------------------------------------------------------
  int fieldCount() const;
  const FieldDef& field(int index) const;         // 0-based
  int fieldIndex(const std::string& name) const;  // -1 when absent; any case

  // --- Position. ---------------------------------------------------------------------
  std::uint32_t recCount() const;  // all records, deleted ones included
  std::uint32_t recNo() const;     // current record; recCount()+1 past the end
  bool eof() const;
  bool bof() const;
  void go(std::uint32_t recNo);  // err::kRange when outside 1..recCount
  void first();
  void last();
  void next();
  void prior();
  void skip(long count);
  // Seek in the current tag. A character key may be a prefix of the stored key. Date
  // tags take "YYYYMMDD", numeric tags a decimal number. Found: positioned on the first
  // match in the tag's direction. Not found: past the end, or with soft on the next key.
  bool seek(const std::string& key, bool soft = false);

  // Deleted records are skipped by navigation while this is on (the default).
  void setHideDeleted(bool hide);
  bool hideDeleted() const;

  // --- Tags and order. ---------------------------------------------------------------
  // Adds the tag, or rebuilds it when the name exists, and makes it the current order.
  void indexTag(const std::string& tag, const std::string& keyExpr, bool descending = false,
                const std::string& forExpr = {});
  int tagCount() const;
  TagInfo tagInfo(int order) const;            // 1-based order number
  int tagArea(const std::string& name) const;  // 0 when there is no such tag
  void setOrder(int order);                    // 0 = record order
  void setOrder(const std::string& tagName);
  int indexOrd() const;
  void closeIndex();  // forgets every tag and closes the CDX file (the file stays)
  void reindex();     // rebuilds every tag from the data
  // The full check of the tags against the data, beyond the quick one an open makes:
  // rebuilds each tag from the records and compares. Tags that differ are replaced by
  // the rebuilt ones (and written, when the table is open exclusively); returns their names.
  std::vector<std::string> verifyTags();

  // --- Filter. -----------------------------------------------------------------------
  // Records failing the filter are skipped by navigation. Empty text removes it.
  void setFilter(const std::string& expr);
  std::string filter() const;
  std::uint32_t queryRecCount();  // records passing the filter (and not hidden)
  // Grid support: the number of visible records in the current order, and the
  // record number at a 0-based position among them (0 when out of range).
  std::uint32_t visibleCount();
  std::uint32_t recNoAtPosition(std::uint32_t position);

  // Grid support: makes field reads (and recNo) answer for another record without moving
  // or disturbing an edit; 0 ends it. Used to paint rows other than the current one.
  void setPeek(std::uint32_t recNo);
  std::uint32_t peek() const;

  // Evaluates an expression on the current record; returns its text form
  // (dates as YYYYMMDD, logicals "T"/"F").
  std::string evaluate(const std::string& expr);

  // --- Editing. ----------------------------------------------------------------------
  void append();  // a blank record, in Append state; post() writes it
  void edit();
  void post();
  void cancel();
  void deleteRecord();  // marks the current record deleted
  void recall();        // clears the mark
  bool isDeleted() const;
  void pack();  // removes marked records and the memo space they held

  // Several posts in one batch: the CDX file is written once at the end, not after every
  // post, and appended records reach the DBF in large blocks (reads see them at once). A
  // crash in between loses the appends not yet written (the table opens with the records
  // its file counts) and leaves a CDX that the next open notices and rebuilds. When writing
  // held appends fails, the post or endBatch that wrote them throws and they are gone.
  void beginBatch();
  void endBatch();

  // --- Field values of the current record (in Edit/Append: the pending values). ------
  std::string getString(const std::string& name) const;  // trailing blanks removed
  std::string getRaw(const std::string& name) const;     // bytes as stored
  Date getDate(const std::string& name) const;
  std::string getDtos(const std::string& name) const;  // "YYYYMMDD" or 8 blanks
  double getNumber(const std::string& name) const;
  bool getLogical(const std::string& name) const;
  std::string getMemo(const std::string& name) const;
  bool isBlank(const std::string& name) const;

  // Puts need Edit or Append state. Text is cut to the field width.
  void putString(const std::string& name, const std::string& value);
  void putDate(const std::string& name, const Date& value);
  void putDtos(const std::string& name, const std::string& yyyymmdd);
  void putNumber(const std::string& name, double value);
  void putLogical(const std::string& name, bool value);
  void putMemo(const std::string& name, const std::string& value);

  // Memo transfers. blobToFile writes the memo of the current record into a file and
  // reports success; fileToBlob stores a file's bytes into a memo (Edit/Append state).
  bool blobToFile(const std::string& field, const std::string& path);
  void fileToBlob(const std::string& field, const std::string& path);

  // Increases on every change of data, order or filter; caches compare it.
  std::uint64_t changeCounter() const;

  struct Impl;

 private:
  std::unique_ptr<Impl> d_;
};

}  // namespace tables
