#pragma once

// A real main window over real settings and protocol files in a temporary folder, with fakes
// only at the doors that would wait, ask a person or read the clock.

#include "answers/sqlite_answer_store.h"
#include "app/reports_loader.h"
#include "platform/settings_store.h"
#include "platform/text_files.h"
#include "support/controls.h"
#include "support/fakes.h"
#include "support/files.h"
#include "ui/digit_box.h"
#include "ui/main_window.h"
#include "ui/status_bar.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace numio::test {

struct WindowFixture {
    QTemporaryDir dir;
    // Where the answers are remembered; empty: nowhere.
    QString dataFolder = dir.filePath(QStringLiteral("data"));
    // A deleted protocol goes to a trash of the test's own, never the user's.
    const bool ownTrash = qputenv("XDG_DATA_HOME", QFile::encodeName(dir.path()));
    IniSettingsStore store{dir.path()};
    LocalTextFiles files;
    TextFiles* filesDoor = &files; // a test's own door to the files, if it has one
    SeededRandom random{42};
    FixedClock clock;
    FakeDialogs dialogs;
    SqliteAnswerStores stores;
    AnswerStores* storesDoor = &stores; // a test's own door to the stores, if it has one
    ManualPacer pacer;
    ManualTimer timer{&clock};
    std::unique_ptr<PupilSession> session; // outlives the window
    std::unique_ptr<FrmMain> w;
    int ended = 0;

    WindowFixture() = default;
    // Settings as "Limit=True TimeLimit=1"; "Audit" turns the protocol on.
    explicit WindowFixture(const QString& settings) {
        for (const QString& kv : settings.split(u' ', Qt::SkipEmptyParts))
            kv == u"Audit" ? protocolOn() : set("Settings/" + kv.section(u'=', 0, 0), kv.section(u'=', 1));
    }

    QString protocolPath() const { return dir.filePath(QStringLiteral("protokol.txt")); }

    // Settings as a hand would put them in the INI file, "Section/Key" = text.
    void set(const QString& key, const QString& value) {
        const int slash = key.indexOf(QLatin1Char('/'));
        store.write(QStringLiteral("Numio2"), key.left(slash), key.mid(slash + 1), value);
    }
    void protocolOn() {
        set(QStringLiteral("Audit/Active"), QStringLiteral("True"));
        set(QStringLiteral("Audit/File"), protocolPath());
    }

    FrmMain& start() {
        w.reset();
        session = std::make_unique<PupilSession>(store, *storesDoor, dataFolder);
        w = std::make_unique<FrmMain>(
            Doors{store, *filesDoor, random, clock, dialogs, pacer, timer, &loadReports}, *session);
        w->onEnd = [this] { ++ended; };
        w->Form_Load();
        w->show();
        return *w;
    }
    // Starts the program and then an examination by its menu item, e.g. "mnuPocitej".
    FrmMain& start(const char* item) {
        act(start(), item)->trigger();
        return *w;
    }
    const PracticeState& state() const { return w->exam().record(); }

    // Types an answer into the box and confirms it, as the pupil does.
    void enter(const QString& text) {
        QTest::keyClicks(box(*w), text);
        QTest::keyClick(box(*w), Qt::Key_Return);
    }
    // The same, then waits until a correction has run its course.
    void answer(const QString& text) {
        enter(text);
        pacer.runOut();
    }
    // Triggers a command and lets what it starts (a report card's slide) run to its end.
    void command(QAction* action) {
        action->trigger();
        pacer.runOut();
    }
    void answerRight() { answer(QString::number(state().C)); }
    void answerWrong() { answer(QString::number(state().C + 1)); }

    QByteArray protocolBytes() const { return fileBytes(protocolPath()); }
    QStringList protocolLines() const {
        QStringDecoder decode("windows-1250");
        QStringList lines = QString(decode(protocolBytes())).split(QStringLiteral("\r\n"));
        if (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        return lines;
    }
    QString status() const { return lbl(*w, "pnlStatus")->text(); }
};

} // namespace numio::test
