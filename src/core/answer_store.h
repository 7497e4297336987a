#pragma once

#include "platform/export.h"

#include "core/facts.h"
#include "platform/failure.h"

#include <QString>
#include <QStringList>

#include <atomic>
#include <exception>
#include <functional>
#include <memory>
#include <optional>

namespace numio {

using KnowledgeReader = std::function<KnowledgeRead(const std::atomic<bool>& stop)>;

// What a reading aside came to: the facts, or the failure get() throws.
struct NUMIO_EXPORT ReadOutcome {
    KnowledgeRead read;
    std::exception_ptr failed;

    const KnowledgeRead& get() const {
        if (failed)
            std::rethrow_exception(failed);
        return read;
    }
};

// Where every answer is remembered beside the journal: each answer in any mode, with its time.
// The examination writes through it; the map and the weak-facts practice read it.
class NUMIO_EXPORT AnswerStore {
  public:
    virtual ~AnswerStore() = default;
    // Keeps one answer for good before it returns; throws Failure when it cannot (nothing kept
    // before is lost then).
    virtual void record(const AnswerRecord& answer) = 0;
    // What the store knows of every fact, read by a function that may run on any thread (it opens
    // a connection of its own) and ends early once its flag is set. It throws Failure when the
    // store cannot be read.
    virtual KnowledgeReader reader() const = 0;
    // The file it keeps the answers in.
    virtual const QString& path() const = 0;
};

struct NUMIO_EXPORT OpenedAnswerStore {
    std::unique_ptr<AnswerStore> store;
    // The file found there could not be read and was kept aside under another name; the store is
    // a new one. Tell it once: it says where the old file is.
    std::optional<Failure> warning;
};

// How moving a closed store came out.
enum class StoreMove {
    Moved,
    NothingThere, // no store at the old place
    PlaceTaken,   // something already stands at the new one
    NotClosed,    // a -wal beside it: a store not closed as it should be stays where it is
};

// Every answer store of this computer, through one door: nothing but the answers' own code knows
// how they are kept. Each may be called on any thread.
class NUMIO_EXPORT AnswerStores {
  public:
    virtual ~AnswerStores() = default;
    // Opens the store at `path`, making the folder and the file when missing. `pupilName` names
    // the pupil in messages (empty without pupils). A file that is not a store of ours or is
    // damaged is kept aside and a new one started (OpenedAnswerStore::warning). Throws Failure
    // when no store can be used.
    virtual OpenedAnswerStore open(const QString& path, const QString& pupilName) = 0;
    // The facts kept at `path`, read without writing anything; no file, no facts. Once *stop is
    // set it ends early with nothing to use. Throws Failure when it cannot be read.
    virtual KnowledgeRead read(const QString& path, const KnowledgeQuery& query,
                               const std::atomic<bool>* stop) = 0;
    // Moves a closed store to `to` when that is free. Throws Failure when the move fails; the
    // store then stays where it was.
    virtual StoreMove move(const QString& from, const QString& to) = 0;
    // Adds the answers of the closed store `from` after those of `into`, in one transaction, and
    // removes `from` once they are in. False, and nothing changed, when `from` holds no answers.
    // Throws Failure when they cannot be joined; both then stay as they were.
    virtual bool join(const QString& from, const QString& into) = 0;
    // Removes a closed store's file with its companions; a store never made is no failure. Throws
    // Failure when a file stays.
    virtual void remove(const QString& path) = 0;
};

// The program's own data folder (answers and the like), per user; empty where there is none (no
// home). A relative XDG_DATA_HOME is ignored.
NUMIO_EXPORT QString defaultDataFolder();

// A pupil's answers: "<data>/odpovedi/zaci/<pupil id>.sqlite"; without pupils (an empty id)
// "<data>/odpovedi/odpovedi.sqlite". An id with anything but a-z, 0-9 and '-' throws Failure 52.
NUMIO_EXPORT QString answerStorePath(const QString& dataFolder, const QString& pupilId);

// A pupil's answers kept beside his journal, for a class whose journals meet in a shared folder:
// "<folder>/<journal's name without .txt>.odpovedi.sqlite" ("novak.txt" gives "novak.odpovedi.sqlite"),
// a name a teacher reads as the answers and that no one takes for a journal. Empty for no journal.
NUMIO_EXPORT QString answerStoreBeside(const QString& journalPath);

// The store's file, its -wal and its rollback journal, those that are there: a store that holds answers.
NUMIO_EXPORT QStringList answerStoreFiles(const QString& path);

} // namespace numio
