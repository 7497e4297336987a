#include "ui/answers_place.h"

#include "core/settings.h"
#include "platform/failure.h"
#include "platform/text_files.h"

namespace numio {

namespace {

const QString kTitle = QStringLiteral("Odpovědi vedle protokolu");

Dialogs::Answer say(Dialogs& dialogs, const QString& text, Dialogs::Buttons buttons = Dialogs::Buttons::Ok) {
    return dialogs.message(text, kTitle, buttons,
                           buttons == Dialogs::Buttons::Ok ? Dialogs::Icon::Information
                                                           : Dialogs::Icon::Question,
                           buttons == Dialogs::Buttons::Ok      ? Dialogs::Answer::Ok
                           : buttons == Dialogs::Buttons::YesNo ? Dialogs::Answer::No
                                                                : Dialogs::Answer::Cancel);
}

// The setting switched back to where the answers stay, and stored, so that the next start looks for
// them there too. A journal chosen anew stays chosen: the answers left behind are only not moved.
void keepPlace(PupilSession& session, const StoredSettings& before, StoredSettings& next) {
    if (next.answersBeside == before.answersBeside)
        return;
    next.answersBeside = before.answersBeside;
    SaveSettings(next, session.settingsStore());
}

} // namespace

void followAnswersPlace(PupilSession& session, Dialogs& dialogs, const StoredSettings& before,
                        StoredSettings& next) {
    if (const std::optional<PupilSession::AnswersMove> move = session.answersMove(before, next)) {
        // Only the journal chosen anew: its answers follow when asked to, never unasked (the new file
        // may be another pupil's journal).
        if (next.answersBeside == before.answersBeside &&
            say(dialogs,
                QStringLiteral("Protokol se bude zapisovat do souboru %1.\n\nPřesunout k němu i zapamatované "
                               "odpovědi z %2? Ne: zůstanou, kde jsou, a vedle nového protokolu se začnou "
                               "ukládat nové.")
                    .arg(displayPath(next.ProtokolFile), displayPath(move->from)),
                Dialogs::Buttons::YesNo) != Dialogs::Answer::Yes)
            return;
        bool join = false;
        if (move->taken) {
            const Dialogs::Answer answer =
                say(dialogs,
                    QStringLiteral("V souboru %1 už jsou zapamatované odpovědi.\n\n"
                                   "Ano: přidat k nim odpovědi z %2.\n"
                                   "Ne: používat ty, které tam jsou; odpovědi z %2 zůstanou, kde jsou.\n"
                                   "Zrušit: odpovědi se budou ukládat tam, kam dosud.")
                        .arg(displayPath(move->to), displayPath(move->from)),
                    Dialogs::Buttons::YesNoCancel);
            if (answer == Dialogs::Answer::Cancel) {
                keepPlace(session, before, next);
                return;
            }
            join = answer == Dialogs::Answer::Yes;
        }
        if (!move->taken || join) {
            StoreMove moved = StoreMove::NothingThere;
            try {
                moved = session.moveAnswers(*move, join);
            } catch (const Failure&) {
                keepPlace(session, before, next);
                throw;
            }
            if (moved == StoreMove::NotClosed || moved == StoreMove::PlaceTaken) {
                keepPlace(session, before, next);
                say(dialogs,
                    QStringLiteral("Zapamatované odpovědi %1 nelze přesunout: %2 Zůstávají, kde jsou, "
                                   "a ukládají se tam dál.")
                        .arg(
                            displayPath(move->from),
                            moved == StoreMove::NotClosed
                                ? QStringLiteral("program, který je zapisoval, nebyl řádně ukončen "
                                                 "(vedle nich leží soubor -wal nebo -journal). Spusťte Numio "
                                                 "s tímto žákem jednou znovu a nastavení zopakujte.")
                                : QStringLiteral("na novém místě %1 mezitím vznikl jiný soubor.")
                                      .arg(displayPath(move->to))));
                return;
            }
        }
    }
    if (next.answersBeside && !before.answersBeside && !next.ProtokolFile.isEmpty())
        say(dialogs, QStringLiteral("Odpovědi se od teď ukládají vedle protokolu do souboru %1. Jiný počítač "
                                    "třídy, který má protokol žáka ve stejné složce, je tam najde také.")
                         .arg(displayPath(answerStoreBeside(next.ProtokolFile))));
}

} // namespace numio
