// TFxFaxConverter: turns a text file, a BMP, TIFF, PCX or DCX image, or lines supplied by
// the caller into a BRX fax file of T.4 one-dimensional line records.
#pragma once

#include "faximage/convert_options.h"

#include <cstdint>
#include <functional>
#include <string>

namespace faximage {

enum class TFaxInputDocumentType { idNone, idText, idTiff, idPcx, idDcx, idBmp, idBitmap, idUser };

class TFxCustomFaxConverter;

using TFaxStatusEvent =
    std::function<void(TFxCustomFaxConverter& f, bool starting, bool ending, int pagesConverted,
                       int linesConverted, long bytesConverted, long bytesToConvert, bool& abort)>;
using TFaxOutputLineEvent = std::function<void(TFxCustomFaxConverter& f, const std::uint8_t* data,
                                               int len, bool endOfPage, bool morePages)>;
using TFaxOpenFileEvent = std::function<void(TFxCustomFaxConverter& f, const std::string& fname)>;
using TFaxCloseFileEvent = std::function<void(TFxCustomFaxConverter& f)>;
// Fill data (4096 bytes, cleared to white) with one raster line, set len to its bytes.
using TFaxReadLineEvent = std::function<void(TFxCustomFaxConverter& f, std::uint8_t* data, int& len,
                                             bool& endOfPage, bool& morePages)>;
// Lets the caller's message loop handle one pending message; returns false on a quit request.
using TFaxYieldEvent = std::function<bool()>;

class TFxCustomFaxConverter {
 public:
  TFxCustomFaxConverter() = default;
  virtual ~TFxCustomFaxConverter() = default;

  TFaxInputDocumentType InputDocumentType = TFaxInputDocumentType::idNone;
  TFaxResolution Resolution = TFaxResolution::frNormal;
  TFaxWidth Width = TFaxWidth::fwNormal;
  unsigned TopMargin = 0;
  unsigned LeftMargin = 50;
  unsigned LinesPerPage = 60;
  unsigned TabStop = 4;
  std::string FontFile = "FAXFONT.FNT";  // kept for callers; glyphs come from the built-in font
  TFaxFont FontType = TFaxFont::ffStandard;
  std::string DefUserExtension;
  std::string StationID;  // stored as the file's sender identifier; the app leaves it empty

  TFaxStatusEvent OnStatus;
  TFaxOutputLineEvent OnOutputLine;
  TFaxOpenFileEvent OnOpenUserFile;
  TFaxCloseFileEvent OnCloseUserFile;
  TFaxReadLineEvent OnReadUserLine;
  TFaxYieldEvent OnYield;

  TFaxCvtOptions Options() const { return options_; }
  // A set holding coYieldOften without coYield gets coYield added.
  void SetOptions(TFaxCvtOptions o);
  const std::string& DocumentFile() const { return documentFile_; }
  // Also sets OutFileName to the same name with extension ".BRX".
  void SetDocumentFile(const std::string& name);
  const std::string& OutFileName() const { return outFileName_; }
  void SetOutFileName(const std::string& name) { outFileName_ = name; }

  // Converts DocumentFile into OutFileName; raises the exception of the error code.
  void ConvertDocument();
  // The same, returning 0 or the negative error code.
  int TryConvertDocument();

  // The input name after the default-extension rule, and the output name rule.
  std::string InputName() const;
  std::string OutputName() const;

  // Virtual hooks, each raising its event when assigned.
  virtual void Status(bool starting, bool ending, int pagesConverted, int linesConverted,
                      long bytesConverted, long bytesToConvert, bool& abort);
  virtual void OutputLine(const std::uint8_t* data, int len, bool endOfPage, bool morePages);
  virtual void OpenUserFile(const std::string& fname);
  virtual void CloseUserFile();

 private:
  TFaxCvtOptions options_ = coDoubleWidth | coCenterImage | coYield;
  std::string documentFile_;
  std::string outFileName_;
};

class TFxFaxConverter : public TFxCustomFaxConverter {};

}  // namespace faximage
