// The class overview's entry point in the overview's library, looked up by name after loading it.
#include "protocol/class_overview_loader.h"
#include "protocol/class_overview_window.h"

#include <type_traits>

extern "C" Q_DECL_EXPORT void numio_show_class_overview(numio::SettingsStore& store, numio::Dialogs& dialogs,
                                                        numio::TextFiles& files, QWidget* owner) {
    numio::runClassOverview(store, dialogs, files, owner);
}

static_assert(std::is_same_v<decltype(&numio_show_class_overview), numio::ClassOverviewEntry>);
