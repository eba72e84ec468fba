// Table: appending, editing, deleting and packing records, and keeping every tag and the
// CDX file up to date. Record data reaches the disk before the header that counts it.
#include <cstring>

#include "base/bytes.h"
#include "tables/table_impl.h"

namespace tables {

namespace {
// One tag's part in a record change, kept so that a failed write can be undone.
struct KeyChange {
  Tag* tag;
  bool hadOld, hasNew;
  std::vector<std::uint8_t> oldKey, newKey;
};
}  // namespace

void Table::Impl::writeRecord(std::uint32_t r, const std::vector<std::uint8_t>& rec, bool append) {
  std::vector<std::uint8_t> old;
  if (!append) old.assign(dbf.record(r), dbf.record(r) + dbf.recordLength());
  std::vector<KeyChange> keyChanges;
  for (auto& t : tags) {
    KeyChange c{&t, !append && t.includes(old.data(), r), t.includes(rec.data(), r), {}, {}};
    if (c.hadOld) {
      c.oldKey.resize(std::size_t(t.def.keyLength));
      t.key.key(old.data(), r, c.oldKey.data());
    }
    if (c.hasNew) {
      c.newKey.resize(std::size_t(t.def.keyLength));
      t.key.key(rec.data(), r, c.newKey.data());
    }
    if (c.hadOld != c.hasNew || c.oldKey != c.newKey) keyChanges.push_back(std::move(c));
  }
  try {
    if (append)
      dbf.appendRecord(rec.data());
    else
      dbf.writeRecord(r, rec.data());
  } catch (const TableError&) {
    failed = true;
    throw;
  }
  for (auto& c : keyChanges) {
    // An old entry missing where the data puts it means the tag disagreed with the data
    // before this change (a key changed elsewhere that the open's quick check did not
    // sample): the tag is rebuilt rather than left with a second entry for the record.
    if (c.hadOld && !c.tag->index.erase(c.oldKey.data(), r))
      buildIndex(*c.tag);
    else if (c.hasNew)
      c.tag->index.insert(c.newKey.data(), r);
  }
  int deletedDelta = (rec[0] == '*') - (!append && old[0] == '*');
  deletedCount += deletedDelta;
  ++changes;
  if (keyChanges.empty()) return;
  cdxDirty = true;
  if (batch > 0 || !cdxOpen) return;
  try {
    writeCdx();
  } catch (const TableError&) {
    // Put the data back as it was, so the files agree with each other again.
    failed = true;
    try {
      if (append)
        dbf.writeCount(r - 1);
      else
        dbf.writeRecord(r, old.data());
    } catch (const TableError&) {
    }
    for (auto& c : keyChanges) {
      if (c.hasNew) c.tag->index.erase(c.newKey.data(), r);
      if (c.hadOld) c.tag->index.insert(c.oldKey.data(), r);
    }
    deletedCount -= deletedDelta;
    ++changes;
    throw;
  }
}

void Table::Impl::writeCdx() {
  std::vector<CdxTag> copies;
  copies.reserve(tags.size());
  for (const auto& t : tags) {
    CdxTag c = t.def;
    t.index.flatten(c.keys, c.recs);
    copies.push_back(std::move(c));
  }
  std::vector<const CdxTag*> ptrs;
  for (const auto& c : copies) ptrs.push_back(&c);
  BlockFile::replaceWhole(cdxPath, buildCdx(ptrs));
  cdxDirty = false;
  if (!tags.empty() && !dbf.structuralCdx()) dbf.setStructuralCdx(true);
}

void Table::append() {
  Impl& d = *d_;
  d.requireWritable();
  if (d.state != State::Browse) post();
  d.buf = d.blank;
  d.pendingMemos.clear();
  d.state = State::Append;
  d.eof = d.bof = false;
}

void Table::edit() {
  Impl& d = *d_;
  d.requireWritable();
  if (d.state != State::Browse) return;
  if (d.recNo < 1 || d.recNo > d.dbf.count())
    fail(err::kState, d.path, "no current record to edit");
  d.buf.assign(d.dbf.record(d.recNo), d.dbf.record(d.recNo) + d.dbf.recordLength());
  d.pendingMemos.clear();
  d.state = State::Edit;
}

void Table::post() {
  Impl& d = *d_;
  d.requireWritable();
  if (d.state == State::Browse) return;
  const bool append = d.state == State::Append;
  const std::uint32_t r = append ? d.dbf.count() + 1 : d.recNo;
  std::vector<std::uint8_t> rec = d.buf;
  try {
    // Memos go to new blocks first; the record that points at them comes after.
    for (const auto& [field, data] : d.pendingMemos) {
      std::uint32_t block;
      try {
        block = d.fpt.write(data);
      } catch (const TableError&) {
        d.failed = true;
        throw;
      }
      d.setMemoBlock(field, rec.data(), block);
    }
    d.writeRecord(r, rec, append);
  } catch (...) {
    cancel();
    throw;
  }
  d.state = State::Browse;
  d.pendingMemos.clear();
  d.setPosition(r);
}

void Table::cancel() {
  Impl& d = *d_;
  if (d.state == State::Edit || d.state == State::Append) d.state = State::Browse;
  d.pendingMemos.clear();
  if (d.recNo > d.dbf.count()) d.setEof();
}

namespace {
void setDeletedFlag(Table& t, Table::Impl& d, std::uint8_t flag) {
  d.requireWritable();
  if (d.state == Table::State::Append) {
    t.cancel();
    return;
  }
  if (d.state == Table::State::Edit) t.cancel();
  if (d.recNo < 1 || d.recNo > d.dbf.count()) fail(err::kState, d.path, "no current record");
  std::vector<std::uint8_t> rec(d.dbf.record(d.recNo),
                                d.dbf.record(d.recNo) + d.dbf.recordLength());
  if (rec[0] == flag) return;
  rec[0] = flag;
  d.writeRecord(d.recNo, rec, false);
}
}  // namespace

void Table::deleteRecord() { setDeletedFlag(*this, *d_, '*'); }
void Table::recall() { setDeletedFlag(*this, *d_, ' '); }
bool Table::isDeleted() const { return d_->open && d_->current()[0] == '*'; }

void Table::beginBatch() { ++d_->batch; }

void Table::endBatch() {
  Impl& d = *d_;
  if (d.batch > 0 && --d.batch == 0 && d.cdxDirty && d.cdxOpen && d.open && !d.failed) {
    try {
      d.writeCdx();
    } catch (const TableError&) {
      d.failed = true;  // the data is safe; the next open rebuilds the stale CDX
      throw;
    }
  }
}

// The packed table in memory: the surviving records, and their memos copied one after
// another into a new memo file.
void Table::Impl::packedImages(std::vector<std::uint8_t>& dbfBytes,
                               std::vector<std::uint8_t>& fptBytes) const {
  const bool memo = dbf.hasMemo();
  const std::uint32_t bs = memo ? fpt.blockSize() : FptFile::kDefaultBlockSize;
  fptBytes.assign((FptFile::kHeaderSize + bs - 1) / bs * bs, 0);
  base::putBe16(&fptBytes[6], bs);
  dbfBytes = DbfFile::buildHeader(dbf.fieldDefs(), dbf.count() - deletedCount, dbf.structuralCdx());
  for (std::uint32_t r = 1; r <= dbf.count(); ++r) {
    const std::uint8_t* src = dbf.record(r);
    if (src[0] == '*') continue;
    std::vector<std::uint8_t> rec(src, src + dbf.recordLength());
    for (std::size_t f = 0; memo && f < dbf.fields().size(); ++f) {
      if (dbf.fields()[f].def.type != 'M') continue;
      std::uint32_t block = memoBlock(int(f), src);
      std::string data = block ? fpt.read(block) : std::string();
      std::uint32_t newBlock = 0;
      if (!data.empty()) {
        newBlock = std::uint32_t(fptBytes.size() / bs);
        std::size_t at = fptBytes.size();
        fptBytes.resize(at + (8 + data.size() + bs - 1) / bs * bs, 0);
        base::putBe32(&fptBytes[at], 1);
        base::putBe32(&fptBytes[at + 4], std::uint32_t(data.size()));
        std::memcpy(&fptBytes[at + 8], data.data(), data.size());
      }
      setMemoBlock(int(f), rec.data(), newBlock);
    }
    dbfBytes.insert(dbfBytes.end(), rec.begin(), rec.end());
  }
  dbfBytes.push_back(0x1A);
  base::putBe32(&fptBytes[0], std::uint32_t(fptBytes.size() / bs));
}

// Writes the new files beside the old ones, then a marker saying both are complete, then
// renames them into place. A crash before the marker leaves the old table; after it, the
// next open finishes the renames. A failure before the table's own rename undoes it all.
void Table::Impl::installPacked(const std::vector<std::uint8_t>& dbfBytes,
                                const std::vector<std::uint8_t>& fptBytes) {
  const bool memo = dbf.hasMemo();
  const std::string marker = path + ".pack";
  auto writeTemp = [](const std::string& p, const std::vector<std::uint8_t>& b) {
    BlockFile f = BlockFile::create(p);
    f.write(0, b.data(), b.size());
    f.sync();
  };
  try {
    if (memo) writeTemp(fptPath + ".tmp", fptBytes);
    writeTemp(path + ".tmp", dbfBytes);
    writeTemp(marker, {});
    if (memo) BlockFile::rename(fptPath + ".tmp", fptPath);
  } catch (const TableError&) {
    failed = true;
    for (const std::string& p : {marker, fptPath + ".tmp", path + ".tmp"}) {
      try {
        BlockFile::remove(p);
      } catch (const TableError&) {
      }
    }
    throw;
  }
  try {
    BlockFile::rename(path + ".tmp", path);
  } catch (const TableError& e) {
    failed = true;
    throw TableError(e.code(),
                     std::string(e.what()) + " (the pack completes when the table is next opened)");
  }
  BlockFile::remove(marker);
}

void Table::pack() {
  Impl& d = *d_;
  d.requireWritable();
  if (d.state != State::Browse) post();
  std::vector<std::uint8_t> dbfBytes, fptBytes;
  d.packedImages(dbfBytes, fptBytes);
  d.installPacked(dbfBytes, fptBytes);
  int order = d.order;
  d.closeFiles();
  d.openFiles();
  d.order = order <= int(d.tags.size()) ? order : 0;
  first();
}

}  // namespace tables
