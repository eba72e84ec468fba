// TFxFaxPrinterStatus and its window "Print Status": what is being printed, how far the
// job has got, and Abort.
#pragma once

#include <QDialog>
#include <QPointer>

class QLabel;
class QPushButton;

namespace windows {

class TFxFaxPrinter;

class TStandardFaxPrinterStatusDisplay : public QDialog {
  Q_OBJECT
 public:
  explicit TStandardFaxPrinterStatusDisplay(QWidget* parent);
  QLabel *fpsFileName, *fpsTotalPages, *fpsResolution, *fpsWidth, *fpsFirstPage, *fpsLastPage,
      *fpsStatusLine;
  QPushButton* fpsAbortButton;
  TFxFaxPrinter* Printer = nullptr;  // the job Abort stops
};

class TFxFaxPrinterStatus {
 public:
  explicit TFxFaxPrinterStatus(QWidget* parent);
  ~TFxFaxPrinterStatus();
  // first: attach the window to the printer and show it; last: hide it; otherwise show
  // the printer's current values.
  void UpdateDisplay(TFxFaxPrinter& printer, bool first, bool last);
  TStandardFaxPrinterStatusDisplay* Display() const { return display_; }

 private:
  QPointer<TStandardFaxPrinterStatusDisplay> display_;
};

}  // namespace windows
