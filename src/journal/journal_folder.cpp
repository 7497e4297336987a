#include "journal/journal_folder.h"

#include "core/practice_state.h"
#include "platform/failure.h"

#include <QFileInfo>
#include <QHash>
#include <QLocale>

#include <algorithm>

namespace numio {

namespace {

// A file that holds no journal (or is no file) and a stopped reading are refused with a failure
// of their own, whose description says why; no reading of a file fails with these codes.
constexpr int kNotAJournal = kBadFileFormat;

Failure refused(QStringView why) {
    return Failure(kNotAJournal, why.toString());
}

bool isJournalName(const QString& path) {
    return path.endsWith(QStringLiteral(".txt"), Qt::CaseInsensitive);
}

} // namespace

bool PupilJournal::stopped() const {
    return failure && failure->code() == kUserInterrupt;
}

QString PupilJournal::problem() const {
    if (!failure)
        return {};
    switch (failure->code()) {
    case kAccessDenied:
        return QStringLiteral("Přístup odepřen.");
    case kFileNotFound:
    case kPathNotFound:
        return QStringLiteral("Soubor mezitím zmizel.");
    case kNotAJournal:
    case kUserInterrupt:
        return failure->description();
    default:
        return failure->messageText();
    }
}

QString fileBaseName(const QString& journalPath) {
    QString name = QFileInfo(journalPath).fileName();
    // ".txt" alone keeps its name: a row needs one.
    if (isJournalName(name) && name.size() > 4)
        name.chop(4);
    return name;
}

PupilJournal readPupilJournal(const FileEntry& entry, TextFiles& files, const std::atomic<bool>* stop) {
    PupilJournal out;
    const auto stopped = [stop] { return stop && stop->load(std::memory_order_relaxed); };
    out.path = entry.path;
    out.name = fileBaseName(entry.path);
    FileStamp before = files.stamp(entry);
    if (before.kind == FileStamp::Kind::Folder) {
        out.failure = refused(u"Je to složka, ne soubor.");
        return out;
    }
    if (before.kind == FileStamp::Kind::Other) {
        out.failure = refused(u"Není to obyčejný soubor (zařízení, roura).");
        return out;
    }
    QString text;
    try {
        constexpr int kReadings = 3;
        for (int reading = 1;; ++reading) {
            text = files.readEntry(entry, stop);
            const FileStamp after = files.stamp(entry);
            if (after == before || stopped())
                break;
            if (reading == kReadings) {
                out.changing = true;
                break;
            }
            before = after;
        }
    } catch (const Failure& f) {
        out.failure = f;
        return out;
    }
    if (stopped()) {
        out.failure = Failure(kUserInterrupt, kReadingStopped.toString());
        return out;
    }
    if (text.isEmpty()) {
        out.failure = refused(kEmptyFileProblem);
        return out;
    }
    out.journal = parseJournal(text);
    if (!out.journal.pupil.isEmpty())
        out.name = out.journal.pupil;
    // Not one record of a journal in it: some other text that happens to end in ".txt", or no text
    // at all. A journal with a NUL here and there is read as the viewer and the pupil's overview
    // read it: the lines holding them are left unread.
    if (out.journal.exams.isEmpty() && out.journal.missed.isEmpty() && out.journal.unreadableLines > 0) {
        out.failure = refused(text.contains(QChar(0)) ? u"Binární soubor, ne protokol."
                                                      : u"Není to protokol zkoušení.");
        out.journal = Journal();
    }
    return out;
}

QVector<FileEntry> journalFiles(const QString& folder, TextFiles& files) {
    QVector<FileEntry> entries = files.listFolder(folder);
    entries.removeIf([](const FileEntry& e) { return !isJournalName(e.path); });
    std::sort(entries.begin(), entries.end(), [](const FileEntry& a, const FileEntry& b) {
        const int c = a.path.compare(b.path, Qt::CaseInsensitive);
        return c != 0 ? c < 0 : a.path < b.path || (a.path == b.path && a.native < b.native);
    });
    return entries;
}

QString folderProblem(const Failure& f) {
    switch (f.code()) {
    case kAccessDenied:
        return QStringLiteral("Složku nelze přečíst: přístup odepřen (chybí oprávnění číst její obsah).");
    case kFileNotFound:
    case kPathNotFound:
        return QStringLiteral("Složku nelze otevřít: není dostupná.");
    default:
        return QStringLiteral("Složku nelze přečíst: %1.").arg(f.messageText());
    }
}

QString schoolProblem(const MissedProblem& m) {
    const std::optional<RepeatEntry> e = RepeatEntry::parse(m.entry);
    if (!e)
        return m.problem;
    const QString sign = e->op == 3 ? QStringLiteral("·") : operatorSign(e->op);
    return QStringLiteral("%1 %2 %3 = %4")
        .arg(QString::number(e->a), sign, QString::number(e->b), QString::number(e->c));
}

PupilSummary summarise(const Journal& journal) {
    PupilSummary s;
    s.exams = journal.countedExams();
    s.repeats = journal.repeatRuns();
    s.problems = journal.totalProblems;
    if (const std::optional<Score> overall = overallScore(journal)) {
        s.successRate = overall->successRate;
        s.grade = overall->grade;
    }
    s.last = journal.lastExam();
    // The same honest trend as the pupil's own overview shows.
    const TrendOutcome trend = trendOf(journal);
    s.trend = trend.change;
    s.trendPending = trend.pending;
    for (qsizetype i = 0; i < std::min<qsizetype>(3, journal.missed.size()); ++i)
        s.missed << schoolProblem(journal.missed[i]);
    return s;
}

QVector<ClassMissed> classMissed(const QVector<PupilJournal>& pupils, int limit) {
    QHash<QString, qsizetype> index; // by the repeat-list entry
    QVector<ClassMissed> all;
    for (const PupilJournal& p : pupils) {
        for (const MissedProblem& m : p.journal.missed) {
            auto found = index.constFind(m.entry);
            if (found == index.constEnd()) {
                found = index.insert(m.entry, all.size());
                all.push_back({schoolProblem(m), 0, 0});
            }
            ClassMissed& c = all[*found];
            c.count += m.count;
            ++c.pupils;
        }
    }
    std::sort(all.begin(), all.end(), [](const ClassMissed& a, const ClassMissed& b) {
        if (a.count != b.count)
            return a.count > b.count;
        if (a.pupils != b.pupils)
            return a.pupils > b.pupils;
        return a.problem < b.problem;
    });
    if (all.size() > limit)
        all.resize(limit);
    return all;
}

QString czechDate(QDate day) {
    return day.toString(QStringLiteral("d.M.yyyy"));
}

QString journalsPeriod(const QVector<const Journal*>& journals) {
    QDateTime first, last;
    for (const Journal* journal : journals) {
        for (const Examination& e : journal->exams) {
            if (!e.when.isValid())
                continue;
            if (!first.isValid() || e.when < first)
                first = e.when;
            if (!last.isValid() || e.when > last)
                last = e.when;
        }
    }
    if (!first.isValid())
        return QStringLiteral("—");
    return czechDate(first.date()) + QStringLiteral(" – ") + czechDate(last.date());
}

QString classPeriod(const QVector<PupilJournal>& pupils) {
    QVector<const Journal*> journals;
    for (const PupilJournal& p : pupils)
        journals.push_back(&p.journal);
    return journalsPeriod(journals);
}

} // namespace numio
