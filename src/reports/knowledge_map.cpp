#include "reports/knowledge_map.h"

#include "core/generator.h"
#include "reports/czech_format.h"

#include <QLocale>

#include <algorithm>
#include <array>

namespace numio {

namespace {

const std::array<const char*, 4> kGroupTitles = {"Do deseti", "K celé desítce a od celé desítky",
                                                 "Bez přechodu přes desítku", "S přechodem přes desítku"};

bool inTable(int n) {
    return n >= 1 && n <= 10;
}

// "+9", "−2", "+0"
QString signedChange(int change) {
    return (change < 0 ? QStringLiteral("−") : QStringLiteral("+")) + QString::number(std::abs(change));
}

// Whether a number read in the genitive begins with a word that takes "ze": dvou, tří, čtyř, šesti,
// sedmi (and their tens and teens).
bool takesZe(qint64 digit) {
    return digit == 2 || digit == 3 || digit == 4 || digit == 6 || digit == 7;
}

} // namespace

const Fact* MapPage::factAt(int row, int column) const {
    if (row < 0 || row >= rows.size() || column < 0)
        return nullptr;
    const MapRow& r = rows[row];
    return r.title.isEmpty() && column < r.count ? &facts[r.first + column] : nullptr;
}

bool MapPage::holds(const Fact& f) const {
    if (f.op != op)
        return false;
    switch (op) {
    case 1:
        return f.a >= 1 && f.b >= 1 && f.a + f.b <= largest;
    case 2:
        return f.b >= 1 && f.b <= f.a && f.a <= largest;
    case 3:
        return inTable(f.a) && inTable(f.b);
    default:
        return inTable(f.b) && f.a % f.b == 0 && inTable(f.a / f.b);
    }
}

int factGroup(const Fact& f) {
    const int c = f.result();
    if ((f.op == 1 ? c : f.a) <= 10)
        return 0;
    // 23+7; 30-4 and 27-7. Taking all of a number away (23-23) lands on no ten.
    if (f.op == 1 ? c % 10 == 0 : f.a % 10 == 0 || (c > 0 && c % 10 == 0))
        return 1;
    return crossesTen(f.op, f.a, f.b) ? 3 : 2;
}

bool MapPage::asks(const Fact& f) const {
    return problemAdmitted(settings, op, f.a, f.b, f.result());
}

namespace {

// A group of sums or a row of the grid, laid out together.
struct Block {
    QString title;
    int table = 0;
    QList<Fact> facts;
    int asked = 0;
};

QString examples(qsizetype n) {
    return czechCountOf(n, QStringLiteral("příklad"), QStringLiteral("příklady"), QStringLiteral("příkladů"));
}

void lay(MapPage& page, const Block& block) {
    if (!block.title.isEmpty())
        page.rows.push_back({block.title, page.facts.size(), 0, 0});
    for (qsizetype i = 0; i < block.facts.size(); i += kMapColumns)
        page.rows.push_back({QString(), page.facts.size() + i,
                             int(std::min<qsizetype>(kMapColumns, block.facts.size() - i)), block.table});
    page.facts += block.facts;
}

// "násobilek 6, 7, 8", "s přechodem přes desítku": what the settings ask of the page, for its line.
QString askedName(const MapPage& page) {
    const StoredSettings& s = page.settings;
    if (page.grid() && s.chosenTablesOnly) {
        const bool one = s.chosenTables.rows().size() == 1;
        const QString rows = s.chosenTables.text(u", ");
        return page.op == 3
                   ? (one ? QStringLiteral("násobilky ") : QStringLiteral("násobilek ")) + rows
                   : (one ? QStringLiteral("dělení v násobilce ") : QStringLiteral("dělení v násobilkách ")) +
                         rows;
    }
    if (page.op == 3)
        return QStringLiteral("násobilky do %1").arg(s.nMaxValueX);
    if (!page.grid() && s.crossingTen == CrossingTen::With)
        return QStringLiteral("s přechodem přes desítku");
    if (!page.grid() && s.crossingTen == CrossingTen::Without)
        return QStringLiteral("bez přechodu přes desítku");
    return operationName(page.op) + QStringLiteral(", které procvičuje");
}

} // namespace

MapPage mapPage(int op, const StoredSettings& settings) {
    MapPage page;
    page.op = op;
    page.settings = settings;
    page.largest = std::clamp<int>(settings.nMaxValue, 0, kLargestMapValue);
    QList<Block> blocks;
    if (page.grid()) {
        for (int row = 1; row <= 10; ++row) {
            Block& block = blocks.emplace_back();
            block.table = row;
            for (int column = 1; column <= kMapColumns; ++column)
                block.facts.push_back(op == 3 ? Fact{3, row, column} : Fact{4, row * column, row});
        }
    } else {
        std::array<QList<Fact>, kGroupTitles.size()> groups;
        for (int a = 1; a <= page.largest; ++a) {
            for (int b = 1; op == 1 ? a + b <= page.largest : b <= a; ++b) {
                const Fact f{op, a, b};
                groups[std::size_t(factGroup(f))].push_back(f);
            }
        }
        for (std::size_t g = 0; g < groups.size(); ++g) {
            if (groups[g].isEmpty())
                continue;
            blocks.push_back({QStringLiteral("%1 – %2").arg(QString::fromUtf8(kGroupTitles[g]),
                                                            examples(groups[g].size())),
                              0, groups[g], 0});
        }
    }
    // The blocks the settings ask the largest share of come first: the chosen rows, the group of
    // crossing ten. When every block is asked alike, nothing is folded.
    const auto more = [](const Block& x, const Block& y) {
        return qint64(x.asked) * y.facts.size() > qint64(y.asked) * x.facts.size();
    };
    const Block* most = nullptr;
    for (Block& block : blocks) {
        for (const Fact& f : block.facts)
            block.asked += problemAdmitted(settings, op, f.a, f.b, f.result()) ? 1 : 0;
        page.askedCount += block.asked;
        if (!most || more(block, *most))
            most = &block;
    }
    QList<Block> rest;
    for (const Block& block : blocks) {
        if (more(*most, block))
            rest.push_back(block);
        else
            lay(page, block);
    }
    if (!rest.isEmpty()) {
        qsizetype facts = 0;
        int asked = 0;
        for (const Block& block : rest)
            facts += block.facts.size(), asked += block.asked;
        page.foldRow = int(page.rows.size());
        page.rows.push_back(
            {asked == 0 ? QStringLiteral("Ostatní příklady, které podle nastavení neprocvičuje – %1")
                              .arg(examples(facts))
                        : QStringLiteral("Ostatní příklady – %1, z nich podle nastavení procvičuje %2")
                              .arg(examples(facts), czechCount(asked)),
             page.facts.size(), 0, 0});
        for (const Block& block : rest)
            lay(page, block);
    }
    if (page.partial())
        page.askedName = askedName(page);
    return page;
}

KnowledgeQuery mapQuery(const QDateTime& now, int knownWithinMs, int weeks) {
    KnowledgeQuery query{knownWithinMs, {}};
    for (int w = weeks - 1; w >= 1; --w)
        query.weekEnds.push_back(now.addDays(-7LL * w).toSecsSinceEpoch());
    return query;
}

QList<WeekCount> knownByWeek(const MapPage& page, const Knowledge& knowledge, int knownWithinMs,
                             const QDateTime& now, int weeks) {
    QList<WeekCount> counts;
    for (int w = weeks - 1; w >= 0; --w)
        counts.push_back({now.addDays(-7LL * w).date(), 0, 0});
    qint64 first = 0;
    for (auto it = knowledge.cbegin(); it != knowledge.cend(); ++it) {
        const FactHistory& h = it.value();
        if (h.tries > 0 && (first == 0 || h.firstAt < first))
            first = h.firstAt;
        if (!page.holds(it.key()))
            continue;
        const int counted = page.counts(it.key()) ? 1 : 0;
        const auto count = [&](WeekCount& week, bool known) {
            week.known += known ? counted : 0;
            week.all += known ? 1 : 0;
        };
        for (qsizetype w = 0; w + 1 < counts.size(); ++w)
            count(counts[w], (h.knownWeeks >> w) & 1u);
        // Now is what the tiles show, whatever the dates of the tries say.
        if (!counts.isEmpty())
            count(counts.last(), knows(factState(h, knownWithinMs, now.toSecsSinceEpoch())));
    }
    // No weeks before the pupil began: the week of his first answer is the first shown.
    qsizetype begun = 0;
    while (begun + 1 < counts.size() &&
           (first == 0 || now.addDays(-7LL * (weeks - 1 - begun)).toSecsSinceEpoch() < first))
        ++begun;
    return counts.mid(begun);
}

QString ignoredText(int ignored) {
    if (ignored <= 0)
        return {};
    return QStringLiteral("Nezapočítané odpovědi s nemožným časem, datem nebo příkladem: %1.")
        .arg(czechCount(ignored));
}

QString knownLine(const MapPage& page, const QList<WeekCount>& weeks) {
    const WeekCount now = weeks.isEmpty() ? WeekCount{} : weeks.last();
    const int weekAgo = weeks.size() > 1 ? weeks[weeks.size() - 2].known : 0;
    QString what;
    switch (page.op) {
    case 3:
        what = QStringLiteral("násobilky");
        break;
    case 4:
        what = QStringLiteral("dělení");
        break;
    default:
        what = QStringLiteral("%1 do %2").arg(operationName(page.op)).arg(page.largest);
    }
    const qsizetype all = page.facts.size();
    const qsizetype counted = page.partial() ? page.askedCount : all;
    // "z 1 příkladu", "ze 100 příkladů": the genitive after "z".
    QString line = QStringLiteral("Zná %1 %2 %3 %4 %5, za poslední týden %6")
                       .arg(czechCount(now.known), czechFrom(counted), czechCount(counted),
                            counted == 1 ? QStringLiteral("příkladu") : QStringLiteral("příkladů"),
                            page.partial() ? page.askedName : what, signedChange(now.known - weekAgo));
    if (page.partial())
        line += QStringLiteral("; ze všech %1 příkladů %2 zná %3")
                    .arg(czechCount(all), what, czechCount(now.all));
    return line;
}

QString shownFact(const Fact& f) {
    static const QString signs[] = {QStringLiteral("+"), QStringLiteral("−"), QStringLiteral("·"),
                                    QStringLiteral(":")};
    return QString::number(f.a) + signs[std::clamp(f.op, 1, 4) - 1] + QString::number(f.b);
}

QString spokenFact(const Fact& f) {
    static const QString signs[] = {QStringLiteral(" + "), QStringLiteral(" − "), QStringLiteral(" × "),
                                    QStringLiteral(" : ")};
    return QString::number(f.a) + signs[std::clamp(f.op, 1, 4) - 1] + QString::number(f.b);
}

QString stateWord(FactState state) {
    switch (state) {
    case FactState::Known:
        return QStringLiteral("umí");
    case FactState::Learning:
        return QStringLiteral("učí se");
    case FactState::NotKnown:
        return QStringLiteral("neumí");
    case FactState::FewTries:
        return QStringLiteral("málo pokusů");
    case FactState::Refresh:
        return QStringLiteral("umí, ale přes %1 týdny nezkoušeno – zopakovat").arg(kRefreshAfterDays / 7);
    case FactState::NeverAsked:
        break;
    }
    return QStringLiteral("ještě nezkoušeno");
}

QString factDescription(const Fact& f, const FactSummary& s) {
    if (s.tries == 0)
        return spokenFact(f) + QStringLiteral(": ") + stateWord(FactState::NeverAsked);
    const QDate last = QDateTime::fromSecsSinceEpoch(s.lastAt).date();
    return QStringLiteral("%1: %2; %3, %4 správně, medián %5 s, naposledy %6")
        .arg(spokenFact(f), stateWord(s.state),
             czechCountOf(s.tries, QStringLiteral("pokus"), QStringLiteral("pokusy"),
                          QStringLiteral("pokusů")),
             QString::number(s.rights), czechDecimal(s.medianMs / 1000.0),
             QStringLiteral("%1. %2. %3").arg(last.day()).arg(last.month()).arg(last.year()));
}

QString czechFrom(qint64 n) {
    // Thousands are read first: "dvou tisíc", "tisíce", "sta tisíc".
    while (n >= 1000) {
        if (n < 2000)
            return QStringLiteral("z");
        n /= 1000;
    }
    bool ze;
    if (n >= 100)
        ze = n < 200 || takesZe(n / 100); // sta, dvou set, šesti set
    else if (n >= 20)
        ze = takesZe(n / 10); // dvaceti, šedesáti, sedmdesáti
    else if (n >= 10)
        ze = takesZe(n - 10); // dvanácti, třinácti, sedmnácti; deseti and jedenácti not
    else
        ze = takesZe(n); // nuly, jednoho and pěti not
    return ze ? QStringLiteral("ze") : QStringLiteral("z");
}

} // namespace numio
