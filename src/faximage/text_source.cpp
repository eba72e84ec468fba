// Text page source: lines of a text file drawn with the fax font, split into pages by the
// lines-per-page limit and by form feeds.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "faximage/errors.h"
#include "faximage/line_source.h"

namespace faximage {

namespace {

constexpr std::size_t kMaxTextLine = 144;  // characters kept of one line of the file

class TextSource : public LineSource {
 public:
  TextSource(const SourceContext& ctx, const ConvertState& font, const TextSettings& s)
      : font_(font), linesPerPage_(s.linesPerPage), tabStop_(s.tabStop ? s.tabStop : 4) {
    const int gw = std::max(font.glyphWidth(), 1);
    charsPerLine_ = std::max(0, ctx.pageWidth / gw - ctx.leftMargin / gw);
  }

  int openBytes(std::span<const std::uint8_t> bytes) override {
    if (font_.glyphWidth() == 0) return ecFontNotFound;
    data_.assign(bytes.begin(), bytes.end());
    bytesToConvert_ = long(data_.size());
    return ecOK;
  }

  int readLine(LineBuffer& line, LineRead& r) override {
    if (!current_ || row_ > font_.glyphHeight()) {
      if (endAfterBlank_) {
        bool more = *endAfterBlank_;
        endAfterBlank_.reset();
        return endPage(r, more);
      }
      std::optional<bool> end = nextTextLine();
      if (end) {
        if (rasterLines_ == 0) {  // a page never ends before its first line: one blank line
          endAfterBlank_ = *end;
          ++rasterLines_;
          r.length = 0;
          return ecOK;
        }
        return endPage(r, *end);
      }
    }
    font_.RenderTextRow(*current_, row_, line);
    r.length = int((current_->size() * std::size_t(font_.glyphWidth()) + 7) / 8);
    ++row_;
    ++rasterLines_;
    return ecOK;
  }

 private:
  // Makes the next text line current, or returns whether more pages follow when the page
  // ends in front of it.
  std::optional<bool> nextTextLine() {
    current_.reset();
    if (pending_) {  // the line that ended the previous page starts this one
      current_ = std::move(pending_);
      pending_.reset();
      row_ = 1;
      return std::nullopt;
    }
    bool isCarried = false;
    std::string text;
    if (carried_) {
      text = std::move(*carried_);
      carried_.reset();
      isCarried = true;
    } else if (pos_ >= data_.size()) {
      return false;
    } else {
      text = readFileLine();
    }
    std::size_t ff = text.find('\f');
    if (ff != std::string::npos) {
      carried_ = text.substr(ff + 1);
      text.resize(ff);
    }
    text = expandTabs(text);
    if (text.size() > std::size_t(charsPerLine_)) text.resize(std::size_t(charsPerLine_));
    ++count_;
    if (isCarried || (linesPerPage_ != 0 && count_ > linesPerPage_)) {
      if (isCarried && text.empty()) {
        count_ = 0;  // an empty carried text is dropped
      } else {
        pending_ = std::move(text);
        count_ = 1;
      }
      return pending_.has_value() || carried_.has_value() || pos_ < data_.size();
    }
    current_ = std::move(text);
    row_ = 1;
    return std::nullopt;
  }

  int endPage(LineRead& r, bool more) {
    r.endOfPage = true;
    r.morePages = more;
    rasterLines_ = 0;
    current_.reset();
    return ecOK;
  }

  std::string readFileLine() {
    std::size_t start = pos_;
    std::size_t end = start;
    while (end < data_.size() && data_[end] != '\n' && data_[end] != '\r') ++end;
    std::string text(data_.begin() + long(start),
                     data_.begin() + long(std::min(end, start + kMaxTextLine)));
    pos_ = end;
    if (pos_ < data_.size() && data_[pos_] == '\r') ++pos_;
    if (pos_ < data_.size() && data_[pos_] == '\n') ++pos_;
    bytesConverted_ = std::min<long>(bytesConverted_ + long(text.size()) + 2, bytesToConvert_);
    return text;
  }

  std::string expandTabs(const std::string& in) const {
    std::string out;
    for (char c : in) {
      if (c == '\t') {
        do out.push_back(' ');
        while (out.size() % tabStop_ != 0 && out.size() < kMaxTextLine * 8);
      } else {
        out.push_back(c);
      }
    }
    return out;
  }

  const ConvertState& font_;
  unsigned linesPerPage_;
  unsigned tabStop_;
  int charsPerLine_ = 0;
  std::vector<std::uint8_t> data_;
  std::size_t pos_ = 0;
  std::optional<std::string> carried_;
  std::optional<std::string> pending_;
  std::optional<std::string> current_;
  int row_ = 1;
  unsigned count_ = 0;
  long rasterLines_ = 0;
  std::optional<bool> endAfterBlank_;
};

}  // namespace

std::unique_ptr<LineSource> makeTextSource(const SourceContext& ctx, const ConvertState& font,
                                           const TextSettings& settings) {
  return std::make_unique<TextSource>(ctx, font, settings);
}

}  // namespace faximage
