#pragma once

#include "core/practice_state.h"
#include "reports/knowledge_map_input.h"

#include <QDateTime>
#include <QStringList>
#include <QtPlugin>

#include <memory>
#include <optional>

class QDialog;
class QWidget;

namespace numio {

class AnswerStores;
class Dialogs;
class SettingsStore;
class TextFiles;
struct Journal;

// The results overview and the class overview live in a plug-in of their own, loaded the first
// time one of them opens: only they need the chart, PDF and concurrency libraries, and linking
// those would slow every start of the program. This is all the program knows of them.
class Reports {
  public:
    virtual ~Reports() = default;

    // The results overview of one journal, not yet shown. With practice given it offers to practise
    // the most-missed problems under those settings. The parents' page reads what the pupil knows
    // from the store at answersPath through `stores` (none: it says it cannot tell).
    virtual std::unique_ptr<QDialog> createOverview(const Journal& journal, const QString& protocolPath,
                                                    SettingsStore& store, Dialogs& dialogs,
                                                    const std::optional<StoredSettings>& practice,
                                                    QWidget* owner, AnswerStores* stores,
                                                    const QString& answersPath, int knownWithinMs) = 0;
    // The repeat-list entries chosen for practice in an overview made above; none when it was just
    // closed.
    virtual QStringList chosenEntries(const QDialog& overview) const = 0;

    // Asks for the class's folder and shows its overview modally; what goes wrong inside is
    // reported there.
    // The known facts of this computer's pupils come from their stores in dataFolder.
    virtual void showClassOverview(SettingsStore& store, Dialogs& dialogs, TextFiles& files,
                                   AnswerStores& stores, const QString& dataFolder, QWidget* owner) = 0;

    // Shows modally what the pupil knows of each fact, operation by operation; the PDF's folder is
    // remembered in the store.
    virtual void showKnowledgeMap(const KnowledgeMapInput& input, SettingsStore& store, Dialogs& dialogs,
                                  QWidget* owner) = 0;

    // Asks how the pupil's worksheet is to be made and saves it as a PDF; his answers are read as
    // the map reads them.
    virtual void showWorksheet(const KnowledgeMapInput& input, SettingsStore& store, Dialogs& dialogs,
                               QWidget* owner) = 0;
};

} // namespace numio

// The interface's version is in its id: a plug-in built for another version is not loaded.
#define NUMIO_REPORTS_IID "cz.numio.Reports/5"
Q_DECLARE_INTERFACE(numio::Reports, NUMIO_REPORTS_IID)
