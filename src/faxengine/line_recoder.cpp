// Coding the sender's MH lines again for the line.
#include "faxengine/line_recoder.h"

#include "faximage/brx_format.h"

namespace faxengine {

void LineRecoder::begin(Coding coding, int width, bool fine) {
  coding_ = coding;
  width_ = width;
  encoder_.emplace(coding, width, mrK(fine));
}

std::span<const std::uint8_t> LineRecoder::line(std::span<const std::uint8_t> mh) {
  if (!recodes()) return mh;
  encoder_->takeBytes();
  faximage::t4::LineDecoder decoder(width_);
  decoder.decodePage(mh, [this](const std::uint8_t* raster, int bytes) {
    encoder_->addRow({raster, std::size_t(bytes)});
    return false;  // one line at most
  });
  return encoder_->bytes();
}

std::span<const std::uint8_t> LineRecoder::row(std::span<const std::uint8_t> raster) {
  if (!encoder_) return {};
  encoder_->takeBytes();
  encoder_->addRow(raster);
  return encoder_->bytes();
}

std::span<const std::uint8_t> LineRecoder::finish() {
  if (!recodes()) return faximage::kEndOfPageRecord;
  encoder_->takeBytes();
  encoder_->finish();
  return encoder_->bytes();
}

}  // namespace faxengine
