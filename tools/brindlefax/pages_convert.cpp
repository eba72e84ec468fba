// PDF, PostScript and pictures into BRX pages through the converter's line events.
#include "pages_convert.h"

#include "base/bilevel.h"
#include "faximage/errors.h"

#include <algorithm>
#include <cstring>

namespace brindlefax {

using namespace faximage;

namespace {

constexpr double kFaxXDpi = 204;
constexpr int kFaxLine = 1728;
constexpr double kLongestPageInches = 23.4;  // two A4 pages: longer pages are shrunk

PictureReader& pictureReader() {
  static PictureReader reader;
  return reader;
}

// Feeds pages, one rendered at a time, to the converter as lines of 1728 pixels.
class PageFeeder {
 public:
  // Document pages are drawn with unsmoothed text and lines, so only their greys are mid
  // values: they are dithered throughout. Pictures may be line art or photographs.
  PageFeeder(int pages, PagesInput kind, std::function<int(int page, GreyPage&)> render)
      : pages_(pages), kind_(kind), render_(std::move(render)) {}

  void read(std::uint8_t* data, int& len, bool& endOfPage, bool& morePages) {
    len = 0;
    if (rc_ != ecOK) {  // the converter stops at the status call that follows
      endOfPage = true;
      morePages = false;
      return;
    }
    if (row_ < 0 && !load()) {
      endOfPage = true;
      morePages = false;
      return;
    }
    if (row_ >= page_.height) {
      endOfPage = true;
      morePages = number_ < pages_;
      row_ = -1;
      return;
    }
    const int offset = std::max(0, (kFaxLine - page_.width) / 2);
    const std::uint8_t* grey = page_.pixels.data() + std::size_t(row_) * std::size_t(page_.width);
    for (int x = 0; x < page_.width && offset + x < kFaxLine; ++x)
      if (grey[x] < 128) data[(offset + x) >> 3] |= std::uint8_t(0x80 >> ((offset + x) & 7));
    len = kFaxLine / 8;
    ++row_;
  }

  int error() const { return rc_; }

 private:
  bool load() {
    ++number_;
    rc_ = render_(number_, page_);
    if (rc_ != ecOK) return false;
    const base::GreyPlane plane{page_.pixels.data(), page_.width, page_.height, page_.width};
    if (kind_ == PagesInput::Document)
      base::DiffuseToBlackAndWhite(plane);
    else
      base::MakeBlackAndWhite(plane);
    row_ = 0;
    return true;
  }

  int pages_;
  PagesInput kind_;
  std::function<int(int, GreyPage&)> render_;
  GreyPage page_;
  int number_ = 0;
  int row_ = -1;
  int rc_ = ecOK;
};

int runFeeder(TFxFaxConverter& conv, PageFeeder& feeder) {
  conv.InputDocumentType = TFaxInputDocumentType::idUser;
  conv.LeftMargin = 0;
  conv.SetOptions(conv.Options() & ~unsigned(coDoubleWidth | coCenterImage | coHalfHeight));
  conv.OnReadUserLine = [&](TFxCustomFaxConverter&, std::uint8_t* data, int& len, bool& eop,
                            bool& more) { feeder.read(data, len, eop, more); };
  conv.OnStatus = [&](TFxCustomFaxConverter&, bool, bool, int, int, long, long, bool& abort) {
    abort = feeder.error() != ecOK;
  };
  const int rc = conv.TryConvertDocument();
  return feeder.error() != ecOK ? feeder.error() : rc;
}

}  // namespace

void setPictureReader(PictureReader reader) { pictureReader() = std::move(reader); }
bool havePictureReader() { return bool(pictureReader()); }

int convertPages(TFxFaxConverter& conv, const std::string& input, PagesInput kind,
                 std::string& why) {
  const double yDpi = conv.Resolution == TFaxResolution::frHigh ? 196 : 98;
  const int maxHeight = int(kLongestPageInches * yDpi);
  if (conv.OutFileName().empty()) conv.SetOutFileName(input + ".BRX");
  if (kind == PagesInput::Picture) {
    if (!havePictureReader()) {
      why = "this brindlefax reads no pictures";
      return ecBadGraphicsFormat;
    }
    PageFeeder feeder(1, kind, [&](int, GreyPage& page) {
      return pictureReader()(input, kFaxXDpi, yDpi, kFaxLine, maxHeight, page, why);
    });
    return runFeeder(conv, feeder);
  }
  DocumentRasteriser raster;
  if (const int rc = raster.open(input); rc != ecOK) {
    why = raster.message();
    return rc;
  }
  PageFeeder feeder(raster.pageCount(), kind, [&](int n, GreyPage& page) {
    int width = 0, height = 0;
    fitPage(raster.pageBox(n), kFaxXDpi, yDpi, kFaxLine, maxHeight, width, height);
    const int rc = raster.renderPage(n, width, height, page);
    if (rc != ecOK) why = raster.message();
    return rc;
  });
  return runFeeder(conv, feeder);
}

}  // namespace brindlefax
