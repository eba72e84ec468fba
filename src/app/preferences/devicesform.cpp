// The list of serial devices and mapping one of them to a Com number.
#include "app/preferences/devicesform.h"

#include "ui/named.h"
#include "windows/modemchecks.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cerrno>
#include <cstring>

namespace app {

namespace {

bool mayNotOpen(const faxengine::SerialDeviceEntry& d) {
  return d.accessError == EACCES || d.accessError == EPERM;
}

QString comNumbersText(const std::vector<int>& numbers) {
  QStringList out;
  for (int n : numbers) out << QStringLiteral("Com%1").arg(n);
  return out.join(QStringLiteral(", "));
}

}  // namespace

TDevicesForm::TDevicesForm(const std::array<std::string, faxengine::kComDeviceCount>& comPaths,
                           int comNumber, faxengine::SerialScanRoots roots, QWidget* parent)
    : QDialog(parent), comPaths_(comPaths), roots_(std::move(roots)) {
  setObjectName(QStringLiteral("TDevicesForm"));
  setWindowTitle(QStringLiteral("Serial Devices"));
  auto* intro = new QLabel(
      QStringLiteral("The serial devices of this computer. Choose the one your modem is on "
                     "and the Com port that should stand for it, then press Map."),
      this);
  intro->setWordWrap(true);

  DeviceList = new QTreeWidget(this);
  DeviceList->setObjectName(QStringLiteral("DeviceList"));
  DeviceList->setRootIsDecorated(false);
  DeviceList->setHeaderLabels({QStringLiteral("Device"), QStringLiteral("Name"),
                               QStringLiteral("Com port"), QStringLiteral("Access")});
  DeviceList->header()->setStretchLastSection(false);
  DeviceList->header()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
  connect(DeviceList, &QTreeWidget::currentItemChanged, this, &TDevicesForm::selectionChanged);

  AdviceLabel = new QLabel(this);
  AdviceLabel->setObjectName(QStringLiteral("AdviceLabel"));
  AdviceLabel->setWordWrap(true);
  AdviceLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
  AdviceLabel->setMinimumHeight(3 * AdviceLabel->fontMetrics().lineSpacing());
  AdviceLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);

  ComNumberCombo = new QComboBox(this);
  ComNumberCombo->setObjectName(QStringLiteral("ComNumberCombo"));
  for (int n = 1; n <= faxengine::kComDeviceCount; ++n)
    ComNumberCombo->addItem(QStringLiteral("Com%1").arg(n));
  ComNumberCombo->setCurrentIndex(std::clamp(comNumber - 1, 0, faxengine::kComDeviceCount - 1));
  auto* comLabel = new QLabel(QStringLiteral("&Use for:"), this);
  comLabel->setBuddy(ComNumberCombo);

  auto button = [this](const char* caption, const char* name, void (TDevicesForm::*slot)()) {
    auto* b = ui::Named(new QPushButton(QString::fromLatin1(caption), this), name);
    b->setAutoDefault(false);
    connect(b, &QPushButton::clicked, this, slot);
    return b;
  };
  MapButton = button("&Map", "MapButton", &TDevicesForm::MapButtonClick);
  MapButton->setToolTip(QStringLiteral("Let the chosen Com port stand for the selected device"));
  RefreshButton = button("&Refresh", "RefreshButton", &TDevicesForm::RefreshButtonClick);
  RefreshButton->setToolTip(QStringLiteral("Look for devices again, after plugging one in"));
  CloseButton = button("Close", "CloseButton", &QDialog::reject);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(comLabel);
  buttons->addWidget(ComNumberCombo);
  buttons->addWidget(MapButton);
  buttons->addStretch();
  buttons->addWidget(RefreshButton);
  buttons->addWidget(CloseButton);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(intro);
  layout->addWidget(DeviceList, 1);
  layout->addWidget(AdviceLabel);
  layout->addLayout(buttons);
  resize(620, 360);
  RefreshButtonClick();
}

QString TDevicesForm::adviceFor(const faxengine::SerialDeviceEntry& d) const {
  return mayNotOpen(d) ? windows::PermissionDeniedText(d.path) : QString();
}

void TDevicesForm::RefreshButtonClick() {
  devices_ = faxengine::ScanSerialDevices(roots_);
  faxengine::MarkComDevices(devices_, comPaths_, roots_);
  DeviceList->clear();
  for (const faxengine::SerialDeviceEntry& d : devices_) {
    auto* item = new QTreeWidgetItem(DeviceList);
    item->setText(DeviceColumn, QString::fromStdString(d.path));
    item->setText(NameColumn, QString::fromStdString(d.name));
    item->setText(ComColumn, comNumbersText(d.comNumbers));
    item->setText(AccessColumn, mayNotOpen(d) ? QStringLiteral("no access") : QStringLiteral("ok"));
    const QString tip =
        mayNotOpen(d) ? adviceFor(d) : QString::fromStdString(faxengine::PathToMap(d));
    for (int c = 0; c <= AccessColumn; ++c) item->setToolTip(c, tip);
  }
  for (int c : {DeviceColumn, ComColumn, AccessColumn}) DeviceList->resizeColumnToContents(c);
  if (!devices_.empty()) DeviceList->setCurrentItem(DeviceList->topLevelItem(0));
  selectionChanged();
}

void TDevicesForm::selectionChanged() {
  const int row = DeviceList->indexOfTopLevelItem(DeviceList->currentItem());
  MapButton->setEnabled(row >= 0);
  if (devices_.empty()) {
    AdviceLabel->setText(
        QStringLiteral("No serial devices were found. Plug the modem in, then press Refresh."));
    return;
  }
  AdviceLabel->setText(row >= 0 ? adviceFor(devices_[std::size_t(row)]) : QString());
}

void TDevicesForm::MapButtonClick() {
  const int row = DeviceList->indexOfTopLevelItem(DeviceList->currentItem());
  if (row < 0) return;
  chosenCom_ = ComNumberCombo->currentIndex() + 1;
  chosenPath_ = faxengine::PathToMap(devices_[std::size_t(row)]);
  accept();
}

}  // namespace app
