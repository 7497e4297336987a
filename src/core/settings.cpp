#include "core/settings.h"

#include "core/answer_store.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <optional>
#include <sys/stat.h>
#include <utility>

namespace numio {

namespace {

const QString kSettings = QStringLiteral("Settings");
const QString kAudit = QStringLiteral("Audit");
const QString kPractice = QStringLiteral("Procvicovani");
// A file with only the computer's groups is still ours.
const QStringList kGroups = QStringList{kSettings, kAudit, kPractice} + kComputerWideGroups;

QString onOff(bool on) {
    return on ? QStringLiteral("zapnuto") : QStringLiteral("vypnuto");
}

// Reads key by key; a value that does not convert is noted and its default taken.
class Loader {
  public:
    explicit Loader(SettingsStore& store) : store_(store) {}

    template <typename Convert>
    auto value(const QString& section, const QString& key, const QString& label, const QString& def,
               const QString& shownDefault, Convert convert) {
        const QString text = store_.read(kAppName, section, key, def);
        try {
            return convert(text);
        } catch (const Failure& f) {
            constexpr qsizetype kShown = 40;
            const QString shown = text.size() > kShown ? text.left(kShown) + u'…' : text;
            if (!first_)
                first_ = f;
            lines_ << QStringLiteral("Nastavení „%1“ v souboru %2 má neplatnou hodnotu „%3“; platí jeho "
                                     "výchozí hodnota „%4“.")
                          .arg(label, displayPath(store_.location(kAppName)), shown, shownDefault);
            return convert(def);
        }
    }
    // lowest and highest: what the program can work with; beyond them the value is as bad as text.
    Integer number(const QString& key, const QString& label, const QString& def, int lowest = -32768,
                   int highest = 32767) {
        return value(kSettings, key, label, def, def, [&](const QString& text) {
            const Integer v = textToInteger(text);
            if (v < lowest || v > highest)
                throw Failure(kTypeMismatch);
            return v;
        });
    }
    bool flag(const QString& section, const QString& key, const QString& label, bool def) {
        return value(section, key, label, booleanToText(def), onOff(def), textToBoolean);
    }
    void finish() {
        if (first_)
            throw first_->withDetail(lines_.join(u'\n'));
    }

  private:
    SettingsStore& store_;
    std::optional<Failure> first_;
    QStringList lines_;
};

CrossingTen textToCrossing(const QString& text) {
    const Integer v = wholeTextToInteger(text); // the later keys are whole numbers only
    if (v < 0 || v > 2)
        throw Failure(kTypeMismatch);
    return CrossingTen(v);
}

} // namespace

QString resolvedPath(const QString& path) {
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return folder.isEmpty() ? QDir::cleanPath(info.absoluteFilePath())
                            : QDir(folder).filePath(info.fileName());
}

namespace {

// The device and inode of what a path leads to: one file by two names has one identity.
std::optional<std::pair<dev_t, ino_t>> identityOf(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return std::nullopt;
    return std::pair{st.st_dev, st.st_ino};
}

// A second name (a hard link) elsewhere of a file of the settings folder.
bool linkedIntoFolder(const QString& path, const QString& folder) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink < 2)
        return false;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        if (identityOf(it.next()) == std::pair{st.st_dev, st.st_ino})
            return true;
    return false;
}

} // namespace

bool sameFile(const QString& a, const QString& b) {
    if (a.isEmpty() || b.isEmpty())
        return false;
    if (resolvedPath(a) == resolvedPath(b))
        return true;
    const auto first = identityOf(a);
    return first && first == identityOf(b);
}

namespace {

// Where a path lies, by its real path: in the settings folder or below it.
bool underSettingsFolder(const QString& path, const QString& settingsFile) {
    const QString folder = resolvedPath(QFileInfo(settingsFile).absolutePath());
    const QString at = resolvedPath(path);
    return at == folder || at.startsWith(folder + u'/');
}

} // namespace

bool insideSettingsFolder(const QString& path, const QString& settingsFile) {
    if (path.isEmpty())
        return false;
    return underSettingsFolder(path, settingsFile) ||
           linkedIntoFolder(path, resolvedPath(QFileInfo(settingsFile).absolutePath()));
}

void checkJournalOutsideSettings(const StoredSettings& s, const SettingsStore& store) {
    const QString settings = store.programLocation(kAppName);
    if (!s.bProtokol || !insideSettingsFolder(s.ProtokolFile, settings))
        return;
    const QString where =
        underSettingsFolder(s.ProtokolFile, settings)
            ? QStringLiteral("leží ve složce s nastavením programu")
            : QStringLiteral("je jen jiné jméno (pevný odkaz) souboru ze složky s nastavením "
                             "programu");
    throw Failure(kPathFileAccess)
        .withDetail(QStringLiteral("Soubor protokolu %1 %2 (%3); zápisem do něj by se nastavení poškodilo. "
                                   "Počítá se bez protokolu; jiný soubor zvolte v Nastavení (F2).")
                        .arg(displayPath(s.ProtokolFile), where, displayPath(QFileInfo(settings).path())));
}

void LoadSettings(StoredSettings& s, SettingsStore& store) {
    std::optional<Failure> unreadable;
    try {
        store.checkReadable(kAppName);
        store.checkRecognised(kAppName, kGroups);
    } catch (const Failure& f) {
        unreadable = f; // the reads below then give the defaults
    }
    Loader load(store);
    // Sums need a largest value; products stay within 16 bits up to the table of 3276 (x 10).
    s.nMaxValue = load.number(QStringLiteral("MaxValue"), QStringLiteral("Maximální hodnota výpočtu"),
                              QStringLiteral("10"), 1);
    s.nMaxValueX = load.number(QStringLiteral("MaxValueX"), QStringLiteral("Maximální povolená násobilka"),
                               QStringLiteral("1"), 1, kLargestTable);
    s.bPlus = load.flag(kSettings, QStringLiteral("Plus"), QStringLiteral("Sčítání"), true);
    s.bMinus = load.flag(kSettings, QStringLiteral("Minus"), QStringLiteral("Odčítání"), true);
    s.bKrat = load.flag(kSettings, QStringLiteral("Krat"), QStringLiteral("Násobení"), false);
    s.bDeleno = load.flag(kSettings, QStringLiteral("Deleno"), QStringLiteral("Dělení"), false);
    s.bLimit = load.flag(kSettings, QStringLiteral("Limit"), QStringLiteral("Limitovat odpovědi"), false);
    s.bLimitSady = load.flag(kSettings, QStringLiteral("LimitSady"),
                             QStringLiteral("Časový limit na sadu příkladů"), false);
    s.nLimit =
        load.number(QStringLiteral("TimeLimit"), QStringLiteral("Limit pro odpovědi"), QStringLiteral("10"));
    s.nLimitSady = load.number(QStringLiteral("TimeLimitSada"),
                               QStringLiteral("Časový limit na sadu příkladů (min.)"), QStringLiteral("60"));
    s.nSada =
        load.number(QStringLiteral("Sada"), QStringLiteral("Velikost zkoušené sady"), QStringLiteral("20"));
    s.bProtokol =
        load.flag(kAudit, QStringLiteral("Active"), QStringLiteral("Protokolování do souboru"), false);
    s.ProtokolFile = store.read(kAppName, kAudit, QStringLiteral("File"), QString());

    s.chosenTablesOnly = load.flag(kPractice, QStringLiteral("JenVybraneNasobilky"),
                                   QStringLiteral("Jen vybrané násobilky"), false);
    s.chosenTables = load.value(kPractice, QStringLiteral("Nasobilky"), QStringLiteral("Vybrané násobilky"),
                                QString(), QStringLiteral("žádná"), ChosenRows::parse);
    s.crossingTen =
        load.value(kPractice, QStringLiteral("PrechodPresDesitku"), QStringLiteral("Přechod přes desítku"),
                   QStringLiteral("0"), QStringLiteral("libovolně"), textToCrossing);
    s.soundOnError =
        load.flag(kPractice, QStringLiteral("ZvukPriChybe"), QStringLiteral("Zvuk při chybě"), true);
    s.rememberAnswers = load.flag(kPractice, QStringLiteral("PamatovatOdpovedi"),
                                  QStringLiteral("Pamatovat si každou odpověď"), true);
    s.answersBeside = load.flag(kPractice, QStringLiteral("OdpovediVedleProtokolu"),
                                QStringLiteral("Odpovědi ukládat vedle protokolu"), false);
    s.knownWithinSeconds =
        load.value(kPractice, QStringLiteral("UmiDoSekund"), QStringLiteral("Umí, když odpoví do (s)"),
                   QStringLiteral("3"), QStringLiteral("3"), [](const QString& text) {
                       const Integer v = wholeTextToInteger(text);
                       if (v < 1 || v > kKnownWithinSecondsMax)
                           throw Failure(kTypeMismatch);
                       return v;
                   });
    if (unreadable)
        throw *unreadable;
    load.finish();
}

QString storedAnswersBeside(SettingsStore& store) {
    try {
        if (!textToBoolean(store.read(kAppName, kPractice, QStringLiteral("OdpovediVedleProtokolu"),
                                      booleanToText(false))))
            return {};
    } catch (const Failure&) {
        return {}; // a bad value is its default
    }
    return answerStoreBeside(store.read(kAppName, kAudit, QStringLiteral("File"), QString()));
}

void SaveSettings(const StoredSettings& s, SettingsStore& store) {
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
    flag(kPractice, QStringLiteral("JenVybraneNasobilky"), s.chosenTablesOnly);
    entries.push_back({kPractice, QStringLiteral("Nasobilky"), s.chosenTables.text()});
    entries.push_back({kPractice, QStringLiteral("PrechodPresDesitku"), QString::number(int(s.crossingTen))});
    flag(kPractice, QStringLiteral("ZvukPriChybe"), s.soundOnError);
    flag(kPractice, QStringLiteral("PamatovatOdpovedi"), s.rememberAnswers);
    entries.push_back({kPractice, QStringLiteral("UmiDoSekund"), QString::number(s.knownWithinSeconds)});
    flag(kPractice, QStringLiteral("OdpovediVedleProtokolu"), s.answersBeside);
    store.replaceWhole(kAppName, entries);
}

} // namespace numio
