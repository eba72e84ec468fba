// Table: appending, editing, deleting and packing records, and keeping every tag and the
// CDX file up to date. Record data reaches the disk before the header that counts it.
#include <cstring>
#include <functional>

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
    if (dbf.count() + 1 < r) forgetLostRecords();  // appends held by a batch went with it
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

// Writes the appends a batch holds back (see DbfFile::setDeferred).
void Table::Impl::flushHeld() {
  try {
    dbf.flush();
  } catch (const TableError&) {
    failed = true;
    forgetLostRecords();
    throw;
  }
}

// After held appends were lost, the tags, counts and position follow the file again.
void Table::Impl::forgetLostRecords() {
  for (auto& t : tags) buildIndex(t);
  deletedCount = 0;
  for (std::uint32_t r = 1; r <= dbf.count(); ++r) deletedCount += dbf.record(r)[0] == '*';
  if (peekRec > dbf.count()) peekRec = 0;
  if (recNo > dbf.count()) setEof();
  cdxDirty = true;
  ++changes;
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

void Table::beginBatch() {
  if (++d_->batch == 1 && d_->open) d_->dbf.setDeferred(true);
}

void Table::endBatch() {
  Impl& d = *d_;
  if (d.batch == 0 || --d.batch > 0 || !d.open) return;
  d.dbf.setDeferred(false);
  d.flushHeld();
  if (d.cdxDirty && d.cdxOpen && !d.failed) {
    try {
      d.writeCdx();
    } catch (const TableError&) {
      d.failed = true;  // the data is safe; the next open rebuilds the stale CDX
      throw;
    }
  }
}

namespace {
// Appends bytes to a new file, written out in large sequential blocks.
class BlockWriter {
 public:
  explicit BlockWriter(BlockFile& file) : file_(file) { buf_.reserve(kBlock); }

  void put(const void* data, std::size_t n) {
    const auto* p = static_cast<const std::uint8_t*>(data);
    if (buf_.size() + n > kBlock) drain();
    if (n >= kBlock) {
      file_.write(at_, p, n);
      at_ += n;
    } else {
      buf_.insert(buf_.end(), p, p + n);
    }
  }
  void zeros(std::size_t n) {
    if (buf_.size() + n > kBlock) drain();
    buf_.resize(buf_.size() + n, 0);
  }
  std::uint64_t size() const { return at_ + buf_.size(); }
  void drain() {
    if (!buf_.empty()) file_.write(at_, buf_.data(), buf_.size());
    at_ += buf_.size();
    buf_.clear();
  }

 private:
  static constexpr std::size_t kBlock = std::size_t(1) << 20;
  BlockFile& file_;
  std::vector<std::uint8_t> buf_;
  std::uint64_t at_ = 0;
};
}  // namespace

// Writes the packed table beside the old one (the .tmp files): the surviving records, and
// their memos copied one after another into a new memo file, both in large blocks and
// synced. Returns the new number of every old record (0 for the ones removed).
std::vector<std::uint32_t> Table::Impl::writePacked() const {
  std::vector<std::uint32_t> renumber(std::size_t(dbf.count()) + 1, 0);
  std::uint32_t live = 0;
  for (std::uint32_t r = 1; r <= dbf.count(); ++r)
    if (dbf.record(r)[0] != '*') renumber[r] = ++live;
  const bool memo = dbf.hasMemo();
  const std::uint32_t bs = memo ? fpt.blockSize() : FptFile::kDefaultBlockSize;
  BlockFile dbfOut = BlockFile::create(path + ".tmp");
  BlockFile fptOut = memo ? BlockFile::create(fptPath + ".tmp") : BlockFile();
  BlockWriter data(dbfOut), memos(fptOut);
  memos.zeros((FptFile::kHeaderSize + bs - 1) / bs * bs);  // the header comes last
  const auto header = DbfFile::buildHeader(dbf.fieldDefs(), live, dbf.structuralCdx());
  data.put(header.data(), header.size());
  std::vector<std::uint8_t> rec(std::size_t(dbf.recordLength()));
  for (std::uint32_t r = 1; r <= dbf.count(); ++r) {
    const std::uint8_t* src = dbf.record(r);
    if (!renumber[r]) continue;
    if (!memo) {
      data.put(src, rec.size());
      continue;
    }
    std::copy(src, src + rec.size(), rec.begin());
    for (std::size_t f = 0; f < dbf.fields().size(); ++f) {
      if (dbf.fields()[f].def.type != 'M') continue;
      const std::uint32_t block = memoBlock(int(f), src);
      const std::string text = block ? fpt.read(block) : std::string();
      std::uint32_t newBlock = 0;
      if (!text.empty()) {
        newBlock = std::uint32_t(memos.size() / bs);
        std::uint8_t head[8];
        base::putBe32(&head[0], 1);
        base::putBe32(&head[4], std::uint32_t(text.size()));
        memos.put(head, 8);
        memos.put(text.data(), text.size());
        memos.zeros((bs - (8 + text.size()) % bs) % bs);
      }
      setMemoBlock(int(f), rec.data(), newBlock);
    }
    data.put(rec.data(), rec.size());
  }
  const std::uint8_t end = 0x1A;
  data.put(&end, 1);
  data.drain();
  dbfOut.sync();
  if (memo) {
    memos.drain();
    std::uint8_t h[8] = {};
    base::putBe32(&h[0], std::uint32_t(memos.size() / bs));
    base::putBe16(&h[6], bs);
    fptOut.write(0, h, sizeof h);
    fptOut.sync();
  }
  return renumber;
}

// Writes a marker saying both new files are complete, then renames them into place. A crash
// before the marker leaves the old table; after it, the next open finishes the renames. A
// failure before the table's own rename undoes it all.
void Table::Impl::installPacked(const std::function<void()>& write) {
  const bool memo = dbf.hasMemo();
  const std::string marker = path + ".pack";
  try {
    write();
    BlockFile::create(marker).sync();
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
  d.flushHeld();
  std::vector<std::uint32_t> renumber;
  d.installPacked([&] { renumber = d.writePacked(); });
  // The tags keep their entries: the surviving records keep their order, only their
  // numbers close up. A tag whose expressions read RECNO() is built anew.
  const int order = d.order;
  std::vector<Tag> tags = std::move(d.tags);
  const bool cdxOpen = d.cdxOpen;
  d.closeFiles();
  d.openFiles(false);
  d.tags = std::move(tags);
  d.cdxOpen = cdxOpen;
  for (auto& t : d.tags) {
    if (t.key.usesRecno() || (t.forCond.valid() && t.forCond.usesRecno()))
      d.buildIndex(t);
    else
      t.index.renumber(renumber);
  }
  d.cdxDirty = true;
  d.order = order <= int(d.tags.size()) ? order : 0;
  if (d.cdxOpen) {
    try {
      d.writeCdx();
    } catch (const TableError&) {
      d.failed = true;  // the data is packed; the next open rebuilds the stale CDX
      throw;
    }
  }
  first();
}

}  // namespace tables
