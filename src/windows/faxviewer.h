// TFaxViewer ("Fax Viewer "): looks at one fax file page by page, zooms, rotates and
// exports a page. The caller sets the file and the header text before showing it; a
// temporary file handed over with DeleteOnClose is removed however the window closes.
#pragma once

#include <QDialog>
#include <memory>
#include <string>

#include "faximage/page_image.h"
#include "ui/testseam.h"

class QAction;
class QLabel;
class QToolBar;
class QToolButton;

namespace faximage {
class TFxFaxViewer;
}

namespace windows {

class TFxFaxPrinter;
class TFxFaxPrinterLog;
class TFxFaxPrinterStatus;

// The print preferences, section "Printing" of the settings file.
struct PrintPreferences {
  bool multiPage = false, header = true, footer = true;
};
PrintPreferences ReadPrintPreferences();
void WritePrintPreferences(const PrintPreferences& p);

// The zoom ladder of the window, in percent.
inline constexpr int kZoomSteps[] = {25, 50, 75, 100, 150, 200};
// The zoom a page of pageWidth pixels opens at in a control controlWidth pixels wide.
int StartZoom(int controlWidth, int pageWidth);
// One step up (+1) or down (-1) the ladder; 0 when already at its end.
int NextZoom(int zoom, int direction);
// "Page n of m", or "No file loaded" without pages.
QString PageStatusText(int page, int pages);

// The file the export dialog offers: the fax's name (a temporary rendering of an outgoing
// fax has none worth keeping: "Fax") with the format's extension, in `folder`.
QString ExportFileSuggestion(const QString& faxFile, bool temporary, const QString& extension,
                             const QString& folder);

// Whether a printer is installed (the system's list); tests put their answer here.
bool PrintersInstalled();
ui::Seam<bool()>& PrinterPresence();
// Without a printer the print buttons write a PDF file: the name the user picks for it
// (empty when cancelled); tests answer here instead of the file dialog.
ui::Seam<QString(const QString& suggested)>& PdfFileAnswers();

class TFaxViewer : public QDialog {
  Q_OBJECT
 public:
  explicit TFaxViewer(QWidget* parent = nullptr);
  ~TFaxViewer() override;

  std::string FaxFileName;
  QString HeaderText;
  bool DeleteFileOnClose = false;  // the file is a temporary rendering of an outgoing fax

  int Zoom() const { return zoom_; }
  void ApplyZoom(int z);
  void SetRotation(int quarterTurns);
  // Unpacks the active page into `target`; 0 or the error code. Refuses the fax file itself.
  int ExportPage(faximage::ExportFormat format, const std::string& target);
  // Writes the whole fax as a PDF, with a progress box that can cancel; 0 or the error code.
  // Refuses the fax file itself.
  int ExportFaxPdf(const std::string& target);
  // Print commands: the platform's page-range dialog, a range, the current page.
  void PrinterSetupButtonClick();
  void PrintbuttonClick();
  void ExplorerButton1Click();

  faximage::TFxFaxViewer* FaxViewer;
  QLabel* StatusPanel;
  QToolButton *FirstButton, *PrevButton, *NextButton, *LastButton, *ZoomInButton, *ZoomOutButton,
      *PrinterSetupButton, *Printbutton, *ExplorerButton1, *CloseButton, *Helpbutton;
  std::unique_ptr<TFxFaxPrinterStatus> PrinterStatus;
  std::unique_ptr<TFxFaxPrinterLog> PrinterLog;
  std::unique_ptr<TFxFaxPrinter> FaxPrinter;
  QAction *N25PercentItem, *N50PercentItem, *N75PercentItem, *N100PercentItem, *N150PercentItem,
      *N200PercentItem, *NoRotateItem, *Rotate90Item, *Rotate180Item, *Rotate270Item,
      *ExportPageasBMP1, *ExportPageasPCX1, *ExportPageasDCX1, *ExportFaxasPDF1;

 protected:
  void showEvent(QShowEvent*) override;
  void done(int r) override;

 private:
  void loadFile();
  void exportClick(faximage::ExportFormat format);
  void exportPdfClick();
  void checkZoomItem();
  void setPageButtonsVisible(bool on);
  // Gives the printer the file and, once per file, the whole file as its range; false
  // when no file is loaded.
  bool preparePrinter();
  // Header and footer captions from the preferences, then the job; errors are shown.
  // Without a printer the job goes to a PDF file the user names.
  void print(const PrintPreferences& prefs);
  bool choosePdfFile();
  // Enables the print buttons and says in their tool tips where the pages go.
  void setUpPrintButtons();
  bool printRangeSet_ = false;
  bool printers_ = false;
  QToolBar* bar_ = nullptr;
  bool loaded_ = false;
  int zoom_ = 100;
};

}  // namespace windows
