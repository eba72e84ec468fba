// TFxFaxUnpacker: decodes BRX pages into page images and exports them as BMP, PCX or DCX.
// The page-image assembly used by the viewer is assemblePageImage in page_image.h.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "faximage/mono_bitmap.h"
#include "faximage/page_image.h"

namespace faximage {

enum TUnpackerOption : unsigned {
  uoYield = 1,  // let the caller's message loop run every 16 lines
  uoAbort = 2,  // set (for example from an event) to stop decoding
};
using TUnpackerOptions = unsigned;

class TFxCustomFaxUnpacker;

using TUnpackOutputLineEvent =
    std::function<void(TFxCustomFaxUnpacker& sender, bool starting, bool ending,
                       const std::uint8_t* data, int len, int pageNum)>;
using TUnpackStatusEvent =
    std::function<void(TFxCustomFaxUnpacker& sender, const std::string& fname, int pageNum,
                       long bytesUnpacked, long bytesToUnpack)>;
using TUnpackYieldEvent = std::function<bool()>;  // false on a quit request

class TFxCustomFaxUnpacker {
 public:
  TFxCustomFaxUnpacker() = default;
  virtual ~TFxCustomFaxUnpacker() = default;

  TUnpackerOptions Options = uoYield;
  bool WhitespaceCompression = false;
  unsigned WhitespaceFrom = 0;
  unsigned WhitespaceTo = 0;
  bool Scaling = false;
  TAutoScaleMode AutoScaleMode = TAutoScaleMode::asDoubleHeight;
  std::string OutFileName;

  TUnpackOutputLineEvent OnOutputLine;
  TUnpackStatusEvent OnStatus;
  TUnpackYieldEvent OnYield;

  // Scale factors; assigning 0 is ignored.
  unsigned HorizMult() const { return hMul_; }
  unsigned HorizDiv() const { return hDiv_; }
  unsigned VertMult() const { return vMul_; }
  unsigned VertDiv() const { return vDiv_; }
  void SetHorizMult(unsigned v) {
    if (v) hMul_ = v;
  }
  void SetHorizDiv(unsigned v) {
    if (v) hDiv_ = v;
  }
  void SetVertMult(unsigned v) {
    if (v) vMul_ = v;
  }
  void SetVertDiv(unsigned v) {
    if (v) vDiv_ = v;
  }

  const std::string& InFileName() const { return inFileName_; }
  // A name that differs (ignoring case) also sets OutFileName to it without extension.
  void SetInFileName(const std::string& name);

  // PageCount of the file header; 0 for a file that cannot be read as a BRX file.
  int ReadPageCount();
  bool ReadFineFlag();  // pfFine of page 1 (false when unreadable)
  bool ReadWideFlag();  // pfWide of page 1

  // Page n (from 1) as a bitmap with 1 = white (display sense), owned by the caller.
  std::unique_ptr<MonoBitmap> UnpackPageToImage(int page);
  void ExportPageAsBmp(int page);
  void ExportPageAsPcx(int page);
  void ExportPageAsDcx(int page);
  // Delivers the page's lines, after the display adjustments, through OutputLine.
  void UnpackPage(int page);

  // Non-raising forms: 0 or a negative error code.
  int TryUnpackPageToImage(int page, MonoBitmap& out);
  int TryExportPage(int page, ExportFormat format);
  int TryUnpackPage(int page);

  // The export target: OutFileName (extension added when it has none) or InFileName with
  // its extension replaced.
  std::string ExportName(ExportFormat format) const;

  virtual void OutputLine(bool starting, bool ending, const std::uint8_t* data, int len,
                          int pageNum);
  virtual void Status(const std::string& fname, int pageNum, long bytesUnpacked,
                      long bytesToUnpack);

 private:
  int settings(UnpackSettings& s);
  int prepare(int page, UnpackSettings& s, BrxReader& reader, UnpackCallbacks& cb);
  std::string inFileName_;
  unsigned hMul_ = 1, hDiv_ = 1, vMul_ = 1, vDiv_ = 1;
};

class TFxFaxUnpacker : public TFxCustomFaxUnpacker {};

}  // namespace faximage
