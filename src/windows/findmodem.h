// TFindModemForm: tries Com1 to Com6 in turn, shows what answers on each, and hands back
// the first port on which a modem answered. The work runs when the window first shows.
#pragma once

#include "windows/modemworkform.h"

#include <array>

class QLabel;

namespace faxengine {
class TFxCustomComPort;
}

namespace windows {

class TFindModemForm : public TModemWorkForm {
  Q_OBJECT
 public:
  TFindModemForm(faxengine::TFxCustomComPort& port, QWidget* parent = nullptr);

  QLabel* Label8;
  std::array<QLabel*, 6> Lines;  // Label1 .. Label6
  QLabel* Label7;

  // The first port on which a modem answered (1..6), or -1.
  int FoundPort() const { return found_; }

  void FormActivate() override;

 private:
  // The text of line n after testing its port; sets found_ and portInUse_.
  QString testPort(int n);

  faxengine::TFxCustomComPort& port_;
  int found_ = -1;
  bool portInUse_ = false;
};

}  // namespace windows
