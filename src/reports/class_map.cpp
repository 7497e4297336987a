#include "reports/class_map.h"

#include "reports/czech_format.h"

#include <algorithm>

namespace numio {

QDateTime classMapEnd(QDate lastDay, const QDateTime& now) {
    if (!lastDay.isValid() || lastDay >= now.date())
        return now;
    return QDateTime(lastDay.addDays(1), QTime(0, 0));
}

KnowledgeQuery classMapQuery(const QDateTime& end, int knownWithinMs) {
    return {knownWithinMs, {end.addDays(-7).toSecsSinceEpoch(), end.toSecsSinceEpoch()}};
}

namespace {

// How a pupil stood with a fact at the end. The tries after a past end are in the history too: the
// reading's bit for the end says whether he knew it, the tries made by then how far he was.
FactState stateAt(const FactHistory& h, int knownWithinMs, qint64 end, bool past) {
    if (!past)
        return factState(h, knownWithinMs, end);
    if (h.knownWeeks & 2u)
        return FactState::Known;
    QList<Try> byEnd;
    for (const Try& t : h.recent)
        if (t.at <= end)
            byEnd.push_back(t);
    const FactState state = factState(byEnd, knownWithinMs, end);
    return state == FactState::NotKnown ? state : FactState::Learning;
}

} // namespace

ClassMapCounts countClass(const QList<ClassMapPupil>& pupils, const QList<MapPage>& pages,
                          const QDateTime& end, const QDateTime& now) {
    ClassMapCounts counts;
    const qint64 endSecs = end.toSecsSinceEpoch();
    const bool past = end < now;
    for (const ClassMapPupil& p : pupils) {
        // Only who had answered anything by the end counts: an empty store is no pupil with answers.
        if (std::any_of(p.knowledge.cbegin(), p.knowledge.cend(),
                        [&](const FactHistory& h) { return h.tries > 0 && h.firstAt <= endSecs; }))
            ++counts.pupils;
        for (auto it = p.knowledge.cbegin(); it != p.knowledge.cend(); ++it) {
            const FactHistory& h = it.value();
            if (h.tries == 0 || h.firstAt > endSecs ||
                std::none_of(pages.begin(), pages.end(),
                             [&](const MapPage& page) { return page.holds(it.key()); }))
                continue;
            ClassFact& c = counts.facts[it.key()];
            ++c.tried;
            const FactState state = stateAt(h, p.knownWithinMs, endSecs, past);
            if (knows(state)) {
                ++c.known;
                ++counts.knownAtEnd;
            } else if (state == FactState::NotKnown) {
                c.notKnown << p.name;
            } else {
                c.learning << p.name;
            }
            counts.knownWeekBefore += (h.knownWeeks & 1u) ? 1 : 0;
        }
    }
    // The weakest in the pages' order among equals: the times tables first.
    for (const MapPage& page : pages)
        for (const Fact& f : page.facts)
            if (counts.facts.contains(f))
                counts.weakest.push_back(f);
    std::stable_sort(counts.weakest.begin(), counts.weakest.end(), [&](const Fact& a, const Fact& b) {
        // Most pupils among those who tried it not knowing it, then the smallest share knowing it: a
        // fact only one pupil tried is not the class's weakest for that alone.
        const ClassFact &x = counts.facts[a], &y = counts.facts[b];
        if (x.tried - x.known != y.tried - y.known)
            return x.tried - x.known > y.tried - y.known;
        if (qint64(x.known) * y.tried != qint64(y.known) * x.tried)
            return qint64(x.known) * y.tried < qint64(y.known) * x.tried;
        return x.notKnown.size() > y.notKnown.size();
    });
    if (counts.weakest.size() > kClassWeakest)
        counts.weakest.resize(kClassWeakest);
    return counts;
}

QString classCellText(const ClassFact& f, int pupils) {
    if (f.tried == 0)
        return QStringLiteral("·");
    return QStringLiteral("%1 %2 %3").arg(f.known).arg(czechFrom(pupils)).arg(pupils);
}

FactState classCellLook(const ClassFact& f, int pupils) {
    if (f.tried == 0 || pupils == 0)
        return FactState::NeverAsked;
    if (f.known * 5 >= pupils * 4)
        return FactState::Known;
    return f.known * 2 >= pupils ? FactState::Learning : FactState::NotKnown;
}

QString classFactDescription(const Fact& f, const ClassFact& c, int pupils) {
    if (c.tried == 0)
        return QStringLiteral("%1: zatím nezkoušel nikdo z %2 žáků").arg(spokenFact(f)).arg(pupils);
    QString text = QStringLiteral("%1: umí %2").arg(spokenFact(f), classCellText(c, pupils));
    if (!c.notKnown.isEmpty())
        text += QStringLiteral("; neumí: ") + c.notKnown.join(QStringLiteral(", "));
    if (!c.learning.isEmpty())
        text += QStringLiteral("; učí se: ") + c.learning.join(QStringLiteral(", "));
    if (c.tried < pupils)
        text += QStringLiteral("; nezkoušeno: %1").arg(pupils - c.tried);
    return text;
}

QString weekChangeText(const ClassMapCounts& counts) {
    const int change = counts.knownAtEnd - counts.knownWeekBefore;
    return QStringLiteral("Žáci dohromady umí %1 (každý žák a příklad zvlášť), za týden %2.")
        .arg(czechCountOf(counts.knownAtEnd, QStringLiteral("příklad"), QStringLiteral("příklady"),
                          QStringLiteral("příkladů")),
             (change > 0 ? QStringLiteral("+") : QString()) + QString::number(change));
}

QString classMapLegend() {
    return QStringLiteral("Kolik žáků s odpověďmi příklad umí: ✓ aspoň 80 %, ~ 50 až 80 %, ✗ méně než 50 %, "
                          "· zatím nikdo nezkoušel.");
}

QString classMapTitle(const QString& className) {
    const QString what = QStringLiteral("Mapa třídy");
    return className.isEmpty() ? what : what + QStringLiteral(" – ") + className;
}

} // namespace numio
