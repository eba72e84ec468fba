// Frames, blocks and the missing-frame map of error-corrected pages.
#include "faxengine/ecm_blocks.h"

#include <algorithm>

namespace faxengine::ecm {

PageFrames::PageFrames(std::vector<std::uint8_t> data, std::size_t frameSize)
    : data_(std::move(data)), frameSize_(std::max<std::size_t>(frameSize, 1)) {
  frames_ = std::max<std::size_t>((data_.size() + frameSize_ - 1) / frameSize_, 1);
}

int PageFrames::blocks() const { return int((frames_ + kBlockFrames - 1) / kBlockFrames); }

int PageFrames::framesIn(int block) const {
  std::size_t first = std::size_t(block) * kBlockFrames;
  if (first >= frames_) return 0;
  return int(std::min<std::size_t>(frames_ - first, kBlockFrames));
}

std::span<const std::uint8_t> PageFrames::frame(int block, int n) const {
  std::size_t at = (std::size_t(block) * kBlockFrames + std::size_t(n)) * frameSize_;
  if (at >= data_.size()) return {};
  return std::span(data_).subspan(at, std::min(frameSize_, data_.size() - at));
}

void BlockToSend::start(int frames) {
  frames_ = std::clamp(frames, 0, kBlockFrames);
  pending_.resize(std::size_t(frames_));
  for (int n = 0; n < frames_; ++n) pending_[std::size_t(n)] = n;
}

bool BlockToSend::resend(const FrameMap& missing) {
  pending_.clear();
  for (int n = 0; n < frames_; ++n)
    if (marked(missing, n)) pending_.push_back(n);
  return !pending_.empty();
}

void BlockReceived::clear() {
  got_.fill(false);
  for (auto& f : frames_) f.clear();
}

void BlockReceived::store(int n, std::span<const std::uint8_t> data) {
  if (n < 0 || n >= kBlockFrames || got_[std::size_t(n)]) return;
  frames_[std::size_t(n)].assign(data.begin(), data.end());
  got_[std::size_t(n)] = true;
}

FrameMap BlockReceived::missing(int count) const {
  FrameMap m{};
  for (int n = 0; n < std::min(count, kBlockFrames); ++n)
    if (!got_[std::size_t(n)]) mark(m, n);
  return m;
}

bool BlockReceived::complete(int count) const {
  FrameMap m = missing(count);
  return std::all_of(m.begin(), m.end(), [](std::uint8_t b) { return b == 0; });
}

void BlockReceived::appendTo(std::vector<std::uint8_t>& page, int count) const {
  for (int n = 0; n < std::min(count, kBlockFrames); ++n)
    page.insert(page.end(), frames_[std::size_t(n)].begin(), frames_[std::size_t(n)].end());
}

}  // namespace faxengine::ecm
