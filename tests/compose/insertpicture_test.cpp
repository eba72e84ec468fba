// Pictures and documents into the editors: Insert Picture and Insert Document from the
// tool bars and the template's Insert menu, files and pictures pasted or dropped, a damaged
// PDF refused by name with nothing changed, and undecodable pictures reported once.
#include "compose/covereditor.h"
#include "compose/faxeditor.h"
#include "compose/insertcommands.h"
#include "composetest.h"
#include "richtext/codec/rtfreader.h"
#include "richtext/richtext.h"

#include <gtest/gtest.h>
#include <QAction>
#include <QClipboard>
#include <QImage>
#include <QMimeData>
#include <QTemporaryDir>
#include <QToolButton>
#include <QUrl>

#include <cstdlib>

namespace {

using composetest::WaitUntil;

struct Pane {
  std::vector<richtext::RtfPicture> pictures;
  std::vector<bool> pageBreaks;  // of the paragraphs holding pictures
};

Pane Contents(richtext::TRichText* pane) {
  Pane out;
  const richtext::RtfDocument d = richtext::ReadRtf(pane->SaveRtf().toStdString());
  for (const richtext::RtfParagraph& p : d.paragraphs)
    for (const richtext::RtfInline& item : p.items)
      if (item.kind == richtext::RtfInline::Kind::Picture) {
        out.pictures.push_back(item.picture);
        out.pageBreaks.push_back(p.props.pageBreakBefore);
      }
  return out;
}

class InsertPictures : public ::testing::Test, public composetest::ComposeFixture {
 protected:
  InsertPictures() {
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    logo.save(file("logo.png"));
    png = ReadAll("logo.png");
    compose::OpenFileRequests().Install([this](const QString&, const QString&) { return chosen; });
  }
  ~InsertPictures() override { compose::OpenFileRequests().Install({}); }

  QString file(const QString& name) const { return tmp.filePath(name); }
  QByteArray ReadAll(const QString& name) const {
    QFile f(file(name));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
  }
  // A two-page PDF (Letter, then A4) made by Ghostscript from a small PostScript program.
  QString MakePdf() const {
    QFile ps(file("two.ps"));
    ps.open(QIODevice::WriteOnly);
    ps.write("%!PS\n<< /PageSize [612 792] >> setpagedevice 0 setgray 72 648 144 72 rectfill showpage\n"
             "<< /PageSize [595 842] >> setpagedevice 0.5 setgray 72 72 200 200 rectfill showpage\n");
    ps.close();
    const QString pdf = file("two.pdf");
    const QString cmd = QStringLiteral("gs -q -dSAFER -dBATCH -dNOPAUSE -sDEVICE=pdfwrite "
                                       "-sOutputFile='%1' '%2'").arg(pdf, file("two.ps"));
    EXPECT_EQ(std::system(cmd.toLocal8Bit().constData()), 0);
    return pdf;
  }

  QTemporaryDir tmp;
  QByteArray png;
  QString chosen;
};

TEST_F(InsertPictures, ToolBarsInsertPicturesAndPdfPagesOnPagesOfTheirOwn) {
  compose::TFaxEditor editor;
  editor.RichDoc->SetLayout(richtext::PageLayout{});
  chosen = file("logo.png");
  editor.CoverInsertPictureButton->defaultAction()->trigger();
  ASSERT_EQ(Contents(editor.RichCover).pictures.size(), 1u);
  EXPECT_EQ(QByteArray::fromStdString(Contents(editor.RichCover).pictures[0].bytes), png);

  editor.RichDoc->insertPlainText(QStringLiteral("Invoice attached"));
  chosen = MakePdf();
  editor.InsertDocumentButton->defaultAction()->trigger();
  const Pane doc = Contents(editor.RichDoc);
  ASSERT_EQ(doc.pictures.size(), 2u) << boxes.size();
  EXPECT_EQ(doc.pageBreaks, (std::vector<bool>{true, true}));  // after the typed line
  const richtext::PageLayout l;
  for (const richtext::RtfPicture& page : doc.pictures) {
    EXPECT_LE(page.goalWidth, l.width - l.marginLeft - l.marginRight);
    EXPECT_LE(page.goalHeight, l.height - l.marginTop - l.marginBottom);
    // One pixel of the picture for each pixel of the fax page (200 an inch).
    EXPECT_NEAR(page.pixelWidth, page.goalWidth / 7.2, 1);
    EXPECT_NEAR(page.pixelHeight, page.goalHeight / 7.2, 1);
  }
  EXPECT_NEAR(double(doc.pictures[0].goalHeight) / doc.pictures[0].goalWidth, 11 / 8.5, 0.01);
  EXPECT_NEAR(double(doc.pictures[1].goalHeight) / doc.pictures[1].goalWidth, 842 / 595.0, 0.01);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(InsertPictures, DamagedPdfIsReportedByNameAndChangesNothing) {
  compose::TFaxEditor editor;
  editor.RichDoc->insertPlainText(QStringLiteral("kept"));
  const QByteArray before = editor.RichDoc->SaveRtf();
  QFile bad(file("broken.pdf"));
  bad.open(QIODevice::WriteOnly);
  bad.write("%PDF-1.4\n1 0 obj << >> nonsense\n");
  bad.close();
  chosen = bad.fileName();
  editor.InsertDocumentButton->defaultAction()->trigger();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("broken.pdf"))) << boxes[0].text.toStdString();
  EXPECT_TRUE(boxes[0].text.contains(QStringLiteral("damaged"))) << boxes[0].text.toStdString();
  EXPECT_EQ(editor.RichDoc->SaveRtf(), before);
}

TEST_F(InsertPictures, PastedAndDroppedFilesAndClipboardPictures) {
  compose::TFaxEditor editor;
  auto* mime = new QMimeData;
  mime->setUrls({QUrl::fromLocalFile(MakePdf()), QUrl::fromLocalFile(file("logo.png"))});
  QApplication::clipboard()->setMimeData(mime);
  editor.RichDoc->paste();  // what a drop of the two files does too
  EXPECT_EQ(Contents(editor.RichDoc).pictures.size(), 3u);
  QImage shot(30, 30, QImage::Format_RGB32);
  shot.fill(Qt::red);
  QApplication::clipboard()->setImage(shot);
  editor.RichCover->paste();
  ASSERT_EQ(Contents(editor.RichCover).pictures.size(), 1u);
  EXPECT_EQ(Contents(editor.RichCover).pictures[0].pixelWidth, 30);
  EXPECT_TRUE(boxes.empty());
}

TEST_F(InsertPictures, TemplateEditorInsertsPicturesAndReportsBadOnesOnce) {
  compose::TCoverEditor editor;
  editor.RichCover->LoadRtf(
      "{\\rtf1 {\\pict\\pngblip 0102}{\\pict\\jpegblip 0304}\\par}");  // neither decodes
  EXPECT_TRUE(boxes.empty());  // not yet shown
  editor.show();
  ASSERT_TRUE(WaitUntil([&] { return !boxes.empty(); }));
  WaitUntil([] { return false; }, 20);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_TRUE(boxes[0].text.startsWith(QStringLiteral("2 pictures")));
  chosen = file("logo.png");
  editor.mnuPicture->trigger();
  EXPECT_EQ(Contents(editor.RichCover).pictures.size(), 3u);
  editor.hide();
}

}  // namespace
