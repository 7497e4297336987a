// The plug-in's one exported object: the program finds it through QPluginLoader and reaches the
// overviews only through the Reports interface.
#include "reports/reports_plugin.h"

#include "reports/class_overview_window.h"
#include "reports/knowledge_map_window.h"
#include "reports/overview_window.h"
#include "reports/worksheet_dialog.h"

#include <QObject>

namespace numio {

class ReportsPlugin : public QObject, public Reports {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID NUMIO_REPORTS_IID)
    Q_INTERFACES(numio::Reports)

  public:
    std::unique_ptr<QDialog> createOverview(const Journal& journal, const QString& protocolPath,
                                            SettingsStore& store, Dialogs& dialogs,
                                            const std::optional<StoredSettings>& practice, QWidget* owner,
                                            AnswerStores* stores, const QString& answersPath,
                                            int knownWithinMs) override {
        std::optional<ParentAnswers> answers;
        if (stores && !answersPath.isEmpty())
            answers = ParentAnswers{stores, answersPath, knownWithinMs};
        return std::make_unique<OverviewWindow>(journal, protocolPath, store, dialogs, practice, owner,
                                                QString(), answers);
    }

    QStringList chosenEntries(const QDialog& overview) const override {
        const auto* window = qobject_cast<const OverviewWindow*>(&overview);
        return window ? window->chosenEntries() : QStringList();
    }

    void showClassOverview(SettingsStore& store, Dialogs& dialogs, TextFiles& files, AnswerStores& stores,
                           const QString& dataFolder, QWidget* owner) override {
        runClassOverview(store, dialogs, files, stores, dataFolder, owner);
    }

    void showKnowledgeMap(const KnowledgeMapInput& input, SettingsStore& store, Dialogs& dialogs,
                          QWidget* owner) override {
        KnowledgeMapWindow window(input, store, dialogs, owner);
        window.exec();
    }

    void showWorksheet(const KnowledgeMapInput& input, SettingsStore& store, Dialogs& dialogs,
                       QWidget* owner) override {
        runWorksheet(input, store, dialogs, owner);
    }
};

} // namespace numio

#include "reports_plugin.moc"
