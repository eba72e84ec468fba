// The fax viewer window: loading on first show, the zoom ladder, rotation, page buttons
// and export of the active page.
#include "windows/faxviewer.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "faximage/errors.h"
#include "faximage/pdf_export.h"
#include "faximage/unpacker.h"
#include "faximage/viewer/fxfaxviewer.h"
#include "settings/appsettings.h"
#include "settings/inifile.h"
#include "ui/beep.h"
#include "ui/helpwindow.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "windows/faxprinter.h"
#include "windows/faxprinterlog.h"
#include "windows/faxprinterstatus.h"
#include "windows/preprintform.h"

namespace windows {

int StartZoom(int controlWidth, int pageWidth) {
  const int b = controlWidth < pageWidth ? controlWidth * 150 / pageWidth : 100;
  if (b <= 36) return 25;
  if (b <= 62) return 50;
  if (b <= 87) return 75;
  if (b <= 125) return 100;
  if (b <= 175) return 150;
  return 200;
}

int NextZoom(int zoom, int direction) {
  const int n = int(std::size(kZoomSteps));
  for (int i = 0; i < n; ++i)
    if (kZoomSteps[i] == zoom) {
      const int j = i + direction;
      return j >= 0 && j < n ? kZoomSteps[j] : 0;
    }
  return 0;
}

QString PageStatusText(int page, int pages) {
  return pages ? QStringLiteral("Page %1 of %2").arg(page).arg(pages)
               : QStringLiteral("No file loaded");
}

QString ExportFileSuggestion(const QString& faxFile, bool temporary, const QString& extension,
                             const QString& folder) {
  const QString base = temporary ? QString() : QFileInfo(faxFile).completeBaseName();
  return QDir(folder).filePath((base.isEmpty() ? QStringLiteral("Fax") : base) +
                               QLatin1Char('.') + extension.toLower());
}

PrintPreferences ReadPrintPreferences() {
  settings::IniFile ini(settings::SettingsFilePath());
  ini.load();
  PrintPreferences p;
  p.multiPage = ini.readBool("Printing", "MultiPage", false);
  p.header = ini.readBool("Printing", "Header", true);
  p.footer = ini.readBool("Printing", "Footer", true);
  return p;
}

void WritePrintPreferences(const PrintPreferences& p) {
  settings::IniFile ini(settings::SettingsFilePath());
  ini.load();
  ini.writeBool("Printing", "MultiPage", p.multiPage);
  ini.writeBool("Printing", "Header", p.header);
  ini.writeBool("Printing", "Footer", p.footer);
  ini.save();
}

bool PrintersInstalled() {
  if (PrinterPresence()) return PrinterPresence()();
  return !QPrinterInfo::availablePrinterNames().isEmpty();
}

ui::Seam<bool()>& PrinterPresence() {
  static ui::Seam<bool()> seam;
  return seam;
}

ui::Seam<QString(const QString&)>& PdfFileAnswers() {
  static ui::Seam<QString(const QString&)> seam;
  return seam;
}

namespace {

QToolButton* toolButton(QToolBar* bar, const char* name, const QString& text, const QString& hint) {
  auto* b = new QToolButton(bar);
  b->setObjectName(QString::fromLatin1(name));
  b->setText(text);
  b->setToolTip(hint);
  bar->addWidget(b);
  return b;
}

QAction* menuItem(QMenu* menu, const char* name, const QString& text, bool checkable) {
  QAction* a = menu->addAction(text);
  a->setObjectName(QString::fromLatin1(name));
  a->setCheckable(checkable);
  return a;
}

}  // namespace

TFaxViewer::TFaxViewer(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("FaxViewer_"));
  setWindowTitle(QStringLiteral("Fax Viewer "));
  resize(760, 620);
  auto* layout = new QVBoxLayout(this);
  auto* menus = new QMenuBar(this);
  layout->setMenuBar(menus);
  QMenu* view = menus->addMenu(QStringLiteral("&View"));
  view->setObjectName(QStringLiteral("ViewItem"));
  N25PercentItem = menuItem(view, "N25PercentItem", "25%", true);
  N50PercentItem = menuItem(view, "N50PercentItem", "50%", true);
  N75PercentItem = menuItem(view, "N75PercentItem", "75%", true);
  N100PercentItem = menuItem(view, "N100PercentItem", "100%", true);
  N150PercentItem = menuItem(view, "N150PercentItem", "150%", true);
  N200PercentItem = menuItem(view, "N200PercentItem", "200%", true);
  QAction* zoomItems[] = {N25PercentItem,  N50PercentItem,  N75PercentItem,
                          N100PercentItem, N150PercentItem, N200PercentItem};
  for (int i = 0; i < 6; ++i)
    connect(zoomItems[i], &QAction::triggered, this, [this, i] { ApplyZoom(kZoomSteps[i]); });
  QMenu* rotation = menus->addMenu(QStringLiteral("Rotation"));
  rotation->setObjectName(QStringLiteral("Rotation1"));
  NoRotateItem = menuItem(rotation, "NoRotateItem", "No rotation", true);
  Rotate90Item = menuItem(rotation, "Rotate90Item", "Rotate 90 degrees", true);
  Rotate180Item = menuItem(rotation, "Rotate180Item", "Rotate 180 degrees", true);
  Rotate270Item = menuItem(rotation, "Rotate270Item", "Rotate 270 degrees", true);
  QAction* turnItems[] = {NoRotateItem, Rotate90Item, Rotate180Item, Rotate270Item};
  for (int i = 0; i < 4; ++i)
    connect(turnItems[i], &QAction::triggered, this, [this, i] { SetRotation(i); });
  QMenu* exportMenu = menus->addMenu(QStringLiteral("Export"));
  exportMenu->setObjectName(QStringLiteral("Export1"));
  ExportPageasBMP1 = menuItem(exportMenu, "ExportPageasBMP1", "Export Page as BMP", false);
  ExportPageasPCX1 = menuItem(exportMenu, "ExportPageasPCX1", "Export Page as PCX", false);
  ExportPageasDCX1 = menuItem(exportMenu, "ExportPageasDCX1", "Export Page as DCX", false);
  using faximage::ExportFormat;
  ExportFaxasPDF1 = menuItem(exportMenu, "ExportFaxasPDF1", "Export Fax as PDF", false);
  connect(ExportFaxasPDF1, &QAction::triggered, this, &TFaxViewer::exportPdfClick);
  connect(ExportPageasBMP1, &QAction::triggered, this, [this] { exportClick(ExportFormat::Bmp); });
  connect(ExportPageasPCX1, &QAction::triggered, this, [this] { exportClick(ExportFormat::Pcx); });
  connect(ExportPageasDCX1, &QAction::triggered, this, [this] { exportClick(ExportFormat::Dcx); });

  auto* bar = bar_ = new QToolBar(this);
  layout->addWidget(bar);
  FirstButton = toolButton(bar, "FirstButton", QStringLiteral("|<"), QStringLiteral("First page"));
  PrevButton = toolButton(bar, "PrevButton", QStringLiteral("<"), QStringLiteral("Previous page"));
  NextButton = toolButton(bar, "NextButton", QStringLiteral(">"), QStringLiteral("Next page"));
  LastButton = toolButton(bar, "LastButton", QStringLiteral(">|"), QStringLiteral("Last page"));
  ZoomInButton = toolButton(bar, "ZoomInButton", QStringLiteral("+"), QStringLiteral("Zoom in"));
  ZoomOutButton = toolButton(bar, "ZoomOutButton", QStringLiteral("-"), QStringLiteral("Zoom out"));
  PrinterSetupButton = toolButton(bar, "PrinterSetupButton", QStringLiteral("Setup"),
                                  QStringLiteral("Printer setup"));
  Printbutton = toolButton(bar, "Printbutton", QStringLiteral("Print"), QStringLiteral("Print"));
  Printbutton->setShortcut(QKeySequence::Print);
  ExplorerButton1 = toolButton(bar, "ExplorerButton1", QStringLiteral("Print page"),
                               QStringLiteral("Print current page"));
  CloseButton = toolButton(bar, "CloseButton", QStringLiteral("C&lose"),
                           QStringLiteral("Close the Fax Viewer"));
  Helpbutton = toolButton(bar, "Helpbutton", QStringLiteral("&Help"),
                          QStringLiteral("Get Windows help for Fax Viewer"));
  setPageButtonsVisible(false);

  FaxViewer = new faximage::TFxFaxViewer(this);
  FaxViewer->setObjectName(QStringLiteral("FaxViewer"));
  FaxViewer->SetAutoScaleMode(faximage::TAutoScaleMode::asHalfWidth);
  FaxViewer->SetBusyCursor(Qt::WaitCursor);
  layout->addWidget(FaxViewer, 1);
  StatusPanel = new QLabel(QStringLiteral("Loading..."), this);
  StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
  StatusPanel->setAlignment(Qt::AlignCenter);
  layout->addWidget(StatusPanel);

  FaxViewer->OnPageChange = [this](faximage::TFxFaxViewer& v) {
    StatusPanel->setText(PageStatusText(v.ActivePage(), v.NumPages()));
  };
  FaxViewer->OnViewerError = [this](faximage::TFxFaxViewer&, int code) {
    ui::ShowMessageBox(QStringLiteral("Viewer error %1").arg(code), windowTitle(),
                       ui::mb::Ok | ui::mb::IconError);
    StatusPanel->setText(PageStatusText(0, 0));
  };
  connect(FirstButton, &QToolButton::clicked, this, [this] { FaxViewer->FirstPage(); });
  connect(PrevButton, &QToolButton::clicked, this, [this] { FaxViewer->PrevPage(); });
  connect(NextButton, &QToolButton::clicked, this, [this] { FaxViewer->NextPage(); });
  connect(LastButton, &QToolButton::clicked, this, [this] { FaxViewer->LastPage(); });
  connect(ZoomInButton, &QToolButton::clicked, this, [this] {
    if (int z = NextZoom(zoom_, +1))
      ApplyZoom(z);
    else
      ui::Beep();
  });
  connect(ZoomOutButton, &QToolButton::clicked, this, [this] {
    if (int z = NextZoom(zoom_, -1))
      ApplyZoom(z);
    else
      ui::Beep();
  });
  connect(PrinterSetupButton, &QToolButton::clicked, this, &TFaxViewer::PrinterSetupButtonClick);
  connect(Printbutton, &QToolButton::clicked, this, &TFaxViewer::PrintbuttonClick);
  connect(ExplorerButton1, &QToolButton::clicked, this, &TFaxViewer::ExplorerButton1Click);
  connect(CloseButton, &QToolButton::clicked, this, &QDialog::reject);

  PrinterStatus = std::make_unique<TFxFaxPrinterStatus>(this);
  PrinterLog = std::make_unique<TFxFaxPrinterLog>();
  FaxPrinter = std::make_unique<TFxFaxPrinter>();
  FaxPrinter->FaxFooter.Caption = QStringLiteral("Page: $P of $N");
  FaxPrinter->StatusDisplay = PrinterStatus.get();
  FaxPrinter->FaxPrinterLog = PrinterLog.get();
  connect(Helpbutton, &QToolButton::clicked, this,
          [this] { ui::ShowHelpContext(ui::helpctx::Viewer, this); });
  ui::AddHelpKey(Helpbutton);
  ui::RestoreFormPlacement(this);
}

TFaxViewer::~TFaxViewer() {
  // However the window went, a temporary rendering does not outlive it.
  if (DeleteFileOnClose && !FaxFileName.empty()) {
    FaxViewer->LoadFile("");
    std::error_code ec;
    std::filesystem::remove(FaxFileName, ec);
  }
}

void TFaxViewer::showEvent(QShowEvent* e) {
  QDialog::showEvent(e);
  if (!loaded_) {
    loaded_ = true;
    QTimer::singleShot(0, this, [this] { loadFile(); });
  }
}

void TFaxViewer::loadFile() {
  FaxViewer->BeginUpdate();
  FaxViewer->SetScaling(false);
  FaxViewer->EndUpdate();
  const int rc = FaxViewer->LoadFile(FaxFileName);
  if (rc == faximage::ecOK && FaxViewer->NumPages() > 0) {
    ApplyZoom(StartZoom(FaxViewer->viewport()->width(), FaxViewer->PageWidth()));
    checkZoomItem();
    StatusPanel->setText(PageStatusText(FaxViewer->ActivePage(), FaxViewer->NumPages()));
  } else {
    FaxViewer->LoadFile("");
    ui::ShowMessageBox(QStringLiteral("Error opening fax file"), windowTitle(),
                       ui::mb::Ok | ui::mb::IconError);
    StatusPanel->setText(PageStatusText(0, 0));
  }
  setPageButtonsVisible(FaxViewer->NumPages() > 1);
  setUpPrintButtons();
}

void TFaxViewer::setUpPrintButtons() {
  printers_ = PrintersInstalled();
  const bool pages = FaxViewer->NumPages() > 0;
  PrinterSetupButton->setEnabled(printers_ && pages);
  Printbutton->setEnabled(pages);
  ExplorerButton1->setEnabled(pages);
  if (printers_) {
    PrinterSetupButton->setToolTip(QStringLiteral("Printer setup"));
    Printbutton->setToolTip(QStringLiteral("Print"));
    ExplorerButton1->setToolTip(QStringLiteral("Print current page"));
    return;
  }
  // Qt writes PDF files without a printer: the pages go there instead of being refused.
  PrinterSetupButton->setToolTip(QStringLiteral("No printer is installed"));
  Printbutton->setToolTip(
      QStringLiteral("No printer is installed: print the pages to a PDF file"));
  ExplorerButton1->setToolTip(
      QStringLiteral("No printer is installed: print the current page to a PDF file"));
}

bool TFaxViewer::choosePdfFile() {
  const QFileInfo fax(QString::fromStdString(FaxFileName));
  const QString suggested = QDir::home().filePath(fax.completeBaseName() + QStringLiteral(".pdf"));
  const QString name =
      PdfFileAnswers() ? PdfFileAnswers()(suggested)
                       : QFileDialog::getSaveFileName(this, QStringLiteral("Print to PDF File"),
                                                      suggested,
                                                      QStringLiteral("PDF File (*.pdf)"));
  if (name.isEmpty()) return false;
  QPrinter& printer = FaxPrinter->Printer();
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(name);
  return true;
}

bool TFaxViewer::preparePrinter() {
  if (!FaxViewer->NumPages()) return false;
  FaxPrinter->SetFileName(QString::fromStdString(FaxFileName));
  if (!printRangeSet_) {
    FaxPrinter->FirstPrintPage = 1;
    FaxPrinter->LastPrintPage = FaxPrinter->FaxPageCount;
    printRangeSet_ = true;
  }
  return true;
}

void TFaxViewer::PrinterSetupButtonClick() {
  if (preparePrinter()) FaxPrinter->ShowPageRangeDialog(this);
}

void TFaxViewer::print(const PrintPreferences& prefs) {
  if (!printers_ && !choosePdfFile()) return;
  FaxPrinter->PrintScale = TFaxPrintScale::psFitToPage;
  FaxPrinter->FaxHeader.Enabled = prefs.header;
  FaxPrinter->FaxHeader.Caption = prefs.header ? HeaderText : QString();
  FaxPrinter->FaxFooter.Enabled = prefs.footer;
  FaxPrinter->FaxFooter.Caption = prefs.footer ? QStringLiteral("Page: $P of $N") : QString();
  if (int rc = FaxPrinter->PrintFaxFile()) ui::ShowInfo(QString::fromUtf8(faximage::errorText(rc)));
}

// The preferences come back from the dialog and are stored whether it was confirmed or not.
static bool askPrintOptions(TPrePrintForm& form, PrintPreferences& prefs) {
  form.PrintHeader->setChecked(prefs.header);
  form.PrintFooter->setChecked(prefs.footer);
  form.PrintMultiPage->setChecked(prefs.multiPage);
  ui::CenterFormDefault(&form);
  const bool ok = form.exec() == QDialog::Accepted;
  prefs.header = form.PrintHeader->isChecked();
  prefs.footer = form.PrintFooter->isChecked();
  prefs.multiPage = form.PrintMultiPage->isChecked();
  try {
    WritePrintPreferences(prefs);
  } catch (const settings::IniWriteError& e) {
    ui::ReportFailure(e);
  }
  return ok;
}

void TFaxViewer::PrintbuttonClick() {
  PrintPreferences prefs = ReadPrintPreferences();
  if (!preparePrinter()) return;
  int from = 0, to = 0;
  bool ok = false;
  {
    TPrePrintForm form(this);
    form.FromPage->setMaximum(FaxPrinter->FaxPageCount);
    form.ToPage->setMaximum(FaxPrinter->FaxPageCount);
    form.FromPage->setValue(FaxPrinter->FirstPrintPage);
    form.ToPage->setValue(FaxPrinter->LastPrintPage);
    ok = askPrintOptions(form, prefs);
    from = form.FromPage->value();
    to = form.ToPage->value();
  }
  if (!ok) return;
  FaxPrinter->FirstPrintPage = from;
  FaxPrinter->LastPrintPage = to;
  FaxPrinter->MultiPage = prefs.multiPage;
  print(prefs);
}

void TFaxViewer::ExplorerButton1Click() {
  PrintPreferences prefs = ReadPrintPreferences();
  if (preparePrinter()) {
    const int page = FaxViewer->ActivePage();
    TPrePrintForm form(this);
    form.FromPage->setValue(page);
    form.ToPage->setValue(page);
    form.FromPage->setEnabled(false);
    form.ToPage->setEnabled(false);
    form.PrintMultiPage->setEnabled(false);
    if (askPrintOptions(form, prefs)) {
      FaxPrinter->FirstPrintPage = page;
      FaxPrinter->LastPrintPage = page;
      FaxPrinter->MultiPage = false;
      print(prefs);
    }
  }
  // The next range print offers the whole file again.
  FaxPrinter->FirstPrintPage = FaxPrinter->FaxPageCount ? 1 : 0;
  FaxPrinter->LastPrintPage = FaxPrinter->FaxPageCount;
}

void TFaxViewer::setPageButtonsVisible(bool on) {
  // A tool bar shows its widgets through their actions.
  for (QAction* a : bar_->actions())
    for (QToolButton* b : {FirstButton, PrevButton, NextButton, LastButton})
      if (bar_->widgetForAction(a) == b) a->setVisible(on);
}

void TFaxViewer::ApplyZoom(int z) {
  if (z != zoom_) {
    zoom_ = z;
    FaxViewer->BeginUpdate();
    FaxViewer->SetHorizMult(unsigned(z));
    FaxViewer->SetVertMult(unsigned(z));
    FaxViewer->SetHorizDiv(100);
    FaxViewer->SetVertDiv(100);
    FaxViewer->SetScaling(z != 100);
    FaxViewer->EndUpdate();
  }
  checkZoomItem();
}

void TFaxViewer::checkZoomItem() {
  QAction* items[] = {N25PercentItem,  N50PercentItem,  N75PercentItem,
                      N100PercentItem, N150PercentItem, N200PercentItem};
  for (int i = 0; i < 6; ++i) items[i]->setChecked(kZoomSteps[i] == zoom_);
}

void TFaxViewer::SetRotation(int quarterTurns) {
  if (FaxViewer->NumPages()) FaxViewer->SetRotation(quarterTurns);
  QAction* items[] = {NoRotateItem, Rotate90Item, Rotate180Item, Rotate270Item};
  for (int i = 0; i < 4; ++i) items[i]->setChecked(i == quarterTurns);
}

int TFaxViewer::ExportPage(faximage::ExportFormat format, const std::string& target) {
  if (!FaxViewer->NumPages()) return faximage::ecNoImageLoaded;
  std::error_code ec;
  if (std::filesystem::equivalent(target, FaxViewer->FileName(), ec))
    return faximage::ecBadArgument;
  faximage::TFxFaxUnpacker unpacker;
  unpacker.WhitespaceCompression = FaxViewer->WhitespaceCompression;
  unpacker.WhitespaceFrom = FaxViewer->WhitespaceFrom;
  unpacker.WhitespaceTo = FaxViewer->WhitespaceTo;
  unpacker.AutoScaleMode = faximage::TAutoScaleMode::asNone;
  unpacker.SetInFileName(FaxViewer->FileName());
  unpacker.OutFileName = target;
  return unpacker.TryExportPage(FaxViewer->ActivePage(), format);
}

void TFaxViewer::exportClick(faximage::ExportFormat format) {
  using faximage::ExportFormat;
  const QString ext = format == ExportFormat::Bmp   ? QStringLiteral("BMP")
                      : format == ExportFormat::Pcx ? QStringLiteral("PCX")
                                                    : QStringLiteral("DCX");
  QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  if (folder.isEmpty() || !QDir(folder).exists()) folder = QDir::homePath();
  const QString offered = ExportFileSuggestion(QString::fromStdString(FaxViewer->FileName()),
                                               DeleteFileOnClose, ext, folder);
  const QString name = QFileDialog::getSaveFileName(
      this, QString(), offered, QStringLiteral("%1 File (*.%2 *.%1)").arg(ext, ext.toLower()));
  if (name.isEmpty()) return;
  if (int rc = ExportPage(format, name.toStdString()))
    ui::ShowInfo(QString::fromUtf8(faximage::errorText(rc)));
}

int TFaxViewer::ExportFaxPdf(const std::string& target) {
  if (!FaxViewer->NumPages()) return faximage::ecNoImageLoaded;
  std::error_code ec;
  if (std::filesystem::equivalent(target, FaxViewer->FileName(), ec))
    return faximage::ecBadArgument;
  QProgressDialog progress(QStringLiteral("Writing the PDF..."), QStringLiteral("Cancel"), 0,
                           FaxViewer->NumPages(), this);
  progress.setObjectName(QStringLiteral("ExportProgress"));
  progress.setWindowModality(Qt::WindowModal);
  progress.setMinimumDuration(500);
  return faximage::writeFaxPdf(FaxViewer->FileName(), target, [&](unsigned done, unsigned) {
    progress.setValue(int(done));
    return !progress.wasCanceled();
  });
}

void TFaxViewer::exportPdfClick() {
  const QString name = QFileDialog::getSaveFileName(this, QString(), QStringLiteral("*.PDF"),
                                                    QStringLiteral("PDF File (*.PDF *.pdf)"));
  if (name.isEmpty()) return;
  const int rc = ExportFaxPdf(name.toStdString());
  if (rc != 0 && rc != faximage::ecGotQuitMsg)
    ui::ShowInfo(name + QStringLiteral(": ") + QString::fromUtf8(faximage::errorText(rc)));
}

void TFaxViewer::done(int r) {
  ui::SaveFormPlacement(this);
  QDialog::done(r);
}

}  // namespace windows
