// Insert Picture and Insert Document for the editors' rich-text panes.
#include "compose/insertcommands.h"

#include "base/bilevel.h"
#include "faximage/document_raster.h"
#include "faximage/errors.h"
#include "richtext/codec/rtfdocument.h"
#include "richtext/document/pictureobject.h"
#include "richtext/richtext.h"
#include "ui/messages.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QImage>
#include <QProgressDialog>

#include <cmath>
#include <cstring>
#include <vector>

namespace compose {
namespace {

// Fax pages are painted at 200 pixels an inch: a page picture has one pixel for each of
// the page's, so it lands on the fax page unscaled.
constexpr int kPagePixelsPerInch = 200;
constexpr double kTwipsPerPixel = 1440.0 / kPagePixelsPerInch;
constexpr char kPendingProperty[] = "brindlePicturesNotShown";

const QString kPictureFilter =
    QStringLiteral("Pictures (*.png *.jpg *.jpeg *.bmp *.gif);;All files (*)");
const QString kDocumentFilter = QStringLiteral(
    "Documents and pictures (*.pdf *.ps *.eps *.png *.jpg *.jpeg *.bmp *.gif);;All files (*)");

QString ChooseFile(QWidget* parent, const QString& caption, const QString& filter) {
  if (OpenFileRequests()) return OpenFileRequests()(caption, filter);
  return QFileDialog::getOpenFileName(parent, caption, QString(), filter);
}

void Report(const QString& text) {
  ui::ShowMessageBox(text, QStringLiteral("Insert"), ui::mb::Ok | ui::mb::IconWarning);
}

// A rendered page made black and white, as a 1-bit PNG picture shown at its own pixels.
richtext::RtfPicture PagePicture(faximage::GreyPage& page) {
  base::DiffuseToBlackAndWhite({page.pixels.data(), page.width, page.height, page.width});
  QImage image(page.width, page.height, QImage::Format_Grayscale8);
  for (int y = 0; y < page.height; ++y)
    std::memcpy(image.scanLine(y), page.pixels.data() + std::size_t(y) * std::size_t(page.width),
                std::size_t(page.width));
  const QImage mono = image.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
  return richtext::PictureOfImage(mono, QSize(int(std::lround(page.width * kTwipsPerPixel)),
                                              int(std::lround(page.height * kTwipsPerPixel))));
}

}  // namespace

ui::Seam<QString(const QString&, const QString&)>& OpenFileRequests() {
  static ui::Seam<QString(const QString&, const QString&)> seam;
  return seam;
}

void InsertPictureAsking(richtext::TRichText* pane, QWidget* parent) {
  if (!pane || pane->isReadOnly()) return;
  const QString path = ChooseFile(parent, QStringLiteral("Insert Picture"), kPictureFilter);
  if (path.isEmpty()) return;
  const QString problem = pane->InsertPictureFile(path);
  if (!problem.isEmpty()) Report(problem);
  pane->setFocus();
}

void InsertDocumentAsking(richtext::TRichText* pane, QWidget* parent) {
  if (!pane || pane->isReadOnly()) return;
  const QString path = ChooseFile(parent, QStringLiteral("Insert Document"), kDocumentFilter);
  if (path.isEmpty()) return;
  if (faximage::documentKindOf(QFile::encodeName(path).toStdString())) {
    InsertDocumentFile(pane, path, parent);
  } else if (const QString problem = pane->InsertPictureFile(path); !problem.isEmpty()) {
    Report(problem);
  }
  pane->setFocus();
}

bool InsertDocumentFile(richtext::TRichText* pane, const QString& path, QWidget* parent) {
  faximage::DocumentRasteriser raster;
  QProgressDialog progress(QStringLiteral("Reading %1...").arg(QFileInfo(path).fileName()),
                           QStringLiteral("Cancel"), 0, 1, parent);
  progress.setObjectName(QStringLiteral("InsertDocumentProgress"));
  progress.setWindowTitle(QStringLiteral("Insert Document"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  progress.setValue(0);
  raster.keepGoing = [&progress] {
    QApplication::processEvents();
    return !progress.wasCanceled();
  };
  int rc = raster.open(QFile::encodeName(path).toStdString());
  // The page's room: the text area of the pane's page, less a line's descent below.
  const richtext::PageLayout l = pane->Layout();
  const QSize room = richtext::PictureRoom(l);
  const int maxWidth = int(room.width() / kTwipsPerPixel);
  const int maxHeight = int(room.height() / kTwipsPerPixel);
  std::vector<richtext::RtfPicture> pages;
  if (rc == faximage::ecOK) progress.setMaximum(raster.pageCount());
  for (int n = 1; rc == faximage::ecOK && n <= raster.pageCount(); ++n) {
    progress.setLabelText(QStringLiteral("Reading %1: page %2 of %3")
                              .arg(QFileInfo(path).fileName())
                              .arg(n)
                              .arg(raster.pageCount()));
    int width = 0, height = 0;
    faximage::fitPage(raster.pageBox(n), kPagePixelsPerInch, kPagePixelsPerInch, maxWidth,
                      maxHeight, width, height);
    faximage::GreyPage page;
    rc = raster.renderPage(n, width, height, page);
    if (rc == faximage::ecOK) pages.push_back(PagePicture(page));
    progress.setValue(n);
    if (progress.wasCanceled()) rc = faximage::ecConvertAbort;
  }
  progress.reset();
  if (rc == faximage::ecConvertAbort) return false;  // cancelled: nothing goes in
  if (rc != faximage::ecOK) {
    Report(QStringLiteral("%1 cannot be inserted.\n%2")
               .arg(QDir::toNativeSeparators(path), QString::fromStdString(raster.message())));
    return false;
  }
  pane->InsertPictures(pages, true);
  return true;
}

void AcceptDroppedFiles(richtext::TRichText* pane, QWidget* parent, bool documents) {
  if (documents)
    pane->SetFileInsertHandler([pane, parent](const QString& path) {
      if (!faximage::documentKindOf(QFile::encodeName(path).toStdString())) return false;
      InsertDocumentFile(pane, path, parent);
      return true;
    });
  QObject::connect(pane, &richtext::TRichText::InsertProblem, parent, &Report);
}

void WatchPicturesNotShown(richtext::TRichText* pane, QWidget* window) {
  QObject::connect(pane, &richtext::TRichText::PicturesNotShown, window, [window](int count) {
    window->setProperty(kPendingProperty, window->property(kPendingProperty).toInt() + count);
    if (window->isVisible()) ReportPendingPictures(window);
  });
}

void ReportPendingPictures(QWidget* window) {
  const int count = window->property(kPendingProperty).toInt();
  if (count <= 0) return;
  window->setProperty(kPendingProperty, 0);
  Report(count == 1 ? QStringLiteral("A picture of this text cannot be shown: its data is "
                                     "damaged, too large, or not PNG or JPEG. It is shown as "
                                     "an empty frame.")
                    : QStringLiteral("%1 pictures of this text cannot be shown: their data is "
                                     "damaged, too large, or not PNG or JPEG. They are shown as "
                                     "empty frames.")
                          .arg(count));
}

}  // namespace compose
