#include "windows/faxprinterstatus.h"

#include <QFileInfo>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/placement.h"
#include "windows/faxprinter.h"

namespace windows {

namespace {

QLabel* value(QFormLayout* form, const char* name, const QString& caption) {
  auto* v = new QLabel;
  v->setObjectName(QString::fromLatin1(name));
  form->addRow(caption, v);
  return v;
}

}  // namespace

TStandardFaxPrinterStatusDisplay::TStandardFaxPrinterStatusDisplay(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("TStandardFaxPrinterStatusDisplay"));
  setWindowTitle(QStringLiteral("Print Status"));
  auto* layout = new QVBoxLayout(this);
  auto* info = new QGroupBox(QStringLiteral("Fax Information"), this);
  auto* form = new QFormLayout(info);
  fpsFileName = value(form, "fpsFileName", QStringLiteral("Filename"));
  fpsTotalPages = value(form, "fpsTotalPages", QStringLiteral("Total Pages"));
  fpsResolution = value(form, "fpsResolution", QStringLiteral("Resolution"));
  fpsWidth = value(form, "fpsWidth", QStringLiteral("Width"));
  fpsFirstPage = value(form, "fpsFirstPage", QStringLiteral("First Page to Print"));
  fpsLastPage = value(form, "fpsLastPage", QStringLiteral("Last Page to Print"));
  layout->addWidget(info);
  auto* status = new QGroupBox(QStringLiteral("Status"), this);
  auto* statusLayout = new QVBoxLayout(status);
  fpsStatusLine = new QLabel(QStringLiteral("Idle"), status);
  fpsStatusLine->setObjectName(QStringLiteral("fpsStatusLine"));
  fpsStatusLine->setAlignment(Qt::AlignCenter);
  statusLayout->addWidget(fpsStatusLine);
  layout->addWidget(status);
  fpsAbortButton = new QPushButton(QStringLiteral("Abort"), this);
  fpsAbortButton->setObjectName(QStringLiteral("fpsAbortButton"));
  layout->addWidget(fpsAbortButton, 0, Qt::AlignHCenter);
  connect(fpsAbortButton, &QPushButton::clicked, this, [this] {
    if (Printer) Printer->AbortPrint();
  });
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

TFxFaxPrinterStatus::TFxFaxPrinterStatus(QWidget* parent)
    : display_(new TStandardFaxPrinterStatusDisplay(parent)) {}

TFxFaxPrinterStatus::~TFxFaxPrinterStatus() { delete display_.data(); }

void TFxFaxPrinterStatus::UpdateDisplay(TFxFaxPrinter& printer, bool first, bool last) {
  if (!display_) return;
  if (last) {
    display_->hide();
    return;
  }
  if (first) {
    display_->Printer = &printer;
    ui::CenterFormDefault(display_);
    display_->show();
    display_->fpsAbortButton->setFocus();
  }
  display_->fpsFileName->setText(QFileInfo(printer.FileName()).fileName().toUpper());
  display_->fpsTotalPages->setText(QString::number(printer.FaxPageCount));
  display_->fpsResolution->setText(printer.FaxResolution ? QStringLiteral("high")
                                                         : QStringLiteral("standard"));
  display_->fpsWidth->setText(printer.FaxWidth ? QStringLiteral("2048") : QStringLiteral("1728"));
  display_->fpsFirstPage->setText(QString::number(printer.FirstPrintPage));
  display_->fpsLastPage->setText(QString::number(printer.LastPrintPage));
  display_->fpsStatusLine->setText(QStringLiteral("%1 %2 of %3")
                                       .arg(ProgressName(printer.Progress()))
                                       .arg(printer.CurrentPrintPage)
                                       .arg(printer.LastPrintPage));
}

}  // namespace windows
