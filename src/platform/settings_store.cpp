#include "platform/settings_store.h"

#include "platform/failure.h"
#include "platform/logging.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace numio {

namespace {

// Which file stands at the path now, and in which state; empty when there is none.
QByteArray identityOf(const struct stat& st) {
    QByteArray id;
    for (const qint64 v : {qint64(st.st_dev), qint64(st.st_ino), qint64(st.st_mode), qint64(st.st_size),
                           qint64(st.st_mtim.tv_sec), qint64(st.st_mtim.tv_nsec), qint64(st.st_ctim.tv_sec),
                           qint64(st.st_ctim.tv_nsec)})
        id += QByteArray::number(v) + ',';
    return id;
}

int hexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// A value as it stands after "=": quotes and backslash escapes (as written by QSettings) are
// undone, blanks around it outside quotes dropped; ';' and ',' are text like any other.
std::optional<QString> decodeValue(QStringView raw) {
    QString out;
    qsizetype keep = 0; // the length without trailing blanks outside quotes
    bool quoted = false;
    qsizetype i = 0;
    while (i < raw.size() && (raw[i] == u' ' || raw[i] == u'\t'))
        ++i;
    for (; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c == u'"') {
            quoted = !quoted;
            keep = out.size();
            continue;
        }
        if (c == u'\\' && i + 1 < raw.size()) {
            const QChar e = raw[++i];
            static constexpr QStringView kFrom = u"abfnrtv\"'\\?";
            static constexpr QStringView kTo = u"\a\b\f\n\r\t\v\"'\\?";
            if (const qsizetype k = kFrom.indexOf(e); k >= 0) {
                out += kTo[k];
            } else if (e == u'x' && i + 1 < raw.size() && hexValue(raw[i + 1]) >= 0) {
                char32_t v = 0;
                while (i + 1 < raw.size() && hexValue(raw[i + 1]) >= 0 && v < 0x10FFFF)
                    v = v * 16 + char32_t(hexValue(raw[++i]));
                out += QString::fromUcs4(&v, 1);
            } else if (e >= u'0' && e <= u'7') {
                char32_t v = e.unicode() - u'0';
                while (i + 1 < raw.size() && raw[i + 1] >= u'0' && raw[i + 1] <= u'7' && v < 0x10FFFF)
                    v = v * 8 + char32_t(raw[++i].unicode() - u'0');
                out += QString::fromUcs4(&v, 1);
            } else {
                out += c;
                out += e;
            }
            keep = out.size();
            continue;
        }
        out += c;
        if (quoted || (c != u' ' && c != u'\t'))
            keep = out.size();
    }
    out.truncate(keep);
    // QSettings' own marks for texts that begin with "@", looked for as QSettings does: in the text
    // unquoted, so that "@Novák, Petr", written quoted as "@@Novák, Petr", reads back as it was.
    if (out.startsWith(u'@')) {
        if (out == u"@Invalid()")
            return std::nullopt;
        if (out.startsWith(u"@@"))
            return out.mid(1);
        for (const QStringView kind : {QStringView(u"@String("), QStringView(u"@ByteArray(")})
            if (out.startsWith(kind) && out.endsWith(u')'))
                return out.sliced(kind.size(), out.size() - kind.size() - 1);
    }
    return out;
}

// A key as QSettings writes it: "%20" and "%U010d" for what is not a letter, a digit, '-', '_' or
// '.', "\\" for '/'. A key written by hand in plain UTF-8 reads as it stands.
QString decodeKey(QStringView raw) {
    QString out;
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const qsizetype digits = raw[i] != u'%' ? 0 : i + 1 < raw.size() && raw[i + 1] == u'U' ? 4 : 2;
        const qsizetype from = i + 1 + (digits == 4);
        bool hex = digits > 0 && from + digits <= raw.size();
        char16_t v = 0;
        for (qsizetype k = from; hex && k < from + digits; ++k) {
            hex = hexValue(raw[k]) >= 0;
            v = char16_t(v * 16 + hexValue(raw[k]));
        }
        if (hex) {
            out += QChar(v);
            i = from + digits - 1;
        } else {
            out += raw[i] == u'\\' ? QChar(u'/') : raw[i];
        }
    }
    return out;
}

// The values by "Section/Key", and into `groups` the sections whose header stands alone on its line.
QHash<QString, std::optional<QString>> parseIni(const QString& text, QSet<QString>& groups) {
    QHash<QString, std::optional<QString>> values;
    QString section;
    for (QStringView line : QStringView(text).split(u'\n')) {
        line = line.trimmed();
        if (line.isEmpty() || line.front() == u';' || line.front() == u'#')
            continue;
        if (line.front() == u'[') {
            const qsizetype end = line.indexOf(u']');
            section = (end < 0 ? line.sliced(1) : line.sliced(1, end - 1)).trimmed().toString();
            if (end == line.size() - 1)
                groups.insert(section);
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (eq <= 0)
            continue;
        values.insert(section + u'/' + decodeKey(line.first(eq).trimmed()), decodeValue(line.sliced(eq + 1)));
    }
    return values;
}

// Whether the file now holds each entry as written.
bool holds(const QString& path, const QList<SettingsEntry>& entries) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    QSet<QString> groups;
    const auto values = parseIni(QString::fromUtf8(file.readAll()), groups);
    return std::all_of(entries.begin(), entries.end(), [&](const SettingsEntry& e) {
        const auto found = values.constFind(e.section + u'/' + e.key);
        return found != values.constEnd() && *found && **found == e.value;
    });
}

QString startsOnDefaults(const QString& path) {
    return QStringLiteral("Soubor nastavení %1 nelze přečíst; platí výchozí nastavení.")
        .arg(displayPath(path));
}

} // namespace

IniSettingsStore::IniSettingsStore(QString configFolder) : folder_(std::move(configFolder)) {
    if (folder_.isEmpty())
        folder_ = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

IniSettingsStore::~IniSettingsStore() = default;

QString IniSettingsStore::filePath(const QString& app) const {
    // "Numio2/zaci/x" names a file beside the program's own: "Numio2/zaci/x.conf".
    if (app.contains(QLatin1Char('/')))
        return QDir(folder_).filePath(app + QStringLiteral(".conf"));
    return QDir(folder_).filePath(app + QLatin1Char('/') + app + QStringLiteral(".conf"));
}

const IniSettingsStore::Parsed& IniSettingsStore::parsed(const QString& app) {
    const QString path = filePath(app);
    const QByteArray native = QFile::encodeName(path);
    struct stat st {};
    const bool exists = ::stat(native.constData(), &st) == 0;
    const int statError = exists ? 0 : errno;
    const QByteArray identity = exists ? identityOf(st) : QByteArray::number(statError);
    auto found = cache_.constFind(app);
    if (found != cache_.constEnd() && (*found)->identity == identity)
        return **found;

    auto parsed = std::make_shared<Parsed>();
    parsed->identity = identity;
    cache_.insert(app, parsed);
    const auto problem = [&](int code) -> const Parsed& {
        parsed->problem = std::make_unique<Failure>(code);
        parsed->problem->withDetail(startsOnDefaults(path));
        return *parsed;
    };
    if (!exists)
        return statError == ENOENT ? *parsed : problem(statError == EACCES ? kAccessDenied : kPathFileAccess);
    // Only a regular file has an end to read to: opening a named pipe would wait for a writer for ever.
    if (!S_ISREG(st.st_mode))
        return problem(kPathFileAccess);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return problem(file.error() == QFileDevice::PermissionsError ? kAccessDenied : kPathFileAccess);
    const QByteArray bytes = file.readAll();
    parsed->blank = bytes.trimmed().isEmpty();
    parsed->values = parseIni(QString::fromUtf8(bytes), parsed->groups);
    return *parsed;
}

QString IniSettingsStore::read(const QString& app, const QString& section, const QString& key,
                               const QString& defaultValue) {
    const Parsed& p = parsed(app);
    const auto found = p.values.constFind(section + QLatin1Char('/') + key);
    if (found == p.values.constEnd() || !*found)
        return defaultValue;
    return **found;
}

void IniSettingsStore::checkReadable(const QString& app) {
    if (const Parsed& p = parsed(app); p.problem)
        throw *p.problem;
}

void IniSettingsStore::checkRecognised(const QString& app, const QStringList& groups) {
    const Parsed& p = parsed(app);
    if (p.problem || p.blank)
        return;
    for (const QString& group : groups)
        if (p.groups.contains(group))
            return;
    for (auto key = p.values.keyBegin(); key != p.values.keyEnd(); ++key)
        if (groups.contains(key->section(u'/', 0, 0)))
            return;
    kept_.insert(app);
    const QString path = displayPath(filePath(app));
    throw Failure(kTypeMismatch)
        .withDetail(
            QStringLiteral("Soubor nastavení %1 neobsahuje žádné nastavení programu (není to textový "
                           "soubor INI v UTF-8); platí výchozí nastavení. Soubor zůstane, jak je, dokud "
                           "nastavení neuložíte tlačítkem OK v okně Nastavení; jeho obsah se pak "
                           "uschová jako %1.bak.")
                .arg(path));
}

void IniSettingsStore::replaceWhole(const QString& app, const QList<SettingsEntry>& entries) {
    if (kept_.contains(app)) {
        // What stood there is kept beside, so nothing the user put there is lost.
        const QString path = filePath(app), kept = path + QStringLiteral(".bak");
        QFile::remove(kept);
        if (!QFile::rename(path, kept))
            throw Failure(kPathFileAccess)
                .withDetail(
                    QStringLiteral("Nastavení nelze uložit do souboru %1; platí jen do ukončení programu.")
                        .arg(displayPath(path)));
        kept_.remove(app);
    }
    write(app, entries);
}

void IniSettingsStore::write(const QString& app, const QList<SettingsEntry>& entries) {
    const QString path = filePath(app);
    if (kept_.contains(app)) { // told at the start; only the settings dialog replaces that file
        qCDebug(lcSettings()) << "not written, the file is kept as found:" << path;
        return;
    }
    cache_.remove(app);
    const auto refuse = [&](int code) {
        throw Failure(code).withDetail(
            QStringLiteral("Nastavení nelze uložit do souboru %1; platí jen do ukončení programu.")
                .arg(displayPath(path)));
    };
    // QSettings reads the file before replacing it: it must be one that can be read to its end.
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            refuse(kPathFileAccess);
        if (::access(QFile::encodeName(path).constData(), R_OK) != 0)
            refuse(kAccessDenied);
    }
    QSettings ini(path, QSettings::IniFormat);
    for (const SettingsEntry& e : entries)
        ini.setValue(e.section + QLatin1Char('/') + e.key, e.value);
    ini.sync();
    // A file that held lines of no INI form is still replaced; only what did not reach it is a failure.
    if (ini.status() == QSettings::NoError)
        return;
    if (!holds(path, entries))
        refuse(kPathFileAccess);
    qCDebug(lcSettings()) << "lines of no INI form dropped from" << path;
}

} // namespace numio
