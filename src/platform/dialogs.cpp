#include "platform/dialogs.h"

#include "platform/failure.h"

namespace numio {

void Dialogs::failure(const Failure& f) {
    const QString text = f.detail().isEmpty() ? f.messageText() : f.messageText() + u'\n' + f.detail();
    message(text, kFailureTitle, Buttons::Ok, Icon::Critical, Answer::Ok);
}

} // namespace numio
