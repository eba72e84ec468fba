// Chunked sorted sequence of index entries.
#include "tables/keyindex.h"

#include <algorithm>
#include <cstring>

namespace tables {

namespace {
constexpr std::size_t kChunkMax = 512;
}

KeyIndex::KeyIndex(int keyLength) : keyLen_(keyLength) {}

void KeyIndex::clear() {
  chunks_.clear();
  size_ = 0;
  startsValid_ = false;
}

void KeyIndex::assignSorted(const std::vector<std::uint8_t>& keys,
                            const std::vector<std::uint32_t>& recs) {
  clear();
  const std::size_t k = std::size_t(keyLen_);
  for (std::size_t i = 0; i < recs.size(); i += kChunkMax / 2) {
    std::size_t n = std::min(kChunkMax / 2, recs.size() - i);
    Chunk c;
    c.keys.assign(keys.begin() + long(i * k), keys.begin() + long((i + n) * k));
    c.recs.assign(recs.begin() + long(i), recs.begin() + long(i + n));
    chunks_.push_back(std::move(c));
  }
  size_ = recs.size();
}

int KeyIndex::cmp(const Chunk& c, std::size_t i, const std::uint8_t* key, std::uint32_t rec) const {
  int r = std::memcmp(c.keys.data() + i * std::size_t(keyLen_), key, std::size_t(keyLen_));
  if (r) return r;
  return c.recs[i] < rec ? -1 : c.recs[i] > rec ? 1 : 0;
}

// The first index in a chunk whose entry is >= (key, rec).
std::size_t KeyIndex::indexIn(const Chunk& c, const std::uint8_t* key, std::uint32_t rec) const {
  std::size_t lo = 0, hi = c.recs.size();
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    if (cmp(c, mid, key, rec) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

// The chunk that holds, or would hold, (key, rec): the first whose last entry is >= it.
std::size_t KeyIndex::chunkFor(const std::uint8_t* key, std::uint32_t rec) const {
  std::size_t lo = 0, hi = chunks_.size();
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    const Chunk& c = chunks_[mid];
    if (cmp(c, c.recs.size() - 1, key, rec) < 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

void KeyIndex::insert(const std::uint8_t* key, std::uint32_t rec) {
  const std::size_t k = std::size_t(keyLen_);
  std::size_t ci = 0;
  if (chunks_.empty())
    chunks_.emplace_back();
  else
    ci = std::min(chunkFor(key, rec), chunks_.size() - 1);
  Chunk& c = chunks_[ci];
  const std::size_t lo = indexIn(c, key, rec);
  c.keys.insert(c.keys.begin() + long(lo * k), key, key + k);
  c.recs.insert(c.recs.begin() + long(lo), rec);
  ++size_;
  if (c.recs.size() > kChunkMax) {
    Chunk tail;
    std::size_t half = c.recs.size() / 2;
    tail.keys.assign(c.keys.begin() + long(half * k), c.keys.end());
    tail.recs.assign(c.recs.begin() + long(half), c.recs.end());
    c.keys.resize(half * k);
    c.recs.resize(half);
    chunks_.insert(chunks_.begin() + long(ci) + 1, std::move(tail));
  }
  startsValid_ = false;
}

std::size_t KeyIndex::position(const std::uint8_t* key, std::uint32_t rec) const {
  std::size_t ci = chunkFor(key, rec);
  if (ci >= chunks_.size()) return size_;
  const std::size_t lo = indexIn(chunks_[ci], key, rec);
  refreshStarts();
  return starts_[ci] + lo;
}

std::size_t KeyIndex::find(const std::uint8_t* key, std::uint32_t rec) const {
  std::size_t pos = position(key, rec);
  if (pos >= size_) return npos;
  std::size_t ci, i;
  locate(pos, ci, i);
  return cmp(chunks_[ci], i, key, rec) == 0 ? pos : npos;
}

bool KeyIndex::erase(const std::uint8_t* key, std::uint32_t rec) {
  // Found within its chunk: the chunks' starts are not needed (nor refreshed after each
  // change, which a run of deletes would pay for every time).
  const std::size_t ci = chunkFor(key, rec);
  if (ci >= chunks_.size()) return false;
  Chunk& c = chunks_[ci];
  const std::size_t i = indexIn(c, key, rec);
  if (i >= c.recs.size() || cmp(c, i, key, rec) != 0) return false;
  const std::size_t k = std::size_t(keyLen_);
  c.keys.erase(c.keys.begin() + long(i * k), c.keys.begin() + long((i + 1) * k));
  c.recs.erase(c.recs.begin() + long(i));
  if (c.recs.empty()) chunks_.erase(chunks_.begin() + long(ci));
  --size_;
  startsValid_ = false;
  return true;
}

std::size_t KeyIndex::lowerBound(const std::uint8_t* key, std::size_t len, bool after) const {
  len = std::min(len, std::size_t(keyLen_));
  auto before = [&](const Chunk& c, std::size_t i) {
    int r = std::memcmp(c.keys.data() + i * std::size_t(keyLen_), key, len);
    return after ? r <= 0 : r < 0;
  };
  std::size_t lo = 0, hi = chunks_.size();
  while (lo < hi) {
    std::size_t mid = (lo + hi) / 2;
    if (before(chunks_[mid], chunks_[mid].recs.size() - 1))
      lo = mid + 1;
    else
      hi = mid;
  }
  if (lo == chunks_.size()) return size_;
  const Chunk& c = chunks_[lo];
  std::size_t a = 0, b = c.recs.size();
  while (a < b) {
    std::size_t mid = (a + b) / 2;
    if (before(c, mid))
      a = mid + 1;
    else
      b = mid;
  }
  refreshStarts();
  return starts_[lo] + a;
}

void KeyIndex::refreshStarts() const {
  if (startsValid_) return;
  starts_.resize(chunks_.size());
  std::size_t at = 0;
  for (std::size_t i = 0; i < chunks_.size(); ++i) {
    starts_[i] = at;
    at += chunks_[i].recs.size();
  }
  startsValid_ = true;
}

void KeyIndex::locate(std::size_t pos, std::size_t& chunk, std::size_t& index) const {
  refreshStarts();
  auto it = std::upper_bound(starts_.begin(), starts_.end(), pos);
  chunk = std::size_t(it - starts_.begin()) - 1;
  index = pos - starts_[chunk];
}

const std::uint8_t* KeyIndex::keyAt(std::size_t pos) const {
  std::size_t c, i;
  locate(pos, c, i);
  return chunks_[c].keys.data() + i * std::size_t(keyLen_);
}

std::uint32_t KeyIndex::recAt(std::size_t pos) const {
  std::size_t c, i;
  locate(pos, c, i);
  return chunks_[c].recs[i];
}

void KeyIndex::renumber(const std::vector<std::uint32_t>& newNumber) {
  std::vector<std::uint8_t> keys, kept;
  std::vector<std::uint32_t> recs;
  flatten(keys, recs);
  const std::size_t k = std::size_t(keyLen_);
  kept.reserve(keys.size());
  std::size_t n = 0;
  for (std::size_t i = 0; i < recs.size(); ++i) {
    const std::uint32_t r = recs[i] < newNumber.size() ? newNumber[recs[i]] : 0;
    if (!r) continue;
    kept.insert(kept.end(), keys.begin() + long(i * k), keys.begin() + long((i + 1) * k));
    recs[n++] = r;
  }
  recs.resize(n);
  assignSorted(kept, recs);
}

void KeyIndex::flatten(std::vector<std::uint8_t>& keys, std::vector<std::uint32_t>& recs) const {
  keys.clear();
  recs.clear();
  keys.reserve(size_ * std::size_t(keyLen_));
  recs.reserve(size_);
  for (const auto& c : chunks_) {
    keys.insert(keys.end(), c.keys.begin(), c.keys.end());
    recs.insert(recs.end(), c.recs.begin(), c.recs.end());
  }
}

}  // namespace tables
