// TDevicesForm ("Serial Devices"): the serial devices of this computer, which Com n
// leads to each, and who may not open them (this user, or because ModemManager holds
// them); the user picks one, or types or browses to a device the scan does not find, and
// the Com number that should stand for it.
#pragma once

#include "faxengine/serial_scan.h"

#include <QDialog>
#include <QStringList>

#include <array>
#include <string>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;

namespace app {

class TDevicesForm : public QDialog {
  Q_OBJECT
 public:
  // `comPaths` are the devices Com1..Com6 lead to now; `comNumber` is offered first.
  TDevicesForm(const std::array<std::string, faxengine::kComDeviceCount>& comPaths, int comNumber,
               faxengine::SerialScanRoots roots, QWidget* parent = nullptr);

  QTreeWidget* DeviceList;  // columns: device, name, Com ports, access
  QLabel* AdviceLabel;
  QLineEdit* DevicePathEdit;  // the device Map maps: the selected one's, or one typed
  QComboBox* ComNumberCombo;
  QPushButton *BrowseButton, *MapButton, *RefreshButton, *CloseButton;

  enum Column { DeviceColumn, NameColumn, ComColumn, AccessColumn };

  const std::vector<faxengine::SerialDeviceEntry>& Devices() const { return devices_; }
  // After Map: the Com number chosen and the path it is to lead to.
  int ChosenCom() const { return chosenCom_; }
  const std::string& ChosenPath() const { return chosenPath_; }

  void RefreshButtonClick();
  void MapButtonClick();
  void BrowseButtonClick();

 private:
  void selectionChanged();
  QString adviceFor(const faxengine::SerialDeviceEntry& d) const;
  bool heldByModemManager(const faxengine::SerialDeviceEntry& d) const;

  std::array<std::string, faxengine::kComDeviceCount> comPaths_;
  faxengine::SerialScanRoots roots_;
  std::vector<faxengine::SerialDeviceEntry> devices_;
  QStringList modemManagerPorts_;
  int chosenCom_ = 0;
  std::string chosenPath_;
};

}  // namespace app
