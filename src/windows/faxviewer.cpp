// The fax viewer window: loading on first show, the zoom ladder, rotation, page buttons
// and export of the active page.
#include "windows/faxviewer.h"

#include <QActionGroup>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <filesystem>

#include "faximage/errors.h"
#include "faximage/unpacker.h"
#include "faximage/viewer/fxfaxviewer.h"
#include "ui/beep.h"
#include "ui/helpwindow.h"
#include "ui/messages.h"
#include "ui/placement.h"

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
  connect(CloseButton, &QToolButton::clicked, this, &QDialog::reject);
  connect(Helpbutton, &QToolButton::clicked, this, [this] { ui::ShowHelpContext(1021, this); });
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
  const QString name = QFileDialog::getSaveFileName(this, QString(), QStringLiteral("*.") + ext,
                                                    QStringLiteral("%1 File (*.%1)").arg(ext));
  if (name.isEmpty()) return;
  if (int rc = ExportPage(format, name.toStdString()))
    ui::ShowInfo(QString::fromUtf8(faximage::errorText(rc)));
}

void TFaxViewer::done(int r) {
  ui::SaveFormPlacement(this);
  QDialog::done(r);
}

}  // namespace windows
