// Reading, creating and updating DBF data files.
#include "tables/dbffile.h"

#include "base/asciitext.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <set>

#include "base/bytes.h"
#include "tables/errors.h"

namespace tables {

namespace {
constexpr int kHeaderSize = 32;
constexpr int kDescriptorSize = 32;
constexpr int kMaxFields = 255;
constexpr std::size_t kHeldBytes = std::size_t(1) << 20;  // appends held back before a write

void stampDate(std::uint8_t* h) {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  h[1] = std::uint8_t(tm.tm_year);
  h[2] = std::uint8_t(tm.tm_mon + 1);
  h[3] = std::uint8_t(tm.tm_mday);
}

std::string fieldName(const std::uint8_t* d) {
  std::string n;
  for (int i = 0; i < 11 && d[i]; ++i) n += char(d[i]);
  while (!n.empty() && n.back() == ' ') n.pop_back();
  return n;
}

// Width rules per type; returns an empty string when the definition is acceptable.
std::string checkWidth(const FieldDef& f, bool binaryMemo) {
  switch (f.type) {
    case 'C': return f.width >= 1 && f.width <= 254 ? "" : "text width must be 1..254";
    case 'L': return f.width == 1 ? "" : "logical width must be 1";
    case 'D': return f.width == 8 ? "" : "date width must be 8";
    case 'M': return f.width == 10 || (binaryMemo && f.width == 4) ? "" : "memo width must be 10";
    case 'N':
      if (f.width < 1 || f.width > 20) return "numeric width must be 1..20";
      if (f.decimals < 0 || (f.decimals > 0 && f.decimals > f.width - 2))
        return "decimals do not fit the width";
      return "";
    default: return std::string("unsupported type '") + f.type + "'";
  }
}
}  // namespace

void DbfFile::validate(const std::vector<FieldDef>& fields, const std::string& path) {
  if (fields.empty() || fields.size() > kMaxFields)
    fail(err::kBadField, path, "a table needs 1.." + std::to_string(kMaxFields) + " fields");
  std::set<std::string> seen;
  int total = 1;
  for (const auto& f : fields) {
    bool okName = !f.name.empty() && f.name.size() <= 10 && std::isalpha((unsigned char)f.name[0]);
    for (char c : f.name) okName = okName && (std::isalnum((unsigned char)c) || c == '_');
    if (!okName) fail(err::kBadField, path, "bad field name '" + f.name + "'");
    const std::string up = base::UpperAscii(f.name);
    if (!seen.insert(up).second) fail(err::kBadField, path, "field " + up + " declared twice");
    std::string why = checkWidth(f, false);
    if (!why.empty()) fail(err::kBadField, path, "field " + up + ": " + why);
    total += f.width;
  }
  if (total > 65535) fail(err::kBadField, path, "record longer than 65535 bytes");
}

std::vector<std::uint8_t> DbfFile::buildHeader(const std::vector<FieldDef>& fields,
                                               std::uint32_t count, bool structuralCdx) {
  bool memo = false;
  int recLen = 1;
  for (const auto& f : fields) {
    memo = memo || f.type == 'M';
    recLen += f.width;
  }
  const int headerLen = kHeaderSize + kDescriptorSize * int(fields.size()) + 1;
  std::vector<std::uint8_t> h(std::size_t(headerLen), 0);
  h[0] = memo ? 0xF5 : 0x03;
  stampDate(h.data());
  base::putLe32(&h[4], count);
  base::putLe16(&h[8], std::uint32_t(headerLen));
  base::putLe16(&h[10], std::uint32_t(recLen));
  h[28] = std::uint8_t((structuralCdx ? 0x01 : 0) | (memo ? 0x02 : 0));
  h[29] = 0x03;
  int offset = 1;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    std::uint8_t* d = &h[kHeaderSize + kDescriptorSize * i];
    for (std::size_t k = 0; k < fields[i].name.size() && k < 10; ++k)
      d[k] = std::uint8_t(base::ToUpperAscii(fields[i].name[k]));
    d[11] = std::uint8_t(fields[i].type);
    base::putLe32(&d[12], std::uint32_t(offset));
    d[16] = std::uint8_t(fields[i].width);
    d[17] = std::uint8_t(fields[i].decimals);
    offset += fields[i].width;
  }
  h[std::size_t(headerLen) - 1] = 0x0D;
  return h;
}

void DbfFile::create(const std::string& path, const std::vector<FieldDef>& fields) {
  validate(fields, path);
  auto h = buildHeader(fields, 0, false);
  h.push_back(0x1A);
  BlockFile f = BlockFile::create(path);
  f.write(0, h.data(), h.size());
  f.sync();
}

void DbfFile::open(BlockFile file, std::vector<std::uint32_t>* deleted, Damage* damage) {
  file_ = std::move(file);
  data_ = nullptr;
  try {
    const std::uint64_t size = file_.size();
    if (size < kHeaderSize + 1) fail(err::kBadDbf, file_.path(), "file shorter than a header");
    data_ = file_.map(size);
    parse(data_, size, damage);
    checkFlags(deleted, damage);
  } catch (...) {
    close();  // a file that cannot be opened is not kept, nor its lock
    throw;
  }
}

void DbfFile::parse(const std::uint8_t* b, std::uint64_t size, Damage* damage) {
  const std::string& p = file_.path();
  version_ = b[0];
  std::memcpy(head_, b, kHeaderSize);
  if (version_ != 0x03 && version_ != 0xF5 && version_ != 0x83 && version_ != 0x30 &&
      version_ != 0x31)
    fail(err::kBadDbf, p, "unknown version byte " + std::to_string(version_));
  headerLen_ = base::le16(&b[8]);
  recLen_ = base::le16(&b[10]);
  flags_ = b[28];
  codePage_ = b[29];
  if (headerLen_ < kHeaderSize + kDescriptorSize + 1 || std::uint64_t(headerLen_) > size)
    fail(err::kBadDbf, p, "header length " + std::to_string(headerLen_) + " impossible");
  // Field descriptors run until the 0x0D terminator, which must lie inside the header.
  fields_.clear();
  std::size_t pos = kHeaderSize;
  int offset = 1;
  while (true) {
    if (pos >= std::size_t(headerLen_)) fail(err::kBadDbf, p, "field list has no terminator");
    if (b[pos] == 0x0D) break;
    if (pos + kDescriptorSize > std::size_t(headerLen_))
      fail(err::kBadDbf, p, "field descriptor runs past the header");
    if (fields_.size() >= kMaxFields) fail(err::kBadDbf, p, "too many fields");
    const std::uint8_t* d = &b[pos];
    DbfField f;
    f.def.name = fieldName(d);
    f.def.type = char(d[11]) == 'F' ? 'N' : char(d[11]);
    f.def.width = d[16];
    f.def.decimals = d[17];
    f.offset = offset;
    if (f.def.name.empty()) fail(err::kBadDbf, p, "field without a name");
    std::string why = checkWidth(f.def, binaryMemoPointers());
    if (f.def.type == 'N' && !why.empty() && f.def.width >= 1 && f.def.width <= 20) why.clear();
    if (!why.empty()) fail(err::kBadDbf, p, "field " + f.def.name + ": " + why);
    offset += f.def.width;
    fields_.push_back(f);
    pos += kDescriptorSize;
  }
  if (fields_.empty()) fail(err::kBadDbf, p, "no fields");
  if (offset != recLen_)
    fail(err::kBadDbf, p,
         "record length " + std::to_string(recLen_) + " does not match fields (" +
             std::to_string(offset) + ")");
  // Records the header counts but the file does not hold: a writer that died between the
  // data and the header never leaves this (the data goes first), but a cut copy does.
  const std::uint64_t available = (size - std::uint64_t(headerLen_)) / std::uint64_t(recLen_);
  const std::uint32_t counted = base::le32(&b[4]);
  if (counted > available && !damage)
    fail(err::kBadDbf, p,
         "the header counts " + std::to_string(counted) + " records but the file holds " +
             std::to_string(available));
  if (damage) damage->counted = counted;
  count_ = std::uint32_t(std::min<std::uint64_t>(counted, available));
  written_ = count_;
  held_.clear();
}

// One pass over the records' first bytes: the only part of every record an open reads.
void DbfFile::checkFlags(std::vector<std::uint32_t>* deleted, Damage* damage) const {
  const std::uint8_t* flag = data_ + headerLen_;
  for (std::uint32_t r = 1; r <= count_; ++r, flag += recLen_) {
    if (*flag == ' ') continue;
    if (*flag != '*' && damage) {
      damage->badFlags.push_back(r);
      continue;
    }
    if (*flag != '*')
      fail(err::kBadDbf, file_.path(), "record " + std::to_string(r) + " has a bad deletion flag");
    if (deleted) deleted->push_back(r);
  }
}

bool DbfFile::hasMemo() const {
  for (const auto& f : fields_)
    if (f.def.type == 'M') return true;
  return false;
}

std::vector<FieldDef> DbfFile::fieldDefs() const {
  std::vector<FieldDef> v;
  for (const auto& f : fields_) v.push_back(f.def);
  return v;
}

void DbfFile::writeRecord(std::uint32_t recNo, const std::uint8_t* rec) {
  if (recNo > written_) {
    std::memcpy(held_.data() + std::size_t(recNo - written_ - 1) * recLen_, rec, recLen_);
    return;
  }
  // The view shows the file, so the old bytes are copied before they are overwritten.
  std::vector<std::uint8_t> old(record(recNo), record(recNo) + recLen_);
  std::uint64_t off = std::uint64_t(headerLen_) + std::uint64_t(recNo - 1) * recLen_;
  try {
    file_.write(off, rec, std::size_t(recLen_));
  } catch (const TableError&) {
    try {
      file_.write(off, old.data(), std::size_t(recLen_));  // put the old bytes back
    } catch (const TableError&) {
    }
    throw;
  }
}

void DbfFile::appendRecord(const std::uint8_t* rec) {
  held_.insert(held_.end(), rec, rec + recLen_);
  ++count_;
  if (!deferred_ || held_.size() >= kHeldBytes) flush();
}

void DbfFile::flush() {
  if (held_.empty()) return;
  held_.push_back(0x1A);
  const std::uint32_t before = written_;
  const std::uint64_t off = std::uint64_t(headerLen_) + std::uint64_t(written_) * recLen_;
  try {
    // Data first: until the header says so, the new records do not exist.
    file_.write(off, held_.data(), held_.size());
    data_ = file_.map(off + held_.size());
    written_ = count_;
    writeHeader();
  } catch (...) {
    count_ = written_ = before;
    held_.clear();
    throw;
  }
  held_.clear();
}

void DbfFile::setDeferred(bool on) { deferred_ = on; }

void DbfFile::writeCount(std::uint32_t count) {
  if (count >= written_) {  // undoes appends still held
    held_.resize(std::size_t(count - written_) * std::size_t(recLen_));
    count_ = count;
    return;
  }
  const std::uint32_t old = written_;
  written_ = count;
  try {
    writeHeader();
  } catch (...) {
    written_ = old;
    throw;
  }
  count_ = count;
  held_.clear();
}

void DbfFile::setStructuralCdx(bool on) {
  std::uint8_t f = std::uint8_t(on ? (flags_ | 0x01) : (flags_ & ~0x01));
  if (f == flags_) return;
  std::uint8_t old = flags_;
  flags_ = f;
  try {
    writeHeader();
  } catch (...) {
    flags_ = old;
    throw;
  }
}

// Writes the count of records in the file and the flags; a failed write puts the old header
// back so that a half-written record count never stays on disk.
void DbfFile::writeHeader() {
  std::uint8_t h[kHeaderSize];
  std::memcpy(h, head_, kHeaderSize);
  stampDate(h);
  base::putLe32(&h[4], written_);
  h[28] = flags_;
  try {
    file_.write(0, h, kHeaderSize);
  } catch (const TableError&) {
    try {
      file_.write(0, head_, kHeaderSize);
    } catch (const TableError&) {
    }
    throw;
  }
  std::memcpy(head_, h, kHeaderSize);
}

}  // namespace tables
