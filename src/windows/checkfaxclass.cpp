// The fax-class probe and its recommendation.
#include "windows/checkfaxclass.h"

#include "base/log.h"
#include "faxengine/comport.h"
#include "faxengine/fax_component.h"
#include "windows/modemchecks.h"

#include <QCoreApplication>
#include <QLabel>
#include <QScopedValueRollback>

namespace windows {

namespace {

void pumpMessages() { QCoreApplication::processEvents(); }

}  // namespace

ClassRecommendation RecommendClass(const faxengine::TFaxClassSet& classes) {
  if (classes.class1) return {0, QStringLiteral("Class 1")};
  if (classes.class2) return {1, QStringLiteral("Class 2")};
  if (classes.class2_0) return {2, QStringLiteral("Class 2.0")};
  return {};
}

TCheckFaxClassForm::TCheckFaxClassForm(faxengine::TFxCustomComPort& port,
                                       faxengine::TFxCustomAbstractFax& fax, int comNumber,
                                       QWidget* parent)
    : TModemWorkForm("TCheckFaxClassForm", QStringLiteral("Finding Fax Class...Please wait"),
                     parent),
      port_(port),
      fax_(fax),
      comNumber_(comNumber) {
  Label8 = addLine("Label8", QStringLiteral("Fax Classes:"), false);
  Label1 = addLine("Label1", QStringLiteral("Class 1 :"), true);
  Label2 = addLine("Label2", QStringLiteral("Class 2 :"), true);
  Label3 = addLine("Label3", QStringLiteral("Class 2.0 :"), true);
  Status = finishLayout("Status", QStringLiteral("Testing Fax Classes...please wait."), 96);
}

void TCheckFaxClassForm::FormActivate() { CheckTheFaxClasses(); }

void TCheckFaxClassForm::showUnknown() {
  Label1->setText(QStringLiteral("Class 1   : unknown"));
  Label2->setText(QStringLiteral("Class 2   : unknown"));
  Label3->setText(QStringLiteral("Class 2.0 : unknown"));
}

QString TCheckFaxClassForm::DetermineFaxClassSupport(faxengine::TFaxClassSet& classes) {
  classes = {};
  Status->setText(QStringLiteral("Querying modem Fax Class support..."));
  pumpMessages();
  QString outcome = QStringLiteral("OK");
  try {
    classes = fax_.SupportedClasses();
    if (classes.empty()) outcome.clear();
  } catch (const std::exception& e) {
    base::LogFailure("fax class probe", e.what());
    outcome.clear();
  }
  if (outcome.isEmpty())
    outcome = QStringLiteral("Unable to determine Fax Class support from modem on Com ") +
              QString::number(comNumber_);
  Status->clear();
  pumpMessages();
  return outcome;
}

void TCheckFaxClassForm::CheckTheFaxClasses() {
  const QScopedValueRollback<bool> busy(working_, true);
  recommended_ = {};
  Status->setText(QStringLiteral("Opening Com Port...please wait"));
  pumpMessages();
  port_.ComNumber = comNumber_;
  QString message;
  if (!OpenComPort(port_, message)) {
    Status->setText(message);
    showUnknown();
  } else {
    ResetModemToFactory(port_);
    faxengine::TFaxClassSet classes;
    const QString outcome = DetermineFaxClassSupport(classes);
    if (outcome != QStringLiteral("OK")) {
      Status->setText(outcome);
      showUnknown();
    } else {
      auto supported = [](bool on) {
        return on ? QStringLiteral("Supported") : QStringLiteral("Not Supported");
      };
      Label1->setText(QStringLiteral("Class 1   : ") + supported(classes.class1));
      Label2->setText(QStringLiteral("Class 2   : ") + supported(classes.class2));
      Label3->setText(QStringLiteral("Class 2.0 : ") + supported(classes.class2_0));
      recommended_ = RecommendClass(classes);
      const QString suffix = QStringLiteral(" (recommended)");
      if (recommended_.index == 0) Label1->setText(Label1->text() + suffix);
      if (recommended_.index == 1) Label2->setText(Label2->text() + suffix);
      if (recommended_.index == 2) {
        QFont bold = Label3->font();
        bold.setBold(true);
        Label3->setFont(bold);
      }
      pumpMessages();
      Status->setText(QStringLiteral("Try using the recommended Fax Class (") + recommended_.name +
                      QStringLiteral(") or auto detect. ") +
                      QStringLiteral("If you experience problems, try another supported class.") +
                      QStringLiteral("\n\n") +
                      QStringLiteral("(note: US Robotics users should read the help section on "
                                     "troubleshooting)"));
    }
  }
  port_.Close();
  pumpMessages();
  workDone(QStringLiteral("Check Fax Class"));
}

}  // namespace windows
