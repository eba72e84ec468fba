// The quick check of stored tag entries against the data (see tagcheck.h for why it is
// enough).
#include "tables/tagcheck.h"

#include <algorithm>
#include <cstring>

#include "tables/table_impl.h"

namespace tables {

namespace {
constexpr std::uint32_t kSpreadRecords = 48;  // records between the first and the last
constexpr std::size_t kEndEntries = 8;        // entries at each end of the tag
constexpr std::size_t kSpreadEntries = 16;    // entries between

std::string recText(std::uint32_t r) { return "record " + std::to_string(r); }

// Every record at most once, and exactly the ones the FOR condition selects. Fills
// where[r] with 1 + the position of record r's entry (0: none).
std::string checkMembership(const Tag& tag, const CdxTag& stored, const DbfFile& dbf,
                            const std::vector<std::uint32_t>& deleted,
                            std::vector<std::uint32_t>& where) {
  const std::uint32_t n = dbf.count();
  where.assign(std::size_t(n) + 1, 0);
  for (std::size_t i = 0; i < stored.recs.size(); ++i) {
    const std::uint32_t r = stored.recs[i];
    if (r == 0 || r > n) return recText(r) + " is outside the table";
    if (where[r]) return recText(r) + " has two entries";
    where[r] = std::uint32_t(i + 1);
  }
  const std::size_t have = stored.recs.size();
  auto countText = [&](std::size_t want) {
    return std::to_string(have) + " entries where the data gives " + std::to_string(want);
  };
  if (!tag.forCond.valid()) return have == n ? "" : countText(n);
  if (tag.forCond.isNotDeleted()) {
    if (have != n - deleted.size()) return countText(n - deleted.size());
    for (std::uint32_t r : deleted)
      if (where[r]) return recText(r) + " is deleted but has an entry";
    return "";
  }
  for (std::uint32_t r = 1; r <= n; ++r)
    if (tag.forCond.test(dbf.record(r), r) != (where[r] != 0))
      return recText(r) + (where[r] ? " has an entry that its FOR condition refuses"
                                    : " is missing from the tag");
  return "";
}
}  // namespace

std::vector<std::uint32_t> sampleRecords(std::uint32_t count) {
  std::vector<std::uint32_t> v;
  if (count == 0) return v;
  v.push_back(1);
  for (std::uint32_t i = 1; i <= kSpreadRecords; ++i)
    v.push_back(1 + std::uint32_t(std::uint64_t(i) * (count - 1) / (kSpreadRecords + 1)));
  v.push_back(count);
  v.erase(std::unique(v.begin(), v.end()), v.end());
  return v;
}

std::vector<std::size_t> sampleEntries(std::size_t n) {
  std::vector<std::size_t> v;
  for (std::size_t i = 0; i < std::min(n, kEndEntries); ++i) {
    v.push_back(i);
    v.push_back(n - 1 - i);
  }
  for (std::size_t i = 1; n > 0 && i <= kSpreadEntries; ++i)
    v.push_back(i * (n - 1) / (kSpreadEntries + 1));
  return v;
}

std::string checkStoredEntries(const Tag& tag, const CdxTag& stored, const DbfFile& dbf,
                               const std::vector<std::uint32_t>& deleted) {
  const std::size_t k = std::size_t(tag.def.keyLength);
  if (stored.keyLength != tag.def.keyLength)
    return "stored key length " + std::to_string(stored.keyLength) + ", the expression gives " +
           std::to_string(k);
  std::vector<std::uint32_t> where;
  std::string why = checkMembership(tag, stored, dbf, deleted, where);
  if (!why.empty()) return why;
  std::vector<std::uint8_t> key(k);
  auto keyDiffers = [&](std::size_t pos) {
    const std::uint32_t r = stored.recs[pos];
    tag.key.key(dbf.record(r), r, key.data());
    return std::memcmp(key.data(), &stored.keys[pos * k], k) != 0;
  };
  for (std::uint32_t r : sampleRecords(dbf.count()))
    if (where[r] && keyDiffers(where[r] - 1))
      return "the key of " + recText(r) + " is not the data's";
  for (std::size_t pos : sampleEntries(stored.recs.size()))
    if (keyDiffers(pos)) return "the key of " + recText(stored.recs[pos]) + " is not the data's";
  return "";
}

}  // namespace tables
