#pragma once

#include "platform/export.h"

#include "journal/journal.h"
#include "platform/failure.h"
#include "platform/text_files.h"

#include <QDateTime>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>
#include <optional>

namespace numio {

// The name a journal is shown under: a pupil's name where one is known, else the file's name.
using PupilNamer = std::function<QString(const QString& journalPath)>;

// "Jana Nováková.txt" -> "Jana Nováková"
NUMIO_EXPORT QString fileBaseName(const QString& journalPath);

// One file of the class folder as read.
struct NUMIO_EXPORT PupilJournal {
    QString path;
    QString name; // the newest name the journal gives, else the file's name
    Journal journal;
    // Why the file could not be read: the failure met reading it, or what it is instead of a
    // journal; none when it was read.
    std::optional<Failure> failure;
    bool changing = false; // it kept changing while read: what was read last is shown
    bool readable() const { return !failure; }
    // Refused only because the reading was stopped: not read, rather than unreadable.
    bool stopped() const;
    // Why, as the class overview lists it: "Přístup odepřen.", "prázdný soubor"; empty when read.
    QString problem() const;
};

// Reads one journal without locking it: a pupil may be writing to it just now. A file whose size or
// time changes during the reading is read again, up to twice. Read as the viewer reads it: NULs in a
// line leave that line unread, only a file with nothing of a journal in it is refused. Named after
// the file. An empty file is refused as "prázdný soubor". With stop set (by another thread) the
// reading ends early and the file is refused as "Čtení zrušeno.". Never throws; safe on any thread
// while files is.
NUMIO_EXPORT PupilJournal readPupilJournal(const FileEntry& entry, TextFiles& files,
                                           const std::atomic<bool>* stop = nullptr);
inline PupilJournal readPupilJournal(const QString& path, TextFiles& files) {
    return readPupilJournal(FileEntry{path}, files);
}
inline constexpr QStringView kEmptyFileProblem = u"prázdný soubor";
inline constexpr QStringView kReadingStopped = u"Čtení zrušeno.";

// The journals of a folder: every "*.txt" entry (any case), hidden ones and those whose names are
// no UTF-8 too, files and whatever else bears the name, sorted by name. Throws Failure when the
// folder cannot be listed.
NUMIO_EXPORT QVector<FileEntry> journalFiles(const QString& folder, TextFiles& files);

// Why the folder could not be listed, for the status line: "Složku nelze přečíst: …".
NUMIO_EXPORT QString folderProblem(const Failure& f);

// "8 · 7 = 56", "56 : 8 = 7" as a school writes them; the entry is the repeat list's "56,8,7,4".
NUMIO_EXPORT QString schoolProblem(const MissedProblem& m);

// The numbers of one pupil's row, reckoned as the pupil's own overview reckons them: problems pooled
// over the examinations that count (interrupted ones with what they answered, repeats left out),
// one grade from them, the trend of trendOf.
struct NUMIO_EXPORT PupilSummary {
    int exams = 0;   // examinations that count, interrupted ones among them
    int repeats = 0; // repeat runs of missed problems
    qint64 problems = 0;
    std::optional<int> successRate;
    std::optional<int> grade; // the grade of all the problems together
    std::optional<double> trend;
    QString trendPending; // why there is no trend yet
    QDateTime last;       // the latest dated examination that counts
    QStringList missed;   // the three most-missed problems, school signs (repeats' misses included)
};
NUMIO_EXPORT PupilSummary summarise(const Journal& journal);

// A problem the class got wrong, summed over all journals.
struct NUMIO_EXPORT ClassMissed {
    QString problem; // school signs
    int count = 0;
    int pupils = 0; // how many journals have it
};
// Most-missed first, then by how many pupils, then by the problem.
NUMIO_EXPORT QVector<ClassMissed> classMissed(const QVector<PupilJournal>& pupils, int limit);

// "15.11.2026": a day as the overviews and their documents write it.
NUMIO_EXPORT QString czechDate(QDate day);

// The earliest and the latest dated examination of the journals, "1.9.2025 – 26.6.2026"; "—" without any.
NUMIO_EXPORT QString journalsPeriod(const QVector<const Journal*>& journals);
// The earliest and the latest dated examination of them all, "1.9.2025 – 26.6.2026"; "—" without any.
NUMIO_EXPORT QString classPeriod(const QVector<PupilJournal>& pupils);

} // namespace numio
