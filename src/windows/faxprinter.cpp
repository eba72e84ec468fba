// Fax printing: margin codes, the sheet layout, the true-size page and the print loop
// with its progress, log and abort.
#include "windows/faxprinter.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontMetrics>
#include <QLocale>
#include <QPainter>
#include <QPrintDialog>
#include <cmath>
#include <exception>
#include <stdexcept>

#include "base/log.h"
#include "faximage/errors.h"
#include "faximage/page_image.h"
#include "faximage/unpacker.h"
#include "faximage/viewer/monoimage.h"
#include "windows/faxprinterlog.h"
#include "windows/faxprinterstatus.h"

namespace windows {

namespace {

void pump() { QCoreApplication::processEvents(); }

// A fax line of 1728 pixels is 215 mm; lines (as unpacked, standard pages doubled) are
// 7.7 per mm.
constexpr double kMmPerPixel = 215.0 / 1728.0;
constexpr double kMmPerLine = 1.0 / 7.7;

int mulDiv(long long a, long long b, long long c) { return c ? int((a * b + c / 2) / c) : 0; }

}  // namespace

QString ProgressName(int progress) {
  static const char* const names[] = {"Idle", "Composing", "Rendering", "Submitting", "Converting"};
  return QLatin1String(progress >= fpIdle && progress <= fpConverting ? names[progress] : "");
}

QString ExpandMarginCodes(const QString& caption, const MarginFacts& facts) {
  const QLocale locale;
  QString out;
  qsizetype i = 0;
  while (i < caption.size()) {
    const qsizetype dollar = caption.indexOf(QLatin1Char('$'), i);
    if (dollar < 0) {
      out += caption.mid(i);
      break;
    }
    out += caption.mid(i, dollar - i);
    qsizetype end = caption.indexOf(QLatin1Char(' '), dollar);
    if (end < 0) end = caption.size();
    const QChar code = dollar + 1 < end ? caption[dollar + 1].toUpper() : QChar();
    if (code == QLatin1Char('D'))
      out += locale.toString(facts.now.date(), QLocale::ShortFormat);
    else if (code == QLatin1Char('F'))
      out += facts.fileName;
    else if (code == QLatin1Char('N'))
      out += QString::number(facts.pageCount);
    else if (code == QLatin1Char('P'))
      out += QString::number(facts.page);
    else if (code == QLatin1Char('T'))
      out += locale.toString(facts.now.time(), QLocale::LongFormat);
    i = end;
  }
  return out;
}

int PagesPerSheet(bool landscape) { return landscape ? 2 : 4; }

QRect SheetSlot(const QRect& printable, bool multiPage, bool landscape, int q) {
  if (!multiPage) return printable;
  QRect r = printable;
  r.setWidth(r.width() / 2);
  if (!landscape) r.setHeight(r.height() / 2);
  if (q & 1) r.translate(r.width(), 0);
  if ((q & 2) && !landscape) r.translate(0, r.height());
  return r.adjusted(2, 2, -2, -2);
}

QSize PrintedSize(int width, int height, double dpiX, double dpiY, const QSize& target,
                  TFaxPrintScale scale) {
  const int w = int(std::lround(width * kMmPerPixel / 25.4 * dpiX));
  const int h = int(std::lround(height * kMmPerLine / 25.4 * dpiY));
  if (scale == TFaxPrintScale::psNone || w <= 0 || h <= 0) return {w, h};
  const int fitW = mulDiv(w, target.height(), h);
  if (fitW < target.width()) return {fitW, target.height()};
  return {target.width(), mulDiv(h, target.width(), w)};
}

TFxFaxPrinter::TFxFaxPrinter() = default;
TFxFaxPrinter::~TFxFaxPrinter() = default;

void TFxFaxPrinter::SetFileName(const QString& name) {
  fileName_ = name;
  faximage::TFxFaxUnpacker reader;
  reader.SetInFileName(name.toStdString());
  FaxPageCount = reader.ReadPageCount();
  FaxResolution = FaxPageCount && reader.ReadFineFlag() ? 1 : 0;
  FaxWidth = FaxPageCount && reader.ReadWideFlag() ? 1 : 0;
  FirstPrintPage = FaxPageCount ? 1 : 0;
  LastPrintPage = FaxPageCount;
}

bool TFxFaxPrinter::ShowPageRangeDialog(QWidget* parent) {
  printer_.setFromTo(FirstPrintPage, LastPrintPage);
  QPrintDialog dialog(&printer_, parent);
  dialog.setMinMax(FirstPrintPage ? 1 : 0, FaxPageCount);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange);
  if (dialog.exec() != QDialog::Accepted) return false;
  if (printer_.printRange() == QPrinter::PageRange && printer_.fromPage() > 0) {
    FirstPrintPage = printer_.fromPage();
    LastPrintPage = printer_.toPage();
  }
  return true;
}

void TFxFaxPrinter::setProgress(int code) {
  if (code != progress_) {
    progress_ = code;
    if (OnFaxPrintStatus) OnFaxPrintStatus(code);
    if (StatusDisplay && printing_) StatusDisplay->UpdateDisplay(*this, false, false);
  }
  pump();
}

void TFxFaxPrinter::log(int code) {
  if (OnFaxPrintLog) OnFaxPrintLog(code);
  if (FaxPrinterLog) FaxPrinterLog->Log(code, fileName_);
}

bool TFxFaxPrinter::logQuietly(int code) {
  try {
    log(code);
    return true;
  } catch (const std::exception& e) {
    base::LogFailure("fax print log", e.what());
    return false;
  }
}

void TFxFaxPrinter::showStatus(bool first, bool last) {
  if (StatusDisplay) StatusDisplay->UpdateDisplay(*this, first, last);
}

void TFxFaxPrinter::endJob() {
  printing_ = false;
  progress_ = fpIdle;
  CurrentPrintPage = 0;
  showStatus(false, true);
}

void TFxFaxPrinter::AbortPrint() {
  progress_ = fpIdle;
  if (printing_) {
    printer_.abort();
    endJob();
    logQuietly(lcAbort);
  }
  pump();
}

int TFxFaxPrinter::PrintFaxFile() {
  // The file is read again: a received file can have been replaced under the same name.
  const int first = FirstPrintPage, last = LastPrintPage;
  SetFileName(fileName_);
  FirstPrintPage = std::max(first, FaxPageCount ? 1 : 0);
  LastPrintPage = std::min(last, FaxPageCount);
  if (!FaxPageCount) {
    CurrentPrintPage = 0;
    return faximage::ecOK;
  }
  progress_ = fpIdle;
  printer_.setDocName(Caption);
  QPainter painter;
  int rc = faximage::ecOK;
  try {
    printing_ = true;
    showStatus(true, false);
    log(lcStart);
    if (!painter.begin(&printer_)) throw std::runtime_error("the printer cannot start the job");
    const bool landscape = printer_.pageLayout().orientation() == QPageLayout::Landscape;
    for (int i = FirstPrintPage; i <= LastPrintPage; ++i) {
      CurrentPrintPage = i;
      pump();
      if (i != FirstPrintPage && printing_ &&
          (!MultiPage || (i - FirstPrintPage) % PagesPerSheet(landscape) == 0))
        printer_.newPage();
      pump();
      if (!printing_) return faximage::ecOK;  // aborted: the abort has ended the job
      if (OnNextPage) OnNextPage(i, FaxPageCount);
      rc = printPage(painter, i, landscape);
      if (rc != faximage::ecOK) break;
      if (!printing_) return faximage::ecOK;
    }
  } catch (const std::exception& e) {
    base::LogFailure("fax printing", e.what());
    rc = faximage::ecDiskWrite;
  }
  pump();
  if (!printing_) return rc;  // aborted while messages ran
  if (rc != faximage::ecOK) {
    // A failed job is dropped at the printer and ends like an abort, but says "failed".
    printer_.abort();
    if (painter.isActive()) painter.end();
    endJob();
    logQuietly(lcFail);
    return rc;
  }
  painter.end();
  endJob();
  return logQuietly(lcFinish) ? faximage::ecOK : faximage::ecDiskWrite;
}

int TFxFaxPrinter::printPage(QPainter& p, int page, bool landscape) {
  setProgress(fpConverting);
  faximage::UnpackSettings settings;
  settings.yield = true;
  settings.autoScale = faximage::TAutoScaleMode::asDoubleHeight;
  faximage::UnpackCallbacks cb;
  cb.aborted = [this] { return !printing_; };
  cb.yield = [] {
    pump();
    return true;
  };
  faximage::MonoBitmap bitmap;  // 1 = black
  const int rc =
      faximage::assemblePageImage(fileName_.toStdString(), unsigned(page), settings, bitmap, cb);
  pump();
  if (!printing_) return faximage::ecOK;
  if (rc != faximage::ecOK) return rc;
  setProgress(fpComposing);
  if (bitmap.empty()) {
    // Nothing to size the page by: the page is left out and the log says so.
    log(lcFail);
    return faximage::ecOK;
  }
  const QRect printable(QPoint(0, 0),
                        printer_.pageLayout().paintRectPixels(printer_.resolution()).size());
  QRect r = SheetSlot(printable, MultiPage, landscape,
                      MultiPage ? (page - FirstPrintPage) % PagesPerSheet(landscape) : 0);
  const MarginFacts facts{fileName_, FaxPageCount, page, QDateTime::currentDateTime()};
  if (printing_ && FaxHeader.Enabled) drawMargin(p, FaxHeader, r, true, facts);
  if (printing_ && FaxFooter.Enabled) drawMargin(p, FaxFooter, r, false, facts);
  const QSize size = PrintedSize(bitmap.width, bitmap.height, printer_.logicalDpiX(),
                                 printer_.logicalDpiY(), r.size(), PrintScale);
  setProgress(fpRendering);
  if (printing_ && !size.isEmpty()) {
    // At true size a page larger than the space left is cut, not squeezed.
    const QSize shown = size.boundedTo(r.size());
    const QRect source(0, 0, mulDiv(bitmap.width, shown.width(), size.width()),
                       mulDiv(bitmap.height, shown.height(), size.height()));
    if (shown.width() < source.width() || shown.height() < source.height()) {
      // Shrinking keeps black pixels, so thin strokes stay on paper.
      faximage::MonoBitmap part(source.width(), source.height());
      for (int y = 0; y < source.height(); ++y)
        std::copy(bitmap.row(y), bitmap.row(y) + part.stride, part.row(y));
      faximage::MonoBitmap small;
      if (faximage::scaleBitmap(part, shown.width(), shown.height(), small) != faximage::ecOK)
        return faximage::ecCantMakeBitmap;
      p.drawImage(r.topLeft(), faximage::ToQImage(small));
    } else {
      p.drawImage(QRect(r.topLeft(), shown), faximage::ToQImage(bitmap), source);
    }
  }
  setProgress(fpSubmitting);
  return faximage::ecOK;
}

void TFxFaxPrinter::drawMargin(QPainter& p, TFxFaxPrinterMargin& margin, QRect& r, bool top,
                               const MarginFacts& facts) {
  QFont font(margin.Font, p.device());
  if (MultiPage && font.pointSize() > 0) font.setPointSize(font.pointSize() / 2);
  p.setFont(font);
  const int h = QFontMetrics(font, p.device()).height();
  margin.Height = h;
  const QString text = ExpandMarginCodes(margin.Caption, facts);
  if (top) {
    p.drawText(QRect(r.left(), r.top(), r.width(), h), Qt::AlignLeft | Qt::AlignVCenter, text);
    r.setTop(r.top() + h + 2);
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    r.setTop(r.top() + 1);
  } else {
    p.drawText(QRect(r.left(), r.bottom() - h, r.width(), h), Qt::AlignLeft | Qt::AlignVCenter,
               text);
    r.setBottom(r.bottom() - h - 2);
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    r.setBottom(r.bottom() - 1);
  }
}

}  // namespace windows
