// DBF data file: header, field descriptors and fixed-length records (FoxPro 2.x flavour).
//
// File header (32 bytes):
//   off size meaning
//     0    1  version: 0x03 no memo, 0xF5 FoxPro 2.x with memo (also read: 0x83, 0x30, 0x31)
//     1    3  date of last update: year (-1900, or two digits), month, day
//     4    4  record count, LE
//     8    2  header length, LE (trusted: writers add extra bytes after the terminator)
//    10    2  record length, LE = 1 + sum of field widths
//    12   16  reserved
//    28    1  flags: 0x01 structural CDX exists, 0x02 memo fields
//    29    1  code page mark (0x03 Windows 1252)
//    30    2  reserved
// Field descriptors from 32, 32 bytes each, ended by 0x0D:
//     0   11  name, NUL padded      11  1  type C L D N M (F read as N)
//    12    4  displacement (ignored) 16  1  width          17  1  decimals
// Records from the header length on: 1 deletion byte ('*' deleted, ' ' live), then the
// fields in order. An end-of-file byte 0x1A may follow the last record.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tables/blockfile.h"
#include "tables/errors.h"
#include "tables/fieldcodec.h"

namespace tables {

struct DbfField {
  FieldDef def;
  int offset = 0;  // position in the record, counting the deletion byte
};

class DbfFile {
 public:
  // Checks a field list; throws err::kBadField naming the first bad field.
  static void validate(const std::vector<FieldDef>& fields, const std::string& path);
  // Writes a new empty table (header only).
  static void create(const std::string& path, const std::vector<FieldDef>& fields);
  static std::vector<std::uint8_t> buildHeader(const std::vector<FieldDef>& fields,
                                               std::uint32_t count, bool structuralCdx);

  // What an open that is told to bear damage found: records the header counts that the
  // file does not hold, and records whose deletion flag is neither ' ' nor '*'.
  struct Damage {
    std::uint32_t counted = 0;            // records the header counts
    std::vector<std::uint32_t> badFlags;  // read as not deleted
  };

  // Reads the header and maps the records read-only (pages come in as they are touched),
  // then checks every deletion flag; malformed input throws err::kBadDbf, and so does a
  // file that holds fewer records than its header counts (a cut copy: writing to it would
  // make the loss final). With `damage` given, those two are noted there instead and the
  // records present are used. The numbers of the records marked deleted go to `deleted`
  // when it is given. The table's lock keeps other writers of this engine out while it is
  // open; a program that ignores the lock and shortens the file under it makes reads past
  // the new end fault.
  void open(BlockFile file, std::vector<std::uint32_t>* deleted = nullptr,
            Damage* damage = nullptr);
  void close() {
    file_.close();
    data_ = nullptr;
    held_.clear();
    count_ = written_ = 0;
    deferred_ = false;
  }

  const std::string& path() const { return file_.path(); }
  std::uint32_t count() const { return count_; }
  int recordLength() const { return recLen_; }
  const std::vector<DbfField>& fields() const { return fields_; }
  bool hasMemo() const;
  bool binaryMemoPointers() const { return version_ == 0x30 || version_ == 0x31; }
  std::vector<FieldDef> fieldDefs() const;

  // Record recNo (1..count) as it is in the file (or held back, see setDeferred); valid
  // until the next append, flush or close.
  const std::uint8_t* record(std::uint32_t recNo) const {
    if (recNo > written_) return held_.data() + std::size_t(recNo - written_ - 1) * recLen_;
    return data_ + headerLen_ + std::size_t(recNo - 1) * recLen_;
  }
  // Overwrites record recNo (1..count); on failure the old bytes are written back.
  void writeRecord(std::uint32_t recNo, const std::uint8_t* rec);
  // Writes the record after the last one, then the header with the new count.
  void appendRecord(const std::uint8_t* rec);
  // Writes the header with the given count (used to undo an append).
  void writeCount(std::uint32_t count);
  // Writes the header as it stands: the count of the records in the file, and the flags.
  void rewriteHeader() { writeHeader(); }

  // Deferred, appended records are held in memory (reads see them at once) and reach the
  // file in large blocks, each written before the header that counts it: when the held
  // bytes pass a limit, and on flush(). A write that fails loses the records held: count()
  // falls back to the records in the file, and the error is thrown.
  void setDeferred(bool on);
  void flush();
  std::uint32_t written() const { return written_; }  // records in the file
  void setStructuralCdx(bool on);
  bool structuralCdx() const { return flags_ & 0x01; }

 private:
  void parse(const std::uint8_t* b, std::uint64_t size, Damage* damage);
  void checkFlags(std::vector<std::uint32_t>* deleted, Damage* damage) const;
  void writeHeader();

  BlockFile file_;
  std::uint8_t version_ = 0x03;
  std::uint8_t flags_ = 0;
  std::uint8_t codePage_ = 0x03;
  std::uint32_t count_ = 0;
  int headerLen_ = 0;
  int recLen_ = 0;
  std::vector<DbfField> fields_;
  const std::uint8_t* data_ = nullptr;  // the file's read-only view: header, then records
  std::uint8_t head_[32] = {};          // the header as it is on disk
  bool deferred_ = false;
  std::uint32_t written_ = 0;       // records in the file; those after it are held
  std::vector<std::uint8_t> held_;  // records written_ + 1 .. count_
};

}  // namespace tables
