#include "support/window_fixture.h"

#include "reports/class_map_window.h"
#include "reports/class_overview_window.h"
#include "reports/knowledge_map_window.h"
#include "reports/overview_window.h"
#include "reports/worksheet_dialog.h"
#include "ui/about_dialog.h"
#include "ui/help_window.h"
#include "ui/pupil_chooser.h"
#include "ui/pupils_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/viewer/protocol_viewer.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QGraphicsSimpleTextItem>
#include <QGraphicsView>
#include <QGroupBox>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QStyleOptionButton>
#include <QTabWidget>
#include <functional>

using namespace numio;
using namespace numio::test;

namespace {

// Every node a screen reader can reach from the window, hidden ones left out.
void visit(QAccessibleInterface* node, const std::function<void(QAccessibleInterface*)>& see, int depth = 0) {
    if (!node || depth > 30 || node->state().invisible)
        return;
    see(node);
    for (int i = 0; i < node->childCount(); ++i)
        visit(node->child(i), see, depth + 1);
}

// "name | description" of each node.
QStringList readable(QWidget* w) {
    QStringList out;
    visit(QAccessible::queryAccessibleInterface(w), [&](QAccessibleInterface* node) {
        out << node->text(QAccessible::Name) + " | " + node->text(QAccessible::Description);
    });
    return out;
}

// What a screen reader would meet without a name of its own: a control or a text with no name, or
// one that only borrows the title of the frame around it.
QStringList unnamed(QWidget* w) {
    QStringList out;
    visit(QAccessible::queryAccessibleInterface(w), [&](QAccessibleInterface* node) {
        const QString name = node->text(QAccessible::Name).trimmed();
        const auto role = node->role();
        const bool matters = node->state().focusable || role == QAccessible::StaticText ||
                             role == QAccessible::EditableText || role == QAccessible::Graphic;
        QString frame;
        for (QObject* o = node->object() ? node->object()->parent() : nullptr; o && frame.isEmpty();
             o = o->parent())
            if (auto* box = qobject_cast<QGroupBox*>(o))
                frame = box->title().trimmed();
        const auto* widget = qobject_cast<QWidget*>(node->object());
        const bool borrowed =
            widget && widget->accessibleName().isEmpty() && !frame.isEmpty() && name == frame;
        if (matters && (name.isEmpty() || borrowed))
            out << QStringLiteral("%1/%2 (role %3) \"%4\"")
                       .arg(widget ? widget->objectName() : QString(),
                            widget ? widget->metaObject()->className() : "")
                       .arg(int(role))
                       .arg(name);
    });
    return out;
}

bool has(const QStringList& nodes, const QString& name, const QString& description = {}) {
    for (const QString& n : nodes) {
        if (n.startsWith(name + " | ") && n.endsWith(description))
            return true;
    }
    return false;
}

// Whether its ancestors hide part of the widget; what a scroll area holds is whole by scrolling.
bool clipped(const QWidget* w, const QWidget& window) {
    const QRect r(w->mapTo(&window, QPoint()), w->size());
    for (const QWidget* p = w->parentWidget(); p != &window; p = p->parentWidget()) {
        if (qobject_cast<const QAbstractScrollArea*>(p->parentWidget()))
            return false;
        if (!QRect(p->mapTo(&window, QPoint()), p->size()).contains(r))
            return true;
    }
    return !window.rect().contains(r);
}

// The width a button would need for its text, from the room its style leaves for it.
int buttonNeeds(const QAbstractButton* b) {
    QStyleOptionButton o;
    o.initFrom(b);
    const auto contents =
        qobject_cast<const QCheckBox*>(b) ? QStyle::SE_CheckBoxContents : QStyle::SE_PushButtonContents;
    const auto* push = qobject_cast<const QPushButton*>(b);
    const int text =
        b->fontMetrics().horizontalAdvance(QString(b->text()).remove(QRegularExpression("&(?!&)")));
    return b->width() - b->style()->subElementRect(contents, &o, b).width() + text +
           (b->icon().isNull() ? 0 : b->iconSize().width() + 4) +
           (push && push->menu() ? b->style()->pixelMetric(QStyle::PM_MenuButtonIndicator, &o, b) : 0);
}

// How the window does not fit the screen's free room (less a title bar and borders), or which of
// its texts are not shown whole: narrower than the text, past the edge of what holds it, or a
// chart's text shortened to "…". NUMIO_FIT_SHOTS=<folder> keeps a picture of each window.
QStringList unfit(QWidget& window, const QString& what) {
    if (const QString shots = qEnvironmentVariable("NUMIO_FIT_SHOTS"); !shots.isEmpty())
        window.grab().save(shots + '/' + what + ".png");
    QStringList out;
    const QSize room = window.screen()->availableSize() - QSize(16, 48);
    if (window.width() > room.width() || window.height() > room.height())
        out << QString("larger than %1×%2").arg(room.width()).arg(room.height());
    for (QWidget* w : window.findChildren<QWidget*>()) {
        if (!w->isVisibleTo(&window) || w->isWindow())
            continue;
        QString text;
        int needs = 0;
        if (auto* l = qobject_cast<QLabel*>(w)) {
            text = l->text();
            needs = l->wordWrap() ? l->width() + (l->heightForWidth(l->width()) > l->height())
                                  : l->sizeHint().width();
        } else if (auto* b = qobject_cast<QAbstractButton*>(w)) {
            text = b->text(), needs = buttonNeeds(b);
        } else if (auto* v = qobject_cast<QGraphicsView*>(w); v && v->scene()) {
            for (QGraphicsItem* item : v->scene()->items()) {
                const auto* t = dynamic_cast<QGraphicsTextItem*>(item);
                const auto* s = dynamic_cast<QGraphicsSimpleTextItem*>(item);
                const QString shown = t ? t->toPlainText() : s ? s->text() : QString();
                if (item->isVisible() && (shown.contains(u'…') || shown.endsWith("...")))
                    out << w->objectName() + ": \"" + shown + "\" shortened";
            }
        }
        if (!text.isEmpty() && needs > w->width())
            out << w->objectName() + " \"" + text + "\" cut";
        if ((!text.isEmpty() || qobject_cast<QAbstractScrollArea*>(w)) && clipped(w, window))
            out << w->objectName() + " \"" + text + "\" past the edge";
    }
    return out;
}

// A window's own name, what a screen reader misses in it, and what does not fit.
QString faults(QWidget& window, const QString& what) {
    const QStringList found = unnamed(&window) + unfit(window, what);
    return found.isEmpty() ? QString() : what + ": " + found.join("; ");
}

} // namespace

class TestAccessibility : public QObject {
    Q_OBJECT
  private slots:
    // The problem, the answer box, the counts, the rate, the grade, the correction and the report
    // card are read out.
    void examinationIsReadable() {
        WindowFixture f;
        FrmMain& w = f.start("mnuPocitej");
        const PracticeState& s = f.state();
        QStringList nodes = readable(&w);
        QVERIFY2(has(nodes, lbl(w, "lbLeft")->text(), "Příklad"), qPrintable(nodes.join('\n')));
        // The problem is asked in the answer box's description, which follows each new problem.
        const QString asked =
            QStringLiteral("Kolik je %1 %2 %3? ")
                .arg(s.A)
                .arg(QStringList{"plus", "minus", "krát", "děleno"}[s.nRezim - 1], QString::number(s.B));
        QVERIFY2(has(nodes, "Odpověď", asked + "Napiš výsledek a potvrď klávesou Enter."),
                 qPrintable(nodes.join('\n')));
        const QString correction = lbl(w, "lbLeft")->text() + '=' + QString::number(s.C);
        f.enter(QString::number(s.C + 1));
        nodes = readable(&w);
        QVERIFY(has(nodes, correction, "Správné řešení") && has(nodes, "Chyba !!!"));
        f.pacer.runOut();
        for (int i = 0; i < 5; ++i)
            f.answerRight();
        nodes = readable(&w);
        for (const auto& [name, description] : {std::pair{"6", "Zkoušeno příkladů"},
                                                {"5", "Z toho správně"},
                                                {"1", "Z toho špatně"},
                                                {"83%", "Úspěšnost"},
                                                {"2", "Známka"},
                                                {"Ukončení zkoušení", ""}})
            QVERIFY2(has(nodes, name, description), name);
        f.command(act(w, "mnuStop"));
        nodes = readable(&w);
        QVERIFY(has(nodes, "V Y S V Ě D Č E N Í") && has(nodes, "2", "Známka na vysvědčení") &&
                has(nodes, "OK"));
    }

    // Every window: each control and each text has a name of its own, and shows whole on the screen
    // CTest gives it (tests/CMakeLists.txt: small screens, magnified ones).
    void everyWindowNamesItsControls() {
        WindowFixture f;
        f.protocolOn();
        FrmMain& w = f.start();
        QCOMPARE(faults(w, "main-idle"), QString());
        act(w, "mnuPocitej")->trigger();
        QCOMPARE(faults(w, "main-running"), QString());
        f.enter(QString::number(w.exam().record().C + 1)); // the correction shows
        QCOMPARE(faults(w, "main-correction"), QString());
        f.pacer.runOut();
        f.command(act(w, "mnuStop"));
        QCOMPARE(faults(w, "main-card"), QString());

        StoredSettings stored = w.exam().settings();
        SettingsDialog settings(stored, f.store, f.dialogs, &w);
        settings.show();
        for (int tab = 0; tab < settings.SSTab->count(); ++tab) {
            settings.SSTab->setCurrentIndex(tab);
            QCOMPARE(faults(settings, QString("settings-%1").arg(tab)), QString());
        }
        const QString longName = "Svatopluk Přemysl Dobrovický";
        AboutDialog about(&w);
        HelpWindow help(&w);
        ProtocolViewer viewer(f.files, f.protocolPath(), f.dialogs, &w, longName);
        OverviewWindow overview(parseJournal(f.files.readAll(f.protocolPath())), f.protocolPath(), f.store,
                                f.dialogs, std::nullopt, &w, longName);
        f.session->add(longName, w.exam().settings());
        f.session->add("Adam", w.exam().settings());
        PupilsDialog pupilsDialog(*f.session, w.exam().settings(), f.dialogs, &w);
        PupilChooser chooser(f.session->list().pupils(), "adam", f.dialogs, &w);
        StoredSettings rows = w.exam().settings();
        rows.chosenTablesOnly = true, rows.chosenTables = ChosenRows::parse("6,7,8");
        KnowledgeMapWindow map({{}, longName, rows, 3000, f.clock.now(), {}, nullptr}, f.store, f.dialogs,
                               &w);
        WorksheetDialog sheet(rows, longName + " – 8.12.2026", f.dialogs, nullptr, &w);
        for (QDialog* d : std::initializer_list<QDialog*>{&about, &help, &viewer, &overview, &pupilsDialog,
                                                          &chooser, &map, &sheet}) {
            d->show();
            QCOMPARE(faults(*d, d->objectName()), QString());
        }

        QTemporaryDir folder;
        QVERIFY(QFile::copy(f.protocolPath(), folder.filePath(longName + ".txt")));
        ClassOverviewWindow pupils(f.store, f.dialogs, f.files, f.stores, f.clock, nullptr, nullptr, &w,
                                   f.dataFolder);
        QSignalSpy loaded(&pupils, &ClassOverviewWindow::loaded);
        pupils.show();
        pupils.readFolder(folder.path());
        QCOMPARE(unfit(pupils, "class-reading").join("; "),
                 QString()); // the progress bar and Zrušit čtení shown
        QVERIFY(loaded.count() == 1 || loaded.wait(20000));
        QCOMPARE(unfit(pupils, "class").join("; "), QString());
        // A store that is a folder: the list of those not read is shown too.
        auto* classMap = new ClassMapWindow(
            {longName, {{longName, {f.dataFolder}}}, f.clock.now(), f.clock.now(), rows, &f.stores},
            f.dialogs, &w);
        QSignalSpy mapLoaded(classMap, &ClassMapWindow::loaded);
        classMap->show();
        QVERIFY(mapLoaded.count() == 1 || mapLoaded.wait(20000));
        QCOMPARE(faults(*classMap, classMap->objectName()), QString());
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
