#pragma once

#include "platform/export.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace numio {

class Failure;

struct NUMIO_EXPORT SettingsEntry {
    QString section;
    QString key;
    QString value;
};

// Held while it lives; see SettingsStore::lock.
class NUMIO_EXPORT SettingsLock {
  public:
    virtual ~SettingsLock() = default;
};

// The per-user settings store: texts addressed by application, section and key.
class NUMIO_EXPORT SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    // Never fails: where the file cannot be read, every key has its default (checkReadable tells why).
    virtual QString read(const QString& app, const QString& section, const QString& key,
                         const QString& defaultValue) = 0;
    // All entries at once, the file replaced whole or not at all. Throws Failure naming the file.
    virtual void write(const QString& app, const QList<SettingsEntry>& entries) = 0;
    void write(const QString& app, const QString& section, const QString& key, const QString& value) {
        write(app, QList<SettingsEntry>{{section, key, value}});
    }
    // Throws Failure naming the file when it exists but cannot be read.
    virtual void checkReadable(const QString& app) { (void)app; }
    // Throws Failure naming the file when it holds something, yet none of `groups`: not settings of
    // this program, or not text it can read. Such a file is kept: writes leave it as it is until
    // replaceWhole.
    virtual void checkRecognised(const QString& app, const QStringList& groups) {
        (void)app;
        (void)groups;
    }
    // Every setting at once, from the settings dialog: also replaces a file checkRecognised kept.
    virtual void replaceWhole(const QString& app, const QList<SettingsEntry>& entries) {
        write(app, entries);
    }
    // Where the settings are kept, for messages.
    virtual QString location(const QString& app) const { return app; }
    // The program's own settings file, whatever file `location` names for the moment: the folder
    // around it holds every settings file of the program.
    virtual QString programLocation(const QString& app) const { return location(app); }
    // "<name>.lock" in the program's settings folder, for a read, change and write that another
    // running copy must not come between. A lock another running copy holds is waited for a moment
    // at most, one whose copy is gone is taken over. Throws Failure naming the lock when another
    // copy keeps it longer, or at once when no copy could take it (a folder in its place, a folder
    // that cannot be written), saying what to do.
    virtual std::unique_ptr<SettingsLock> lock(const QString& app, const QString& name) {
        (void)app;
        (void)name;
        return nullptr;
    }
};

// INI file "<app>/<app>.conf" in the user's configuration folder ($XDG_CONFIG_HOME or ~/.config);
// an app named as a path, "<app>/<folder>/<name>", is the file "<app>/<folder>/<name>.conf".
// Every value is read back as the text that stands in the file: a hand-edited ';' or ',' is part
// of it, not a comment or a list.
class NUMIO_EXPORT IniSettingsStore : public SettingsStore {
  public:
    // An empty folder means the user's configuration folder.
    explicit IniSettingsStore(QString configFolder = {});
    ~IniSettingsStore() override;
    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& defaultValue) override;
    using SettingsStore::write;
    void write(const QString& app, const QList<SettingsEntry>& entries) override;
    void checkReadable(const QString& app) override;
    void checkRecognised(const QString& app, const QStringList& groups) override;
    void replaceWhole(const QString& app, const QList<SettingsEntry>& entries) override;
    QString location(const QString& app) const override { return filePath(app); }
    std::unique_ptr<SettingsLock> lock(const QString& app, const QString& name) override;

    QString filePath(const QString& app) const;

  private:
    // One parse per file, kept while the file stays the same one, unchanged.
    struct Parsed {
        QByteArray identity;
        QHash<QString, std::optional<QString>> values; // "Section/Key"; none: an invalid value
        QSet<QString> groups;                          // sections with a header of their own line
        bool blank = true;                             // nothing but blanks, or no file
        std::unique_ptr<Failure> problem;
    };
    const Parsed& parsed(const QString& app);

    QString folder_;
    QHash<QString, std::shared_ptr<Parsed>> cache_;
    QSet<QString> kept_; // apps whose file holds something else
};

} // namespace numio
