// PDF and PostScript pages as grey pictures, through helper programs run as child
// processes (pdfinfo and pdftoppm of poppler-utils, Ghostscript's gs for PostScript), so
// the program links neither. Text and lines are rendered without smoothing, so they stay
// crisp when the page is made black and white; photographs stay grey for dithering.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace faximage {

enum class DocumentKind { Pdf, PostScript };

// PDF or PostScript, told by the file's first bytes; nothing for other files.
std::optional<DocumentKind> documentKindOf(const std::string& path);

// Grey pixels, row after row, 0 black to 255 white.
struct GreyPage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;
};

// A page's size in points (1/72 inch) as it is shown, turned by its rotation.
struct PageBox {
  double width = 0;
  double height = 0;
};

// The pixel size of a page fitted into maxWidth x maxHeight pixels at xDpi x yDpi, shrunk
// (proportions kept) when it is larger.
void fitPage(const PageBox& box, double xDpi, double yDpi, int maxWidth, int maxHeight,
             int& width, int& height);

class DocumentRasteriser {
 public:
  DocumentRasteriser();
  ~DocumentRasteriser();  // removes its temporary files
  DocumentRasteriser(const DocumentRasteriser&) = delete;
  DocumentRasteriser& operator=(const DocumentRasteriser&) = delete;

  // Asked about every 50 ms while a helper runs: false ends the helper and the call
  // returns ecConvertAbort.
  std::function<bool()> keepGoing;

  // Opens the document (PostScript is made a PDF first) and reads its page sizes. Returns
  // 0, or an error code with message() naming the file and the reason.
  int open(const std::string& path);
  int pageCount() const { return int(boxes_.size()); }
  PageBox pageBox(int page) const { return boxes_[std::size_t(page - 1)]; }  // 1-based
  // Renders page `page` (1-based) at exactly width x height pixels.
  int renderPage(int page, int width, int height, GreyPage& out);
  const std::string& message() const { return message_; }

 private:
  int run(const std::vector<std::string>& argv, std::string& output);
  int fail(int code, const std::string& reason);
  std::string scratch(const std::string& name);

  std::string path_;  // the file asked for
  std::string pdf_;   // the PDF the pages come from
  std::string dir_;   // temporary folder, empty until needed
  std::vector<PageBox> boxes_;
  std::string message_;
};

}  // namespace faximage
