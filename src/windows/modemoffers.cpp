// The modem port's set-up and the search and probe offered from a button.
#include "windows/modemoffers.h"

#include "faxengine/comport.h"
#include "settings/appsettings.h"
#include "ui/messages.h"
#include "ui/placement.h"
#include "ui/radiogroup.h"
#include "windows/checkfaxclass.h"
#include "windows/findmodem.h"
#include "windows/qteventbridge.h"

#include <QCoreApplication>

namespace windows {

void SetUpModemPort(faxengine::TFxComPort& port) {
  port.ComNumber = 1;
  port.InSize = 8192;
  port.OutSize = 8192;
  port.AutoOpen = false;
  port.SetHWFlowOptions(faxengine::hwfUseRTS | faxengine::hwfRequireCTS);
  port.SetBufferFull(7372);
  port.SetBufferResume(819);
  port.TapiMode = faxengine::TTapiMode::tmOff;
  port.TraceName = settings::ProgramDir() + "MERL.TRC";
  port.LogName = settings::ProgramDir() + "MERL.LOG";
  port.Bridge = &UiEventBridge();
}

void OfferModemPort(faxengine::TFxCustomComPort& port, ui::TRadioGroup& portGroup,
                    QWidget* parent) {
  const int remembered = portGroup.ItemIndex();
  TFindModemForm search(port, parent);
  ui::CenterFormDefault(&search);
  search.exec();
  port.ComNumber = remembered + 1;
  const int found = search.FoundPort();
  if (found > 0 && found != remembered + 1 &&
      ui::AskYesNo(QStringLiteral("Set Com Port to Com ") + QString::number(found),
                   QStringLiteral("Com Port")))
    portGroup.SetItemIndex(found - 1);
}

void OfferFaxClass(faxengine::TFxCustomComPort& port, faxengine::TFxCustomAbstractFax& fax,
                   int comNumber, ui::TRadioGroup& classGroup, QWidget* parent) {
  {
    TCheckFaxClassForm probe(port, fax, comNumber, parent);
    ui::CenterFormDefault(&probe);
    probe.exec();
    const int found = probe.ClassIndex();
    if (found >= 0 && found + 1 != classGroup.ItemIndex() &&
        ui::AskYesNo(QStringLiteral("Set fax class as ") + probe.ClassName() + QStringLiteral(" ?"),
                     QStringLiteral("Fax Class")))
      classGroup.SetItemIndex(found + 1);
  }
  port.Close();
  QCoreApplication::processEvents();
}

}  // namespace windows
