// The standard dialogs speak Czech, although Qt's Czech texts are loaded only when one is about
// to be built.
#include "ui/qt_doors.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLibraryInfo>
#include <QTest>

class TestQtDoors : public QObject {
    Q_OBJECT

  private slots:
    void fileChooserInCzech() {
        if (!QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_cs.qm"))
            QSKIP("Qt's Czech translation is not installed");
        numio::QtDialogs dialogs;
        QStringList labels;
        QTimer::singleShot(0, [&labels] {
            QWidget* chooser = QApplication::activeModalWidget();
            for (const QLabel* label : chooser->findChildren<QLabel*>())
                labels << label->text();
            chooser->close();
        });
        QCOMPARE(dialogs.chooseFile("Protokol", "Textové soubory (*.txt)", QDir::tempPath()), QString());
        QVERIFY2(labels.contains("Hledat v:"), qPrintable(labels.join(" | ")));
    }
};

QTEST_MAIN(TestQtDoors)
#include "test_qt_doors.moc"
