#pragma once

class QWidget;

namespace numio {

class Dialogs;
class SettingsStore;
class TextFiles;

// The class overview lives in the results overview's library, loaded when first needed.
using ClassOverviewEntry = void (*)(SettingsStore& store, Dialogs& dialogs, TextFiles& files, QWidget* owner);
inline constexpr char kClassOverviewEntryName[] = "numio_show_class_overview";

// Asks for the class's folder and shows its overview modally. Throws Failure 53 when the library
// cannot be loaded; what goes wrong inside is reported there.
void showClassOverview(SettingsStore& store, Dialogs& dialogs, TextFiles& files, QWidget* owner);

} // namespace numio
