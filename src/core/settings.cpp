#include "core/settings.h"

namespace numio {

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kAudit = QStringLiteral("Audit");

template <typename Convert>
auto readValue(SettingsStore& store, const QString& section, const QString& key, const QString& def,
               Convert convert) {
    const QString text = store.read(kAppName, section, key, def);
    try {
        return convert(text);
    } catch (Failure& f) {
        constexpr qsizetype kShown = 40;
        const QString shown = text.size() > kShown ? text.left(kShown) + u'…' : text;
        throw f.withDetail(
            QStringLiteral("Nastavení %1 v souboru %2 má neplatnou hodnotu „%3“. Toto a všechna následující "
                           "nastavení se nenačetla.")
                .arg(key, displayPath(store.location(kAppName)), shown));
    }
}

Integer readInteger(SettingsStore& store, const QString& key, const QString& def) {
    return readValue(store, kSettings, key, def, textToInteger);
}

bool readBoolean(SettingsStore& store, const QString& section, const QString& key, bool def) {
    return readValue(store, section, key, booleanToText(def), textToBoolean);
}

} // namespace

void LoadSettings(PracticeState& s, SettingsStore& store) {
    std::optional<Failure> unreadable;
    try {
        store.checkReadable(kAppName);
    } catch (const Failure& f) {
        unreadable = f; // the reads below then give the defaults
    }
    s.nMaxValue = readInteger(store, QStringLiteral("MaxValue"), QStringLiteral("10"));
    s.nMaxValueX = readInteger(store, QStringLiteral("MaxValueX"), QStringLiteral("1"));
    s.bPlus = readBoolean(store, kSettings, QStringLiteral("Plus"), true);
    s.bMinus = readBoolean(store, kSettings, QStringLiteral("Minus"), true);
    s.bKrat = readBoolean(store, kSettings, QStringLiteral("Krat"), false);
    s.bDeleno = readBoolean(store, kSettings, QStringLiteral("Deleno"), false);
    s.bLimit = readBoolean(store, kSettings, QStringLiteral("Limit"), false);
    s.bLimitSady = readBoolean(store, kSettings, QStringLiteral("LimitSady"), false);
    s.nLimit = readInteger(store, QStringLiteral("TimeLimit"), QStringLiteral("10"));
    s.nLimitSady = readInteger(store, QStringLiteral("TimeLimitSada"), QStringLiteral("60"));
    s.nSada = readInteger(store, QStringLiteral("Sada"), QStringLiteral("20"));
    s.bProtokol = readBoolean(store, kAudit, QStringLiteral("Active"), false);
    s.ProtokolFile = store.read(kAppName, kAudit, QStringLiteral("File"), QString());
    if (unreadable)
        throw *unreadable;
}

std::optional<Failure> SaveSettings(const PracticeState& s, SettingsStore& store) {
    QList<SettingsEntry> entries;
    auto number = [&](const QString& key, Integer v) {
        entries.push_back({kSettings, key, QString::number(v)});
    };
    auto flag = [&](const QString& section, const QString& key, bool v) {
        entries.push_back({section, key, booleanToText(v)});
    };
    number(QStringLiteral("MaxValue"), s.nMaxValue);
    number(QStringLiteral("MaxValueX"), s.nMaxValueX);
    flag(kSettings, QStringLiteral("Plus"), s.bPlus);
    flag(kSettings, QStringLiteral("Minus"), s.bMinus);
    flag(kSettings, QStringLiteral("Krat"), s.bKrat);
    flag(kSettings, QStringLiteral("Deleno"), s.bDeleno);
    flag(kSettings, QStringLiteral("Limit"), s.bLimit);
    flag(kSettings, QStringLiteral("LimitSady"), s.bLimitSady);
    number(QStringLiteral("TimeLimit"), s.nLimit);
    number(QStringLiteral("TimeLimitSada"), s.nLimitSady);
    number(QStringLiteral("Sada"), s.nSada);
    flag(kAudit, QStringLiteral("Active"), s.bProtokol);
    entries.push_back({kAudit, QStringLiteral("File"), s.ProtokolFile});
    try {
        store.write(kAppName, entries);
    } catch (const Failure& f) {
        return f;
    }
    return std::nullopt;
}

} // namespace numio
