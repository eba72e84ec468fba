// Reading the pages of a fax file for sending.
#include "faxengine/send_file.h"

#include <algorithm>

#include "faxengine/errors.h"

namespace faxengine {

int SendFile::open(const std::string& name) {
  close();
  int rc = reader_.openFile(name);
  open_ = rc == ecOK;
  return rc;
}

void SendFile::close() {
  reader_ = faximage::BrxReader();
  page_ = faximage::BrxPage();
  pos_ = 0;
  open_ = false;
}

int SendFile::seekPage(int n) {
  pos_ = 0;
  if (!open_ || n < 1 || n > reader_.pageCount()) return ecDiskRead;
  if (reader_.page(unsigned(n), page_) != ecOK) return ecDiskRead;
  return ecOK;
}

int SendFile::next(std::span<const std::uint8_t>& block, bool& record) {
  block = {};
  record = page_.header.lineLengths();
  std::span<const std::uint8_t> data = page_.data;
  if (pos_ >= data.size()) return page_.truncated ? ecDiskRead : ecOK;
  if (!record) {
    block = data.subspan(pos_, std::min(kBlock, data.size() - pos_));
    pos_ += block.size();
    return ecOK;
  }
  if (data.size() - pos_ < 2) return ecDiskRead;
  std::size_t len = data[pos_] | (std::size_t(data[pos_ + 1]) << 8);
  if (data.size() - pos_ - 2 < len) return ecDiskRead;
  block = data.subspan(pos_ + 2, std::min(len, kBlock));  // bytes past 4096 are not used
  pos_ += 2 + len;
  return ecOK;
}

int SendFile::recode(LineRecoder& coder) {
  if (page_.truncated) return ecDiskRead;
  // Line records hold whole MH lines: their bodies one after the other are the page's
  // coded stream.
  std::vector<std::uint8_t> joined;
  std::span<const std::uint8_t> stream = page_.data;
  pos_ = 0;
  if (page_.header.lineLengths()) {
    std::span<const std::uint8_t> block;
    bool record = false;
    while (!done()) {
      if (int rc = next(block, record); rc != ecOK) return rc;
      joined.insert(joined.end(), block.begin(), block.end());
    }
    stream = joined;
  }
  std::vector<std::uint8_t> records;
  auto addRecord = [&records](std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) return;  // an MMR row that fills no byte yet
    records.push_back(std::uint8_t(bytes.size()));
    records.push_back(std::uint8_t(bytes.size() >> 8));
    records.insert(records.end(), bytes.begin(), bytes.end());
  };
  faximage::t4::PageDecoder decoder(faximage::t4::Coding::Mh, page_.header.lineWidth());
  decoder.decodePage(stream, [&](const std::uint8_t* line, int bytes) {
    addRecord(coder.row({line, std::size_t(bytes)}));
    return true;
  });
  addRecord(coder.finish());
  recoded_ = std::move(records);
  page_.data = recoded_;
  page_.header.pageFlags |= faximage::pfLineLengths;
  page_.header.imageLength = std::uint32_t(recoded_.size());
  pos_ = 0;
  return ecOK;
}

}  // namespace faxengine
