#pragma once

#include "protocol/journal.h"

#include <QStringList>

#include <memory>
#include <optional>

class QDialog;
class QWidget;

namespace numio {

class Dialogs;
class SettingsStore;

// The results overview lives in a library of its own, loaded the first time it is opened: only it
// needs the chart and OpenGL libraries, and linking them would slow every start of the program.

// The library's one entry point builds an OverviewWindow from the constructor's arguments.
using OverviewFactory = QDialog* (*)(const Journal& journal, const QString& protocolPath,
                                     SettingsStore& store, Dialogs& dialogs,
                                     const std::optional<StoredSettings>& practice, QWidget* owner);
inline constexpr char kOverviewFactoryName[] = "numio_create_overview";

// The overview, not yet shown. Throws Failure 53 when its library cannot be loaded.
std::unique_ptr<QDialog> createOverview(const Journal& journal, const QString& protocolPath,
                                        SettingsStore& store, Dialogs& dialogs,
                                        const std::optional<StoredSettings>& practice, QWidget* owner);

// Shows the overview modally; the repeat-list entries chosen for practice, none when it was
// just closed.
QStringList showOverview(const Journal& journal, const QString& protocolPath, SettingsStore& store,
                         Dialogs& dialogs, const std::optional<StoredSettings>& practice, QWidget* owner);

} // namespace numio
