#include "reports/parent_report.h"

#include "core/answer_store.h"
#include "core/generator.h"
#include "core/weak_draw.h"
#include "journal/journal_folder.h"
#include "platform/logging.h"
#include "reports/a4_pages.h"
#include "reports/czech_format.h"
#include "reports/knowledge_map.h"
#include "reports/knowledge_map_view.h"
#include "reports/saving.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace numio {

namespace {

// Closer than this in percentage points is the same to a parent.
constexpr double kSameWithin = 3;
// An operation with more facts asked than this shows its counts only: its tiles would be dots.
constexpr int kTilesAtMost = 400;

// The four states a parent is told of: too few tries is still learning, a refresh still known.
FactState parentState(FactState s) {
    switch (s) {
    case FactState::Refresh:
        return FactState::Known;
    case FactState::FewTries:
        return FactState::Learning;
    default:
        return s;
    }
}

struct Rate {
    int exams = 0;
    qint64 problems = 0;
    qint64 wrong = 0;
};

Rate rateWithin(const Journal& journal, const Period& period) {
    Rate r;
    for (const Examination& e : within(journal, period).exams) {
        if (!movesTrend(e))
            continue;
        ++r.exams;
        r.problems += e.problems;
        r.wrong += e.wrong;
    }
    return r;
}

// Facts the settings ask of each operation switched on, in the map's order; and of each other one the
// pupil has answered (a pupil of another computer practises by settings of his own).
struct AskedPage {
    QString title;
    QList<Fact> facts;
    int columns = 20; // the times tables a row each
};

QList<AskedPage> askedPages(const StoredSettings& settings, const Knowledge& knowledge) {
    QList<AskedPage> pages;
    for (const int op : kMapOperations) {
        const MapPage page = mapPage(op, settings);
        if (!operationEnabled(settings, op) &&
            std::none_of(knowledge.keyBegin(), knowledge.keyEnd(),
                         [&](const Fact& f) { return f.op == op && page.holds(f); }))
            continue;
        AskedPage asked{operationName(op), {}, page.grid() ? kMapColumns : 20};
        asked.title[0] = asked.title[0].toUpper();
        if (!page.grid())
            asked.title += QStringLiteral(" do %1").arg(page.largest);
        for (const Fact& f : page.facts)
            if (page.counts(f))
                asked.facts.push_back(f);
        if (!asked.facts.isEmpty())
            pages.push_back(std::move(asked));
    }
    return pages;
}

// "umí 47, učí se 10, neumí 5, ještě nezkoušeno 38 ze 100 příkladů"
QString countsText(const QList<Fact>& facts, const ParentReportPupil& p, qint64 now) {
    int counts[kFactStates] = {};
    for (const Fact& f : facts)
        ++counts[int(parentState(factState(p.knowledge->value(f), p.knownWithinMs, now)))];
    QStringList parts;
    for (const FactState s :
         {FactState::Known, FactState::Learning, FactState::NotKnown, FactState::NeverAsked})
        parts << stateWord(s) + u' ' + czechCount(counts[int(s)]);
    return parts.join(QStringLiteral(", ")) +
           QStringLiteral(" %1 %2 příkladů").arg(czechFrom(facts.size()), czechCount(facts.size()));
}

// Why the answers cannot tell what he knows; empty when they can.
QString cannotTell(const ParentReportPupil& p) {
    if (p.knowledge && !p.knowledge->isEmpty())
        return {};
    return p.noAnswers.isEmpty() ? QStringLiteral("zatím nemá žádné zapamatované odpovědi.") : p.noAnswers;
}

struct Fonts {
    QFont body, bold, heading, title, cell;
};

void drawLines(A4Pages& pages, const QVector<ReportLine>& lines, const Fonts& fonts) {
    const double labels = pages.labelWidth(lines, fonts.body) + 12;
    for (const ReportLine& line : lines) {
        pages.text(line.label, fonts.body);
        pages.y += pages.text(line.value, fonts.bold, labels) * 1.3;
    }
}

void heading(A4Pages& pages, const QString& text, const Fonts& fonts) {
    pages.y += 10;
    pages.y += pages.text(text, fonts.heading) + 4;
}

void drawPractice(A4Pages& pages, const ParentReport& r, const ParentReportPupil& p, const Fonts& fonts) {
    heading(pages, QStringLiteral("Jak procvičoval"), fonts);
    if (!p.noJournal.isEmpty()) {
        pages.y += pages.paragraph(p.noJournal, fonts.body, Qt::black);
        return;
    }
    const Journal shown = within(p.journal, r.period);
    QSet<QDate> days;
    int exams = 0;
    for (const Examination& e : shown.exams) {
        if (!e.counts())
            continue;
        ++exams;
        if (e.when.isValid())
            days.insert(e.when.date());
    }
    if (exams == 0) {
        pages.y += pages.paragraph(QStringLiteral("V tomto období žádné zkoušení neproběhlo."), fonts.body,
                                   Qt::black);
        return;
    }
    QVector<ReportLine> lines{{QStringLiteral("Dnů s procvičováním:"), czechCount(days.size())},
                              {QStringLiteral("Zkoušení:"), czechCount(exams)},
                              {QStringLiteral("Příkladů:"), czechCount(shown.totalProblems)}};
    if (const std::optional<Score> score = overallScore(shown)) {
        lines.push_back({QStringLiteral("Úspěšnost:"), shownRate(score->successRate)});
        lines.push_back({QStringLiteral("Známka:"), QString::number(score->grade)});
    }
    if (const QString trend = periodTrend(p.journal, r.period); !trend.isEmpty())
        lines.push_back({QStringLiteral("Ve srovnání:"), trend});
    drawLines(pages, lines, fonts);
}

// The legend of the four states, in a line.
void drawLegend(A4Pages& pages, const Fonts& fonts, double tile) {
    QPainter& painter = pages.painter();
    double x = 0;
    for (const FactState s :
         {FactState::Known, FactState::Learning, FactState::NotKnown, FactState::NeverAsked}) {
        paintFactCell(painter, QRectF(x, pages.y, tile, tile), QString(), s, fonts.cell);
        x += tile + 4;
        const QString word = stateWord(s);
        pages.text(QRectF(x, pages.y, pages.advance(fonts.body, word) + 2, tile), word, fonts.body);
        x += pages.advance(fonts.body, word) + tile;
    }
    pages.y += tile + 6;
}

void drawMap(A4Pages& pages, const ParentReport& r, const ParentReportPupil& p, const Fonts& fonts,
             double room) {
    heading(pages, QStringLiteral("Co umí"), fonts);
    if (const QString why = cannotTell(p); !why.isEmpty()) {
        pages.y +=
            pages.paragraph(QStringLiteral("Zatím nelze říci, co umí: %1").arg(why), fonts.body, Qt::black);
        return;
    }
    const qint64 now = r.now.toSecsSinceEpoch();
    const QList<AskedPage> asked = askedPages(r.settings, *p.knowledge);
    if (asked.isEmpty()) {
        pages.y +=
            pages.paragraph(QStringLiteral("Nastavení nezadává žádné příklady."), fonts.body, Qt::black);
        return;
    }
    // The tiles share what room there is; too little for a problem in a tile leaves its mark alone.
    const double lineHeight = pages.height(fonts.body) * 1.4;
    int tileRows = 0;
    for (const AskedPage& a : asked)
        if (a.facts.size() <= kTilesAtMost)
            tileRows += int((a.facts.size() + a.columns - 1) / a.columns);
    const double textual = double(asked.size()) * lineHeight * 2 + lineHeight * 1.5;
    const double tile = tileRows > 0 ? std::min(pages.width() / 20 * 0.55, (room - textual) / tileRows) : 0;
    const bool withText = tile >= QFontMetricsF(fonts.cell, pages.painter().device()).height() * 1.2;
    for (const AskedPage& a : asked) {
        pages.y += pages.text(a.title + u':', fonts.bold);
        if (a.facts.size() <= kTilesAtMost && tile > 0) {
            const double width = std::min(pages.width() / a.columns, tile * 3);
            for (qsizetype i = 0; i < a.facts.size(); ++i) {
                const Fact& f = a.facts[i];
                const FactState s = parentState(factState(p.knowledge->value(f), p.knownWithinMs, now));
                const qsizetype row = i / a.columns, column = i % a.columns;
                paintFactCell(pages.painter(),
                              QRectF(double(column) * width, pages.y + double(row) * tile, width, tile),
                              withText ? shownFact(f) : QString(), s, fonts.cell);
            }
            const qsizetype rows = (a.facts.size() + a.columns - 1) / a.columns; // whole rows
            pages.y += double(rows) * tile + 2;
        }
        QString counts = countsText(a.facts, p, now);
        counts[0] = counts[0].toUpper();
        pages.y += pages.paragraph(counts + u'.', fonts.body, Qt::black) + 2;
    }
    drawLegend(pages, fonts, pages.height(fonts.body) * 1.2);
}

void drawNext(A4Pages& pages, const ParentReport& r, const ParentReportPupil& p, const Fonts& fonts) {
    heading(pages, QStringLiteral("Co procvičit příště"), fonts);
    if (!cannotTell(p).isEmpty()) {
        pages.y += pages.paragraph(QStringLiteral("Ukáže se, až bude mít zapamatované odpovědi."), fonts.body,
                                   Qt::black);
        return;
    }
    const qint64 now = r.now.toSecsSinceEpoch();
    const QList<Fact> next = factsToPractise(*p.knowledge, r.settings, p.knownWithinMs, now);
    if (next.isEmpty()) {
        pages.y += pages.paragraph(QStringLiteral("Všechny zadané příklady umí."), fonts.body, Qt::black);
        return;
    }
    for (qsizetype i = 0; i < next.size(); ++i) {
        // A known fact among them wants a refresh: said so, not "umí".
        const FactState s = factState(p.knowledge->value(next[i]), p.knownWithinMs, now);
        const QString word =
            s == FactState::Refresh ? QStringLiteral("zopakovat") : stateWord(parentState(s));
        pages.text(QStringLiteral("%1.").arg(i + 1), fonts.body);
        pages.text(spokenFact(next[i]), fonts.bold, pages.width() * 0.04);
        pages.y += pages.text(QStringLiteral("– ") + word, fonts.body, pages.width() * 0.16) * 1.2;
    }
}

void drawPage(A4Pages& pages, const ParentReport& r, const ParentReportPupil& p) {
    Fonts fonts;
    // Each page from the same font: what the last one drew with stays set on the painter.
    fonts.body = pages.painter().font();
    fonts.body.setBold(false);
    // No ligatures: a name copied or read out of the PDF stays as it was written.
    fonts.body.setStyleStrategy(QFont::PreferNoShaping);
    fonts.body.setPointSizeF(10);
    fonts.bold = fonts.body;
    fonts.bold.setBold(true);
    fonts.heading = fonts.bold;
    fonts.heading.setPointSizeF(12);
    fonts.title = fonts.bold;
    fonts.title.setPointSizeF(18);
    fonts.cell = fonts.body;
    fonts.cell.setPointSizeF(7);

    pages.y +=
        pages.text(parentReportTitle(p.name), pages.fitting(fonts.title, parentReportTitle(p.name))) + 6;
    drawLines(pages,
              {{QStringLiteral("Období:"), r.periodText},
               {QStringLiteral("Datum tisku:"), czechDate(r.now.date())}},
              fonts);
    drawPractice(pages, r, p, fonts);
    // What follows the map keeps its room: five facts and the note's box.
    const double lineHeight = pages.height(fonts.body) * 1.4;
    const double noteLeast = pages.height(fonts.body) * 9;
    drawMap(pages, r, p, fonts, pages.room() - noteLeast - lineHeight * 6);
    drawNext(pages, r, p, fonts);

    heading(pages, QStringLiteral("Poznámka učitele"), fonts);
    const double box = std::max(noteLeast - lineHeight * 2, pages.room() - 4);
    QPainter& painter = pages.painter();
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(QRectF(0, pages.y, pages.width(), box));
    pages.y += box;
}

} // namespace

void readParentAnswers(ParentReportPupil& pupil, const ParentAnswers& answers) {
    pupil.knownWithinMs = answers.knownWithinMs;
    try {
        pupil.knowledge = answers.stores->read(answers.store, {answers.knownWithinMs, {}}, nullptr).facts;
    } catch (const Failure& f) {
        qCDebug(lcReports()) << "a parents' page without answers:" << f.messageText();
        pupil.noAnswers = QStringLiteral("odpovědi nelze přečíst.");
    }
}

QString parentReportTitle(const QString& pupil) {
    const QString what = QStringLiteral("Zpráva pro rodiče");
    return pupil.isEmpty() ? what : what + QStringLiteral(" – ") + pupil;
}

QString weekText(const Period& week) {
    return QStringLiteral("tento týden (%1 – %2)").arg(czechDate(week.from), czechDate(week.to));
}

QString periodTrend(const Journal& journal, const Period& period) {
    if (!period.from.isValid() || !period.to.isValid())
        return {};
    const qint64 length = period.from.daysTo(period.to) + 1;
    const Rate now = rateWithin(journal, period);
    const Rate before = rateWithin(journal, {period.from.addDays(-length), period.from.addDays(-1)});
    if (now.exams < kTrendLeastEachSide || before.exams < kTrendLeastEachSide || now.problems == 0 ||
        before.problems == 0)
        return {};
    const double change = 100.0 * double(before.wrong * now.problems - now.wrong * before.problems) /
                          double(now.problems * before.problems);
    const QString than = length == 7 ? QStringLiteral("minulý týden") : QStringLiteral("v předchozím období");
    if (std::abs(change) < kSameWithin)
        return QStringLiteral("stejně jako ") + than;
    return (change > 0 ? QStringLiteral("lépe než ") : QStringLiteral("hůře než ")) + than;
}

QList<Fact> factsToPractise(const Knowledge& knowledge, const StoredSettings& settings, int knownWithinMs,
                            qint64 now, int count) {
    struct Ranked {
        Fact fact;
        int weight;
        qint64 lastAt;
    };
    QList<Ranked> inWork;
    QList<Fact> never;
    for (const AskedPage& page : askedPages(settings, knowledge)) {
        for (const Fact& f : page.facts) {
            const FactHistory h = knowledge.value(f);
            const FactState s = factState(h, knownWithinMs, now);
            if (s == FactState::NeverAsked)
                never.push_back(f);
            else if (weakFactWeight(s) > 0)
                inWork.push_back({f, weakFactWeight(s), h.lastAt});
        }
    }
    std::stable_sort(inWork.begin(), inWork.end(), [](const Ranked& x, const Ranked& y) {
        return x.weight != y.weight ? x.weight > y.weight : x.lastAt < y.lastAt;
    });
    QList<Fact> next;
    for (const Ranked& r : inWork)
        if (next.size() < count)
            next.push_back(r.fact);
    for (const Fact& f : never)
        if (next.size() < count)
            next.push_back(f);
    return next;
}

void writeParentReportPdf(const ParentReport& report, const QString& path, SaveProgress* progress) {
    if (progress && progress->total() == 0)
        progress->setTotal(report.pupils.size());
    const QString title = report.pupils.size() == 1 ? parentReportTitle(report.pupils.front().name)
                                                    : QStringLiteral("Zprávy pro rodiče");
    writeA4Pdf(path, title, A4Layout{}, [&](A4Pages& pages) {
        for (qsizetype i = 0; i < report.pupils.size(); ++i) {
            if (i > 0)
                pages.newPage();
            drawPage(pages, report, report.pupils[i]);
            if (progress)
                progress->advance();
        }
    });
}

} // namespace numio
