// Layout and behaviour of the main window's small modal windows.
#include "app/mainwindow/smallforms.h"

#include "ui/placement.h"
#include "ui/tabletext.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace app {

namespace {

QPixmap splashPicture() {
  // A sheet of paper coming out of a fax machine, drawn rather than shipped.
  QPixmap pm(96, 96);
  pm.fill(Qt::transparent);
  QPainter p(&pm);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 2));
  p.setBrush(Qt::white);
  p.drawRect(28, 6, 40, 50);
  for (int y = 16; y < 50; y += 8) p.drawLine(34, y, 62, y);
  p.setBrush(QColor(40, 70, 140));
  p.drawRoundedRect(10, 46, 76, 40, 6, 6);
  p.setBrush(QColor(220, 220, 220));
  p.drawRect(24, 54, 48, 6);
  return pm;
}

QLabel* centredLabel(const QString& text, QWidget* parent) {
  auto* l = new QLabel(text, parent);
  l->setAlignment(Qt::AlignCenter);
  return l;
}

}  // namespace

TSplashform::TSplashform(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TSplashform"));
  setWindowTitle(QStringLiteral("About Brindle"));
  auto* layout = new QVBoxLayout(this);
  auto* picture = new QLabel(this);
  picture->setObjectName(QStringLiteral("Image1"));
  picture->setPixmap(splashPicture());
  picture->setAlignment(Qt::AlignCenter);
  layout->addWidget(picture);
  auto* title = centredLabel(QStringLiteral("Brindle"), this);
  QFont f = title->font();
  f.setBold(true);
  f.setPointSize(f.pointSize() + 6);
  title->setFont(f);
  layout->addWidget(title);
  layout->addWidget(centredLabel(QStringLiteral("32-bit version"), this));
  layout->addWidget(centredLabel(QStringLiteral("Version 2.8d"), this));
  OkButton = new QPushButton(QStringLiteral("Ok"), this);
  OkButton->setObjectName(QStringLiteral("OkButton"));
  OkButton->setDefault(true);
  connect(OkButton, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(OkButton, 0, Qt::AlignCenter);
}

TEditReceiveNotes::TEditReceiveNotes(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TEditReceiveNotes"));
  setWindowTitle(QStringLiteral("Received Fax Notes"));
  auto* layout = new QVBoxLayout(this);
  Descript = new QLabel(this);
  Descript->setObjectName(QStringLiteral("Descript"));
  layout->addWidget(Descript);
  Notes = new QLineEdit(this);
  Notes->setObjectName(QStringLiteral("Notes"));
  Notes->setMaxLength(60);
  Notes->setAccessibleName(QStringLiteral("Notes"));
  ui::LimitToTableText(Notes);
  layout->addWidget(Notes);
  auto* buttons = new QHBoxLayout;
  OKButton = new QPushButton(QStringLiteral("&Accept"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setToolTip(QStringLiteral("Accept changes made and exit"));
  OKButton->setDefault(true);
  Cancelbutton = new QPushButton(QStringLiteral("Cance&l"), this);
  Cancelbutton->setObjectName(QStringLiteral("Cancelbutton"));
  Cancelbutton->setToolTip(QStringLiteral("Cancel changes made and exit"));
  buttons->addStretch();
  buttons->addWidget(OKButton);
  buttons->addWidget(Cancelbutton);
  layout->addLayout(buttons);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  connect(Cancelbutton, &QPushButton::clicked, this, &QDialog::reject);
  resize(420, sizeHint().height());
}

TRebuildInd::TRebuildInd(Work work, QWidget* parent) : QDialog(parent), work_(std::move(work)) {
  setObjectName(QStringLiteral("TRebuildInd"));
  setWindowTitle(QStringLiteral("Rebuild Indexes"));
  auto* layout = new QVBoxLayout(this);
  auto* wait = centredLabel(QStringLiteral("Please wait..."), this);
  QFont f = wait->font();
  f.setBold(true);
  wait->setFont(f);
  layout->addWidget(wait);
  WhatAmIDoing = centredLabel(QString(), this);
  WhatAmIDoing->setObjectName(QStringLiteral("WhatAmIDoing"));
  WhatAmIDoing->setVisible(false);
  WhatAmIDoing->setMinimumWidth(360);
  layout->addWidget(WhatAmIDoing);
}

void TRebuildInd::ShowStatus(const QString& text) {
  WhatAmIDoing->setVisible(true);
  WhatAmIDoing->setText(text);
  QApplication::processEvents();
}

void TRebuildInd::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!started_) {
    started_ = true;
    QTimer::singleShot(0, this, &TRebuildInd::FormActivate);
  }
}

void TRebuildInd::FormActivate() {
  try {
    if (work_) work_(*this);
  } catch (...) {
    // The rebuild always ends by closing its window; the caller reports nothing more.
  }
  QMetaObject::invokeMethod(this, &QDialog::accept, Qt::QueuedConnection);
}

TStartingFaxForm::TStartingFaxForm(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TStartingFaxForm"));
  setWindowTitle(QStringLiteral("Starting Receive mode..."));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowStaysOnTopHint);
  auto* layout = new QVBoxLayout(this);
  ReadyPanel = new QWidget(this);
  ReadyPanel->setObjectName(QStringLiteral("ReadyPanel"));
  auto* ready = new QVBoxLayout(ReadyPanel);
  ready->addWidget(centredLabel(QStringLiteral("Brindle is in receive mode now"), ReadyPanel));
  ready->addWidget(
      centredLabel(QStringLiteral("To end receive mode, press the STOP button"), ReadyPanel));
  ready->addWidget(centredLabel(
      QStringLiteral("While in receive mode, sending faxes is not possible"), ReadyPanel));
  layout->addWidget(ReadyPanel);
  StartingPanel = new QWidget(this);
  StartingPanel->setObjectName(QStringLiteral("StartingPanel"));
  auto* starting = new QVBoxLayout(StartingPanel);
  starting->addWidget(centredLabel(
      QStringLiteral("Please wait while fax receive mode is started....."), StartingPanel));
  StartingPanel->setVisible(false);
  layout->addWidget(StartingPanel);
  okbutton = new QPushButton(QStringLiteral("Ok"), this);
  okbutton->setObjectName(QStringLiteral("okbutton"));
  okbutton->setVisible(false);
  connect(okbutton, &QPushButton::clicked, this, &QDialog::hide);
  layout->addWidget(okbutton, 0, Qt::AlignCenter);
}

}  // namespace app
