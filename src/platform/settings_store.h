#pragma once

#include <QString>

namespace numio {

// The per-user settings store: texts addressed by application, section and key.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual QString read(const QString& app, const QString& section, const QString& key,
                         const QString& defaultValue) = 0;
    virtual void write(const QString& app, const QString& section, const QString& key,
                       const QString& value) = 0;
};

// INI file "<app>/<app>.conf" in the user's configuration folder ($XDG_CONFIG_HOME or ~/.config).
// Every value is written and read back as the plain text that stands in the file.
class IniSettingsStore : public SettingsStore {
  public:
    // An empty folder means the user's configuration folder.
    explicit IniSettingsStore(QString configFolder = {});
    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& defaultValue) override;
    void write(const QString& app, const QString& section, const QString& key, const QString& value) override;

    QString filePath(const QString& app) const;

  private:
    QString folder_;
};

} // namespace numio
