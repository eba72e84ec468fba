// Fax file assembly: the cover sheet and the document of a composed fax are painted page
// by page into monochrome page images at fax resolution, each page is encoded into a
// one-page BRX file, and the page files are joined into one fax file.
#pragma once

#include "app/assembly/faxfiles.h"
#include "faximage/converter.h"
#include "richtext/document/richdocument.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <QStringList>

#include <functional>
#include <string>
#include <vector>

namespace tables {
class TTableBinding;
}

namespace app {

// The page image: 1664 x 2156 pixels at 200 pixels per inch, the text painted inside the
// rectangle inset by 49 pixels on every side.
constexpr int kFaxPageWidth = 1664;
constexpr int kFaxPageHeight = 2156;
constexpr int kFaxPageInset = 49;
constexpr int kFaxPixelsPerInch = 200;
// Where a page's text is painted: from where the layout's left and top margins put it on
// the fax page (each fax line carries lineLeftMargin white pixels ahead of the image), but
// inside the inset rectangle, and high enough for a whole page of text to fit in it.
QRect FaxTextRect(const richtext::PageLayout& layout, int lineLeftMargin);

// A white canvas of the fax page size, 8 bits a pixel. Pages are painted there and made
// 1-bit afterwards: Qt fills long runs of spans on several threads, and on a 1-bit image
// two spans that share a byte can undo each other's pixels.
QImage NewPageCanvas();
// The painted canvas as a 1-bit page image: colour index 1, black, where it is dark.
QImage PageImageOf(const QImage& canvas);

// The temporary page bitmap and the page file of page n (n >= 2) in the program directory.
std::string TemporaryPageBitmap();
std::string PageFileName(int n);

// A text is blank when the editor reports it empty, or when it has fewer than 256
// characters and each of its first 201 lines holds nothing but blanks.
bool IsRichTextBlank(bool reportedEmpty, int characterCount, const QStringList& lines);
bool IsRichTextBlank(const richtext::TRichDocument& text);

// Result of building when cover and document are both blank (nothing is built); in the
// program's own range of codes (base/errorranges.h).
constexpr int kFaxHasNoContents = -9101;
// The message for an assembly result: the blank-fax text, or the fax image error text.
QString AssemblyErrorText(int code);

// What a long build tells its caller: status-line texts, and a chance to let pending
// window messages run. Either may be empty.
struct AssemblyHooks {
  std::function<void(const QString&)> status;
  std::function<void()> pump;
};

// Builds fax files from two texts, the cover sheet and the document, through its own
// converter; the texts are window-less documents, so building needs no widgets. The main
// window and the command-line renderer each own one.
class FaxAssembly {
 public:
  explicit FaxAssembly(AssemblyHooks hooks = {});

  // Loads the current record's cover (RTFCOVER) and document (RTFDOC) into the texts
  // and builds the fax file from them.
  int CreateFaxFile(tables::TTableBinding& binding, std::string& faxFile);

  // Builds the fax file from the texts as they are: the cover's pages first, then the
  // document's; a blank text gives no pages. Returns 0 with the file's name, or
  // kFaxHasNoContents or a negative error code with an empty name; either way no page
  // file and no temporary bitmap is left behind.
  int Build(std::string& faxFile);

  // Renders every page of one text into a page file and appends the names to `pages`:
  // the first page of a fax (an empty list) goes to a new fax file name, page n to
  // PageFileName(n). On an error the page files made so far stay in the list for the
  // caller to remove; the temporary bitmap is always removed.
  int RenderRichTextPages(richtext::TRichDocument& text, std::vector<std::string>& pages);

  // Pages in the file of the last successful build, 0 after a failed one.
  int PagesBuilt() const { return pagesBuilt_; }

  richtext::TRichDocument& Cover() { return cover_; }
  richtext::TRichDocument& Document() { return doc_; }
  faximage::TFxFaxConverter& Converter() { return converter_; }
  void SetHooks(AssemblyHooks hooks) { hooks_ = std::move(hooks); }

 private:
  void status(const QString& text);
  void pump();

  richtext::TRichDocument cover_;
  richtext::TRichDocument doc_;
  faximage::TFxFaxConverter converter_;
  AssemblyHooks hooks_;
  int pagesBuilt_ = 0;
};

}  // namespace app
