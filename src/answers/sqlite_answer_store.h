#pragma once

#include "platform/export.h"

#include "core/answer_store.h"
#include "platform/failure.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace numio {

// The program's own data folder (answers and the like), per user.
NUMIO_EXPORT QString defaultDataFolder();

// A pupil's answers: "<data>/odpovedi/zaci/<pupil id>.sqlite"; without pupils (an empty id)
// "<data>/odpovedi/odpovedi.sqlite". An id with anything but a-z, 0-9 and '-' throws Failure 52.
NUMIO_EXPORT QString answerStorePath(const QString& dataFolder, const QString& pupilId);

// Removes a store's file with its companions (-wal, -shm); a store never made is no failure.
// Throws Failure when a file stays. The store must not be open.
NUMIO_EXPORT void removeAnswerStore(const QString& path);

// Moves a closed store to `to` when that is free: false, and nothing moved, when there is nothing at
// `from`, something at `to`, or a -wal beside `from` (a store not closed as it should be). Throws
// Failure when the move fails; the store then stays where it was.
NUMIO_EXPORT bool moveAnswerStore(const QString& from, const QString& to);

// The store's file and its -wal, those that are there: a store that holds answers.
NUMIO_EXPORT QStringList answerStoreFiles(const QString& path);

// Adds the answers of the closed store `from` after those of the store `into`, in one transaction,
// and removes `from` once they are in. False, and nothing changed, when `from` holds no answers
// store. Throws Failure when they cannot be joined; both then stay as they were.
NUMIO_EXPORT bool joinAnswerStores(const QString& from, const QString& into);

class SqliteAnswerStore;

struct NUMIO_EXPORT OpenedAnswerStore {
    std::unique_ptr<SqliteAnswerStore> store;
    // The file found there could not be read and was kept aside under another name; the store is
    // a new one. Tell it once: it says where the old file is.
    std::optional<Failure> warning;
};

// The answers of one pupil in one SQLite file. Every record() is one short transaction that is on
// disk before it returns: a killed program loses at most the answer in flight. The connection
// belongs to the thread that opened the store; use it there only.
class NUMIO_EXPORT SqliteAnswerStore : public AnswerStore {
  public:
    // Opens the store at `path`, making the folder and the file when missing. `pupilName` names
    // the pupil in messages (empty without pupils). A file that is not a store of ours or is
    // damaged is kept aside and a new one started (see OpenedAnswerStore::warning). Throws Failure
    // when no store can be used: the folder or the file cannot be made or written, or a newer
    // program wrote the file (left untouched).
    static OpenedAnswerStore open(const QString& path, const QString& pupilName = {});

    // The tries kept in the store at `path`, read without writing anything; no file, no tries.
    // For looking at another pupil's answers, on any thread. Throws Failure when it cannot be read.
    static Knowledge readKnowledge(const QString& path);

    ~SqliteAnswerStore() override;
    SqliteAnswerStore(const SqliteAnswerStore&) = delete;
    SqliteAnswerStore& operator=(const SqliteAnswerStore&) = delete;

    void record(const AnswerRecord& answer) override;
    Knowledge knowledge() const override;

    const QString& path() const;

  private:
    struct Impl;
    explicit SqliteAnswerStore(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> d_;
};

} // namespace numio
