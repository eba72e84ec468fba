// The committed corpus: small documents as other word processors write them. Each loads
// with its text and formatting and round-trips through our writer and reader, and
// through the pane, unchanged.
#include "richtext/richtext.h"
#include "testutil.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>
#include <functional>

namespace richtext::test {
namespace {

QByteArray Load(const QString& name) {
  QFile file(QDir(RICHTEXT_DATA_DIR).filePath(name));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
  return file.readAll();
}

RtfDocument ReadFile(const QString& name) { return Read(Load(name).toStdString()); }

struct CorpusFile {
  const char* name;
  std::vector<const char*> texts;  // UTF-8 texts the document must hold
  std::function<void(const RtfDocument&)> check;
};

const RtfInline& Run(const RtfDocument& d, const char* text) {
  static const RtfInline none;
  const RtfInline* run = FindRun(d, QString::fromUtf8(text));
  EXPECT_NE(run, nullptr) << text;
  return run ? *run : none;
}

const RtfParaFormat& Para(const RtfDocument& d, const char* text) {
  static const RtfParaFormat none;
  const RtfParagraph* p = FindParagraph(d, QString::fromUtf8(text));
  EXPECT_NE(p, nullptr) << text;
  return p ? p->props : none;
}

void CheckBasic(const RtfDocument& d) {
  EXPECT_TRUE(Run(d, "bold words").props.bold);
  EXPECT_FALSE(Run(d, "bold words").props.italic);
  EXPECT_TRUE(Run(d, "italic words").props.italic);
  EXPECT_TRUE(Run(d, "bold italic").props.bold && Run(d, "bold italic").props.italic);
  EXPECT_FALSE(Run(d, "Plain start").props.bold);
}

void CheckUnderline(const RtfDocument& d) {
  EXPECT_TRUE(Run(d, "underlined words").props.underline);
}

void CheckAlign(const RtfDocument& d) {
  EXPECT_EQ(Para(d, "Left aligned").align, RtfAlign::Left);
  EXPECT_EQ(Para(d, "Centred").align, RtfAlign::Center);
  EXPECT_EQ(Para(d, "Right aligned").align, RtfAlign::Right);
  EXPECT_EQ(Para(d, "Justified").align, RtfAlign::Justify);
}

const char* kUnicode[] = {"Café crème, naïve, Ærøskøbing, €100, “quoted” – dash — long.",
                          "Greek αβγ Δ, Cyrillic Жизнь, Polish Łódź."};

std::vector<CorpusFile> Corpus() {
  return {
      {"lo_basic.rtf",
       {"Plain start, bold words, italic words and underlined words."},
       [](const RtfDocument& d) {
         CheckBasic(d);
         CheckUnderline(d);
       }},
      {"abi_basic.rtf",
       {"Second paragraph with bold italic text."},
       [](const RtfDocument& d) {
         CheckBasic(d);
         CheckUnderline(d);
       }},
      {"pandoc_basic.rtf",
       {"and a link.", "A quoted paragraph, indented."},
       [](const RtfDocument& d) {
         CheckBasic(d);
         EXPECT_TRUE(Run(d, "link").props.underline);
         EXPECT_EQ(Run(d, "code text").props.fontName, "Courier");
         EXPECT_EQ(Para(d, "quoted paragraph").leftIndent, 720);
       }},
      {"lo_fonts.rtf",
       {"Serif fourteen", "Mono eight", "Sans twenty-four"},
       [](const RtfDocument& d) {
         EXPECT_EQ(Run(d, "Serif").props.fontName, "Liberation Serif");
         EXPECT_EQ(Run(d, "Serif").props.halfPoints, 28);
         EXPECT_EQ(Run(d, "Mono").props.fontName, "Liberation Mono");
         EXPECT_EQ(Run(d, "Mono").props.halfPoints, 16);
         EXPECT_EQ(Run(d, "Sans").props.fontName, "Liberation Sans");
         EXPECT_EQ(Run(d, "Sans").props.halfPoints, 48);
       }},
      {"lo_colors.rtf",
       {"Black then red text and blue text."},
       [](const RtfDocument& d) {
         EXPECT_EQ(Run(d, "red text").props.color, 0xFF0000u);
         EXPECT_EQ(Run(d, "blue text").props.color, 0x0000FFu);
         EXPECT_NE(Run(d, "Black").props.color, 0xFF0000u);
       }},
      {"lo_align.rtf", {"Justified paragraph with enough words"}, CheckAlign},
      {"abi_align.rtf", {"Justified paragraph with enough words"}, CheckAlign},
      {"lo_indent.rtf",
       {"Indented paragraph", "Unindented paragraph."},
       [](const RtfDocument& d) {
         const RtfParaFormat& p = Para(d, "Indented paragraph");
         EXPECT_EQ(p.leftIndent, 1440);
         EXPECT_EQ(p.rightIndent, 720);
         EXPECT_EQ(p.firstIndent, 720);
         EXPECT_EQ(p.spaceBefore, 240);
         EXPECT_EQ(p.spaceAfter, 120);
         EXPECT_EQ(Para(d, "Unindented").leftIndent, 0);
       }},
      {"lo_pagebreak.rtf",
       {"Page one text.", "Page two text."},
       [](const RtfDocument& d) {
         EXPECT_FALSE(Para(d, "Page one").pageBreakBefore);
         EXPECT_TRUE(Para(d, "Page two").pageBreakBefore);
         ASSERT_TRUE(d.page.has_value());
         EXPECT_EQ(d.page->width, 11906);
       }},
      {"lo_table.rtf",
       {"Before the table.", "Cell one", "Cell four", "First item", "After the list."},
       nullptr},
      {"lo_unicode.rtf", {kUnicode[0], kUnicode[1]}, nullptr},
      {"abi_unicode.rtf", {kUnicode[0], kUnicode[1]}, nullptr},
      {"pandoc_unicode.rtf", {kUnicode[0], kUnicode[1]}, nullptr},
      {"wordpad_style.rtf",
       {"Small editor text with bold, italic, underline and red words.",
        "Indented\ttabbed|next line", "Courier ten été €100"},
       [](const RtfDocument& d) {
         EXPECT_EQ(Run(d, "Small editor").props.fontName, "Calibri");
         EXPECT_EQ(Run(d, "Small editor").props.halfPoints, 22);
         EXPECT_TRUE(Run(d, "underline").props.underline);
         EXPECT_EQ(Run(d, "red").props.color, 0xFF0000u);
         EXPECT_EQ(Para(d, "Centred").align, RtfAlign::Center);
         EXPECT_EQ(Para(d, "Indented").tabs, (std::vector<RtfTab>{{2880, RtfTabKind::Left}}));
         EXPECT_TRUE(Para(d, "Courier ten").pageBreakBefore);
         EXPECT_EQ(Run(d, "Courier ten").props.halfPoints, 20);
       }},
      {"word_style.rtf",
       {"Document Heading",
        "“Smart quotes” and an em dash — then blue and green italic words, "
        "Cyrillic Жи, a link example and a picture .",
        "Bullet item", "Cell A\tCell B", "Second page bold fourteen underlined"},
       [](const RtfDocument& d) {
         QString flat = Flat(d);
         EXPECT_FALSE(flat.contains("Header text"));
         EXPECT_FALSE(flat.contains("Footnote text"));
         EXPECT_FALSE(flat.contains("Normal"));  // the style sheet
         EXPECT_TRUE(Run(d, "Document Heading").props.bold);
         EXPECT_EQ(Run(d, "Document Heading").props.fontName, "Arial");
         EXPECT_EQ(Run(d, "Document Heading").props.halfPoints, 32);
         EXPECT_EQ(Run(d, "blue").props.color, 0x0000FFu);
         EXPECT_TRUE(Run(d, "green italic").props.italic);
         const RtfParaFormat& quote = Para(d, "Smart quotes");
         EXPECT_EQ(quote.align, RtfAlign::Justify);
         EXPECT_EQ(quote.firstIndent, 360);
         EXPECT_EQ(quote.leftIndent, 720);
         EXPECT_EQ(quote.rightIndent, 720);
         EXPECT_TRUE(Para(d, "Second page").pageBreakBefore);
         EXPECT_TRUE(Run(d, "bold fourteen").props.underline);
         EXPECT_EQ(Run(d, "bold fourteen").props.halfPoints, 28);
       }},
  };
}

TEST(RtfCorpus, HasAtLeastADozenDocuments) {
  EXPECT_GE(QDir(RICHTEXT_DATA_DIR).entryList({"*.rtf"}).size(), 12);
  EXPECT_GE(Corpus().size(), 12u);
}

TEST(RtfCorpus, LoadsTextAndFormatting) {
  for (const CorpusFile& f : Corpus()) {
    SCOPED_TRACE(f.name);
    RtfDocument d = ReadFile(f.name);
    QString flat = Flat(d);
    for (const char* text : f.texts) EXPECT_TRUE(flat.contains(QString::fromUtf8(text))) << text;
    if (f.check) f.check(d);
  }
}

TEST(RtfCorpus, RoundTripsThroughWriterAndReader) {
  for (const CorpusFile& f : Corpus()) {
    SCOPED_TRACE(f.name);
    RtfDocument d = ReadFile(f.name);
    EXPECT_EQ(Read(WriteRtf(d)), d);
  }
}

TEST(RtfCorpus, RoundTripsThroughThePane) {
  for (const CorpusFile& f : Corpus()) {
    SCOPED_TRACE(f.name);
    RtfDocument d = ReadFile(f.name);
    TRichText pane;
    pane.LoadRtf(Load(f.name));
    RtfDocument back = Read(pane.SaveRtf().toStdString());
    EXPECT_EQ(back.paragraphs, d.paragraphs);
    // Saved again after a zoom change, nothing moves.
    pane.SetZooming(70);
    EXPECT_EQ(Read(pane.SaveRtf().toStdString()).paragraphs, d.paragraphs);
  }
}

}  // namespace
}  // namespace richtext::test
