// PDF output of fax pages: a small PDF writer of our own, each page one 1-bit image coded
// Group 4 (the MMR coder) at the page's true size.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "faximage/brx_file.h"
#include "faximage/mono_bitmap.h"

namespace faximage {

inline constexpr double kFaxDpiAcross = 204.0;  // both page widths
inline constexpr double kFaxDpiFine = 196.0;
inline constexpr double kFaxDpiStandard = 98.0;

struct PdfImagePage {
  const MonoBitmap* image = nullptr;  // 1 = black
  double dpiX = kFaxDpiAcross;
  double dpiY = kFaxDpiFine;
};

// A PDF document holding one page per image, each page exactly as large as the image at its
// resolution. An empty image gives ecBadArgument.
int encodePdf(std::span<const PdfImagePage> pages, std::vector<std::uint8_t>& out);

// Called after each page with the pages done and the page count; false cancels (ecGotQuitMsg).
using PdfProgress = std::function<bool(unsigned done, unsigned pages)>;

// Every page of a fax file as a PDF: the page lines as coded (no display scaling), standard
// pages at 98 and fine pages at 196 lines per inch.
int encodeFaxPdf(const BrxReader& fax, std::vector<std::uint8_t>& out,
                 const PdfProgress& progress = {});

// encodeFaxPdf of the file `faxFile`, written to `pdfFile` (replaced whole, or left as it
// was on failure).
int writeFaxPdf(const std::string& faxFile, const std::string& pdfFile,
                const PdfProgress& progress = {});

}  // namespace faximage
