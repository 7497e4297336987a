#pragma once

#include <QString>

#include <functional>

class QLabel;

namespace numio {

class Dialogs;

// The status line's text, which is also what a screen reader says of it: setting it announces it.
void showStatus(QLabel* statusLine, const QString& text);

// Saves a document the user asked for: `write` writes it whole or throws Failure. The status line
// then says `saved` (its %1 the file); a failure is told there as well and goes on to the handler's
// guard, naming the file.
void saveDocument(QLabel* statusLine, const QString& path, const QString& saved,
                  const std::function<void()>& write);

// Asks whether to open the saved document now (the question's first line `saved`, its %1 the file),
// and opens it when the answer is yes.
void offerToOpen(Dialogs& dialogs, const QString& path, const QString& saved);

} // namespace numio
