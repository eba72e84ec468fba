// Rendering rich text into one-page BRX files and building a fax file from cover and document.
#include "app/assembly/faxassembly.h"

#include "app/assembly/richtextmemo.h"
#include "base/asciitext.h"
#include "faximage/errors.h"
#include "settings/appsettings.h"

#include <QImage>
#include <QPainter>

#include <algorithm>

namespace app {

namespace {

using namespace faximage;

constexpr int kBlackIndex = 1;   // the page image's colour table: 0 white, 1 black
constexpr int kDarkBelow = 128;  // canvas values below this are black

// Removes the temporary bitmap when rendering ends, whichever way it ends.
struct RemoveOnExit {
  std::string path;
  ~RemoveOnExit() { RemoveFiles({path}); }
};

}  // namespace

QRect FaxTextRect(const richtext::PageLayout& layout, int lineLeftMargin) {
  const auto pixels = [](int twips) { return twips * kFaxPixelsPerInch / 1440; };
  const QPoint end(kFaxPageWidth - kFaxPageInset - 1, kFaxPageHeight - kFaxPageInset - 1);
  const int textHeight = pixels(layout.height - layout.marginTop - layout.marginBottom);
  const int left = std::max(kFaxPageInset, pixels(layout.marginLeft) - lineLeftMargin);
  const int top =
      std::max(kFaxPageInset, std::min(pixels(layout.marginTop), end.y() + 1 - textHeight));
  return QRect(QPoint(std::min(left, end.x()), top), end);
}

QImage NewPageCanvas() {
  QImage canvas(kFaxPageWidth, kFaxPageHeight, QImage::Format_Grayscale8);
  if (!canvas.isNull()) canvas.fill(Qt::white);
  return canvas;
}

QImage PageImageOf(const QImage& canvas) {
  QImage image(canvas.size(), QImage::Format_Mono);
  if (image.isNull()) return image;
  image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
  for (int y = 0; y < canvas.height(); ++y) {
    const uchar* in = canvas.constScanLine(y);
    uchar* out = image.scanLine(y);
    std::fill(out, out + image.bytesPerLine(), uchar(0));
    for (int x = 0; x < canvas.width(); ++x)
      if (in[x] < kDarkBelow) out[x >> 3] |= uchar(0x80 >> (x & 7));
  }
  return image;
}

std::string TemporaryPageBitmap() { return settings::ProgramDir() + "_TMP.BMP"; }

std::string PageFileName(int n) {
  return settings::ProgramDir() + "BDLAX" + std::to_string(n) + ".BRX";
}

QString AssemblyErrorText(int code) {
  if (code == kFaxHasNoContents) return QStringLiteral("Fax has no contents or cover sheet");
  return QString::fromUtf8(faximage::errorText(code));
}

bool IsRichTextBlank(bool reportedEmpty, int characterCount, const QStringList& lines) {
  constexpr int kMaxCharacters = 256;
  constexpr qsizetype kLinesLooked = 201;
  if (reportedEmpty) return true;
  if (characterCount >= kMaxCharacters) return false;
  const qsizetype n = std::min(lines.size(), kLinesLooked);
  for (qsizetype i = 0; i < n; ++i)
    if (!base::IsAllSpaces(lines[i].toStdString())) return false;
  return true;
}

bool IsRichTextBlank(const richtext::TRichDocument& text) {
  return IsRichTextBlank(text.IsEmpty(), text.CharacterCount(), text.PlainTextLines());
}

FaxAssembly::FaxAssembly(AssemblyHooks hooks) : hooks_(std::move(hooks)) {
  converter_.OnYield = [this] {
    pump();
    return true;
  };
}

void FaxAssembly::status(const QString& text) {
  if (hooks_.status) hooks_.status(text);
}

void FaxAssembly::pump() {
  if (hooks_.pump) hooks_.pump();
}

int FaxAssembly::CreateFaxFile(tables::TTableBinding& binding, std::string& faxFile) {
  status(QStringLiteral("Creating fax file"));
  pump();
  LoadRichText(cover_, "RTFCOVER", binding);
  LoadRichText(doc_, "RTFDOC", binding);
  return Build(faxFile);
}

int FaxAssembly::Build(std::string& faxFile) {
  faxFile.clear();
  pagesBuilt_ = 0;
  const bool coverBlank = IsRichTextBlank(cover_);
  const bool docBlank = IsRichTextBlank(doc_);
  if (coverBlank && docBlank) return kFaxHasNoContents;

  status(QStringLiteral("Creating fax file...."));
  pump();
  std::vector<std::string> pages;
  int rc = ecOK;
  if (!coverBlank) rc = RenderRichTextPages(cover_, pages);
  if (rc == ecOK && !docBlank) rc = RenderRichTextPages(doc_, pages);
  if (rc == ecOK) {
    status(QStringLiteral("Creating fax file........"));
    pump();
    rc = JoinFaxFiles(pages, faxFile);
  }
  if (rc != ecOK) {
    // A half-built fax is of no use to anyone: every page file goes, the first too.
    RemoveFiles(pages);
    faxFile.clear();
    return rc;
  }
  pagesBuilt_ = int(pages.size());
  return ecOK;
}

int FaxAssembly::RenderRichTextPages(richtext::TRichDocument& text,
                                     std::vector<std::string>& pages) {
  const std::string faxName = NewFaxFileName();
  int n = int(pages.size());
  QImage canvas = NewPageCanvas();
  if (canvas.isNull()) return ecOutOfMemory;
  converter_.SetOptions(coYield);
  converter_.Resolution = TFaxResolution::frHigh;
  // Setting the options lays the text out again, so a text that has them already keeps
  // its page layout. Pictures are made black and white at the page's pixels.
  constexpr int kPageOptions = richtext::kPaintLayoutPages | richtext::kPaintBlackAndWhite;
  if (text.PaintOptions() != kPageOptions) text.SetPaintOptions(kPageOptions);

  const RemoveOnExit bitmap{TemporaryPageBitmap()};
  const QRect target = FaxTextRect(text.Layout(), int(converter_.LeftMargin));
  int first = 0;
  do {
    QPainter painter(&canvas);
    const int next = text.PaintPage(painter, target, kFaxPixelsPerInch, first);
    painter.end();
    QImage image = PageImageOf(canvas);
    if (image.isNull()) return ecOutOfMemory;
    // The next page always starts on a later line; anything else ends the text here.
    first = next > first ? next : 0;
    ++n;
    const std::string pageFile = n < 2 ? faxName : PageFileName(n);
    // Pages carry a black bottom-right pixel, as fax files of this program always have.
    image.setPixel(kFaxPageWidth - 1, kFaxPageHeight - 1, kBlackIndex);
    if (!image.save(QString::fromStdString(bitmap.path), "BMP")) return ecDiskWrite;
    pump();
    converter_.SetDocumentFile(bitmap.path);
    converter_.InputDocumentType = TFaxInputDocumentType::idBmp;
    converter_.SetOutFileName(pageFile);
    const int rc = converter_.TryConvertDocument();
    if (rc != ecOK) {
      // The converter leaves no output behind; a page file of that name is a stale one.
      if (n >= 2) RemoveFiles({pageFile});
      return rc;
    }
    pages.push_back(pageFile);
    canvas.fill(Qt::white);
  } while (first > 0);
  return ecOK;
}

}  // namespace app
