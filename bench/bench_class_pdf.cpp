// How long the class PDF of 300 and 3000 pupils (or the counts given) takes, written in the
// background as the class overview saves it, and how long the window's event loop waits meanwhile.
// Prints figures; never fails.
#include "bench_common.h"
#include "bench_protocol.h"
#include "reports/class_overview_pdf.h"
#include "reports/saving.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>

using namespace numio;

namespace {

// A school year of a class: 150 examinations a pupil, the table's texts as the window words them.
ClassReport classOf(int count) {
    ClassReport report;
    report.title = QStringLiteral("Přehled třídy, 4.A, 1.9.2025 – 26.6.2026");
    report.header = {{QStringLiteral("Třída (složka):"), QStringLiteral("4.A")},
                     {QStringLiteral("Období:"), QStringLiteral("1.9.2025 – 26.6.2026")},
                     {QStringLiteral("Datum tisku:"), QStringLiteral("27.6.2026")}};
    report.columns = {QStringLiteral("Žák"),
                      QStringLiteral("Zkoušení"),
                      QStringLiteral("Příkladů"),
                      QStringLiteral("Úspěšnost"),
                      QStringLiteral("Známka"),
                      QStringLiteral("Vývoj"),
                      QStringLiteral("Poslední zkoušení"),
                      QStringLiteral("Nejčastější chyby")};
    QVector<Examination> exams;
    for (int i = 0; i < 150; ++i) {
        const int wrong = (i * 7) % 5;
        exams.push_back({QDateTime(QDate(2025, 9, 1).addDays(qint64(i) * 2), QTime(17, 0)), 20, wrong,
                         1 + wrong / 2, 100 - wrong * 5});
    }
    for (int i = 0; i < count; ++i) {
        const QStringList row{QStringLiteral("Bohumila Křižovnická %1").arg(i + 1),
                              QStringLiteral("150"),
                              QStringLiteral("3 000"),
                              QStringLiteral("90 %"),
                              QStringLiteral("2"),
                              QStringLiteral("+2,5 p. b."),
                              QStringLiteral("26.6.2026"),
                              QStringLiteral("7 + 8 = 15, 6 · 7 = 42, 56 : 8 = 7, 13 − 5 = 8, 9 · 9 = 81")};
        report.rows << row;
        QVector<ClassReport::Line> lines;
        for (int c = 1; c < row.size(); ++c)
            lines.push_back({report.columns[c] + u':', row[c]});
        report.pupils.push_back({row[0], lines, exams});
    }
    report.missedColumns = {QStringLiteral("Příklad"), QStringLiteral("Počet chyb"), QStringLiteral("Žáků")};
    for (int i = 0; i < 20; ++i)
        report.missed << QStringList{QStringLiteral("%1 · 7 = %2").arg(i).arg(i * 7), QString::number(count),
                                     QString::number(count / 2)};
    return report;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QList<int> counts;
    for (int i = 1; i < argc; ++i)
        counts << QString::fromLocal8Bit(argv[i]).toInt();
    if (counts.isEmpty())
        counts = {300, 3000};
    bench::PrintingDialogs dialogs;
    QWidget window;
    window.show();
    QTemporaryDir dir;
    for (const int count : counts) {
        const ClassReport report = classOf(count);
        const QString path = dir.filePath(QStringLiteral("trida%1.pdf").arg(count));
        // A tick every 10 ms: how late each comes shows how the window answers meanwhile.
        qint64 longestGapMs = 0;
        QElapsedTimer sinceTick;
        QTimer ticker;
        ticker.setInterval(10);
        QObject::connect(&ticker, &QTimer::timeout,
                         [&] { longestGapMs = std::max(longestGapMs, sinceTick.restart()); });
        const long long cpu = bench::processCpuNs();
        QElapsedTimer wall;
        wall.start();
        sinceTick.start();
        ticker.start();
        QEventLoop loop;
        runWithProgress(
            dialogs, &window, QStringLiteral("Ukládám…"),
            [&](SaveProgress& progress) { writeClassPdf(report, path, &progress); },
            [&](const WorkOutcome&) { loop.quit(); });
        loop.exec();
        ticker.stop();
        std::printf("%5d pupils: %6lld ms wall, %6.0f ms CPU, event loop waited at most %lld ms, %.1f MB\n",
                    count, wall.elapsed(), double(bench::processCpuNs() - cpu) / 1e6, longestGapMs,
                    double(QFileInfo(path).size()) / (1024.0 * 1024.0));
    }
    return 0;
}
