#pragma once

#include "platform/export.h"

#include <QString>

namespace numio {

// Message boxes and the file chooser.
class NUMIO_EXPORT Dialogs {
  public:
    enum class Buttons { Ok, YesNo, YesNoCancel };
    enum class Icon { Information, Question, Critical };
    enum class Answer { Ok, Yes, No, Cancel };

    virtual ~Dialogs() = default;
    virtual Answer message(const QString& text, const QString& title, Buttons buttons, Icon icon,
                           Answer defaultButton) = 0;
    // Returns the chosen path, empty when the user cancels. The file need not exist yet.
    virtual QString chooseFile(const QString& title, const QString& filter, const QString& folder) = 0;
    // Returns the chosen folder, empty when the user cancels.
    virtual QString chooseFolder(const QString& title, const QString& folder) {
        (void)title;
        (void)folder;
        return {};
    }

    // The "Chyba č. ..." box every failure shows.
    void failure(const class Failure& f);
};

// The path with the suffix added when the name typed lacks it ("protokol" -> "protokol.txt").
NUMIO_EXPORT QString withSuffix(const QString& path, const QString& suffix);
// Asks where a document goes (its suffix added) and, for a file that exists, whether to overwrite
// it; empty when the user changes their mind.
NUMIO_EXPORT QString chooseNewFile(Dialogs& dialogs, const QString& title, const QString& filter,
                                   const QString& proposed, const QString& suffix);

} // namespace numio
