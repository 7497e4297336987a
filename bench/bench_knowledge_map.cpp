// How long the knowledge map takes to open on ten weeks of a pupil's tries: the times tables, and
// sums and differences to 100 (about 5000 tiles each), switching between them, and their PDFs.
// Prints figures; never fails. With --show it only shows the map, for the screenshots.
#include "answers/sqlite_answer_store.h"
#include "bench_protocol.h"
#include "platform/settings_store.h"
#include "reports/knowledge_map_pdf.h"
#include "reports/knowledge_map_window.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <random>

using namespace numio;

namespace {

// Ten weeks of practice, a few times a week: the easy rows and small sums are known early, the
// hard ones are still on the way, and a few were never asked.
using Tries = QHash<Fact, QList<Try>>;

Tries tenWeeks(const QDateTime& now, int largest) {
    std::mt19937 random(7);
    std::uniform_real_distribution<double> unit(0, 1);
    Tries knowledge;
    const auto practise = [&](const Fact& f, double ease) {
        QList<Try> tries;
        for (int day = 70; day >= 1; --day) {
            // The hard ones only came up in the last weeks; some not yet at all.
            if (day > 90 * ease - 20 || unit(random) > 0.04 + 0.08 * ease)
                continue;
            const double skill = std::clamp(ease * 0.7 + (70 - day) / 70.0 * 0.6 - 0.15, 0.05, 0.97);
            const bool right = unit(random) < skill;
            const int ms = int(1200 + (1 - skill) * 4500 * unit(random));
            tries.push_back({now.addDays(-day).addSecs(-3600LL * 5 + 60LL * tries.size()).toSecsSinceEpoch(),
                             right ? AnswerOutcome::Right : AnswerOutcome::Wrong, ms});
        }
        if (!tries.isEmpty())
            knowledge[f] = tries;
    };
    static const double rowEase[] = {1.0, 0.95, 0.75, 0.7, 0.95, 0.55, 0.45, 0.5, 0.35, 1.0};
    for (int a = 1; a <= 10; ++a) {
        for (int b = 1; b <= 10; ++b) {
            const double ease = (rowEase[a - 1] + rowEase[b - 1]) / 2;
            practise({3, a, b}, ease);
            practise({4, a * b, b}, ease * 0.8);
        }
    }
    for (int a = 1; a <= largest; ++a) {
        for (int b = 1; b <= largest; ++b) {
            const double ease = 1.0 - double(std::max(a, b)) / largest;
            if (a + b <= largest)
                practise({1, a, b}, ease);
            if (b <= a)
                practise({2, a, b}, ease * 0.9);
        }
    }
    return knowledge;
}

// As the store gives them back: read in the order of their dates.
Knowledge built(const Tries& tries, const KnowledgeQuery& query) {
    QList<std::pair<Fact, Try>> all;
    for (auto it = tries.cbegin(); it != tries.cend(); ++it)
        for (const Try& t : it.value())
            all.push_back({it.key(), t});
    std::stable_sort(all.begin(), all.end(),
                     [](const auto& x, const auto& y) { return x.second.at < y.second.at; });
    KnowledgeBuilder builder(query);
    for (const auto& [f, t] : all)
        builder.add(f, t);
    return builder.finish().facts;
}

qint64 timed(const std::function<void()>& work) {
    QElapsedTimer t;
    t.start();
    work();
    return t.elapsed();
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    QTemporaryDir dir;
    IniSettingsStore store(dir.path());
    bench::PrintingDialogs dialogs;
    KnowledgeMapInput input;
    input.pupil = QStringLiteral("Jana Nováková");
    input.now = QDateTime(QDate(2026, 12, 7), QTime(18, 0));
    input.settings.nMaxValue = 100;
    input.settings.bPlus = input.settings.bMinus = true;
    const Tries tries = tenWeeks(input.now, input.settings.nMaxValue);
    input.knowledge = built(tries, mapQuery(input.now, input.knownWithinMs));

    if (args.contains(QStringLiteral("--show"))) {
        input.settings.nMaxValue = 20;
        input.settings.nMaxValueX = 10;
        input.settings.bKrat = true;
        // --crossing: sums to 20 crossing ten only; --rows: the rows 6, 7 and 8.
        if (args.contains(QStringLiteral("--crossing")))
            input.settings.bKrat = input.settings.bMinus = false,
            input.settings.crossingTen = CrossingTen::With;
        if (args.contains(QStringLiteral("--rows"))) {
            input.settings.chosenTablesOnly = true;
            for (const int row : {6, 7, 8})
                input.settings.chosenTables.set(row);
        }
        KnowledgeMapWindow window(input, store, dialogs, nullptr);
        return window.exec();
    }

    std::printf("knowledge map, %lld facts tried\n", qlonglong(input.knowledge.size()));
    std::unique_ptr<KnowledgeMapWindow> window;
    const qint64 open = timed([&] {
        window = std::make_unique<KnowledgeMapWindow>(input, store, dialogs, nullptr);
        window->show();
        QApplication::processEvents();
    });
    std::printf("  open on sums to 100 (%d rows) and draw: %lld ms\n", window->map()->model()->rowCount(),
                open);
    for (const int op : {2, 3, 1}) {
        const qint64 ms = timed([&] {
            window->operationBox()->setCurrentIndex(window->operationBox()->findData(op));
            window->map()->viewport()->grab();
        });
        std::printf("  switch to %s and draw: %lld ms\n", qPrintable(window->operationBox()->currentText()),
                    ms);
    }
    {
        // As the menu opens it: the pupil's answers read from his store, then the map drawn.
        constexpr int kStored = 100000;
        const QString path = dir.filePath(QStringLiteral("pupil.sqlite"));
        {
            const auto answers = SqliteAnswerStore::open(path).store;
            int stored = 0;
            while (stored < kStored) {
                for (auto it = tries.cbegin(); it != tries.cend() && stored < kStored; ++it) {
                    for (const Try& t : it.value()) {
                        answers->record({t.at, input.pupil, AnswerMode::Plain, it.key(), it.key().result(),
                                         QString::number(it.key().result()), t.outcome, t.ms});
                        if (++stored == kStored)
                            break;
                    }
                }
            }
        }
        const auto answers = SqliteAnswerStore::open(path).store;
        window.reset();
        const qint64 ms = timed([&] {
            KnowledgeMapInput fromStore = input;
            fromStore.knowledge = answers->knowledge(mapQuery(input.now, input.knownWithinMs)).facts;
            window = std::make_unique<KnowledgeMapWindow>(fromStore, store, dialogs, nullptr);
            window->show();
            QApplication::processEvents();
        });
        std::printf("  from a store of %d answers, read and drawn: %lld ms (target: under 200 ms)\n", kStored,
                    ms);
    }
    for (const int op : {3, 1}) {
        const MapPage page = mapPage(op, input.settings);
        const QList<WeekCount> weeks = knownByWeek(page, input.knowledge, input.knownWithinMs, input.now);
        const KnowledgeMapReport report{input.pupil,
                                        input.now.date(),
                                        input.now.toSecsSinceEpoch(),
                                        input.knowledge,
                                        input.knownWithinMs,
                                        {{QString::number(op), page, knownLine(page, weeks), weeks}}};
        const qint64 ms = timed([&] { writeKnowledgeMapPdf(report, dir.filePath(QStringLiteral("m.pdf"))); });
        std::printf("  PDF of %lld tiles: %lld ms\n", qlonglong(page.facts.size()), ms);
    }
    return 0;
}
