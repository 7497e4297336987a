#include "support/window_fixture.h"

#include <QAccessible>
#include <QApplication>
#include <QPushButton>

using namespace numio;
using namespace numio::test;

namespace {

// Everything a screen reader can reach from the window: "name | description" of each node.
void walk(QAccessibleInterface* node, QStringList& out, int depth = 0) {
    if (!node || depth > 30)
        return;
    if (!node->state().invisible)
        out << node->text(QAccessible::Name) + " | " + node->text(QAccessible::Description);
    for (int i = 0; i < node->childCount(); ++i)
        walk(node->child(i), out, depth + 1);
}

QStringList readable(QWidget* w) {
    QStringList out;
    walk(QAccessible::queryAccessibleInterface(w), out);
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
    // The problem, the answer box, the counts, the rate, the grade and the correction are read out.
    void examinationIsReadable() {
        WindowFixture f;
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        QStringList nodes = readable(&w);
        QVERIFY2(has(nodes, w.lbLeft->text(), "Příklad"), qPrintable(nodes.join('\n')));
        // The problem is asked in the answer box's description, which follows each new problem.
        const QString asked = QStringLiteral("Kolik je %1 %2 %3? ")
                                  .arg(w.state.A)
                                  .arg(QStringList{"plus", "minus", "krát", "děleno"}[w.state.nRezim - 1],
                                       QString::number(w.state.B));
        QVERIFY2(has(nodes, "Odpověď", asked + "Napiš výsledek a potvrď klávesou Enter."),
                 qPrintable(nodes.join('\n')));

        const QString correction = w.lbLeft->text() + '=' + QString::number(w.state.C);
        f.enter(QString::number(w.state.C + 1));
        const QStringList duringCorrection = readable(&w);
        f.pacer.runOut();
        QVERIFY(has(duringCorrection, correction, "Správné řešení"));
        QVERIFY(has(duringCorrection, "Chyba !!!"));

        f.answerRight();
        nodes = readable(&w);
        QVERIFY(has(nodes, "2", "Zkoušeno příkladů"));
        QVERIFY(has(nodes, "1", "Z toho správně"));
        QVERIFY(has(nodes, "1", "Z toho špatně"));
        QVERIFY(has(nodes, "50%", "Úspěšnost"));
        QVERIFY(has(nodes, "3", "Známka"));
        QVERIFY(has(nodes, "Ukončení zkoušení"));
    }

    void reportCardIsReadable() {
        WindowFixture f;
        FrmMain& w = f.start();
        w.mnuPocitej->trigger();
        for (int i = 0; i < 6; ++i)
            f.answerRight();
        f.command(w.mnuStop);
        const QStringList nodes = readable(&w);
        QVERIFY(has(nodes, "V Y S V Ě D Č E N Í"));
        QVERIFY(has(nodes, "1", "Známka na vysvědčení"));
        QVERIFY(has(nodes, "OK"));
    }
};

QTEST_MAIN(TestAccessibility)
#include "test_accessibility.moc"
