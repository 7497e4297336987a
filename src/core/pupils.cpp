#include "core/pupils.h"

#include "core/settings.h"
#include "platform/text_files.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <functional>

namespace numio {

namespace {

constexpr qsizetype kIdStemMax = 24; // room left for "-2" … "-999"; beyond, the stem gives way
// A line break or a tab in a name would break the list's one line per pupil and every message.
bool hasControl(const QString& name) {
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator ||
            c == QChar::ParagraphSeparator)
            return true;
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            return true;
    }
    return false;
}

// Characters that show as nothing between letters: a zero-width space, a soft hyphen, a direction
// mark, the Hangul fillers.
bool isInvisible(char32_t c) {
    return QChar::category(c) == QChar::Other_Format || c == 0x115F || c == 0x1160 || c == 0x3164 ||
           c == 0xFFA0;
}

bool hasInvisible(const QString& name) {
    const QList<uint> chars = name.toUcs4();
    return std::any_of(chars.begin(), chars.end(), [](uint c) { return isInvisible(c); });
}

bool hasLetterOrDigit(const QString& name) {
    const QList<uint> chars = name.toUcs4();
    return std::any_of(chars.begin(), chars.end(),
                       [](uint c) { return QChar::isLetterOrNumber(c) && !isInvisible(c); });
}

} // namespace

bool validPupilId(const QString& id) {
    return !id.isEmpty() && id.size() <= kPupilIdMax && std::all_of(id.begin(), id.end(), [](QChar c) {
        return (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'-';
    });
}

QString shownPupilName(const QString& name) {
    QString shown;
    int count = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (++count > kPupilNameMax)
            return shown + u'…';
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            const char32_t pair = QChar::surrogateToUcs4(c, name[++i]);
            shown += isInvisible(pair) ? QString(QChar::ReplacementCharacter) : QString::fromUcs4(&pair, 1);
        } else {
            shown += c.isSurrogate() || isInvisible(c.unicode()) || hasControl(QString(c))
                         ? QChar(QChar::ReplacementCharacter)
                         : c;
        }
    }
    return shown;
}

QString repairedPupilName(const QString& name) {
    QList<uint> kept;
    for (const uint c : name.toUcs4()) { // a lone surrogate comes as U+FFFD
        if (QChar::isSpace(c))
            kept << u' ';
        else if (!isInvisible(c) && c != QChar::ReplacementCharacter &&
                 QChar::category(c) != QChar::Other_Control)
            kept << c;
    }
    const auto text = [](const QList<uint>& chars, qsizetype count) {
        return tidyPupilName(QString::fromUcs4(reinterpret_cast<const char32_t*>(chars.data()), count));
    };
    const QList<uint> tidy = text(kept, kept.size()).toUcs4();
    return text(tidy, std::min<qsizetype>(tidy.size(), kPupilNameMax));
}

QString tidyPupilName(const QString& name) {
    return name.simplified();
}

QString pupilNameKey(const QString& name) {
    QString folded;
    const QString decomposed = tidyPupilName(name).normalized(QString::NormalizationForm_D);
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            folded += c;
    return folded.toCaseFolded();
}

QString pupilNameProblem(const QString& name, const QList<Pupil>& pupils, const QString& exceptId) {
    if (hasControl(name))
        return QStringLiteral("Jméno nesmí obsahovat řídicí znaky, například tabulátor nebo konec řádku.");
    if (hasInvisible(name))
        return QStringLiteral(
            "Jméno nesmí obsahovat neviditelné znaky, například mezeru nulové šířky nebo měkký spojovník.");
    const QString tidy = tidyPupilName(name);
    if (tidy.isEmpty())
        return QStringLiteral("Napište jméno žáka.");
    if (!hasLetterOrDigit(tidy))
        return QStringLiteral("Jméno musí obsahovat aspoň jedno písmeno nebo číslici.");
    if (const qsizetype length = tidy.toUcs4().size(); length > kPupilNameMax)
        return QStringLiteral("Jméno může mít nejvýše %1 znaků, toto jich má %2.")
            .arg(kPupilNameMax)
            .arg(length);
    const QString key = pupilNameKey(tidy);
    for (const Pupil& p : pupils)
        if (p.id != exceptId && pupilNameKey(p.name) == key)
            return QStringLiteral(
                       "Žák „%1“ už v seznamu je. Jména se musí lišit i jinak než velikostí písmen "
                       "nebo diakritikou.")
                .arg(p.name);
    return {};
}

QString newPupilId(const QString& name, const QList<Pupil>& pupils) {
    return newPupilId(name, [&](const QString& id) {
        return std::any_of(pupils.begin(), pupils.end(), [&](const Pupil& p) { return p.id == id; });
    });
}

QString newPupilId(const QString& name, const std::function<bool(const QString& id)>& taken) {
    QString base;
    const QString key = pupilNameKey(name);
    for (const QChar c : key) {
        if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9'))
            base += c;
        else if (!base.endsWith(u'-'))
            base += u'-';
    }
    const auto stem = [&](qsizetype room) {
        QString cut = base.left(std::min(room, kIdStemMax));
        while (cut.startsWith(u'-'))
            cut.remove(0, 1);
        while (cut.endsWith(u'-'))
            cut.chop(1);
        return cut.isEmpty() ? QStringLiteral("zak") : cut;
    };
    QString id = stem(kPupilIdMax);
    for (int n = 2; taken(id); ++n) {
        const QString number = u'-' + QString::number(n);
        id = stem(kPupilIdMax - number.size()) + number;
    }
    return id;
}

QString proposedPupilJournal(const QString& name) {
    QString file = tidyPupilName(name);
    file.replace(u'/', u'-');
    return QDir(documentsOrHomeFolder()).filePath(QStringLiteral("Numio/") + file + QStringLiteral(".txt"));
}

QString pupilSettingsApp(const QString& pupilId) {
    return kAppName + QStringLiteral("/zaci/") + pupilId;
}

namespace {

const QString kPupilsSection = QStringLiteral("Pupils"); // one of kComputerWideGroups

// A settings key takes '/' and '\\' as separators, so the path goes in as hex of its UTF-8.
QString pupilKey(const QString& journalPath) {
    return QString::fromLatin1(QFileInfo(journalPath).absoluteFilePath().toUtf8().toHex());
}

} // namespace

QString storedPupilName(SettingsStore& store, const QString& journalPath) {
    return store.read(kAppName, kPupilsSection, pupilKey(journalPath), QString());
}

void storePupilName(SettingsStore& store, const QString& journalPath, const QString& name) {
    store.write(kAppName, kPupilsSection, pupilKey(journalPath), name);
}

void prepareJournalFolder(const StoredSettings& s) {
    if (!s.bProtokol || s.ProtokolFile.isEmpty())
        return;
    if (pathTooLong(s.ProtokolFile)) // walking up a path of megabytes would take hours
        throw Failure(kBadFileName)
            .withDetail(
                QStringLiteral("Cesta k protokolu %1 je delší, než systém dovolí; počítá se bez protokolu.")
                    .arg(displayPath(s.ProtokolFile)));
    const QString folder = QFileInfo(s.ProtokolFile).absolutePath();
    if (QFileInfo(folder).isDir() || QDir().mkpath(folder))
        return;
    // The nearest folder that is there tells whether it is a matter of rights.
    QFileInfo above(folder);
    while (!above.exists() && !above.isRoot())
        above = QFileInfo(above.absolutePath());
    const int code = above.isDir() && !above.isWritable() ? kAccessDenied : kPathNotFound;
    throw Failure(code).withDetail(
        QStringLiteral("Složku pro protokol %1 nelze vytvořit; počítá se bez protokolu.")
            .arg(displayPath(folder)));
}

} // namespace numio
