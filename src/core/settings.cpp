#include "core/settings.h"

namespace numio {

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kAudit = QStringLiteral("Audit");

Integer readInteger(SettingsStore& store, const QString& key, const QString& def) {
    return textToInteger(store.read(kAppName, kSettings, key, def));
}

bool readBoolean(SettingsStore& store, const QString& section, const QString& key, bool def) {
    return textToBoolean(store.read(kAppName, section, key, booleanToText(def)));
}

} // namespace

void LoadSettings(PracticeState& s, SettingsStore& store) {
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
}

void SaveSettings(const PracticeState& s, SettingsStore& store) {
    auto number = [&](const QString& key, Integer v) {
        store.write(kAppName, kSettings, key, QString::number(v));
    };
    auto flag = [&](const QString& section, const QString& key, bool v) {
        store.write(kAppName, section, key, booleanToText(v));
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
    store.write(kAppName, kAudit, QStringLiteral("File"), s.ProtokolFile);
}

} // namespace numio
