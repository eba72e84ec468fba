// A fixed-size ring of bytes. Positions are running counters, so "used" is head - tail
// and a full ring is told apart from an empty one without a spare byte. Not locked: the
// port guards its rings with its own mutex.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace faxengine {

class ByteRing {
 public:
  explicit ByteRing(std::size_t capacity = 0) : bytes_(capacity) {}

  std::size_t capacity() const { return bytes_.size(); }
  std::size_t used() const { return std::size_t(head_ - tail_); }
  std::size_t space() const { return capacity() - used(); }
  bool full() const { return used() == capacity(); }
  std::uint64_t head() const { return head_; }
  std::uint64_t tail() const { return tail_; }

  // The byte at running position pos (tail <= pos < head).
  std::uint8_t at(std::uint64_t pos) const { return bytes_[pos % capacity()]; }

  // Appends as much as fits; returns the count taken.
  std::size_t put(const std::uint8_t* data, std::size_t n) {
    n = std::min(n, space());
    for (std::size_t done = 0; done < n;) {
      std::span<std::uint8_t> w = writable();
      std::size_t k = std::min(w.size(), n - done);
      std::memcpy(w.data(), data + done, k);
      commit(k);
      done += k;
    }
    return n;
  }
  // Copies up to n bytes from the running position `from` (not removing them).
  std::size_t copyOut(std::uint64_t from, std::uint8_t* out, std::size_t n) const {
    n = std::min<std::size_t>(n, std::size_t(head_ - from));
    for (std::size_t i = 0; i < n;) {
      std::size_t off = (from + i) % capacity();
      std::size_t k = std::min(n - i, capacity() - off);
      std::memcpy(out + i, bytes_.data() + off, k);
      i += k;
    }
    return n;
  }

  // The free space after head up to the end of the storage, to be filled in place.
  std::span<std::uint8_t> writable() {
    std::size_t off = head_ % capacity();
    return {bytes_.data() + off, std::min(space(), capacity() - off)};
  }
  void commit(std::size_t n) { head_ += n; }
  // The waiting bytes from tail up to the end of the storage.
  std::span<const std::uint8_t> readable() const {
    std::size_t off = tail_ % capacity();
    return {bytes_.data() + off, std::min(used(), capacity() - off)};
  }
  void consume(std::size_t n) { tail_ += std::min(n, used()); }
  void clear() { tail_ = head_; }

 private:
  std::vector<std::uint8_t> bytes_;
  std::uint64_t head_ = 0;
  std::uint64_t tail_ = 0;
};

}  // namespace faxengine
