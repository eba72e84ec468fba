// TFxFaxPrinter: prints the pages of a fax file on a QPrinter, one page or several per
// sheet, each framed by an optional header and footer line whose text may hold $-codes.
// A status window (faxprinterstatus.h) shows progress and offers Abort; a print log
// (faxprinterlog.h) keeps one line per job event.
#pragma once

#include <QDateTime>
#include <QFont>
#include <QPrinter>
#include <QRect>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <string>

class QPainter;
class QWidget;

namespace windows {

class TFxFaxPrinterStatus;
class TFxFaxPrinterLog;

enum class TFaxPrintScale { psNone, psFitToPage };
enum TFaxPrintLogCode { lcStart = 0, lcFinish = 1, lcAbort = 2, lcFail = 3 };
enum TFaxPrintProgress { fpIdle = 0, fpComposing, fpRendering, fpSubmitting, fpConverting };
// The progress names the status window shows.
QString ProgressName(int progress);

struct TFxFaxPrinterMargin {
  QString Caption;
  bool Enabled = false;
  QFont Font{QStringLiteral("Arial"), 10};
  int Height = 0;  // device pixels of the caption as last drawn
};

// What the $-codes of a margin text stand for on one page.
struct MarginFacts {
  QString fileName;
  int pageCount = 0;
  int page = 0;
  QDateTime now;
};
// Replaces each code ("$" up to the next blank) by its value: D date, F file name, N page
// count, P page, T time; any other code (or a lone "$") is removed. Inserted text is never
// searched again, so a file name holding "$" prints as it is.
QString ExpandMarginCodes(const QString& caption, const MarginFacts& facts);

// Fax pages on one sheet: four in portrait, two side by side in landscape.
int PagesPerSheet(bool landscape);
// Where page slot q (0-based on the sheet) goes inside the printable rectangle: the whole
// sheet for one page per sheet; otherwise the slot's half or quarter, 2 pixels in.
QRect SheetSlot(const QRect& printable, bool multiPage, bool landscape, int q);
// Device size of a page image of width x height fax pixels (1728 across 215 mm, 7.7 lines
// per mm) at the given device resolution: fitted into `target` keeping its proportions
// (psFitToPage), or at its true size (psNone; the caller crops what does not fit).
QSize PrintedSize(int width, int height, double dpiX, double dpiY, const QSize& target,
                  TFaxPrintScale scale);

class TFxFaxPrinter {
 public:
  TFxFaxPrinter();
  ~TFxFaxPrinter();

  QString Caption = QStringLiteral("Brindle Fax Printer");
  TFxFaxPrinterMargin FaxHeader{QStringLiteral("FILE: $F"), true};
  TFxFaxPrinterMargin FaxFooter{QStringLiteral("PAGE: $P of $N"), true};
  TFxFaxPrinterLog* FaxPrinterLog = nullptr;
  TFxFaxPrinterStatus* StatusDisplay = nullptr;
  bool MultiPage = false;
  TFaxPrintScale PrintScale = TFaxPrintScale::psFitToPage;
  std::function<void(int page, int pageCount)> OnNextPage;
  std::function<void(int code)> OnFaxPrintLog;
  std::function<void(int code)> OnFaxPrintStatus;

  int FaxPageCount = 0;
  int FirstPrintPage = 0;
  int LastPrintPage = 0;
  int CurrentPrintPage = 0;  // 0 when idle
  int FaxResolution = 0;     // 0 standard, 1 high
  int FaxWidth = 0;          // 0 for 1728 pixels, 1 for 2048
  int Progress() const { return progress_; }

  const QString& FileName() const { return fileName_; }
  // Reads the file's page count and format and sets the range to the whole file. The same
  // name is read again too: a received file may have been replaced under it.
  void SetFileName(const QString& name);
  // The platform's print dialog; confirmed, its page range becomes the range to print.
  bool ShowPageRangeDialog(QWidget* parent);
  // Prints FirstPrintPage..LastPrintPage; 0, or the error that ended the job.
  int PrintFaxFile();
  void AbortPrint();
  bool Printing() const { return printing_; }

  QPrinter& Printer() { return printer_; }

 private:
  void setProgress(int code);
  void log(int code);
  // For events after the job's outcome is settled: a log failure is recorded, not raised.
  bool logQuietly(int code);
  void showStatus(bool first, bool last);
  void endJob();
  void drawMargin(QPainter& p, TFxFaxPrinterMargin& margin, QRect& r, bool top,
                  const MarginFacts& facts);
  int printPage(QPainter& p, int page, bool landscape);

  QPrinter printer_{QPrinter::HighResolution};
  QString fileName_;
  int progress_ = fpIdle;
  bool printing_ = false;
};

}  // namespace windows
