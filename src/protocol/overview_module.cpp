// The entry point of the overview's library, looked up by name after loading it.
#include "protocol/overview_loader.h"
#include "protocol/overview_window.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT QDialog* numio_create_overview(const numio::Journal& journal,
                                                        const QString& protocolPath,
                                                        numio::SettingsStore& store, numio::Dialogs& dialogs,
                                                        const std::optional<numio::StoredSettings>& practice,
                                                        QWidget* owner) {
    return new numio::OverviewWindow(journal, protocolPath, store, dialogs, practice, owner);
}

static_assert(std::is_same_v<decltype(&numio_create_overview), numio::OverviewFactory>);
