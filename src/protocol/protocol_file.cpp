#include "protocol/protocol_file.h"

#include "platform/failure.h"

namespace numio {

namespace {

TextFiles& fileSystem(PracticeState& s) {
    if (!s.fso) {
        static LocalTextFiles local; // created on first use, lives for the run
        s.fso = &local;
    }
    return *s.fso;
}

void closeStream(PracticeState& s) {
    if (const std::unique_ptr<AppendStream> stream = std::move(s.tsProtokol))
        stream->close();
}

} // namespace

void OpenProtokol(PracticeState& s) {
    if (!s.bProtokol)
        return;
    TextFiles& fso = fileSystem(s);
    if (s.bProtokolOpen && s.tsProtokol && s.tsProtokol->refersTo(s.ProtokolFile)) {
        // Already open on this very file: closing and reopening would only give a second copy
        // of the program the moment to take the lock from us.
        s.fileProtokol = fso.lookUp(s.ProtokolFile);
        return;
    }
    if (s.bProtokolOpen) {
        // Closed first: the lock is per open file, so reopening the same path would refuse us.
        s.bProtokolOpen = false;
        closeStream(s);
    }
    // Nothing is kept unless both steps succeed, so a half-opened file never holds the lock.
    std::unique_ptr<AppendStream> stream = fso.openForAppending(s.ProtokolFile);
    FileEntry entry = fso.lookUp(s.ProtokolFile);
    s.tsProtokol = std::move(stream);
    s.fileProtokol = std::move(entry);
    s.bProtokolOpen = true;
}

bool DeleteProtokol(PracticeState& s, Dialogs& dialogs) {
    if (dialogs.message(QStringLiteral("Skutečně si přejete smazat soubor protokolu ?"),
                        QStringLiteral("Potvrzení vymazání"), Dialogs::Buttons::YesNo,
                        Dialogs::Icon::Question, Dialogs::Answer::Yes) != Dialogs::Answer::Yes)
        return false;
    try {
        s.fileProtokol.reset();
        if (s.bProtokolOpen) {
            s.bProtokolOpen = false;
            closeStream(s);
        }
        TextFiles& fso = fileSystem(s);
        s.fileProtokol = fso.lookUp(s.ProtokolFile);
        fso.remove(*s.fileProtokol);
    } catch (const Failure& f) {
        dialogs.failure(f);
    }
    return true;
}

qint64 ProtokolSize(PracticeState& s) {
    if (!s.fileProtokol)
        return 0;
    try {
        return fileSystem(s).size(*s.fileProtokol);
    } catch (const Failure&) {
        return 0; // gone or unreadable: nothing to show or delete
    }
}

void CloseProtokol(PracticeState& s) {
    closeStream(s);
}

} // namespace numio
