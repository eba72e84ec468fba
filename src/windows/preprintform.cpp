#include "windows/preprintform.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "ui/beep.h"

namespace windows {

namespace {

QSpinBox* pageBox(QFormLayout* form, const char* name, const QString& label, const QString& hint) {
  auto* box = new QSpinBox;
  box->setObjectName(QString::fromLatin1(name));
  box->setRange(1, 1000);
  box->setValue(1);
  box->setToolTip(hint);
  auto* caption = new QLabel(label);
  caption->setBuddy(box);
  form->addRow(caption, box);
  return box;
}

QCheckBox* option(QVBoxLayout* layout, const char* name, const QString& text, const QString& hint,
                  bool checked) {
  auto* box = new QCheckBox(text);
  box->setObjectName(QString::fromLatin1(name));
  box->setToolTip(hint);
  box->setChecked(checked);
  layout->addWidget(box);
  return box;
}

}  // namespace

TPrePrintForm::TPrePrintForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
  setObjectName(QStringLiteral("PrePrintForm"));
  setWindowTitle(QStringLiteral("Print"));
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  FromPage = pageBox(form, "FromPage", QStringLiteral("&From Page:"),
                     QStringLiteral("Starting page to print from"));
  ToPage = pageBox(form, "ToPage", QStringLiteral("&To Page:"),
                   QStringLiteral("Ending page to print from"));
  layout->addLayout(form);
  PrintHeader =
      option(layout, "PrintHeader", QStringLiteral("Print Header"),
             QStringLiteral("Print a header giving identifying info about the fax"), true);
  PrintFooter = option(layout, "PrintFooter", QStringLiteral("Print Footer"),
                       QStringLiteral("Prints page numbers in the footer"), true);
  PrintMultiPage = option(layout, "PrintMultiPage", QStringLiteral("Print 4 faxes to a page"),
                          QStringLiteral("Print four fax pages per printed page (two\nfax pages "
                                         "per printed page if landscape)"),
                          false);
  auto* buttons = new QHBoxLayout;
  BitBtn1 = new QPushButton(QStringLiteral("Ok"), this);
  BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
  BitBtn1->setDefault(true);
  BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
  BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
  buttons->addWidget(BitBtn1);
  buttons->addWidget(BitBtn2);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(BitBtn1, &QPushButton::clicked, this, &TPrePrintForm::BitBtn1Click);
  connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void TPrePrintForm::BitBtn1Click() {
  if (ToPage->isEnabled() && ToPage->value() < FromPage->value()) {
    ui::Beep();
    return;
  }
  accept();
}

}  // namespace windows
