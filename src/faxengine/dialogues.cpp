// The class dialogues by fax class.
#include "faxengine/dialogues.h"

#include "faxengine/class1_receive.h"
#include "faxengine/class1_send.h"
#include "faxengine/class2_dialogue.h"

namespace faxengine {

std::unique_ptr<SendDialogue> makeSendDialogue(TFaxClass c, SendMachine& m) {
  switch (c) {
    case TFaxClass::fcClass1: return std::make_unique<class1::Class1Send>(m);
    case TFaxClass::fcClass2: return std::make_unique<Class2Send>(m);
    case TFaxClass::fcClass2_0: return std::make_unique<Class20Send>(m);
    default: return nullptr;
  }
}

std::unique_ptr<ReceiveDialogue> makeReceiveDialogue(TFaxClass c, ReceiveMachine& m) {
  switch (c) {
    case TFaxClass::fcClass1: return std::make_unique<class1::Class1Receive>(m);
    case TFaxClass::fcClass2: return std::make_unique<Class2Receive>(m);
    case TFaxClass::fcClass2_0: return std::make_unique<Class20Receive>(m);
    default: return nullptr;
  }
}

}  // namespace faxengine
