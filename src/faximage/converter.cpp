// TFxFaxConverter: drives a page source through the line encoder into a BRX file.
#include "faximage/converter.h"

#include "base/filenames.h"

#include "faximage/brx_file.h"
#include "faximage/convert_state.h"
#include "faximage/errors.h"
#include "faximage/file_io.h"
#include "faximage/line_source.h"

namespace faximage {

void TFxCustomFaxConverter::SetOptions(TFaxCvtOptions o) {
  if (o & coYieldOften) o |= coYield;
  options_ = o;
}

void TFxCustomFaxConverter::SetDocumentFile(const std::string& name) {
  documentFile_ = name;
  outFileName_ = name.empty() ? std::string() : base::WithExtension(name, "BRX");
}

std::string TFxCustomFaxConverter::InputName() const {
  if (documentFile_.empty() || base::HasExtension(documentFile_)) return documentFile_;
  std::string ext;
  switch (InputDocumentType) {
    case TFaxInputDocumentType::idText: ext = "TXT"; break;
    case TFaxInputDocumentType::idTiff: ext = "TIF"; break;
    case TFaxInputDocumentType::idPcx: ext = "PCX"; break;
    case TFaxInputDocumentType::idDcx: ext = "DCX"; break;
    case TFaxInputDocumentType::idBmp: ext = "BMP"; break;
    case TFaxInputDocumentType::idUser: ext = DefUserExtension; break;
    default: break;
  }
  if (!ext.empty() && ext[0] == '.') ext.erase(0, 1);
  return ext.empty() ? documentFile_ : documentFile_ + "." + ext;
}

std::string TFxCustomFaxConverter::OutputName() const {
  if (!outFileName_.empty())
    return base::HasExtension(outFileName_) ? outFileName_ : outFileName_ + ".BRX";
  std::string in = InputName();
  return in.empty() ? in : base::WithExtension(in, "BRX");
}

void TFxCustomFaxConverter::Status(bool starting, bool ending, int pagesConverted,
                                   int linesConverted, long bytesConverted, long bytesToConvert,
                                   bool& abort) {
  abort = false;
  if (OnStatus)
    OnStatus(*this, starting, ending, pagesConverted, linesConverted, bytesConverted,
             bytesToConvert, abort);
}

void TFxCustomFaxConverter::OutputLine(const std::uint8_t* data, int len, bool endOfPage,
                                       bool morePages) {
  if (OnOutputLine) OnOutputLine(*this, data, len, endOfPage, morePages);
}

void TFxCustomFaxConverter::OpenUserFile(const std::string& fname) {
  if (OnOpenUserFile) OnOpenUserFile(*this, fname);
}

void TFxCustomFaxConverter::CloseUserFile() {
  if (OnCloseUserFile) OnCloseUserFile(*this);
}

void TFxCustomFaxConverter::ConvertDocument() { raiseFxError(TryConvertDocument()); }

namespace {

// One conversion: the state the converter keeps only while ConvertDocument runs.
class Conversion {
 public:
  explicit Conversion(TFxCustomFaxConverter& c) : c_(c) {}

  int run() {
    if (c_.InputDocumentType == TFaxInputDocumentType::idNone ||
        c_.InputDocumentType == TFaxInputDocumentType::idBitmap)
      return ecBadArgument;
    int rc = setUp();
    if (rc == ecOK) rc = convert();
    if (opened_) source_->close();
    if (rc != ecOK) writer_.abandon();
    return rc;
  }

 private:
  int setUp() {
    fine_ = c_.Resolution == TFaxResolution::frHigh;
    state_.setPageWidth(c_.Width == TFaxWidth::fwWide ? kWideWidth : kNormalWidth);
    state_.setLeftMargin(c_.LeftMargin);
    ctx_ = {state_.pageWidth(), state_.leftMargin(), c_.Options(), fine_};
    if (c_.InputDocumentType == TFaxInputDocumentType::idText) {
      int rc = state_.LoadFaxFont(
          c_.FontType == TFaxFont::ffSmall ? kSmallGlyphBytes : kStandardGlyphBytes, fine_);
      if (rc != ecOK) return rc;
    }
    source_ = makeSource();
    return ecOK;
  }

  std::unique_ptr<LineSource> makeSource() {
    switch (c_.InputDocumentType) {
      case TFaxInputDocumentType::idText:
        return makeTextSource(ctx_, state_, {c_.LinesPerPage, c_.TabStop});
      case TFaxInputDocumentType::idTiff: return makeTiffSource(ctx_);
      case TFaxInputDocumentType::idPcx: return makePcxSource(ctx_);
      case TFaxInputDocumentType::idDcx: return makeDcxSource(ctx_);
      case TFaxInputDocumentType::idBmp: return makeBmpSource(ctx_);
      default: break;
    }
    UserLineEvents ev;
    ev.open = [this](const std::string& n) { c_.OpenUserFile(n); };
    if (c_.OnReadUserLine) {
      ev.read = [this](std::uint8_t* d, int& len, bool& eop, bool& more) {
        c_.OnReadUserLine(c_, d, len, eop, more);
      };
    }
    ev.close = [this] { c_.CloseUserFile(); };
    return makeUserSource(std::move(ev));
  }

  int convert() {
    int rc = writer_.create(c_.OutputName());
    if (rc != ecOK) return rc;
    if (status(true, false)) return ecConvertAbort;
    rc = source_->open(c_.InputName());
    if (rc != ecOK) return rc;
    opened_ = true;
    bool more = true;
    while (more) {
      rc = convertPage(more);
      if (rc != ecOK) return rc;
    }
    if (status(false, true)) return ecConvertAbort;
    return writer_.finish(c_.StationID, fileDateNow());
  }

  int convertPage(bool& more) {
    ++pages_;
    lines_ = 0;
    std::uint16_t flags = pfLineLengths;
    if (fine_) flags |= pfFine;
    if (state_.pageWidth() == kWideWidth) flags |= pfWide;
    int rc = writer_.beginPage(flags);
    for (unsigned i = 0; rc == ecOK && i < c_.TopMargin; ++i) {
      state_.EncodeMarginLine();
      rc = writer_.addLineRecord(state_.coded());
    }
    while (rc == ecOK) {
      ++lines_;
      line_.fill(0);
      LineRead r;
      rc = source_->readLine(line_, r);
      if (rc != ecOK) return rc;
      if (r.endOfPage) {
        more = r.morePages;
        break;
      }
      if (status(false, false)) return ecConvertAbort;
      const Placement& p = source_->placement();
      if (!p.dropLines || (lines_ & 1)) {
        state_.setDoubling(p.doubling);
        if (state_.EncodeLine(line_) == 0) return ecOutOfMemory;
        rc = writer_.addLineRecord(state_.coded());
      }
      if ((c_.Options() & coYieldOften) && lines_ % 16 == 0 && !yield()) return ecGotQuitMsg;
    }
    if (rc == ecOK) rc = writer_.endPage();
    if (rc == ecOK && (c_.Options() & coYield) && !yield()) return ecGotQuitMsg;
    return rc;
  }

  bool status(bool starting, bool ending) {
    bool abort = false;
    c_.Status(starting, ending, pages_, lines_, source_ ? source_->bytesConverted() : 0,
              source_ ? source_->bytesToConvert() : 0, abort);
    return abort;
  }

  bool yield() { return !c_.OnYield || c_.OnYield(); }

  TFxCustomFaxConverter& c_;
  ConvertState state_;
  SourceContext ctx_;
  bool fine_ = false;
  std::unique_ptr<LineSource> source_;
  bool opened_ = false;
  BrxWriter writer_;
  LineBuffer line_{};
  int pages_ = 0;
  int lines_ = 0;
};

}  // namespace

int TFxCustomFaxConverter::TryConvertDocument() {
  try {
    Conversion conv(*this);
    return conv.run();
  } catch (const std::bad_alloc&) {
    return ecOutOfMemory;
  }
}

}  // namespace faximage
