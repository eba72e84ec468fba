// The class dialogues by fax class: the one place a new class is added.
#pragma once

#include <memory>

#include "faxengine/fax_types.h"
#include "faxengine/receive_machine.h"
#include "faxengine/send_machine.h"

namespace faxengine {

// nullptr for a class that has no dialogue (yet).
std::unique_ptr<SendDialogue> makeSendDialogue(TFaxClass c, SendMachine& m);
std::unique_ptr<ReceiveDialogue> makeReceiveDialogue(TFaxClass c, ReceiveMachine& m);

}  // namespace faxengine
