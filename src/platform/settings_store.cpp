#include "platform/settings_store.h"

#include <QDir>
#include <QSettings>
#include <QStandardPaths>

namespace numio {

IniSettingsStore::IniSettingsStore(QString configFolder) : folder_(std::move(configFolder)) {
    if (folder_.isEmpty())
        folder_ = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString IniSettingsStore::filePath(const QString& app) const {
    return QDir(folder_).filePath(app + QLatin1Char('/') + app + QStringLiteral(".conf"));
}

QString IniSettingsStore::read(const QString& app, const QString& section, const QString& key,
                               const QString& defaultValue) {
    QSettings ini(filePath(app), QSettings::IniFormat);
    const QVariant value = ini.value(section + QLatin1Char('/') + key);
    if (!value.isValid())
        return defaultValue;
    // An unquoted hand-edited value with commas comes back as a list: give the text as it stands.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QStringLiteral(", "));
    return value.toString();
}

void IniSettingsStore::write(const QString& app, const QString& section, const QString& key,
                             const QString& value) {
    QSettings ini(filePath(app), QSettings::IniFormat);
    ini.setValue(section + QLatin1Char('/') + key, value);
    ini.sync();
}

} // namespace numio
