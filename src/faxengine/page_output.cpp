// Page data towards the modem.
#include "faxengine/page_output.h"

#include <algorithm>

namespace faxengine {

void appendDleDoubled(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& out) {
  for (std::uint8_t b : bytes) {
    out.push_back(b);
    if (b == kDle) out.push_back(kDle);
  }
}

void PageOutput::line(std::span<const std::uint8_t> coded) {
  if (collect_)
    queue_.insert(queue_.end(), coded.begin(), coded.end());
  else
    appendDleDoubled(coded, queue_);
  if (int(coded.size()) < minBytes_) zeros(std::size_t(minBytes_) - coded.size());
  flush();
}

void PageOutput::data(std::span<const std::uint8_t> bytes) {
  if (collect_)
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
  else
    appendDleDoubled(bytes, queue_);
  flush();
}

void PageOutput::zeros(std::size_t n) {
  queue_.insert(queue_.end(), n, 0);
  flush();
}

void PageOutput::control(std::span<const std::uint8_t> bytes) {
  queue_.insert(queue_.end(), bytes.begin(), bytes.end());
  flush();
}

std::vector<std::uint8_t> PageOutput::take() {
  std::vector<std::uint8_t> out(queue_.begin() + std::ptrdiff_t(pos_), queue_.end());
  clear();
  return out;
}

bool PageOutput::flush() {
  if (collect_) return false;
  while (pos_ < queue_.size()) {
    std::size_t n = std::min(queue_.size() - pos_, link_.outputSpace());
    if (n == 0 || !link_.write(std::span(queue_).subspan(pos_, n))) break;
    pos_ += n;
    written_ += n;
  }
  if (pos_ == queue_.size()) {
    clear();
    return true;
  }
  if (pos_ > 65536) {  // keep the queue from growing while part of it waits
    queue_.erase(queue_.begin(), queue_.begin() + std::ptrdiff_t(pos_));
    pos_ = 0;
  }
  return false;
}

void PageOutput::clear() {
  queue_.clear();
  pos_ = 0;
}

}  // namespace faxengine
