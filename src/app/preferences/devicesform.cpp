// The list of serial devices and mapping one of them to a Com number.
#include "app/preferences/devicesform.h"

#include "ui/messages.h"
#include "ui/named.h"
#include "windows/modembusy.h"
#include "windows/modemchecks.h"

#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <sys/stat.h>

#include <cerrno>
#include <cstring>

namespace app {

namespace {

bool mayNotOpen(const faxengine::SerialDeviceEntry& d) {
  return d.accessError == EACCES || d.accessError == EPERM;
}

// Why a typed path cannot stand for a modem; empty when it can.
QString unusablePathReason(const QString& path) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0)
    return QStringLiteral("%1 is not there. Type the path of the modem's device, for example "
                          "/dev/ttyACM0, or press Browse... to look for it.")
        .arg(path);
  if (!S_ISCHR(st.st_mode))
    return QStringLiteral("%1 is not a device. A modem is a character device, usually in /dev.")
        .arg(path);
  return {};
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
  // Advice with a udev rule and its commands is longer than the room below the list.
  auto* adviceArea = new QScrollArea(this);
  adviceArea->setWidget(AdviceLabel);
  adviceArea->setWidgetResizable(true);
  adviceArea->setFrameShape(QFrame::NoFrame);
  adviceArea->setMaximumHeight(9 * AdviceLabel->fontMetrics().lineSpacing());

  ComNumberCombo = new QComboBox(this);
  ComNumberCombo->setObjectName(QStringLiteral("ComNumberCombo"));
  for (int n = 1; n <= faxengine::kComDeviceCount; ++n)
    ComNumberCombo->addItem(QStringLiteral("Com%1").arg(n));
  ComNumberCombo->setCurrentIndex(std::clamp(comNumber - 1, 0, faxengine::kComDeviceCount - 1));
  DevicePathEdit = ui::Named(new QLineEdit(this), "DevicePathEdit");
  DevicePathEdit->setToolTip(
      QStringLiteral("The device to map: the one selected above, or the path of one the list "
                     "does not show (a symbolic link, a pseudo-terminal)"));
  DevicePathEdit->setPlaceholderText(QStringLiteral("/dev/..."));
  auto* pathLabel = new QLabel(QStringLiteral("De&vice:"), this);
  pathLabel->setBuddy(DevicePathEdit);
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
  BrowseButton = button("&Browse...", "BrowseButton", &TDevicesForm::BrowseButtonClick);
  BrowseButton->setToolTip(QStringLiteral("Choose a device file that the list does not show"));
  RefreshButton = button("&Refresh", "RefreshButton", &TDevicesForm::RefreshButtonClick);
  RefreshButton->setToolTip(QStringLiteral("Look for devices again, after plugging one in"));
  CloseButton = button("Close", "CloseButton", &QDialog::reject);

  auto* pathRow = new QHBoxLayout;
  pathRow->addWidget(pathLabel);
  pathRow->addWidget(DevicePathEdit, 1);
  pathRow->addWidget(BrowseButton);
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
  layout->addWidget(adviceArea);
  layout->addLayout(pathRow);
  layout->addLayout(buttons);
  resize(680, 480);
  RefreshButtonClick();
}

bool TDevicesForm::heldByModemManager(const faxengine::SerialDeviceEntry& d) const {
  return modemManagerPorts_.contains(QFileInfo(QString::fromStdString(d.path)).fileName());
}

QString TDevicesForm::adviceFor(const faxengine::SerialDeviceEntry& d) const {
  if (mayNotOpen(d)) return windows::PermissionDeniedText(d.path);
  if (heldByModemManager(d)) return windows::ModemManagerBusyText(d.path);
  return {};
}

void TDevicesForm::RefreshButtonClick() {
  devices_ = faxengine::ScanSerialDevices(roots_);
  modemManagerPorts_ = windows::ModemManagerPorts();
  faxengine::MarkComDevices(devices_, comPaths_, roots_);
  DeviceList->clear();
  for (const faxengine::SerialDeviceEntry& d : devices_) {
    auto* item = new QTreeWidgetItem(DeviceList);
    item->setText(DeviceColumn, QString::fromStdString(d.path));
    item->setText(NameColumn, QString::fromStdString(d.name));
    item->setText(ComColumn, comNumbersText(d.comNumbers));
    item->setText(AccessColumn, mayNotOpen(d)             ? QStringLiteral("no access")
                                : heldByModemManager(d) ? QStringLiteral("held by ModemManager")
                                                        : QStringLiteral("ok"));
    const QString advice = adviceFor(d);
    const QString tip =
        advice.isEmpty() ? QString::fromStdString(faxengine::PathToMap(d)) : advice;
    for (int c = 0; c <= AccessColumn; ++c) item->setToolTip(c, tip);
  }
  for (int c : {DeviceColumn, ComColumn, AccessColumn}) DeviceList->resizeColumnToContents(c);
  if (!devices_.empty()) DeviceList->setCurrentItem(DeviceList->topLevelItem(0));
  selectionChanged();
}

void TDevicesForm::selectionChanged() {
  const int row = DeviceList->indexOfTopLevelItem(DeviceList->currentItem());
  if (row >= 0) DevicePathEdit->setText(QString::fromStdString(faxengine::PathToMap(devices_[std::size_t(row)])));
  if (devices_.empty()) {
    AdviceLabel->setText(
        QStringLiteral("No serial devices were found. Plug the modem in, then press Refresh."));
    return;
  }
  AdviceLabel->setText(row >= 0 ? adviceFor(devices_[std::size_t(row)]) : QString());
}

void TDevicesForm::MapButtonClick() {
  const QString path = DevicePathEdit->text().trimmed();
  if (path.isEmpty()) {
    ui::ShowInfo(QStringLiteral("Select a device in the list, or type the path of one."));
    DevicePathEdit->setFocus();
    return;
  }
  // A typed path is checked before it is taken: a mistyped device would only fail later,
  // at the first call.
  const QString reason = unusablePathReason(path);
  if (!reason.isEmpty()) {
    ui::ShowInfo(reason);
    DevicePathEdit->setFocus();
    return;
  }
  chosenCom_ = ComNumberCombo->currentIndex() + 1;
  chosenPath_ = QFile::encodeName(path).toStdString();
  accept();
}

void TDevicesForm::BrowseButtonClick() {
  const QString start = DevicePathEdit->text().trimmed().isEmpty()
                            ? QString::fromStdString(roots_.dev)
                            : QFileInfo(DevicePathEdit->text().trimmed()).path();
  QFileDialog dialog(this, QStringLiteral("Choose the modem's device"), start);
  dialog.setObjectName(QStringLiteral("DeviceFileDialog"));
  dialog.setFileMode(QFileDialog::ExistingFile);
  // Devices are no regular files: the platform's dialog would hide them.
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setFilter(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  DevicePathEdit->setText(dialog.selectedFiles().constFirst());
}

}  // namespace app
