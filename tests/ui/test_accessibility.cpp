#include "support/window_fixture.h"

#include "reports/overview_window.h"
#include "ui/about_dialog.h"
#include "ui/help_window.h"
#include "ui/pupil_chooser.h"
#include "ui/pupils_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/viewer/protocol_viewer.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
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

    // Every window: each control and each text has a name of its own.
    void everyWindowNamesItsControls() {
        WindowFixture f;
        f.protocolOn();
        FrmMain& w = f.start();
        QVERIFY2(unnamed(&w).isEmpty(), qPrintable(unnamed(&w).join(", ")));
        act(w, "mnuPocitej")->trigger();
        QVERIFY2(unnamed(&w).isEmpty(), qPrintable(unnamed(&w).join(", ")));
        f.enter(QString::number(w.exam().record().C + 1)); // the correction shows
        QVERIFY2(unnamed(&w).isEmpty(), qPrintable(unnamed(&w).join(", ")));
        f.pacer.runOut();
        f.command(act(w, "mnuStop"));

        StoredSettings stored = w.exam().settings();
        SettingsDialog settings(stored, f.store, f.dialogs, &w);
        settings.show();
        for (int tab = 0; tab < settings.SSTab->count(); ++tab) {
            settings.SSTab->setCurrentIndex(tab);
            QVERIFY2(unnamed(&settings).isEmpty(), qPrintable(unnamed(&settings).join(", ")));
        }
        AboutDialog about(&w);
        HelpWindow help(&w);
        ProtocolViewer viewer(f.files, f.protocolPath(), f.dialogs, &w);
        OverviewWindow overview(parseJournal(f.files.readAll(f.protocolPath())), f.protocolPath(), f.store,
                                f.dialogs, std::nullopt, &w);
        f.session->add("Adam", w.exam().settings());
        PupilsDialog pupilsDialog(*f.session, w.exam().settings(), f.dialogs, &w);
        PupilChooser chooser(f.session->list().pupils(), "adam", f.dialogs, &w);
        for (QDialog* d :
             std::initializer_list<QDialog*>{&about, &help, &viewer, &overview, &pupilsDialog, &chooser}) {
            d->show();
            QVERIFY2(unnamed(d).isEmpty(), qPrintable(d->windowTitle() + ": " + unnamed(d).join(", ")));
        }
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
