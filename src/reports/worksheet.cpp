#include "reports/worksheet.h"

#include "core/generator.h"
#include "core/weak_draw.h"
#include "reports/a4_pages.h"
#include "reports/saving.h"

#include <QHash>
#include <QPainter>

#include <algorithm>
#include <optional>

namespace numio {

namespace {

// Draws tried for a problem that differs from its neighbours before one is taken anyway: the rules
// may leave a single problem.
constexpr int kRedraws = 20;
// The page's resolution (writeA4Pdf) in units per millimetre.
constexpr double kPerMm = 96 / 25.4;
// A second-class pupil's digits need room: the box at least this high.
constexpr double kBoxMm = 10;
constexpr double kLargestRowMm = 18;
const QColor kBoxLine(0x70, 0x70, 0x70);

QString problemLine(const Fact& f) {
    static const QString signs[] = {QStringLiteral("+"), QStringLiteral("−"), QStringLiteral("·"),
                                    QStringLiteral(":")};
    return QStringLiteral("%1 %2 %3 =").arg(f.a).arg(signs[std::clamp(f.op, 1, 4) - 1]).arg(f.b);
}

bool anyTried(const StoredSettings& rules, const Knowledge& knowledge) {
    for (auto it = knowledge.cbegin(); it != knowledge.cend(); ++it)
        if (it->tries > 0 && problemAdmitted(rules, it.key().op, it.key().a, it.key().b, it.key().result()))
            return true;
    return false;
}

QFont font(double points, bool bold = false) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPointSizeF(points);
    f.setBold(bold);
    // No ligatures: "Žofie" copied or read out of the PDF stays "Žofie".
    f.setStyleStrategy(QFont::PreferNoShaping);
    return f;
}

// The title (after what the page is, on a key), whose sheet it is and the date.
void drawHead(A4Pages& a4, const Worksheet& sheet, const QString& what) {
    const QString title = what.isEmpty() ? sheet.title : what + sheet.title;
    a4.y += a4.text(title, a4.fitting(font(16, true), title));
    a4.y += 2 * kPerMm;
    const QFont plain = font(11);
    const QString name = sheet.pupil.isEmpty() ? QStringLiteral("Jméno: ______________________________")
                                               : QStringLiteral("Jméno: ") + sheet.pupil;
    a4.y += a4.text(name + QStringLiteral("      Datum: ") + sheet.date, plain);
    if (sheet.ordinary && what.isEmpty()) {
        a4.y += kPerMm;
        const QString why = sheet.unread
                                ? QStringLiteral("žákovy zapamatované odpovědi se nepodařilo přečíst")
                                : QStringLiteral("žák zatím nemá zapamatované odpovědi na takové příklady");
        a4.y += a4.paragraph(QStringLiteral("Příklady jsou vybrány náhodně podle nastavení: %1, podle "
                                            "kterých by se vybraly ty, které ještě neumí.")
                                 .arg(why),
                             font(8), Qt::black);
    }
    a4.y += 6 * kPerMm;
}

// The problems numbered column by column, each with a box to write in, or with its result.
void drawGrid(A4Pages& a4, const Worksheet& sheet, bool key) {
    const int count = int(sheet.problems.size());
    const int columns = worksheetColumns(count);
    const int rows = worksheetRows(count);
    const double pitch = std::min(a4.room() / std::max(rows, 1), kLargestRowMm * kPerMm);
    const double boxHeight = std::min(kBoxMm * kPerMm, pitch - kPerMm);
    const double columnWidth = a4.width() / columns;
    int digits = 1;
    for (const Fact& f : sheet.problems)
        digits = std::max(digits, int(QString::number(f.result()).size()));
    // Large numbers in three columns take a smaller font, so that a column stays clear of the next.
    QFont text;
    double numberWidth = 0, widest = 0, boxWidth = 0;
    for (double points = columns > 2 ? 13 : 15; points >= 8; --points) {
        text = font(points);
        numberWidth = a4.advance(text, QStringLiteral("00)  "));
        widest = 0;
        for (const Fact& f : sheet.problems)
            widest = std::max(widest, a4.advance(text, problemLine(f)));
        boxWidth = std::max(16 * kPerMm, a4.advance(text, QString(digits + 2, u'0')));
        if (numberWidth + widest + 4 * kPerMm + boxWidth <= columnWidth)
            break;
    }
    QPainter& painter = a4.painter();
    for (int i = 0; i < count; ++i) {
        const Fact& f = sheet.problems[i];
        const int column = i / rows, row = i % rows; // down each column, then the next
        const double x = column * columnWidth;
        const double y = a4.y + row * pitch;
        const QRectF line(x, y, numberWidth, boxHeight);
        a4.text(line, QStringLiteral("%1)").arg(i + 1), text, Qt::AlignLeft);
        if (key) {
            a4.text(QRectF(x + numberWidth, y, columnWidth - numberWidth, boxHeight),
                    problemLine(f) + u' ' + QString::number(f.result()), text);
            continue;
        }
        // The signs "=" under one another, the boxes in a line.
        a4.text(QRectF(x + numberWidth, y, widest, boxHeight), problemLine(f), text, Qt::AlignRight);
        painter.setPen(QPen(kBoxLine, 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(x + numberWidth + widest + 2 * kPerMm, y, boxWidth, boxHeight));
    }
}

} // namespace

int worksheetColumns(int count) {
    return count > 40 ? 3 : 2;
}

int worksheetRows(int count) {
    const int columns = worksheetColumns(count);
    return (count + columns - 1) / columns;
}

StoredSettings withOperations(const StoredSettings& rules, const QList<int>& operations) {
    StoredSettings s = rules;
    s.bPlus = s.bPlus && operations.contains(1);
    s.bMinus = s.bMinus && operations.contains(2);
    s.bKrat = s.bKrat && operations.contains(3);
    s.bDeleno = s.bDeleno && operations.contains(4);
    return s;
}

QVector<Fact> drawWorksheet(const StoredSettings& rules, const Knowledge& knowledge, int knownWithinMs,
                            qint64 now, int count, RandomSource& random, bool* ordinary) {
    const bool plain = !anyTried(rules, knowledge);
    if (ordinary)
        *ordinary = plain;
    std::optional<WeakFactsDraw> weak;
    PracticeState generated;
    if (plain)
        generated.stored() = rules;
    else
        weak.emplace(rules, knowledge, knownWithinMs, now);
    const auto drawOne = [&] {
        if (weak)
            return weak->next(random);
        VytvorPriklad(generated, random);
        return Fact{int(generated.nRezim), generated.A, generated.B};
    };
    const int rows = worksheetRows(count);
    // Nothing answers the problems on paper, so the weakest facts would come round again and again:
    // none more than a tenth of the sheet while others can come.
    const int most = std::max(2, count / 10);
    QHash<Fact, int> times;
    QVector<Fact> problems;
    problems.reserve(count);
    for (int i = 0; i < count; ++i) {
        const auto besideEqual = [&](const Fact& f) {
            return (i >= 1 && problems[i - 1] == f) || (i >= rows && problems[i - rows] == f);
        };
        Fact f = drawOne();
        for (int tries = 0; tries < kRedraws && (besideEqual(f) || times.value(f) >= most); ++tries)
            f = drawOne();
        for (int tries = 0; tries < kRedraws && besideEqual(f); ++tries)
            f = drawOne();
        ++times[f];
        problems.push_back(f);
    }
    return problems;
}

QString worksheetTitle(const QString& pupil, const QString& date) {
    return pupil.isEmpty() ? date : pupil + QStringLiteral(" – ") + date;
}

void writeWorksheetPdf(const QVector<Worksheet>& sheets, bool key, const QString& path,
                       SaveProgress* progress) {
    if (progress)
        progress->setTotal(sheets.size() * (key ? 2 : 1));
    const QString title = sheets.size() == 1 ? QStringLiteral("Pracovní list – ") + sheets.front().title
                                             : QStringLiteral("Pracovní listy");
    writeA4Pdf(path, title, A4Layout{}, [&](A4Pages& a4) {
        bool first = true;
        for (const bool keys : {false, true}) {
            if (keys && !key)
                break;
            for (const Worksheet& sheet : sheets) {
                if (progress)
                    progress->advance();
                if (!first)
                    a4.newPage();
                first = false;
                drawHead(a4, sheet, keys ? QStringLiteral("Řešení – ") : QString());
                drawGrid(a4, sheet, keys);
            }
        }
    });
}

} // namespace numio
