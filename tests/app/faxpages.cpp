// Records with rich text, and fax pages against the editor's own painting.
#include "faxpages.h"

#include "app/assembly/faxassembly.h"
#include "app/store/faxstore.h"
#include "faximage/page_image.h"
#include "settings/appsettings.h"

#include <QPainter>

#include <filesystem>

namespace testutil {

namespace {
constexpr int kLeftMargin = 50;  // the converter's white pixels ahead of every line
}

std::string Rtf(const std::string& body) {
  return "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\fs24 " + body + "}";
}

std::string CoverRtf() {
  return Rtf(
      "{\\fs48\\b FAX COVER SHEET}\\par To: The Receiving Office\\par From: Brindle tests\\par");
}

std::string ThreePageRtf() {
  return Rtf(
      "First page of the document.\\par\\page Second page, with {\\i italic} words.\\par"
      "\\page Third and {\\b last} page.\\par");
}

std::string LongRtf(int paragraphs) {
  std::string body;
  for (int i = 1; i <= paragraphs; ++i)
    body += "Paragraph " + std::to_string(i) +
            " of a long document that runs over several pages.\\par ";
  return Rtf(body);
}

void AddOutgoingWithText(const std::string& subject, const std::string& dateSent,
                         const std::string& cover, const std::string& doc) {
  const app::StoreTable& outgoing = app::OutgoingTable();
  if (!std::filesystem::exists(settings::ProgramDir() + outgoing.fileName))
    app::MakeStoreTable(outgoing);
  tables::Table t;
  t.open(settings::ProgramDir(), outgoing.fileName);
  t.append();
  t.putString("SUBJECT", subject);
  t.putString("RECIPIENT", "Receiving Office");
  t.putString("PHONE", "555 0100");
  t.putDtos("DATESENT", dateSent.empty() ? std::string(8, ' ') : dateSent);
  t.putMemo("RTFCOVER", cover);
  t.putMemo("RTFDOC", doc);
  t.post();
}

std::unique_ptr<richtext::TRichText> EditorWith(const std::string& rtf) {
  auto editor = std::make_unique<richtext::TRichText>();
  editor->LoadRtf(QByteArray::fromStdString(rtf));
  editor->Reformat();
  editor->SetPaintOptions(richtext::kPaintLayoutPages);
  return editor;
}

std::vector<QImage> PaintedPages(richtext::TRichText& editor) {
  std::vector<QImage> pages;
  int first = 0;
  do {
    QImage canvas = app::NewPageCanvas();
    QPainter painter(&canvas);
    first = editor.PaintPage(painter, app::FaxTextRect(editor.Layout(), kLeftMargin),
                             app::kFaxPixelsPerInch, first);
    painter.end();
    pages.push_back(app::PageImageOf(canvas));
  } while (first > 0 && pages.size() < 100);
  return pages;
}

faximage::MonoBitmap DecodedPage(const std::string& faxFile, unsigned n) {
  faximage::MonoBitmap page;
  if (faximage::assemblePageImage(faxFile, n, faximage::UnpackSettings{}, page) != 0) return {};
  return page;
}

long DifferingPixels(const faximage::MonoBitmap& decoded, const QImage& painted) {
  const long all = long(painted.width()) * painted.height();
  if (decoded.height != painted.height() || decoded.width < painted.width() + kLeftMargin)
    return all;
  long differing = 0;
  for (int y = 0; y < painted.height(); ++y)
    for (int x = 0; x < painted.width(); ++x) {
      if (x == painted.width() - 1 && y == painted.height() - 1) continue;
      differing += decoded.pixel(x + kLeftMargin, y) != (painted.pixelIndex(x, y) == 1);
    }
  return differing;
}

long BlackPixels(const QImage& painted) {
  long black = 0;
  for (int y = 0; y < painted.height(); ++y)
    for (int x = 0; x < painted.width(); ++x) black += painted.pixelIndex(x, y) == 1;
  return black;
}

std::vector<std::string> FilesStartingWith(const std::string& prefix) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(settings::ProgramDir())) {
    const std::string name = entry.path().filename().string();
    if (name.rfind(prefix, 0) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testutil
