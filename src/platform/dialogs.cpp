#include "platform/dialogs.h"

#include "platform/failure.h"

namespace numio {

void Dialogs::failure(const Failure& f) {
    message(f.messageText(), kFailureTitle, Buttons::Ok, Icon::Critical, Answer::Ok);
}

} // namespace numio
