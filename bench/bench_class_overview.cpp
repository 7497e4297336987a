// How long a class folder takes to open: 1, 30 and 300 journals of 2 MB each, read in parallel as
// the class overview does, and how long the window's event loop waits meanwhile; then the same
// folders from the list of files to every journal parsed and summarised, over the whole history and
// over one school year, beside the floor of reading the files' bytes alone on the same threads.
// Prints figures; never fails.
#include "bench_common.h"
#include "bench_protocol.h"
#include "core/answer_store.h"
#include "journal/journal_folder.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"
#include "reports/class_overview_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentMap>

#include <cstdio>

using namespace numio;
using bench::PrintingDialogs;

namespace {

// No pupil of this computer keeps a journal in the folders measured: no store is ever read.
struct NoStores : AnswerStores {
    OpenedAnswerStore open(const QString&, const QString&) override { throw Failure(kInternal); }
    KnowledgeRead read(const QString&, const KnowledgeQuery&, const std::atomic<bool>*) override {
        throw Failure(kInternal);
    }
    StoreMove move(const QString&, const QString&) override { throw Failure(kInternal); }
    bool join(const QString&, const QString&) override { throw Failure(kInternal); }
    void remove(const QString&) override { throw Failure(kInternal); }
};
NoStores noStores;

struct Figures {
    qint64 wallMs = 0;
    double cpuMs = 0;
    qint64 longestGapMs = 0; // the longest the event loop went without a turn
    int rows = 0;
    qint64 periodMs = 0; // counting the rows again for another period, the files not read again
    qint64 orderMs = 0;  // ordering them by another column
};

Figures openFolder(const QString& folder, SettingsStore& store, Dialogs& dialogs, TextFiles& files) {
    Figures f;
    const SystemClock clock;
    ClassOverviewWindow window(store, dialogs, files, noStores, clock, nullptr, nullptr, nullptr);
    window.show();
    QApplication::processEvents();
    QEventLoop loop;
    QObject::connect(&window, &ClassOverviewWindow::loaded, &loop, &QEventLoop::quit);
    // A tick every 10 ms: how late each comes shows how the window answers while it reads.
    QElapsedTimer sinceTick;
    QTimer ticker;
    ticker.setInterval(10);
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { f.longestGapMs = std::max(f.longestGapMs, sinceTick.restart()); });
    const long long cpu = bench::processCpuNs();
    QElapsedTimer wall;
    wall.start();
    sinceTick.start();
    ticker.start();
    window.readFolder(folder);
    loop.exec();
    f.wallMs = wall.elapsed();
    f.cpuMs = double(bench::processCpuNs() - cpu) / 1e6;
    f.rows = window.table()->rowCount();
    QElapsedTimer again;
    again.start();
    window.periodBox()->setCurrentIndex(int(PeriodChoice::HalfYear));
    f.periodMs = again.restart();
    window.orderBox()->setCurrentIndex(int(ClassOrder::Rate));
    f.orderMs = again.elapsed();
    return f;
}

// How long closing the window takes while it reads: the reading goes on aside and is not waited
// for. Then how long the reading still runs after the close.
void closeWhileReading(const QString& folder, SettingsStore& store, Dialogs& dialogs, TextFiles& files) {
    const SystemClock clock;
    QElapsedTimer closing;
    qint64 closeMs = 0;
    {
        ClassOverviewWindow window(store, dialogs, files, noStores, clock, nullptr, nullptr, nullptr);
        window.show();
        window.readFolder(folder);
        QApplication::processEvents();
        closing.start();
        window.reject();
    }
    closeMs = closing.elapsed();
    journalReadingPool().waitForDone();
    std::printf("closing while reading: %lld ms; the reading ended %lld ms after\n", closeMs,
                closing.elapsed() - closeMs);
}

// The folder's journals read on a pool of the machine's threads as the window reads them, then each
// summarised (over the period only, when it is not the whole history).
bench::Timing summariseFolder(const QString& folder, TextFiles& files, const Period& period) {
    return bench::timed([&] {
        QThreadPool pool;
        const QVector<FileEntry> entries = journalFiles(folder, files);
        const QList<PupilJournal> pupils = QtConcurrent::blockingMapped(
            &pool, entries, [&files](const FileEntry& entry) { return readPupilJournal(entry, files); });
        for (const PupilJournal& p : pupils)
            summarise(period.whole() ? p.journal : within(p.journal, period));
    });
}

// The floor: every file's bytes read on the same pool, nothing decoded.
bench::Timing readBytes(const QString& folder, TextFiles& files) {
    return bench::timed([&] {
        QThreadPool pool;
        const QVector<FileEntry> entries = journalFiles(folder, files);
        QtConcurrent::blockingMap(&pool, entries, [](const FileEntry& entry) {
            QFile file(entry.path);
            if (file.open(QIODevice::ReadOnly))
                file.readAll();
        });
    });
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QTemporaryDir dir;
    const QString model = dir.filePath(QStringLiteral("model.bin"));
    constexpr qint64 kJournalBytes = 2LL * 1024 * 1024;
    if (!bench::writeProtocol(model, kJournalBytes))
        return 0;
    IniSettingsStore store(dir.path());
    PrintingDialogs dialogs;
    LocalTextFiles files;
    std::printf("journals of %.1f MB each, %d threads\n", double(QFile(model).size()) / (1024.0 * 1024.0),
                QThreadPool::globalInstance()->maxThreadCount());
    for (int count : {1, 30, 300}) {
        const QString folder = dir.filePath(QStringLiteral("class%1").arg(count));
        QDir().mkpath(folder);
        for (int i = 0; i < count; ++i)
            QFile::copy(model, QDir(folder).filePath(QStringLiteral("zak%1.txt").arg(i, 3, 10, QChar(u'0'))));
        // The first opening, and a second one as the file cache then helps it.
        for (const char* which : {"first", "again"}) {
            const Figures f = openFolder(folder, store, dialogs, files);
            std::printf("%3d journals, %s: %5lld ms wall, %6.0f ms CPU, event loop waited at most %lld ms, "
                        "%d rows%s; another period %lld ms, another order %lld ms\n",
                        count, which, f.wallMs, f.cpuMs, f.longestGapMs, f.rows,
                        count == 30 ? " (target < 1000 ms wall)" : "", f.periodMs, f.orderMs);
        }
        if (count == 300)
            closeWhileReading(folder, store, dialogs, files);
        if (count > 1) {
            constexpr int kRounds = 3;
            const Period year{QDate(2004, 9, 1), QDate(2005, 6, 30)};
            std::vector<bench::Timing> floor, whole, part;
            for (int round = 0; round < kRounds; ++round) {
                floor.push_back(readBytes(folder, files));
                whole.push_back(summariseFolder(folder, files, Period{}));
                part.push_back(summariseFolder(folder, files, year));
            }
            const auto print = [&](const char* what, const std::vector<bench::Timing>& runs) {
                const bench::Timing t = bench::median(runs);
                std::printf("%3d journals, %-36s %5.0f ms wall, %6.0f ms CPU\n", count, what, t.wallMs,
                            t.cpuMs);
            };
            print("bytes read (the floor):", floor);
            print("parsed and summarised, whole history:", whole);
            print("parsed and summarised, 2004/05:", part);
        }
        QDir(folder).removeRecursively();
    }
    return 0;
}
