// TCheckFaxClassForm: asks the modem on a port which fax classes it supports, shows the
// answer and recommends one. The probe runs when the window first shows.
#pragma once

#include "faxengine/fax_types.h"

#include "windows/modemworkform.h"

#include <QString>

class QLabel;

namespace faxengine {
class TFxCustomComPort;
class TFxCustomAbstractFax;
}  // namespace faxengine

namespace windows {

// The class to recommend from a modem's classes: the first of class 1, 2 and 2.0 it has.
struct ClassRecommendation {
  int index = -1;  // 0 class 1, 1 class 2, 2 class 2.0, -1 none
  QString name;    // "Class 1", "Class 2", "Class 2.0" or empty
};
ClassRecommendation RecommendClass(const faxengine::TFaxClassSet& classes);

class TCheckFaxClassForm : public TModemWorkForm {
  Q_OBJECT
 public:
  TCheckFaxClassForm(faxengine::TFxCustomComPort& port, faxengine::TFxCustomAbstractFax& fax,
                     int comNumber, QWidget* parent = nullptr);

  QLabel *Label8, *Label1, *Label2, *Label3, *Status;

  int ClassIndex() const { return recommended_.index; }
  QString ClassName() const { return recommended_.name; }
  void FormActivate() override;
  void CheckTheFaxClasses();

 private:
  // Asks the modem; "OK" or the text that says why the classes are unknown.
  QString DetermineFaxClassSupport(faxengine::TFaxClassSet& classes);
  void showUnknown();

  faxengine::TFxCustomComPort& port_;
  faxengine::TFxCustomAbstractFax& fax_;
  int comNumber_;
  ClassRecommendation recommended_;
};

}  // namespace windows
