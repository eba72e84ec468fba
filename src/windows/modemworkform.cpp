// The shared frame of the modem search and the fax-class probe.
#include "windows/modemworkform.h"

#include "ui/beep.h"

#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace windows {

TModemWorkForm::TModemWorkForm(const char* name, const QString& caption, QWidget* parent)
    : QDialog(parent), layout_(new QVBoxLayout(this)) {
  setObjectName(QString::fromLatin1(name));
  setWindowTitle(caption);
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
}

QLabel* TModemWorkForm::addLine(const char* name, const QString& text, bool indented) {
  auto* l = new QLabel(text, this);
  l->setObjectName(QString::fromLatin1(name));
  if (indented) l->setIndent(16);
  layout_->addWidget(l);
  return l;
}

QLabel* TModemWorkForm::finishLayout(const char* summaryName, const QString& text, int minHeight) {
  QLabel* summary = addLine(summaryName, text, false);
  summary->setWordWrap(true);
  summary->setMinimumSize(420, minHeight);
  summary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  OkButton = new QPushButton(QStringLiteral("Ok"), this);
  OkButton->setObjectName(QStringLiteral("OkButton"));
  OkButton->setDefault(true);
  OkButton->hide();
  connect(OkButton, &QPushButton::clicked, this, &TModemWorkForm::OkButtonClick);
  layout_->addWidget(OkButton, 0, Qt::AlignHCenter);
  // Sized now, so that centring before showing uses the real size.
  adjustSize();
  return summary;
}

void TModemWorkForm::workDone(const QString& caption) {
  OkButton->show();
  OkButton->setFocus();
  setWindowTitle(caption);
  ui::Beep();
}

void TModemWorkForm::OkButtonClick() { accept(); }

void TModemWorkForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (activated_) return;
  activated_ = true;
  QTimer::singleShot(0, this, &TModemWorkForm::FormActivate);
}

void TModemWorkForm::reject() {
  if (working_) {
    ui::Beep();
    return;
  }
  QDialog::reject();
}

}  // namespace windows
