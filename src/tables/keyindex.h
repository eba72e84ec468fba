// The in-memory form of one index tag: (key, record number) pairs in ascending order,
// kept in chunks so that inserts, deletes and lookups by position all stay cheap.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace tables {

class KeyIndex {
 public:
  static constexpr std::size_t npos = ~std::size_t(0);

  explicit KeyIndex(int keyLength = 1);
  int keyLength() const { return keyLen_; }
  std::size_t size() const { return size_; }
  void clear();
  // Replaces the content with entries already sorted by (key, record).
  void assignSorted(const std::vector<std::uint8_t>& keys, const std::vector<std::uint32_t>& recs);

  void insert(const std::uint8_t* key, std::uint32_t rec);
  bool erase(const std::uint8_t* key, std::uint32_t rec);
  // Position of (key, rec), or npos.
  std::size_t find(const std::uint8_t* key, std::uint32_t rec) const;
  // First position whose entry is >= (key, rec); size() when none.
  std::size_t position(const std::uint8_t* key, std::uint32_t rec) const;
  // First position whose key, compared over its first len bytes, is >= key (or > key
  // when after is set); size() when none.
  std::size_t lowerBound(const std::uint8_t* key, std::size_t len, bool after = false) const;

  const std::uint8_t* keyAt(std::size_t pos) const;
  std::uint32_t recAt(std::size_t pos) const;
  // Gives each entry the record number newNumber[rec], dropping those that get 0; the
  // numbers must keep the records' order.
  void renumber(const std::vector<std::uint32_t>& newNumber);
  // Every entry in order, into flat arrays.
  void flatten(std::vector<std::uint8_t>& keys, std::vector<std::uint32_t>& recs) const;

 private:
  struct Chunk {
    std::vector<std::uint8_t> keys;
    std::vector<std::uint32_t> recs;
  };
  int cmp(const Chunk& c, std::size_t i, const std::uint8_t* key, std::uint32_t rec) const;
  std::size_t chunkFor(const std::uint8_t* key, std::uint32_t rec) const;
  std::size_t indexIn(const Chunk& c, const std::uint8_t* key, std::uint32_t rec) const;
  void locate(std::size_t pos, std::size_t& chunk, std::size_t& index) const;
  void refreshStarts() const;

  int keyLen_;
  std::size_t size_ = 0;
  std::vector<Chunk> chunks_;
  mutable std::vector<std::size_t> starts_;  // position of each chunk's first entry
  mutable bool startsValid_ = false;
};

}  // namespace tables
