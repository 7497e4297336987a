#include "answers/sqlite_answer_store.h"
#include "app/reports_loader.h"
#include "platform/settings_store.h"
#include "reports/knowledge_map_view.h"
#include "reports/knowledge_map_window.h"
#include "reports/reports_plugin.h"
#include "support/data.h"
#include "support/fakes.h"
#include "support/files.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace numio;
using namespace numio::test;

Q_DECLARE_METATYPE(numio::Fact)

// Monday 7 December 2026 at noon.
static const QDateTime kNow(QDate(2026, 12, 7), QTime(12, 0));

// Tries `daysAgo` days before now, one a minute: "r2000" right in 2 s, "w5000" wrong.
static QList<Try> tries(const QString& script, int daysAgo = 4) {
    QList<Try> list;
    for (const QString& t : script.split(u' ', Qt::SkipEmptyParts))
        list.push_back({kNow.addDays(-daysAgo).toSecsSinceEpoch() + 60 * list.size(),
                        t[0] == u'r' ? AnswerOutcome::Right : AnswerOutcome::Wrong, t.mid(1).toInt()});
    return list;
}

struct Map {
    QTemporaryDir dir;
    IniSettingsStore store{dir.path()};
    FakeDialogs dialogs;
    SqliteAnswerStores stores;
    KnowledgeMapInput input{{}, QStringLiteral("Jana Nováková"), {}, 3000, kNow, {}, &stores};
    QHash<Fact, QList<Try>> tried;
    std::unique_ptr<KnowledgeMapWindow> w;

    // The tries as the store would give them back, written in the order of their dates.
    Knowledge built() const {
        QList<std::pair<Fact, Try>> all;
        for (auto it = tried.cbegin(); it != tried.cend(); ++it)
            for (const Try& t : it.value())
                all.push_back({it.key(), t});
        std::stable_sort(all.begin(), all.end(),
                         [](const auto& x, const auto& y) { return x.second.at < y.second.at; });
        KnowledgeBuilder builder(mapQuery(kNow, input.knownWithinMs));
        for (const auto& [f, t] : all)
            builder.add(f, t);
        return builder.finish().facts;
    }
    KnowledgeMapWindow& open(int op = 3, int largest = 20) {
        if (input.storePath.isEmpty())
            input.knowledge = built();
        input.settings.nMaxValue = largest;
        input.settings.bPlus = op == 1, input.settings.bMinus = op == 2;
        input.settings.bKrat = op == 3, input.settings.bDeleno = op == 4;
        w = std::make_unique<KnowledgeMapWindow>(input, store, dialogs, nullptr);
        w->show();
        return *w;
    }
    QModelIndex find(const QString& shown) const {
        const QAbstractItemModel* m = w->map()->model();
        for (int r = 0; r < m->rowCount(); ++r)
            for (int c = 0; c < m->columnCount(); ++c)
                if (m->index(r, c).data() == shown)
                    return m->index(r, c);
        return {};
    }
};

class TestKnowledgeMap : public QObject {
    Q_OBJECT
    QList<QUrl> opened;

  public slots:
    void openUrl(const QUrl& url) { opened << url; }

  private slots:
    void initTestCase() { QDesktopServices::setUrlHandler("file", this, "openUrl"); }
    void cleanupTestCase() { QDesktopServices::unsetUrlHandler("file"); }

    // Each state in its colour and with its mark, and what the tooltip and a screen reader say of it.
    void cells_data() {
        columns<int, Fact, QString, QString, QString, QString>(
            {"op", "fact", "tries", "mark", "fill", "said"});
        row("never asked", 3, Fact{3, 7, 8}, QString(), QString(), QString("#f3f3f3"),
            QString("7 × 8: ještě nezkoušeno"));
        row("known after a slip", 3, Fact{3, 7, 8}, QString("w5000 r1800 r2000 r2100 r2100 r2600"),
            QString("✓"), QString("#1d4f91"),
            QString("7 × 8: umí; 6 pokusů, 5 správně, medián 2,1 s, naposledy 3. 12. 2026"));
        row("right but slow", 3, Fact{3, 7, 8}, QString("r2000 r3500 r2000"), QString("~"),
            QString("#a6cff0"),
            QString("7 × 8: učí se; 3 pokusy, 3 správně, medián 2,0 s, naposledy 3. 12. 2026"));
        row("last one wrong", 4, Fact{4, 56, 7}, QString("r1000 w4000"), QString("✗"), QString("#e8853a"),
            QString("56 : 7: neumí; 2 pokusy, 1 správně, medián 2,5 s, naposledy 3. 12. 2026"));
        row("one right", 4, Fact{4, 7, 7}, QString("r900"), QString("?"), QString("#ffffff"),
            QString("7 : 7: málo pokusů; 1 pokus, 1 správně, medián 0,9 s, naposledy 3. 12. 2026"));
        row("known, not practised for a month", 3, Fact{3, 7, 8}, QString("r1000 r1000 r1000 @30"),
            QString("↻"), QString("#dbe6f4"),
            QString("7 × 8: umí, ale přes 4 týdny nezkoušeno – zopakovat; 3 pokusy, 3 správně, medián 1,0 s, "
                    "naposledy 7. 11. 2026"));
    }
    void cells() {
        const auto [op, fact, script, mark, fill, said] =
            fetch<int, Fact, QString, QString, QString, QString>("op", "fact", "tries", "mark", "fill",
                                                                 "said");
        Map m;
        m.tried[fact] = tries(script.section(" @", 0, 0), script.contains('@') ? 30 : 4);
        QTableView* map = m.open(op).map();
        // Row of the table (the divisor), column of the factor (the quotient).
        const int row = (op == 3 ? fact.a : fact.b) - 1, column = (op == 3 ? fact.b : fact.a / fact.b) - 1;
        const QModelIndex cell = map->model()->index(row, column);
        QCOMPARE(cell.data().toString(), fact.text().replace('*', QString("·")));
        QCOMPARE(cell.data(KnowledgeMapModel::MarkRole).toString(), mark);
        QCOMPARE(cell.data(Qt::ToolTipRole).toString(), said);
        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(map);
        QCOMPARE(table->tableInterface()->cellAt(row, column)->text(QAccessible::Name), said);
        // The tile as painted, beside its text.
        const QRect r = map->visualRect(cell);
        QCOMPARE(map->viewport()->grab().toImage().pixelColor(r.left() + 7, r.center().y()).name(), fill);
    }

    // The known facts now against a week ago, in correct Czech, and the weeks behind it.
    void knownLine_data() {
        columns<int, int, QString, QString>({"op", "largest", "line", "weeks"});
        row("times tables", 3, 20, QString("Zná 13 ze 100 příkladů násobilky, za poslední týden +2"),
            QString("11, dnes: 13"));
        row("division", 4, 20, QString("Zná 0 ze 100 příkladů dělení, za poslední týden −1"),
            QString("1, dnes: 0"));
        row("sums to 20, one past it", 1, 20,
            QString("Zná 1 ze 190 příkladů sčítání do 20, za poslední týden +0"), QString("1, dnes: 1"));
        row("differences to 20", 2, 20, QString("Zná 0 ze 210 příkladů odčítání do 20, za poslední týden +0"),
            QString("0, dnes: 0"));
    }
    void knownLine() {
        const auto [op, largest, line, weeks] =
            fetch<int, int, QString, QString>("op", "largest", "line", "weeks");
        Map m;
        for (int b = 1; b <= 10; ++b) // known for a month
            m.tried[{3, 2, b}] = tries("r1000 r1000 r1000", 30);
        for (int b = 1; b <= 3; ++b) // learnt this week
            m.tried[{3, 5, b}] = tries("r1000 r1000 r1000", 2);
        for (const Fact& f : {Fact{1, 10, 10}, Fact{1, 10, 11}}) // on the largest sum and past it
            m.tried[f] = tries("r1000 r1000 r1000", 30);
        for (const Fact& f : {Fact{3, 9, 9}, Fact{4, 81, 9}}) { // known, then forgotten yesterday
            m.tried[f] = tries("r1000 r1000 r1000", 10);
            m.tried[f] += tries("w1000", 1);
        }
        KnowledgeMapWindow& w = m.open(op, largest);
        QCOMPARE(w.lblKnown()->text(), line);
        QCOMPARE(w.map()->accessibleDescription(), line);
        QVERIFY2(w.weekChart()->accessibleDescription().endsWith(": " + weeks), qPrintable(weeks));
    }

    // Read from the pupil's store aside: an impossible row cannot make the line disagree with the
    // tiles, and what was left out is told. tries: "R@-30" right in 1 s, 30 days ago; bad: impossible
    // rows among them.
    void fromTheStore_data() {
        columns<QString, int, QString, QString, QString>({"tries", "bad", "line", "tile", "status"});
        const QString line = "Zná 1 z 1 příkladu sčítání do 2, za poslední týden +1";
        row("impossible rows", "R@-2 R@-2 R@-2", 3, line,
            QString("1 + 1: umí; 3 pokusy, 3 správně, medián 1,0 s, naposledy 5. 12. 2026"),
            QString("Nezapočítané odpovědi s nemožným časem, datem nebo příkladem: 3."));
    }
    void fromTheStore() {
        const auto [script, bad, line, tile, status] =
            fetch<QString, int, QString, QString, QString>("tries", "bad", "line", "tile", "status");
        Map m;
        m.input.storePath = m.dir.filePath("jana.sqlite");
        {
            const auto store = SqliteAnswerStore::open(m.input.storePath).store;
            AnswerRecord r{0, {}, AnswerMode::Plain, Fact{1, 1, 1}, 2, "2", AnswerOutcome::Right, 1000};
            for (const QString& t : script.split(' '))
                r.at = kNow.addDays(t.mid(2).toInt()).toSecsSinceEpoch(), store->record(r);
        }
        static const char* const kBad[] = {"0, 1, 1, 1, 2, 0, 700", "1790000000, 1, 1, 1, 2, 0, -10",
                                           "1790000000, 30000, 1, 30000, -5536, 0, 700"};
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "hand");
            db.setDatabaseName(m.input.storePath);
            QVERIFY(db.open());
            for (int i = 0; i < bad; ++i)
                QVERIFY(QSqlQuery(db).exec(QString("INSERT INTO answer(at, a, op, b, expected, outcome, ms, "
                                                   "pupil, mode, typed) VALUES (%1, '', 1, '')")
                                               .arg(kBad[i % 3])));
        }
        QSqlDatabase::removeDatabase("hand");
        KnowledgeMapWindow& w = m.open(1, 2);
        QSignalSpy loaded(&w, &KnowledgeMapWindow::loaded);
        QCOMPARE(w.lblKnown()->text(), "Načítám…");
        QVERIFY(!w.pbPdf()->isEnabled());
        QVERIFY(loaded.wait(20000));
        QCOMPARE(w.lblKnown()->text(), line);
        QCOMPARE(m.find("1+1").data(Qt::ToolTipRole).toString(), tile);
        QCOMPARE(w.lblStatus()->text(), status);
        QVERIFY(w.pbPdf()->isEnabled());
    }

    // A file that is no store: told, and the map goes, having nothing to show.
    void unreadableStore() {
        Map m;
        m.input.storePath = m.dir.filePath("jana.sqlite");
        QVERIFY(writeFile(m.input.storePath, "Jana: 7*8=56\n"));
        KnowledgeMapWindow& w = m.open();
        QTRY_VERIFY_WITH_TIMEOUT(!w.isVisible(), 20000);
        QCOMPARE(m.dialogs.shown.size(), 1u);
        QVERIFY2(m.dialogs.shown[0].text.contains("co žák umí, nelze ukázat"),
                 qPrintable(m.dialogs.shown[0].text));
    }

    // The first page is the first operation switched on that asks anything, multiplication first;
    // on it what the settings ask, the rest folded, and the line counting what they ask.
    // settings: "+-*:" the operations, "w" crossing ten only, "n" never crossing, "r7" chosen rows,
    // "x5" the largest table. first: the first row's title or table.
    void firstPage_data() {
        columns<QString, QString, QString, QString, QString>({"settings", "shown", "first", "fold", "line"});
        row("crossing ten only", "+w", "Sčítání", "S přechodem přes desítku – 36 příkladů",
            "Ostatní příklady, které podle nastavení neprocvičuje – 154 příkladů",
            "Zná 1 ze 36 příkladů s přechodem přes desítku, za poslední týden +1; ze všech 190 příkladů "
            "sčítání do 20 zná 2");
        row("never crossing", "-n", "Odčítání", "Do deseti – 55 příkladů",
            "Ostatní příklady, které podle nastavení neprocvičuje – 36 příkladů",
            "Zná 0 ze 174 příkladů bez přechodu přes desítku, za poslední týden +0; ze všech 210 příkladů "
            "odčítání do 20 zná 0");
        // Both ways: 7·6 and 7·8 are asked too, under the fold.
        row("chosen rows", "*r68", "Násobení", "6",
            "Ostatní příklady – 80 příkladů, z nich podle nastavení procvičuje 16",
            "Zná 0 ze 36 příkladů násobilek 6, 8, za poslední týden +0; ze všech 100 příkladů násobilky zná "
            "1");
        row("the smaller tables", "*x5", "Násobení", "1",
            "Ostatní příklady, které podle nastavení neprocvičuje – 50 příkladů",
            "Zná 1 z 50 příkladů násobilky do 5, za poslední týden +0; ze všech 100 příkladů násobilky zná "
            "1");
        row("all the tables", "*:+x10", "Násobení", "1", "",
            "Zná 1 ze 100 příkladů násobilky, za poslední týden +0");
        row("no chosen row asks anything", "*+-r", "Sčítání", "Do deseti – 45 příkladů", "",
            "Zná 2 ze 190 příkladů sčítání do 20, za poslední týden +1");
    }
    void firstPage() {
        const auto [settings, shown, first, fold, line] =
            fetch<QString, QString, QString, QString, QString>("settings", "shown", "first", "fold", "line");
        Map m;
        m.tried[{3, 2, 2}] = tries("r1000 r1000 r1000", 30);
        m.tried[{1, 3, 4}] = tries("r1000 r1000 r1000", 30);
        m.tried[{1, 8, 5}] = tries("r1000 r1000 r1000", 2);
        m.input.knowledge = m.built();
        StoredSettings& s = m.input.settings;
        s.nMaxValue = 20, s.bPlus = settings.contains('+'), s.bMinus = settings.contains('-');
        s.bKrat = settings.contains('*'), s.bDeleno = settings.contains(':');
        s.crossingTen = settings.contains('w')   ? CrossingTen::With
                        : settings.contains('n') ? CrossingTen::Without
                                                 : CrossingTen::Any;
        s.chosenTablesOnly = settings.contains('r');
        for (const QChar c : settings.section('r', 1))
            s.chosenTables.set(c.digitValue());
        s.nMaxValueX = settings.section('x', 1).toInt();
        KnowledgeMapWindow w(m.input, m.store, m.dialogs, nullptr);
        w.show();
        QCOMPARE(w.operationBox()->currentText(), shown);
        QTableView* map = w.map();
        const QAbstractItemModel* model = map->model();
        const QString top = shown == "Násobení" ? model->headerData(0, Qt::Vertical).toString()
                                                : model->index(0, 0).data().toString();
        QCOMPARE(top, first);
        QCOMPARE(w.lblKnown()->text(), line);
        int foldRow = 0;
        while (foldRow < model->rowCount() &&
               !model->index(foldRow, 0).data(KnowledgeMapModel::FoldRole).toBool())
            ++foldRow;
        QCOMPARE(foldRow == model->rowCount(), fold.isEmpty());
        if (fold.isEmpty())
            return;
        QCOMPARE(model->index(foldRow, 0).data().toString(), "▸ " + fold);
        QVERIFY(map->isRowHidden(foldRow + 1) && map->isRowHidden(model->rowCount() - 1));
        // Reached by the arrows and opened by Space, as a screen reader is told.
        QTest::keyClick(map, Qt::Key_End);
        for (int i = 0; i < 20 && map->currentIndex().row() < foldRow; ++i)
            QTest::keyClick(map, Qt::Key_Down);
        QCOMPARE(map->currentIndex().row(), foldRow);
        QVERIFY(model->index(foldRow, 0)
                    .data(Qt::AccessibleTextRole)
                    .toString()
                    .endsWith("sbaleno, rozbalíte mezerníkem"));
        QTest::keyClick(map, Qt::Key_Space);
        QVERIFY(!map->isRowHidden(foldRow + 1) && !map->isRowHidden(model->rowCount() - 1));
        QCOMPARE(model->index(foldRow, 0).data().toString(), "▾ " + fold);
    }

    // The weeks begin with the pupil's first answer, however many tries came after it.
    void firstWeek_data() {
        columns<QList<int>, int>({"daysAgo", "weeks"});
        row("never answered", QList<int>{}, 1);
        row("three days ago", QList<int>{3}, 1);
        row("a week ago to the minute", QList<int>{7}, 2);
        row("forty days ago, many tries since", QList<int>{40, 3, 3, 3, 3, 3, 3, 3, 3}, 6);
        row("before all ten weeks", QList<int>{100}, 10);
    }
    void firstWeek() {
        const auto [daysAgo, weeks] = fetch<QList<int>, int>("daysAgo", "weeks");
        Map m;
        for (const int d : daysAgo)
            m.tried[{3, 7, 8}] += tries("r1000", d);
        QCOMPARE(m.open().weekChart()->accessibleDescription().split(", ").size(), weeks);
    }

    // Sums and differences in the groups school teaches them in, each in the first that takes it.
    void groups_data() {
        columns<int, QString, QString>({"op", "fact", "group"});
        row("3+4", 1, QString("3+4"), QString("Do deseti – 45 příkladů"));
        row("23+7", 1, QString("23+7"), QString("K celé desítce a od celé desítky"));
        row("12+5", 1, QString("12+5"), QString("Bez přechodu přes desítku"));
        row("8+5", 1, QString("8+5"), QString("S přechodem přes desítku"));
        row("9-5", 2, QString("9−5"), QString("Do deseti – 55 příkladů"));
        row("30-4", 2, QString("30−4"), QString("K celé desítce a od celé desítky"));
        row("27-7", 2, QString("27−7"), QString("K celé desítce a od celé desítky"));
        row("23-23", 2, QString("23−23"), QString("Bez přechodu přes desítku"));
        row("13-5", 2, QString("13−5"), QString("S přechodem přes desítku"));
    }
    void groups() {
        const auto [op, fact, group] = fetch<int, QString, QString>("op", "fact", "group");
        Map m;
        m.open(op, 30);
        const QModelIndex cell = m.find(fact);
        QVERIFY(cell.isValid());
        int r = cell.row();
        while (!cell.model()->index(r, 0).data(KnowledgeMapModel::TitleRole).toBool())
            --r;
        QVERIFY2(cell.model()->index(r, 0).data().toString().startsWith(group),
                 qPrintable(cell.model()->index(r, 0).data().toString()));
        QCOMPARE(m.w->map()->columnSpan(r, 0), kMapColumns);
    }

    // The arrows move from tile to tile, past the empty end of a group's last row; Escape closes.
    void keyboard_data() {
        columns<int, QList<int>, int, int>({"op", "keys", "row", "column"});
        row("right, down", 3, QList<int>{Qt::Key_Right, Qt::Key_Down}, 1, 1);
        row("not off the left edge", 3, QList<int>{Qt::Key_Down, Qt::Key_Left}, 1, 0);
        // 45 sums to ten: five rows, the last with five; then the next group's title.
        row("past a short row", 1,
            QList<int>{Qt::Key_End, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down, Qt::Key_Down}, 6, 0);
    }
    void keyboard() {
        const auto [op, keys, row, column] = fetch<int, QList<int>, int, int>("op", "keys", "row", "column");
        Map m;
        KnowledgeMapWindow& w = m.open(op);
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QCOMPARE(w.map()->accessibleName(), op == 3 ? "Mapa znalostí – násobení" : "Mapa znalostí – sčítání");
        for (const int key : keys)
            QTest::keyClick(w.map(), Qt::Key(key));
        QCOMPARE(QPair(w.map()->currentIndex().row(), w.map()->currentIndex().column()), QPair(row, column));
        QTest::keyClick(w.map(), Qt::Key_Escape);
        QVERIFY(!w.isVisible());
    }

    // From the map, a worksheet of the answers it has read: the fact not known comes, under the name
    // proposed for the pupil.
    void worksheetFromTheMap() {
        Map m;
        m.tried[{3, 7, 8}] = tries("w5000");
        m.input.settings.nMaxValueX = 10;
        m.dialogs.chosenFiles = {m.dir.filePath("list.pdf")};
        m.dialogs.answers = {Dialogs::Answer::No};
        QTimer::singleShot(
            0, [] { QApplication::activeModalWidget()->findChild<QPushButton*>("pbOK")->click(); });
        m.open().pbWorksheet()->click();
        QCOMPARE(m.dialogs.chooserCalls.back().value(2).section('/', -1),
                 "Pracovní list – Jana Nováková.pdf");
        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString sheet = pdfText(m.dir.filePath("list.pdf"), {"-raw"}).section('\f', 0, 0);
        QVERIFY2(sheet.contains(" 7 · 8 =") && !sheet.contains("nemá zapamatované"), qPrintable(sheet));
    }

    // As the program calls it: the plug-in shows the map modally; the PDF names the pupil and says
    // what the window says, and the next one is proposed in the same folder.
    void pdfThroughThePlugin() {
        Map m;
        const QString out = m.dir.filePath("out");
        QVERIFY(QDir().mkpath(out));
        m.input.settings.bKrat = true, m.input.settings.bDeleno = true, m.input.settings.bMinus = true;
        m.input.settings.nMaxValue = 20, m.input.settings.crossingTen = CrossingTen::With;
        m.tried[{3, 7, 8}] = tries("r1000 r1000 r1000");
        m.dialogs.chosenFiles = {out + "/mapa", {}};
        m.dialogs.answers = {Dialogs::Answer::Yes};
        QString title, status;
        QTimer::singleShot(0, [&] {
            QWidget& d = *QApplication::activeModalWidget();
            title = d.windowTitle();
            d.findChild<QPushButton*>("pbPdf")->click();
            status = d.findChild<QLabel*>("lblStav")->text();
            d.findChild<QPushButton*>("pbPdf")->click(); // and cancelled
            d.findChild<QPushButton*>("pbClose")->click();
        });
        m.input.knowledge = m.built();
        loadReports().showKnowledgeMap(m.input, m.store, m.dialogs, nullptr);
        const QString pdf = out + "/mapa.pdf";
        QCOMPARE(title, "Mapa znalostí – Jana Nováková");
        QCOMPARE(status, "Uloženo do souboru " + QDir::toNativeSeparators(pdf) + ".");
        QCOMPARE(opened, QList<QUrl>{QUrl::fromLocalFile(pdf)});
        QCOMPARE(m.dialogs.chooserCalls.front().value(2).section('/', -1),
                 "mapa-znalosti-jana-novakova-7.12.2026.pdf");
        QCOMPARE(QFileInfo(m.dialogs.chooserCalls.back().value(2)).path(), out);

        if (QStandardPaths::findExecutable("pdftotext").isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        const QString body = pdfText(pdf).simplified();
        // Every operation switched on, each with its line and chart; the rest after it.
        for (const char* s :
             {"Mapa znalostí – Jana Nováková", "Zná 1 ze 100 příkladů násobilky, za poslední týden +1", "7·8",
              "Zná 0 ze 100 příkladů dělení, za poslední týden +0",
              "Zná 0 ze 36 příkladů s přechodem přes desítku", "ze všech 210 příkladů odčítání do 20 zná 0",
              "Ostatní příklady, které podle nastavení neprocvičuje – 174", "Ještě nezkoušeno",
              "Umí, zopakovat"})
            QVERIFY2(body.contains(QString::fromUtf8(s)), s);
        QCOMPARE(body.count("Známé příklady po týdnech"), 3);
    }

    // "z" or "ze" as the number is read.
    void czechFrom_data() {
        columns<int, QString>({"n", "from"});
        for (const int n : {1, 5, 8, 10, 11, 15, 55, 80, 1000, 1500, 5050})
            row(qPrintable(QString::number(n)), n, QString("z"));
        for (const int n : {2, 3, 4, 6, 7, 12, 17, 20, 45, 70, 100, 190, 210, 4950})
            row(qPrintable(QString::number(n)), n, QString("ze"));
    }
    void czechFrom() {
        const auto [n, from] = fetch<int, QString>("n", "from");
        QCOMPARE(numio::czechFrom(n), from);
    }
};

QTEST_MAIN(TestKnowledgeMap)
#include "test_knowledge_map.moc"
