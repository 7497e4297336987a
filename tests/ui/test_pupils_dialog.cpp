#include "support/data.h"
#include "support/fakes.h"
#include "ui/pupil_chooser.h"
#include "ui/pupils_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace numio;
using namespace numio::test;

class TestPupilsDialog : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

  private slots:
    // The chooser by keys alone: the last pupil stands selected, Escape keeps him.
    void chooser_data() {
        columns<QString, QString>({"keys", "chosen"});
        row("Enter", "Enter", "b");
        row("Down, Enter", "Down Enter", "c");
        row("Up, Up, Enter stops at the top", "Up Up Enter", "a");
        row("Down, Escape", "Down Escape", "b");
    }
    void chooser() {
        const auto [keys, chosen] = fetch<QString, QString>("keys", "chosen");
        FakeDialogs dialogs;
        PupilChooser chooser({{"a", "Adam"}, {"b", "Bára"}, {"c", "Cyril"}}, "b", dialogs);
        chooser.show();
        QVERIFY(QTest::qWaitForWindowActive(&chooser));
        for (const QString& key : keys.split(' '))
            QTest::keyClick(chooser.focusWidget(), key == "Enter"    ? Qt::Key_Return
                                                   : key == "Escape" ? Qt::Key_Escape
                                                   : key == "Down"   ? Qt::Key_Down
                                                                     : Qt::Key_Up);
        QCOMPARE(chooser.chosenId(), chosen);
    }

    // Typing names and pressing Enter: what the dialog says, and the list it leaves.
    void dialogByKeys() {
        IniSettingsStore ini(dir_.path());
        PupilList list(ini);
        PracticeState current;
        current.ProtokolFile = "/tmp/old.txt";
        FakeDialogs dialogs;
        dialogs.answers = {Dialogs::Answer::Yes};
        PupilsDialog dialog(list, current, dialogs);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const auto type = [&](const QString& text) {
            dialog.nameEdit()->clear();
            QTest::keyClicks(dialog.nameEdit(), text);
            QTest::keyClick(dialog.nameEdit(), Qt::Key_Return);
            return dialog.message()->text();
        };
        QVERIFY(type("Jana").contains("Převzal dosavadní nastavení"));
        QVERIFY(type("JANA").startsWith("Žák „Jana“ už v seznamu je"));
        QVERIFY(type("Petr").contains("/Numio/Petr.txt"));
        QCOMPARE(dialog.pupilList()->count(), 2);
        QCOMPARE(dialog.message()->accessibleName(), dialog.message()->text());

        dialog.pupilList()->setCurrentRow(0);
        QTest::mouseClick(dialog.removeButton(), Qt::LeftButton);
        QVERIFY(dialogs.texts().value(0).contains("se nesmaže, zůstane v souboru /tmp/old.txt"));
        QCOMPARE(dialog.message()->text(),
                 "Žák Jana je odebrán. Jeho protokol zůstává v souboru /tmp/old.txt.");
        dialog.pupilList()->setFocus();
        QTest::keyClick(dialog.pupilList(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.pickedId(), "petr");
        QCOMPARE(PupilList(ini).chosen()->name, "Petr");
    }
};

QTEST_MAIN(TestPupilsDialog)
#include "test_pupils_dialog.moc"
