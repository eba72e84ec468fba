// Table: creation, opening and checking the files, tags, and typed field access.
#include "tables/table.h"

#include "base/asciitext.h"
#include "base/bytes.h"
#include "base/filenames.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <mutex>
#include <numeric>
#include <set>

#include "base/asciitext.h"
#include "tables/table_impl.h"
#include "tables/tagcheck.h"

namespace tables {

namespace {
std::mutex g_aliasMutex;
std::set<std::string> g_aliases;

// Work-area name: the first 8 characters of the file name without extension, with
// '~', '-' and blanks made '_', and _1, _2, ... added while the name is taken.
std::string claimAlias(const std::string& path) {
  std::string base = path.substr(path.find_last_of('/') + 1);
  base = upperName(base.substr(0, base.find('.')).substr(0, 8));
  for (auto& c : base)
    if (c == '~' || c == '-' || c == ' ') c = '_';
  std::lock_guard<std::mutex> lock(g_aliasMutex);
  std::string name = base;
  for (int n = 1; g_aliases.count(name); ++n) name = base + "_" + std::to_string(n);
  g_aliases.insert(name);
  return name;
}

void releaseAlias(const std::string& name) {
  std::lock_guard<std::mutex> lock(g_aliasMutex);
  g_aliases.erase(name);
}

// Completes or discards a pack that a crash interrupted (see Table::pack).
void recoverPack(const std::string& dbfPath, const std::string& fptPath) {
  const std::string marker = dbfPath + ".pack";
  if (BlockFile::exists(marker)) {
    if (BlockFile::exists(fptPath + ".tmp")) BlockFile::rename(fptPath + ".tmp", fptPath);
    if (BlockFile::exists(dbfPath + ".tmp")) BlockFile::rename(dbfPath + ".tmp", dbfPath);
    BlockFile::remove(marker);
  } else {
    for (const std::string& p : {fptPath + ".tmp", dbfPath + ".tmp"})
      if (BlockFile::exists(p)) BlockFile::remove(p);
  }
}
}  // namespace

std::string companion(const std::string& path, const char* upperExt) {
  const std::string stem = base::WithoutExtension(path);
  const std::string lowerExt = base::LowerAscii(upperExt);
  const std::string ext = base::ExtensionOf(path);
  const bool lowerName = !ext.empty() && std::islower((unsigned char)ext[0]);
  std::string preferred = stem + (lowerName ? lowerExt : std::string(upperExt));
  std::string other = stem + (lowerName ? std::string(upperExt) : lowerExt);
  if (!BlockFile::exists(preferred) && BlockFile::exists(other)) return other;
  return preferred;
}

std::string joinPath(const std::string& dir, const std::string& name) {
  if (dir.empty() || (!name.empty() && name[0] == '/')) return name;
  return dir.back() == '/' ? dir + name : dir + "/" + name;
}

std::uint32_t FieldNames::hash(std::string_view name) {
  std::uint32_t h = 2166136261u;
  for (char c : name) h = (h ^ std::uint8_t(base::ToUpperAscii(c))) * 16777619u;
  return h;
}

void FieldNames::assign(const std::vector<DbfField>& fields) {
  names_.clear();
  for (const auto& f : fields) names_.push_back(f.def.name);
  std::size_t size = 16;
  while (size < 2 * fields.size()) size *= 2;
  slots_.assign(size, 0);
  // From the last field back, so that a name given twice (in any case) finds the last.
  for (std::size_t k = names_.size(); k-- > 0;) {
    if (find(names_[k]) >= 0) continue;
    std::size_t i = hash(names_[k]) & (size - 1);
    while (slots_[i]) i = (i + 1) & (size - 1);
    slots_[i] = int(k) + 1;
  }
}

int FieldNames::find(std::string_view name) const {
  if (slots_.empty()) return -1;
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hash(name) & mask; slots_[i]; i = (i + 1) & mask) {
    const int field = slots_[i] - 1;
    if (base::EqualsIgnoreCase(names_[std::size_t(field)], name)) return field;
  }
  return -1;
}

std::string upperName(const std::string& s) { return base::UpperAscii(s); }

std::string Date::toDtos() const {
  if (empty()) return std::string(8, ' ');
  char buf[16];
  std::snprintf(buf, sizeof buf, "%04d%02d%02d", year % 10000, month % 100, day % 100);
  return buf;
}

Date Date::fromDtos(const std::string& s) {
  if (!julianDay(s)) return {};
  return Date{std::atoi(s.substr(0, 4).c_str()), std::atoi(s.substr(4, 2).c_str()),
              std::atoi(s.substr(6, 2).c_str())};
}

Table::Table() : d_(std::make_unique<Impl>()) {}

Table::~Table() {
  try {
    close();
  } catch (...) {
  }
}

// --- Creation --------------------------------------------------------------------------

void Table::createNew(const std::string& path, int fieldCount) {
  d_->createPath = path;
  d_->createCount = fieldCount;
  d_->createFields.clear();
}

void Table::createField(const std::string& name, char type, int width, int decimals) {
  if (d_->createCount < 0) fail(err::kState, "", "createField before createNew");
  d_->createFields.push_back(FieldDef{upperName(name), base::ToUpperAscii(type), width, decimals});
}

void Table::createExec() {
  if (d_->createCount < 0) fail(err::kState, "", "createExec before createNew");
  Impl& d = *d_;
  if (int(d.createFields.size()) != d.createCount)
    fail(err::kBadField, d.createPath,
         "declared " + std::to_string(d.createCount) + " fields but defined " +
             std::to_string(d.createFields.size()));
  std::vector<FieldDef> fields = std::move(d.createFields);
  std::string path = d.createPath;
  d.createCount = -1;
  create(path, fields);
}

void Table::create(const std::string& path, const std::vector<FieldDef>& given) {
  std::vector<FieldDef> fields = given;
  for (auto& f : fields) {
    f.name = upperName(f.name);
    f.type = base::ToUpperAscii(f.type);
  }
  DbfFile::validate(fields, path);
  // Replacing a table that someone has open would pull it from under them.
  BlockFile holder;
  if (BlockFile::exists(path)) holder = BlockFile::open(path, false, BlockFile::Lock::Exclusive);
  bool memo = std::any_of(fields.begin(), fields.end(), [](auto& f) { return f.type == 'M'; });
  // A CDX left from an earlier table of this name describes other data.
  BlockFile::remove(companion(path, ".CDX"));
  if (memo) {
    std::string fpt = companion(path, ".FPT");
    FptFile::create(fpt + ".tmp");
    BlockFile::rename(fpt + ".tmp", fpt);
  }
  auto header = DbfFile::buildHeader(fields, 0, false);
  header.push_back(0x1A);
  BlockFile::replaceWhole(path, header);
}

// --- Open and close --------------------------------------------------------------------

void Table::open(const std::string& dir, const std::string& fileName, bool exclusive) {
  if (d_->open) close();
  Impl& d = *d_;
  d.path = joinPath(dir, fileName);
  d.exclusive = exclusive;
  d.fptPath = companion(d.path, ".FPT");
  d.cdxPath = companion(d.path, ".CDX");
  if (!BlockFile::exists(d.path)) fail(err::kNotFound, d.path);
  recoverPack(d.path, d.fptPath);
  d.openFiles();
  d.filter = Expr();
  try {
    if (!d.filterText.empty()) d.filter = Expr::parse(d.filterText, d.dbf.fields());
  } catch (const TableError&) {
    d.closeFiles();
    throw;
  }
  d.aliasName = claimAlias(d.path);
  d.open = true;
  d.state = State::Browse;
  d.order = d.tags.empty() ? 0 : 1;
  first();
}

void Table::Impl::openFiles(bool withTags) {
  failed = false;
  cdxDirty = false;
  tags.clear();
  order = 0;
  std::vector<std::uint32_t> deleted;
  dbf.open(BlockFile::open(path, exclusive,
                           exclusive ? BlockFile::Lock::Exclusive : BlockFile::Lock::Shared),
           &deleted);
  dbf.setDeferred(batch > 0);
  try {
    fpt.close();
    if (dbf.hasMemo()) {
      if (!BlockFile::exists(fptPath)) fail(err::kNotFound, fptPath, "the memo file is missing");
      fpt.open(BlockFile::open(fptPath, exclusive));
    }
    fieldByName.assign(dbf.fields());
    blank.assign(std::size_t(dbf.recordLength()), ' ');
    deletedCount = std::uint32_t(deleted.size());
    if (withTags) loadTags(deleted);
    if (cdxDirty && exclusive) writeCdx();
  } catch (...) {
    closeFiles();
    throw;
  }
  ++changes;
}

// Reads the CDX and gives every tag the quick check of tagcheck.h; a tag that fails it is
// rebuilt from the data, a file that cannot be read at all is dropped.
void Table::Impl::loadTags(const std::vector<std::uint32_t>& deleted) {
  cdxOpen = BlockFile::exists(cdxPath);
  if (!cdxOpen) return;
  std::vector<CdxTag> stored;
  try {
    BlockFile f = BlockFile::open(cdxPath, false);
    stored = readCdx(f, dbf.count(), [&](const std::string& e) -> char {
      try {
        char t = Expr::parse(e, dbf.fields()).type();
        return t == 'N' || t == 'D' ? 1 : ' ';
      } catch (const TableError&) {
        return 0;
      }
    });
  } catch (const TableError&) {
    // Nothing in it can be trusted, not even the tag definitions.
    if (exclusive) BlockFile::remove(cdxPath);
    cdxOpen = false;
    return;
  }
  for (auto& s : stored) {
    Tag t;
    try {
      t = makeTag(s.name, s.keyExpr, s.descending, s.forExpr);
    } catch (const TableError&) {
      cdxDirty = true;  // a tag we cannot maintain is left out of the rewritten file
      continue;
    }
    std::string problem = s.entriesValid ? checkStoredEntries(t, s, dbf, deleted) : s.problem;
    if (problem.empty()) {
      t.index.assignSorted(s.keys, s.recs);
    } else {
      buildIndex(t);
      cdxDirty = true;
    }
    tags.push_back(std::move(t));
  }
}

Tag Table::Impl::makeTag(const std::string& name, const std::string& keyExpr, bool descending,
                         const std::string& forExpr) const {
  std::string n = upperName(name);
  while (!n.empty() && n.back() == ' ') n.pop_back();
  bool ok = !n.empty() && n.size() <= 10 && std::isalpha((unsigned char)n[0]);
  for (char c : n) ok = ok && (std::isalnum((unsigned char)c) || c == '_');
  if (!ok) fail(err::kNoTag, cdxPath, "bad tag name '" + name + "'");
  if (keyExpr.size() + forExpr.size() > 500)
    fail(err::kBadExpr, cdxPath, "tag " + n + ": expressions too long");
  Tag t;
  t.key = Expr::parse(keyExpr, dbf.fields());
  if (!forExpr.empty()) {
    t.forCond = Expr::parse(forExpr, dbf.fields());
    if (t.forCond.type() != 'L')
      fail(err::kBadExpr, cdxPath, "FOR condition \"" + forExpr + "\" is not logical");
  }
  t.keyType = t.key.type();
  t.def.name = n;
  t.def.keyExpr = keyExpr;
  t.def.forExpr = forExpr;
  t.def.descending = descending;
  t.def.keyLength = t.key.keyLength();
  t.def.padByte = (t.keyType == 'N' || t.keyType == 'D') ? '\0' : ' ';
  t.index = KeyIndex(t.def.keyLength);
  return t;
}

KeyIndex Table::Impl::indexFromData(const Tag& t) const {
  const std::size_t k = std::size_t(t.def.keyLength);
  std::vector<std::uint8_t> keys;
  std::vector<std::uint32_t> recs;
  keys.reserve(dbf.count() * k);
  for (std::uint32_t r = 1; r <= dbf.count(); ++r) {
    const std::uint8_t* rec = dbf.record(r);
    if (!t.includes(rec, r)) continue;
    keys.resize(keys.size() + k);
    t.key.key(rec, r, &keys[keys.size() - k]);
    recs.push_back(r);
  }
  std::vector<std::uint32_t> idx(recs.size());
  std::iota(idx.begin(), idx.end(), 0);
  std::sort(idx.begin(), idx.end(), [&](std::uint32_t a, std::uint32_t b) {
    int c = std::memcmp(&keys[a * k], &keys[b * k], k);
    return c < 0 || (c == 0 && recs[a] < recs[b]);
  });
  std::vector<std::uint8_t> sk(keys.size());
  std::vector<std::uint32_t> sr(recs.size());
  for (std::size_t i = 0; i < idx.size(); ++i) {
    std::memcpy(&sk[i * k], &keys[idx[i] * k], k);
    sr[i] = recs[idx[i]];
  }
  KeyIndex index(t.def.keyLength);
  index.assignSorted(sk, sr);
  return index;
}

void Table::Impl::closeFiles() {
  dbf.close();
  fpt.close();
  tags.clear();
}

void Table::close() {
  Impl& d = *d_;
  if (!d.open) return;
  d.state = State::Browse;
  d.pendingMemos.clear();
  d.batch = 0;
  std::exception_ptr error;
  try {
    d.dbf.flush();  // appends a batch still holds
  } catch (...) {
    error = std::current_exception();
    d.failed = true;
  }
  if (d.cdxDirty && d.cdxOpen && !d.failed && d.exclusive) {
    try {
      d.writeCdx();
    } catch (...) {
      error = std::current_exception();
    }
  }
  d.closeFiles();
  releaseAlias(d.aliasName);
  d.open = false;
  d.peekRec = 0;
  d.state = State::Closed;
  d.recNo = 0;
  d.eof = d.bof = true;
  ++d.changes;
  if (error) std::rethrow_exception(error);
}

bool Table::isOpen() const { return d_->open; }
Table::State Table::state() const { return d_->state; }
std::string Table::path() const { return d_->path; }
std::string Table::alias() const { return d_->aliasName; }

void Table::Impl::requireOpen() const {
  if (!open) fail(err::kNotOpen, path);
}

void Table::Impl::requireWritable() const {
  requireOpen();
  if (failed) fail(err::kWriteFailed, path);
  // Without the exclusive lock another opener may be reading or writing too.
  if (!exclusive) fail(err::kState, path, "a table opened shared is read-only");
}

// --- Fields and values -----------------------------------------------------------------

int Table::fieldCount() const { return d_->open ? int(d_->dbf.fields().size()) : 0; }

const FieldDef& Table::field(int index) const {
  d_->requireOpen();
  if (index < 0 || index >= fieldCount()) fail(err::kNoField, d_->path, std::to_string(index));
  return d_->dbf.fields()[std::size_t(index)].def;
}

int Table::fieldIndex(const std::string& name) const {
  return d_->open ? d_->fieldByName.find(name) : -1;
}

int Table::Impl::fieldIndex(const std::string& name) const {
  requireOpen();
  const int i = fieldByName.find(name);
  if (i < 0) fail(err::kNoField, path, name);
  return i;
}

const std::uint8_t* Table::Impl::current() const {
  if (peekRec && peekRec <= dbf.count()) return dbf.record(peekRec);
  if (state == State::Edit || state == State::Append) return buf.data();
  if (recNo >= 1 && recNo <= dbf.count()) return dbf.record(recNo);
  return blank.data();
}

std::string Table::getRaw(const std::string& name) const {
  int i = d_->fieldIndex(name);
  const DbfField& f = d_->dbf.fields()[std::size_t(i)];
  return std::string(reinterpret_cast<const char*>(d_->current() + f.offset),
                     std::size_t(f.def.width));
}

std::string Table::getString(const std::string& name) const {
  int i = d_->fieldIndex(name);
  const DbfField& f = d_->dbf.fields()[std::size_t(i)];
  if (f.def.type == 'M') return getMemo(name);
  if (f.def.type == 'L') return getLogical(name) ? "T" : "F";
  std::string s = base::TrimRightSpaces(getRaw(name));
  return f.def.type == 'N' ? base::TrimLeftSpaces(s) : s;
}

std::string Table::getDtos(const std::string& name) const {
  std::string s = getRaw(name);
  return julianDay(s) ? s : std::string(8, ' ');
}

Date Table::getDate(const std::string& name) const { return Date::fromDtos(getDtos(name)); }

double Table::getNumber(const std::string& name) const {
  std::string s = getRaw(name);
  return fieldNumber(reinterpret_cast<const std::uint8_t*>(s.data()), int(s.size()));
}

bool Table::getLogical(const std::string& name) const {
  std::string s = getRaw(name);
  return !s.empty() && fieldLogical(std::uint8_t(s[0]));
}

bool Table::isBlank(const std::string& name) const {
  int i = d_->fieldIndex(name);
  if (d_->dbf.fields()[std::size_t(i)].def.type == 'M') return getMemo(name).empty();
  return base::IsAllSpaces(getRaw(name));
}

std::uint32_t Table::Impl::memoBlock(int field, const std::uint8_t* rec) const {
  const DbfField& f = dbf.fields()[std::size_t(field)];
  const std::uint8_t* p = rec + f.offset;
  if (f.def.width == 4) return base::le32(p);
  std::uint64_t v = 0;
  bool digits = false;
  for (int k = 0; k < f.def.width; ++k) {
    if (p[k] == ' ' && !digits) continue;
    if (!std::isdigit(p[k]))
      fail(err::kBadDbf, path, "memo pointer of " + f.def.name + " is not a number");
    digits = true;
    v = v * 10 + (p[k] - '0');
  }
  if (v > 0xFFFFFFFFull) fail(err::kBadDbf, path, "memo pointer of " + f.def.name + " too large");
  return std::uint32_t(v);
}

void Table::Impl::setMemoBlock(int field, std::uint8_t* rec, std::uint32_t block) const {
  const DbfField& f = dbf.fields()[std::size_t(field)];
  std::uint8_t* p = rec + f.offset;
  if (f.def.width == 4) {
    for (int k = 0; k < 4; ++k) p[k] = std::uint8_t(block >> (8 * k));
    return;
  }
  std::string s = block ? std::to_string(block) : std::string();
  padText(p, f.def.width, std::string(std::size_t(f.def.width) - s.size(), ' ') + s);
}

std::string Table::getMemo(const std::string& name) const {
  int i = d_->fieldIndex(name);
  if (d_->dbf.fields()[std::size_t(i)].def.type != 'M')
    fail(err::kBadField, d_->path, name + " is not a memo");
  auto it = d_->pendingMemos.find(i);
  if (it != d_->pendingMemos.end() && !d_->peekRec) return it->second;
  std::uint32_t block = d_->memoBlock(i, d_->current());
  return block ? d_->fpt.read(block) : std::string();
}

// The bytes of a field in the pending record, after checking state and type.
std::uint8_t* Table::Impl::editable(const std::string& name, int& index, char type) {
  index = fieldIndex(name);
  return editableAt(index, name, type);
}

std::uint8_t* Table::Impl::editableAt(int index, const std::string& name, char type) {
  if (state != State::Edit && state != State::Append)
    fail(err::kState, path, "field " + name + " changed outside edit or append");
  const DbfField& f = dbf.fields()[std::size_t(index)];
  if (type && f.def.type != type)
    fail(err::kBadField, path, "field " + f.def.name + " is of type " + f.def.type);
  return buf.data() + f.offset;
}

void Table::putString(const std::string& name, const std::string& value) {
  int i = d_->fieldIndex(name);
  const FieldDef& f = d_->dbf.fields()[std::size_t(i)].def;
  switch (f.type) {
    case 'N': putNumber(name, std::strtod(value.c_str(), nullptr)); return;
    case 'D': putDtos(name, base::IsAllSpaces(value) ? std::string(8, ' ') : value); return;
    case 'L': putLogical(name, !value.empty() && fieldLogical(std::uint8_t(value[0]))); return;
    case 'M': putMemo(name, value); return;
    default: {
      std::uint8_t* p = d_->editableAt(i, name, 'C');
      padText(p, f.width, value);
    }
  }
}

void Table::putDtos(const std::string& name, const std::string& v) {
  int i;
  std::uint8_t* p = d_->editable(name, i, 'D');
  bool blank = base::IsAllSpaces(v);
  if (!blank && (v.size() != 8 || !julianDay(v)))
    fail(err::kBadField, d_->path, "\"" + v + "\" is not a date for " + name);
  padText(p, 8, blank ? std::string() : v);
}

void Table::putDate(const std::string& name, const Date& v) { putDtos(name, v.toDtos()); }

void Table::putNumber(const std::string& name, double v) {
  int i;
  std::uint8_t* p = d_->editable(name, i, 'N');
  const FieldDef& f = d_->dbf.fields()[std::size_t(i)].def;
  char buf[64];
  const int n = numberText(buf, v, f.width, f.decimals);
  if (!std::isfinite(v) || n > f.width)
    fail(err::kBadField, d_->path, "value " + std::string(buf) + " does not fit " + f.name);
  std::memcpy(p, buf, std::size_t(f.width));
}

void Table::putLogical(const std::string& name, bool v) {
  int i;
  std::uint8_t* p = d_->editable(name, i, 'L');
  p[0] = v ? 'T' : 'F';
}

void Table::putMemo(const std::string& name, const std::string& value) {
  int i;
  d_->editable(name, i, 'M');
  d_->pendingMemos[i] = value;
}

bool Table::blobToFile(const std::string& field, const std::string& path) {
  try {
    std::string data = getMemo(field);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data.data(), std::streamsize(data.size()));
    out.close();
    return bool(out);
  } catch (const TableError&) {
    return false;
  }
}

void Table::fileToBlob(const std::string& field, const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) fail(err::kNotFound, path);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) fail(err::kIo, path, "read");
  putMemo(field, data);
}

// --- Tags ------------------------------------------------------------------------------

void Table::indexTag(const std::string& tag, const std::string& keyExpr, bool descending,
                     const std::string& forExpr) {
  Impl& d = *d_;
  d.requireWritable();
  if (d.state != State::Browse) fail(err::kState, d.path, "tag built while editing");
  Tag t = d.makeTag(tag, keyExpr, descending, forExpr);
  d.buildIndex(t);
  auto old = d.tags;
  bool oldOpen = d.cdxOpen;
  int at = tagArea(t.def.name);
  if (at)
    d.tags[std::size_t(at - 1)] = std::move(t);
  else
    d.tags.push_back(std::move(t));
  d.cdxOpen = true;
  d.cdxDirty = true;
  ++d.changes;
  if (d.batch == 0) {
    try {
      d.writeCdx();
    } catch (const TableError&) {
      d.tags = std::move(old);
      d.cdxOpen = oldOpen;
      d.failed = true;
      throw;
    }
  }
  d.order = at ? at : int(d.tags.size());
}

int Table::tagCount() const { return int(d_->tags.size()); }

TagInfo Table::tagInfo(int order) const {
  if (order < 1 || order > tagCount()) fail(err::kNoTag, d_->cdxPath, std::to_string(order));
  const Tag& t = d_->tags[std::size_t(order - 1)];
  return TagInfo{t.def.name,       t.def.keyExpr, t.def.forExpr,
                 t.def.descending, t.keyType,     t.def.keyLength};
}

int Table::tagArea(const std::string& name) const {
  std::string n = upperName(name);
  for (std::size_t i = 0; i < d_->tags.size(); ++i)
    if (d_->tags[i].def.name == n) return int(i) + 1;
  return 0;
}

void Table::setOrder(int order) {
  d_->requireOpen();
  if (order < 0 || order > tagCount())
    fail(err::kNoTag, d_->cdxPath, "order " + std::to_string(order));
  d_->order = order;
  ++d_->changes;
}

void Table::setOrder(const std::string& tagName) {
  int n = tagArea(tagName);
  if (!n) fail(err::kNoTag, d_->cdxPath, tagName);
  setOrder(n);
}

int Table::indexOrd() const { return d_->order; }

void Table::closeIndex() {
  Impl& d = *d_;
  d.requireOpen();
  if (d.cdxDirty && d.cdxOpen && !d.failed) d.writeCdx();
  d.tags.clear();
  d.order = 0;
  d.cdxOpen = false;
  d.cdxDirty = false;
  ++d.changes;
}

void Table::reindex() {
  Impl& d = *d_;
  d.requireWritable();
  for (auto& t : d.tags) d.buildIndex(t);
  d.cdxDirty = true;
  ++d.changes;
  if (d.batch == 0) d.writeCdx();
}

std::vector<std::string> Table::verifyTags() {
  Impl& d = *d_;
  d.requireOpen();
  std::vector<std::string> stale;
  for (auto& t : d.tags) {
    KeyIndex fresh = d.indexFromData(t);
    std::vector<std::uint8_t> keys, freshKeys;
    std::vector<std::uint32_t> recs, freshRecs;
    t.index.flatten(keys, recs);
    fresh.flatten(freshKeys, freshRecs);
    if (keys == freshKeys && recs == freshRecs) continue;
    t.index = std::move(fresh);
    stale.push_back(t.def.name);
  }
  if (stale.empty()) return stale;
  d.cdxDirty = true;
  ++d.changes;
  if (d.batch == 0 && d.cdxOpen && d.exclusive && !d.failed) d.writeCdx();
  return stale;
}

std::uint64_t Table::changeCounter() const { return d_->changes; }

}  // namespace tables
