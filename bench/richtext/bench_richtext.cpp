// Loading, saving and painting a document of many formatted paragraphs. Qt's own HTML
// import of the same text is the peer the RTF load is measured against.
#include "richtext/codec/rtfreader.h"
#include "richtext/codec/rtfwriter.h"
#include "richtext/document/rtfqt.h"
#include "richtext/richtext.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

constexpr int kParagraphs = 500;

QString Sentence(int i) {
  return QStringLiteral("Paragraph %1 has some words, a few of them ").arg(i);
}

std::string SampleRtf() {
  std::string rtf =
      "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
      "{\\colortbl;\\red255\\green0\\blue0;}";
  for (int i = 0; i < kParagraphs; ++i)
    rtf += "\\pard\\li720\\sa120 " + Sentence(i).toStdString() +
           "{\\b bold}, {\\i\\cf1 red italic} and caf\\'e9 \\u1046? text.\\par\n";
  return rtf + "}";
}

QString SampleHtml() {
  QString html = "<html><body>";
  for (int i = 0; i < kParagraphs; ++i)
    html +=
        "<p style=\"margin-left:48px; margin-bottom:8px\">" + Sentence(i) +
        "<b>bold</b>, <i style=\"color:#ff0000\">red italic</i> and caf&eacute; &#1046; text.</p>";
  return html + "</body></html>";
}

void BM_ReadRtf(benchmark::State& state) {
  std::string rtf = SampleRtf();
  for (auto _ : state) benchmark::DoNotOptimize(richtext::ReadRtf(rtf));
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(rtf.size()));
}

void BM_WriteRtf(benchmark::State& state) {
  richtext::RtfDocument doc = richtext::ReadRtf(SampleRtf());
  for (auto _ : state) benchmark::DoNotOptimize(richtext::WriteRtf(doc));
}

void BM_LoadPaneFromRtf(benchmark::State& state) {
  QByteArray rtf = QByteArray::fromStdString(SampleRtf());
  richtext::TRichText pane;
  for (auto _ : state) {
    pane.LoadRtf(rtf);
    benchmark::DoNotOptimize(pane.document()->characterCount());
  }
}

// The same load into a document that no editor shows, like the peer's.
void BM_LoadDocumentFromRtf(benchmark::State& state) {
  std::string rtf = SampleRtf();
  QTextDocument doc;
  for (auto _ : state) {
    richtext::ModelToDocument(richtext::ReadRtf(rtf), doc, 1.0);
    benchmark::DoNotOptimize(doc.characterCount());
  }
}

void BM_PeerQtHtmlImport(benchmark::State& state) {
  QString html = SampleHtml();
  QTextDocument doc;
  for (auto _ : state) {
    doc.setHtml(html);
    benchmark::DoNotOptimize(doc.characterCount());
  }
}

void BM_SavePaneToRtf(benchmark::State& state) {
  richtext::TRichText pane;
  pane.LoadRtf(QByteArray::fromStdString(SampleRtf()));
  for (auto _ : state) benchmark::DoNotOptimize(pane.SaveRtf());
}

void BM_PaintAllPages(benchmark::State& state) {
  richtext::TRichText pane;
  pane.LoadRtf(QByteArray::fromStdString(SampleRtf()));
  pane.SetPaintOptions(richtext::kPaintLayoutPages);
  QImage image(1664, 2156, QImage::Format_RGB32);
  const QRect target(49, 49, 1566, 2058);
  int pages = 0;
  for (auto _ : state) {
    pane.Reformat();  // lay out again each time, as a fresh render would
    pages = 0;
    int line = 0;
    do {
      image.fill(Qt::white);
      QPainter painter(&image);
      line = pane.PaintPage(painter, target, 200, line);
      ++pages;
    } while (line > 0);
  }
  state.counters["pages"] = pages;
}

BENCHMARK(BM_ReadRtf);
BENCHMARK(BM_WriteRtf);
BENCHMARK(BM_LoadPaneFromRtf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadDocumentFromRtf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PeerQtHtmlImport)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePaneToRtf)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PaintAllPages)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
