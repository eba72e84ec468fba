// The PDF is written in one pass: objects in order, their offsets noted for the
// cross-reference table at the end. Page images go in as Group 4 data, which PDF readers
// decode with their CCITT filter; its bits run most significant first, so each coded byte
// is reversed from the line order the coder writes.
#include "faximage/pdf_export.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <string_view>

#include "faximage/errors.h"
#include "faximage/file_io.h"
#include "faximage/page_image.h"
#include "faximage/t4_2d.h"

namespace faximage {

namespace {

std::uint8_t reversed(std::uint8_t b) {
  b = std::uint8_t((b & 0xF0) >> 4 | (b & 0x0F) << 4);
  b = std::uint8_t((b & 0xCC) >> 2 | (b & 0x33) << 2);
  return std::uint8_t((b & 0xAA) >> 1 | (b & 0x55) << 1);
}

std::vector<std::uint8_t> groupFour(const MonoBitmap& image) {
  t4::PageEncoder enc(t4::Coding::Mmr, image.width);
  for (int y = 0; y < image.height; ++y) enc.addRow({image.row(y), std::size_t(image.stride)});
  enc.finish();
  std::array<std::uint8_t, 256> table;
  for (int i = 0; i < 256; ++i) table[std::size_t(i)] = reversed(std::uint8_t(i));
  std::vector<std::uint8_t> out(enc.bytes().size());
  for (std::size_t i = 0; i < out.size(); ++i) out[i] = table[enc.bytes()[i]];
  return out;
}

class PdfWriter {
 public:
  explicit PdfWriter(std::vector<std::uint8_t>& out) : out_(out) {
    out_.clear();
    text("%PDF-1.4\n%\xE2\xE3\xCF\xD3\n");
  }

  // Objects are numbered from 1 in the order they are begun.
  void begin(int number) {
    if (offsets_.size() < std::size_t(number)) offsets_.resize(std::size_t(number));
    offsets_[std::size_t(number - 1)] = out_.size();
    text(std::to_string(number) + " 0 obj\n");
  }
  void end() { text("endobj\n"); }

  void stream(const std::string& dictionary, std::span<const std::uint8_t> data) {
    text("<<" + dictionary + " /Length " + std::to_string(data.size()) + ">>\nstream\n");
    out_.insert(out_.end(), data.begin(), data.end());
    text("\nendstream\n");
  }

  void text(std::string_view s) { out_.insert(out_.end(), s.begin(), s.end()); }

  void finish(int root, int info) {
    const std::size_t xref = out_.size();
    text("xref\n0 " + std::to_string(offsets_.size() + 1) + "\n0000000000 65535 f \n");
    for (std::size_t offset : offsets_) {
      char line[24];
      std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
      text(line);
    }
    text("trailer\n<< /Size " + std::to_string(offsets_.size() + 1) + " /Root " +
         std::to_string(root) + " 0 R /Info " + std::to_string(info) + " 0 R >>\nstartxref\n" +
         std::to_string(xref) + "\n%%EOF\n");
  }

 private:
  std::vector<std::uint8_t>& out_;
  std::vector<std::size_t> offsets_;
};

// Points (1/72 inch) for `pixels` at `dpi`, with the decimals PDF takes.
std::string points(int pixels, double dpi) {
  char s[32];
  // Cut, not rounded, at five decimals: a renderer at `dpi` gets `pixels` again, not one more.
  std::snprintf(s, sizeof s, "%.5f", std::floor(pixels * 72.0 / dpi * 1e5) / 1e5);
  return s;
}

}  // namespace

int encodePdf(std::span<const PdfImagePage> pages, std::vector<std::uint8_t>& out) {
  for (const PdfImagePage& p : pages)
    if (!p.image || p.image->empty() || p.dpiX <= 0 || p.dpiY <= 0) return ecBadArgument;
  // 1 catalog, 2 page tree, 3 information, then page, contents and image of each page.
  PdfWriter pdf(out);
  const int count = int(pages.size());
  auto pageObject = [](int i) { return 4 + 3 * i; };
  pdf.begin(1);
  pdf.text("<< /Type /Catalog /Pages 2 0 R >>\n");
  pdf.end();
  pdf.begin(2);
  std::string kids;
  for (int i = 0; i < count; ++i) kids += std::to_string(pageObject(i)) + " 0 R ";
  pdf.text("<< /Type /Pages /Count " + std::to_string(count) + " /Kids [" + kids + "] >>\n");
  pdf.end();
  pdf.begin(3);
  pdf.text("<< /Producer (Brindle) >>\n");
  pdf.end();
  for (int i = 0; i < count; ++i) {
    const MonoBitmap& image = *pages[std::size_t(i)].image;
    const std::string w = points(image.width, pages[std::size_t(i)].dpiX);
    const std::string h = points(image.height, pages[std::size_t(i)].dpiY);
    const int n = pageObject(i);
    pdf.begin(n);
    pdf.text("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 " + w + " " + h + "] /Contents " +
             std::to_string(n + 1) + " 0 R /Resources << /XObject << /Im0 " +
             std::to_string(n + 2) + " 0 R >> >> >>\n");
    pdf.end();
    pdf.begin(n + 1);
    const std::string draw = "q " + w + " 0 0 " + h + " 0 0 cm /Im0 Do Q\n";
    pdf.stream("", {reinterpret_cast<const std::uint8_t*>(draw.data()), draw.size()});
    pdf.end();
    pdf.begin(n + 2);
    const std::string columns = std::to_string(image.width), rows = std::to_string(image.height);
    pdf.stream(" /Type /XObject /Subtype /Image /Width " + columns + " /Height " + rows +
                   " /ColorSpace /DeviceGray /BitsPerComponent 1 /Filter /CCITTFaxDecode"
                   " /DecodeParms << /K -1 /Columns " +
                   columns + " /Rows " + rows + " >>",
               groupFour(image));
    pdf.end();
  }
  pdf.finish(1, 3);
  return ecOK;
}

int encodeFaxPdf(const BrxReader& fax, std::vector<std::uint8_t>& out,
                 const PdfProgress& progress) {
  const unsigned count = unsigned(fax.pageCount());
  if (count == 0) return ecBadArgument;
  std::vector<MonoBitmap> images(count);
  std::vector<PdfImagePage> pages(count);
  // Full-width lines, standard pages with each line twice (the one way the page assembly
  // keeps every pixel of them); every second line is dropped again below.
  UnpackSettings full;
  full.autoScale = TAutoScaleMode::asDoubleHeight;
  for (unsigned n = 1; n <= count; ++n) {
    BrxPage page;
    int rc = fax.page(n, page);
    MonoBitmap& image = images[n - 1];
    if (rc == ecOK) rc = assemblePageImage(fax, n, full, image);
    if (rc != ecOK) return rc;
    if (!page.header.fine()) {
      for (int y = 1; y < image.height / 2; ++y)
        std::copy_n(image.row(2 * y), image.stride, image.row(y));
      image.height /= 2;
      image.bits.resize(std::size_t(image.stride) * std::size_t(image.height));
    }
    // Pages are as wide as their lines say, whatever the width of what is drawn on them.
    if (image.width < page.header.lineWidth()) {
      MonoBitmap wide(page.header.lineWidth(), std::max(image.height, 1));
      for (int y = 0; y < image.height; ++y)
        std::copy_n(image.row(y), image.stride, wide.row(y));
      image = std::move(wide);
    }
    pages[n - 1] = {&images[n - 1], kFaxDpiAcross,
                    page.header.fine() ? kFaxDpiFine : kFaxDpiStandard};
    if (progress && !progress(n, count)) return ecGotQuitMsg;
  }
  return encodePdf(pages, out);
}

int writeFaxPdf(const std::string& faxFile, const std::string& pdfFile,
                const PdfProgress& progress) {
  BrxReader fax;
  int rc = fax.openFile(faxFile);
  std::vector<std::uint8_t> pdf;
  if (rc == ecOK) rc = encodeFaxPdf(fax, pdf, progress);
  if (rc == ecOK) rc = writeWholeFile(pdfFile, pdf);
  return rc;
}

}  // namespace faximage
