// The plug-in's one exported object: the program finds it through QPluginLoader and reaches the
// stores only through the AnswerStores door.
#include "answers/answers_plugin.h"

#include "answers/sqlite_answer_store.h"

#include <QObject>

namespace numio {

class SqliteAnswersPlugin : public QObject, public AnswersPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID NUMIO_ANSWERS_IID)
    Q_INTERFACES(numio::AnswersPlugin)

  public:
    AnswerStores& stores() override { return stores_; }

  private:
    SqliteAnswerStores stores_;
};

} // namespace numio

#include "answers_plugin.moc"
