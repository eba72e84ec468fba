// A BRX file being sent: the header check, locating a page, and handing out the page's
// data in blocks of at most 4096 bytes (one line record at a time for pages made of
// line records, padded later to the minimum bytes per line).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include <vector>

#include "faxengine/line_recoder.h"
#include "faximage/brx_file.h"

namespace faxengine {

class SendFile {
 public:
  static constexpr std::size_t kBlock = 4096;

  // Opens and checks the file (-8001 when it is not a BRX file, file errors otherwise).
  int open(const std::string& name);
  void close();
  bool isOpen() const { return open_; }
  int pageCount() const { return reader_.pageCount(); }

  // Positions at page n (from 1): -100 when it lies beyond the file.
  int seekPage(int n);
  const faximage::FaxPageHeader& pageHeader() const { return page_.header; }
  long imageLength() const { return long(page_.header.imageLength); }

  // The next block of the page; an empty span at the end. Sets `record` when the block
  // is a whole line record. A page cut short by the end of the file gives -100.
  int next(std::span<const std::uint8_t>& block, bool& record);
  // Codes the current page for the line: its rows go through `coder`, and next() hands
  // out one line record per coded row from the start of the page, the page's end last.
  // A page cut short by the end of the file gives -100.
  int recode(LineRecoder& coder);
  // All of the page has been handed out (a page cut short is never done: next() fails).
  bool done() const { return pos_ >= page_.data.size() && !page_.truncated; }
  long consumed() const { return long(pos_); }

 private:
  faximage::BrxReader reader_;
  faximage::BrxPage page_;
  std::size_t pos_ = 0;
  bool open_ = false;
  std::vector<std::uint8_t> recoded_;  // the current page's data after recode()
};

}  // namespace faxengine
