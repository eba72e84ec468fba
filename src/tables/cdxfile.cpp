// Reading and writing CDX compound index files.
#include "tables/cdxfile.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <set>

#include "base/bytes.h"
#include "tables/errors.h"

namespace tables {

namespace {
constexpr std::uint32_t kNone = 0xFFFFFFFFu;
constexpr int kDirKeyLength = 10;
constexpr int kLeafHeader = 24;
constexpr int kNodeHeader = 12;
constexpr int kMaxDepth = 32;

// Pages come from a window of the file read in one go: a tree's pages mostly lie one
// after another, so reading a large tag takes a few reads instead of one per page.
class PageReader {
 public:
  static constexpr std::uint32_t kWindow = 64 * 1024;

  PageReader(const BlockFile& f) : f_(f), size_(f.size()) {}
  void read(std::uint32_t off, std::uint8_t* page) const {
    if (off % kCdxPage != 0 || off == 0 || std::uint64_t(off) + kCdxPage > size_)
      bad("page offset " + std::to_string(off) + " is not a page of the file");
    if (off < windowStart_ || std::uint64_t(off) + kCdxPage > windowStart_ + window_.size()) {
      window_.resize(std::size_t(std::min<std::uint64_t>(kWindow, size_ - off)));
      f_.readExact(off, window_.data(), window_.size(), err::kBadCdx);
      windowStart_ = off;
    }
    std::memcpy(page, window_.data() + (off - windowStart_), kCdxPage);
  }
  std::uint64_t size() const { return size_; }
  [[noreturn]] void bad(const std::string& why) const { fail(err::kBadCdx, f_.path(), why); }

 private:
  const BlockFile& f_;
  std::uint64_t size_;
  mutable std::vector<std::uint8_t> window_;
  mutable std::uint64_t windowStart_ = 0;
};

// Appends the entries of one leaf page; prev carries the last key across entries.
void decodeLeaf(const PageReader& r, const std::uint8_t* pg, int keyLen, char pad,
                std::uint32_t maxRec, std::vector<std::uint8_t>& prev,
                std::vector<std::uint8_t>& keys, std::vector<std::uint32_t>& recs) {
  const int count = base::le16(pg + 2);
  const int recBits = pg[20], dupBits = pg[21], trailBits = pg[22], nbytes = pg[23];
  if (nbytes < 1 || nbytes > 8 || recBits > 32 || dupBits > 8 || trailBits > 8 ||
      recBits + dupBits + trailBits > nbytes * 8)
    r.bad("leaf bit layout " + std::to_string(recBits) + "/" + std::to_string(dupBits) + "/" +
          std::to_string(trailBits) + " in " + std::to_string(nbytes) + " bytes is impossible");
  const int entriesEnd = kLeafHeader + count * nbytes;
  if (entriesEnd > int(kCdxPage)) r.bad("leaf holds more entries than fit a page");
  const std::uint64_t recMask = base::le32(pg + 14) & ((1ull << recBits) - 1);
  const std::uint32_t dupMask = pg[18] & ((1u << dupBits) - 1);
  const std::uint32_t trailMask = pg[19] & ((1u << trailBits) - 1);
  int keyPos = int(kCdxPage);
  for (int i = 0; i < count; ++i) {
    std::uint64_t v = 0;
    for (int b = nbytes - 1; b >= 0; --b) v = (v << 8) | pg[kLeafHeader + i * nbytes + b];
    std::uint32_t rec = std::uint32_t(v & recMask);
    int dup = int((v >> recBits) & dupMask);
    int trail = int((v >> (recBits + dupBits)) & trailMask);
    if (dup + trail > keyLen) r.bad("leaf entry compresses more than the key length");
    int stored = keyLen - dup - trail;
    keyPos -= stored;
    if (keyPos < entriesEnd) r.bad("leaf keys overlap the entry table");
    if (rec == 0 || rec > maxRec) r.bad("record number " + std::to_string(rec) + " out of range");
    std::memcpy(prev.data() + dup, pg + keyPos, std::size_t(stored));
    std::memset(prev.data() + dup + stored, pad, std::size_t(trail));
    keys.insert(keys.end(), prev.begin(), prev.end());
    recs.push_back(rec);
  }
  if (base::le16(pg + 12) != keyPos - entriesEnd) r.bad("leaf free-space word is wrong");
}

// Reads a whole tree: down the leftmost path, then along the leaves' right links.
void readTree(const PageReader& r, std::uint32_t root, int keyLen, char pad, std::uint32_t maxRec,
              std::vector<std::uint8_t>& keys, std::vector<std::uint32_t>& recs) {
  std::set<std::uint32_t> seen;
  std::uint8_t pg[kCdxPage];
  std::uint32_t node = root;
  for (int depth = 0;; ++depth) {
    if (depth > kMaxDepth) r.bad("tree deeper than " + std::to_string(kMaxDepth) + " levels");
    if (!seen.insert(node).second) r.bad("tree pages form a cycle");
    r.read(node, pg);
    int attr = base::le16(pg);
    if (attr > 3) r.bad("node attribute " + std::to_string(attr));
    if (attr & 2) break;
    int count = base::le16(pg + 2);
    if (count == 0 || kNodeHeader + count * (keyLen + 8) > int(kCdxPage))
      r.bad("interior node key count " + std::to_string(count));
    node = base::be32(pg + kNodeHeader + keyLen + 4);
  }
  if (base::le32(pg + 4) != kNone) r.bad("first leaf has a left sibling");
  std::vector<std::uint8_t> prev(static_cast<std::size_t>(keyLen), static_cast<std::uint8_t>(pad));
  while (true) {
    decodeLeaf(r, pg, keyLen, pad, maxRec, prev, keys, recs);
    std::uint32_t right = base::le32(pg + 8);
    if (right == kNone) break;
    if (!seen.insert(right).second) r.bad("leaf chain forms a cycle");
    r.read(right, pg);
    if (!(base::le16(pg) & 2)) r.bad("leaf chain reaches a non-leaf page");
  }
  // Entries must ascend by (key, record): lookups depend on it.
  const std::size_t k = std::size_t(keyLen);
  for (std::size_t i = 1; i < recs.size(); ++i) {
    int c = std::memcmp(&keys[(i - 1) * k], &keys[i * k], k);
    if (c > 0 || (c == 0 && recs[i - 1] >= recs[i])) r.bad("keys are out of order");
  }
}

struct TagHeader {
  std::uint32_t root = 0;
  int keyLen = 0;
  std::uint8_t options = 0;
  bool descending = false;
  std::string keyExpr, forExpr;
};

TagHeader readHeader(const PageReader& r, std::uint32_t off) {
  std::uint8_t h[2 * kCdxPage];
  r.read(off, h);
  r.read(off + kCdxPage, h + kCdxPage);
  TagHeader t;
  t.root = base::le32(h);
  t.keyLen = base::le16(h + 12);
  t.options = h[14];
  t.descending = base::le16(h + 502) != 0;
  if (t.keyLen < 1 || t.keyLen > 240) r.bad("key length " + std::to_string(t.keyLen));
  const char* pool = reinterpret_cast<const char*>(h + kCdxPage);
  std::size_t n = strnlen(pool, kCdxPage);
  t.keyExpr.assign(pool, n);
  if (t.options & 0x08 && n + 1 < kCdxPage)
    t.forExpr.assign(pool + n + 1, strnlen(pool + n + 1, kCdxPage - n - 1));
  return t;
}

std::string trimName(const std::uint8_t* k, int len) {
  std::string s(reinterpret_cast<const char*>(k), std::size_t(len));
  while (!s.empty() && (s.back() == ' ' || s.back() == '\0')) s.pop_back();
  return s;
}
}  // namespace

std::vector<CdxTag> readCdx(const BlockFile& file, std::uint32_t maxRec,
                            const std::function<char(const std::string&)>& padFor) {
  PageReader r(file);
  if (r.size() < 3 * kCdxPage || r.size() % kCdxPage != 0)
    r.bad("size " + std::to_string(r.size()) + " is not a whole number of pages");
  std::uint8_t h[kCdxPage];
  file.readExact(0, h, kCdxPage, err::kBadCdx);
  if (base::le16(h + 12) != kDirKeyLength) r.bad("tag directory key length is not 10");
  std::vector<std::uint8_t> names;
  std::vector<std::uint32_t> offsets;
  auto maxOffset = std::uint32_t(std::min<std::uint64_t>(r.size(), 0xFFFFFFFFu));
  readTree(r, base::le32(h), kDirKeyLength, ' ', maxOffset, names, offsets);

  std::vector<std::size_t> order(offsets.size());
  std::iota(order.begin(), order.end(), 0);
  std::sort(order.begin(), order.end(), [&](auto a, auto b) { return offsets[a] < offsets[b]; });
  std::vector<CdxTag> tags;
  std::set<std::uint32_t> headerPages;
  for (std::size_t i : order) {
    if (!headerPages.insert(offsets[i]).second) r.bad("two tags share one header");
    TagHeader th = readHeader(r, offsets[i]);
    CdxTag t;
    t.name = trimName(&names[i * kDirKeyLength], kDirKeyLength);
    t.keyExpr = th.keyExpr;
    t.forExpr = th.forExpr;
    t.descending = th.descending;
    t.keyLength = th.keyLen;
    if (t.name.empty() || t.keyExpr.empty()) r.bad("tag without a name or key expression");
    char pad = padFor(t.keyExpr);
    if (pad == 0) {
      t.problem = "key expression \"" + t.keyExpr + "\" is not understood";
    } else {
      t.padByte = pad == 1 ? '\0' : pad;
      try {
        readTree(r, th.root, th.keyLen, t.padByte, maxRec, t.keys, t.recs);
        t.entriesValid = true;
      } catch (const TableError& e) {
        t.keys.clear();
        t.recs.clear();
        t.problem = e.what();
      }
    }
    tags.push_back(std::move(t));
  }
  return tags;
}

namespace {
int bitsFor(std::uint64_t v) {
  int b = 0;
  while (v) {
    ++b;
    v >>= 1;
  }
  return b;
}

struct NodeRef {
  std::uint32_t offset;
  std::vector<std::uint8_t> lastKey;
  std::uint32_t lastRec;
};

std::uint32_t allocPage(std::vector<std::uint8_t>& out) {
  auto off = std::uint32_t(out.size());
  out.resize(out.size() + kCdxPage, 0);
  return off;
}

// Writes the leaves of a tree; returns one reference per leaf.
std::vector<NodeRef> writeLeaves(std::vector<std::uint8_t>& out, const std::uint8_t* keys,
                                 const std::uint32_t* recs, std::size_t n, int keyLen, char pad) {
  const int dupBits = bitsFor(std::uint64_t(keyLen));
  std::uint32_t maxRec = 1;
  for (std::size_t i = 0; i < n; ++i) maxRec = std::max(maxRec, recs[i]);
  const int nbytes = std::max(3, (bitsFor(maxRec) + 2 * dupBits + 7) / 8);
  const int recBits = std::min(32, nbytes * 8 - 2 * dupBits);
  const std::size_t k = std::size_t(keyLen);
  std::vector<NodeRef> leaves;
  std::size_t i = 0;
  do {
    std::uint32_t off = allocPage(out);
    std::uint8_t* pg = &out[off];
    base::putLe32(pg + 14, std::uint32_t((1ull << recBits) - 1));
    pg[18] = std::uint8_t((1u << dupBits) - 1);
    pg[19] = std::uint8_t((1u << dupBits) - 1);
    pg[20] = std::uint8_t(recBits);
    pg[21] = std::uint8_t(dupBits);
    pg[22] = std::uint8_t(dupBits);
    pg[23] = std::uint8_t(nbytes);
    int count = 0, keyPos = int(kCdxPage);
    for (; i < n; ++i, ++count) {
      const std::uint8_t* key = keys + i * k;
      int dup = 0;
      if (count > 0)
        while (dup < keyLen && key[dup] == keys[(i - 1) * k + std::size_t(dup)]) ++dup;
      int trail = 0;
      while (trail < keyLen - dup && key[keyLen - 1 - trail] == std::uint8_t(pad)) ++trail;
      int stored = keyLen - dup - trail;
      if (kLeafHeader + (count + 1) * nbytes > keyPos - stored) break;
      keyPos -= stored;
      std::memcpy(pg + keyPos, key + dup, std::size_t(stored));
      std::uint64_t v =
          recs[i] | (std::uint64_t(dup) << recBits) | (std::uint64_t(trail) << (recBits + dupBits));
      for (int b = 0; b < nbytes; ++b)
        pg[kLeafHeader + count * nbytes + b] = std::uint8_t(v >> (8 * b));
    }
    base::putLe16(pg, 2);
    base::putLe16(pg + 2, std::uint32_t(count));
    base::putLe16(pg + 12, std::uint32_t(keyPos - kLeafHeader - count * nbytes));
    NodeRef ref{off, {}, 0};
    if (count > 0) {
      ref.lastKey.assign(keys + (i - 1) * k, keys + i * k);
      ref.lastRec = recs[i - 1];
    }
    leaves.push_back(std::move(ref));
  } while (i < n);
  return leaves;
}

void linkLevel(std::vector<std::uint8_t>& out, const std::vector<NodeRef>& level) {
  for (std::size_t j = 0; j < level.size(); ++j) {
    std::uint8_t* pg = &out[level[j].offset];
    base::putLe32(pg + 4, j == 0 ? kNone : level[j - 1].offset);
    base::putLe32(pg + 8, j + 1 == level.size() ? kNone : level[j + 1].offset);
  }
}

std::uint32_t writeTree(std::vector<std::uint8_t>& out, const std::uint8_t* keys,
                        const std::uint32_t* recs, std::size_t n, int keyLen, char pad) {
  std::vector<NodeRef> level = writeLeaves(out, keys, recs, n, keyLen, pad);
  linkLevel(out, level);
  const std::size_t perNode = (kCdxPage - kNodeHeader) / std::size_t(keyLen + 8);
  while (level.size() > 1) {
    std::vector<NodeRef> up;
    for (std::size_t j = 0; j < level.size(); j += perNode) {
      std::size_t m = std::min(perNode, level.size() - j);
      std::uint32_t off = allocPage(out);
      std::uint8_t* pg = &out[off];
      base::putLe16(pg, 0);
      base::putLe16(pg + 2, std::uint32_t(m));
      for (std::size_t e = 0; e < m; ++e) {
        std::uint8_t* ent = pg + kNodeHeader + e * std::size_t(keyLen + 8);
        const NodeRef& c = level[j + e];
        std::memcpy(ent, c.lastKey.data(), std::size_t(keyLen));
        base::putBe32(ent + keyLen, c.lastRec);
        base::putBe32(ent + keyLen + 4, c.offset);
      }
      up.push_back(NodeRef{off, level[j + m - 1].lastKey, level[j + m - 1].lastRec});
    }
    linkLevel(out, up);
    level = std::move(up);
  }
  std::uint8_t* root = &out[level[0].offset];
  base::putLe16(root, base::le16(root) | 1u);
  return level[0].offset;
}

void fillHeader(std::uint8_t* h, std::uint32_t root, int keyLen, std::uint8_t options,
                bool descending, const std::string& keyExpr, const std::string& forExpr) {
  base::putLe32(h, root);
  base::putLe16(h + 12, std::uint32_t(keyLen));
  h[14] = options;
  h[15] = 1;
  base::putLe16(h + 502, descending ? 1 : 0);
  base::putLe16(h + 504, std::uint32_t(keyExpr.size() + 1));
  base::putLe16(h + 506, std::uint32_t(forExpr.size() + 1));
  base::putLe16(h + 510, std::uint32_t(keyExpr.size() + 1));
  std::memcpy(h + kCdxPage, keyExpr.data(), keyExpr.size());
  std::memcpy(h + kCdxPage + keyExpr.size() + 1, forExpr.data(), forExpr.size());
}
}  // namespace

// The directory's pages come right after the file header, as other writers place them,
// so a file cut short still names its tags. Their number is worked out first with the
// largest header offsets possible; pages the real directory leaves over join the free list.
std::vector<std::uint8_t> buildCdx(const std::vector<const CdxTag*>& tags) {
  std::vector<std::pair<std::string, std::uint32_t>> dir;
  for (const CdxTag* t : tags) {
    std::string name = t->name.substr(0, kDirKeyLength);
    name.resize(kDirKeyLength, ' ');
    dir.emplace_back(name, 0);
  }
  auto buildDirectory = [&](std::vector<std::uint8_t>& out) {
    auto sorted = dir;
    std::sort(sorted.begin(), sorted.end());
    std::vector<std::uint8_t> keys;
    std::vector<std::uint32_t> recs;
    for (const auto& [name, off] : sorted) {
      keys.insert(keys.end(), name.begin(), name.end());
      recs.push_back(off);
    }
    return writeTree(out, keys.data(), recs.data(), recs.size(), kDirKeyLength, ' ');
  };
  for (auto& e : dir) e.second = 0xFFFFFE00u;
  std::vector<std::uint8_t> probe(2 * kCdxPage, 0);
  buildDirectory(probe);
  const std::size_t reserved = probe.size() / kCdxPage - 2;

  std::vector<std::uint8_t> out((2 + reserved) * kCdxPage, 0);
  for (std::size_t i = 0; i < tags.size(); ++i) {
    const CdxTag* t = tags[i];
    std::uint32_t hdr = allocPage(out);
    allocPage(out);
    std::uint32_t root =
        writeTree(out, t->keys.data(), t->recs.data(), t->recs.size(), t->keyLength, t->padByte);
    std::uint8_t options = std::uint8_t(0x60 | (t->forExpr.empty() ? 0 : 0x08));
    fillHeader(&out[hdr], root, t->keyLength, options, t->descending, t->keyExpr, t->forExpr);
    dir[i].second = hdr;
  }
  std::vector<std::uint8_t> dirPages(2 * kCdxPage, 0);
  std::uint32_t root = buildDirectory(dirPages);
  std::size_t used = dirPages.size() / kCdxPage - 2;
  std::copy(dirPages.begin() + 2 * kCdxPage, dirPages.end(), out.begin() + 2 * kCdxPage);
  fillHeader(out.data(), root, kDirKeyLength, 0xE0, false, "", "");
  // Chain the reserved pages left over into the free list.
  std::uint32_t freeHead = 0;
  for (std::size_t p = reserved; p > used; --p) {
    std::uint32_t off = std::uint32_t((p + 1) * kCdxPage);
    base::putLe32(&out[off], freeHead);
    freeHead = off;
  }
  base::putLe32(&out[4], freeHead);
  return out;
}

}  // namespace tables
