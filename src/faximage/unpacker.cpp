// TFxFaxUnpacker: page counts and flags, page images and page exports of BRX files.
#include "faximage/unpacker.h"

#include "base/asciitext.h"
#include "base/filenames.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "faximage/brx_file.h"
#include "faximage/errors.h"
#include "faximage/file_io.h"
#include "faximage/image_export.h"

namespace faximage {

namespace {

const char* extensionOf(ExportFormat f) {
  switch (f) {
    case ExportFormat::Bmp: return "BMP";
    case ExportFormat::Pcx: return "PCX";
    default: return "DCX";
  }
}

}  // namespace

void TFxCustomFaxUnpacker::SetInFileName(const std::string& name) {
  if (!base::EqualsIgnoreCase(name, inFileName_)) OutFileName = base::WithoutExtension(name);
  inFileName_ = name;
}

std::string TFxCustomFaxUnpacker::ExportName(ExportFormat format) const {
  if (!OutFileName.empty())
    return base::HasExtension(OutFileName) ? OutFileName : OutFileName + "." + extensionOf(format);
  return base::WithExtension(inFileName_, extensionOf(format));
}

int TFxCustomFaxUnpacker::settings(UnpackSettings& s) {
  s = UnpackSettings{};
  s.yield = Options & uoYield;
  s.autoScale = AutoScaleMode;
  if (WhitespaceCompression) {
    if (WhitespaceFrom < WhitespaceTo) return ecBadArgument;
    s.whitespaceFrom = WhitespaceFrom;
    s.whitespaceTo = WhitespaceTo;
  }
  if (Scaling) {
    s.horizMult = hMul_;
    s.horizDiv = hDiv_;
    s.vertMult = vMul_;
    s.vertDiv = vDiv_;
  }
  return ecOK;
}

int TFxCustomFaxUnpacker::ReadPageCount() {
  BrxReader r;
  return r.openFile(inFileName_) == ecOK ? r.pageCount() : 0;
}

namespace {
std::uint16_t firstPageFlags(const std::string& name) {
  BrxReader r;
  BrxPage p;
  if (r.openFile(name) != ecOK || r.page(1, p) != ecOK) return 0;
  return p.header.pageFlags;
}
}  // namespace

bool TFxCustomFaxUnpacker::ReadFineFlag() { return firstPageFlags(inFileName_) & pfFine; }
bool TFxCustomFaxUnpacker::ReadWideFlag() { return firstPageFlags(inFileName_) & pfWide; }

void TFxCustomFaxUnpacker::OutputLine(bool starting, bool ending, const std::uint8_t* data, int len,
                                      int pageNum) {
  if (OnOutputLine) OnOutputLine(*this, starting, ending, data, len, pageNum);
}

void TFxCustomFaxUnpacker::Status(const std::string& fname, int pageNum, long bytesUnpacked,
                                  long bytesToUnpack) {
  if (OnStatus) OnStatus(*this, fname, pageNum, bytesUnpacked, bytesToUnpack);
}

int TFxCustomFaxUnpacker::prepare(int page, UnpackSettings& s, BrxReader& reader,
                                  UnpackCallbacks& cb) {
  int rc = settings(s);
  if (rc != ecOK) return rc;
  if (inFileName_.empty()) return ecFileNotFound;
  rc = reader.openFile(inFileName_);
  if (rc != ecOK) return rc;
  if (page < 1 || page > reader.pageCount()) return ecFaxBadFormat;
  cb.status = [this, page](long done, long total) { Status(inFileName_, page, done, total); };
  cb.aborted = [this] { return (Options & uoAbort) != 0; };
  cb.yield = OnYield;
  return ecOK;
}

int TFxCustomFaxUnpacker::TryUnpackPageToImage(int page, MonoBitmap& out) {
  out = MonoBitmap{};
  UnpackSettings s;
  BrxReader reader;
  UnpackCallbacks cb;
  int rc = prepare(page, s, reader, cb);
  if (rc != ecOK) return rc;
  s.invert = true;
  return assemblePageImage(reader, unsigned(page), s, out, cb);
}

std::unique_ptr<MonoBitmap> TFxCustomFaxUnpacker::UnpackPageToImage(int page) {
  auto bmp = std::make_unique<MonoBitmap>();
  raiseFxError(TryUnpackPageToImage(page, *bmp));
  return bmp;
}

int TFxCustomFaxUnpacker::TryExportPage(int page, ExportFormat format) {
  UnpackSettings s;
  BrxReader reader;
  UnpackCallbacks cb;
  int rc = prepare(page, s, reader, cb);
  if (rc != ecOK) return rc;
  MonoBitmap img;
  rc = assemblePageImage(reader, unsigned(page), s, img, cb);
  if (rc != ecOK) return rc;
  std::vector<std::uint8_t> bytes;
  switch (format) {
    case ExportFormat::Bmp: rc = encodeBmp(img, bytes); break;
    case ExportFormat::Pcx: encodePcx(img, bytes); break;
    case ExportFormat::Dcx: encodeDcx(std::span<const MonoBitmap>(&img, 1), bytes); break;
  }
  if (rc != ecOK) return rc;
  return writeWholeFile(ExportName(format), bytes);
}

void TFxCustomFaxUnpacker::ExportPageAsBmp(int page) {
  raiseFxError(TryExportPage(page, ExportFormat::Bmp));
}
void TFxCustomFaxUnpacker::ExportPageAsPcx(int page) {
  raiseFxError(TryExportPage(page, ExportFormat::Pcx));
}
void TFxCustomFaxUnpacker::ExportPageAsDcx(int page) {
  raiseFxError(TryExportPage(page, ExportFormat::Dcx));
}

int TFxCustomFaxUnpacker::TryUnpackPage(int page) {
  UnpackSettings s;
  BrxReader reader;
  UnpackCallbacks cb;
  int rc = prepare(page, s, reader, cb);
  if (rc != ecOK) return rc;
  cb.line = [&](const std::uint8_t* d, int n) { OutputLine(false, false, d, n, page); };
  OutputLine(true, false, nullptr, 0, page);
  rc = decodePageLines(reader, unsigned(page), s, cb);
  OutputLine(false, true, nullptr, 0, page);
  return rc;
}

void TFxCustomFaxUnpacker::UnpackPage(int page) { raiseFxError(TryUnpackPage(page)); }

}  // namespace faximage
