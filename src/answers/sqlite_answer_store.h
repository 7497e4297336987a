#pragma once

#include "core/answer_store.h"
#include "platform/failure.h"
#include "platform/file_system_kind.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

namespace numio {

// Removes a store's file with its companions (-wal, -shm); a store never made is no failure.
// Throws Failure when a file stays. The store must not be open.
void removeAnswerStore(const QString& path);

// Moves a closed store to `to` when that is free. Throws Failure when the move fails; the store
// then stays where it was.
StoreMove moveAnswerStore(const QString& from, const QString& to);

// Adds the answers of the closed store `from` after those of the store `into`, in one transaction,
// and removes `from` once they are in. False, and nothing changed, when `from` holds no answers
// store. Throws Failure when they cannot be joined; both then stay as they were.
bool joinAnswerStores(const QString& from, const QString& into);

class SqliteAnswerStore;

// How long a store on a network file system waits while another computer holds it.
constexpr int kNetworkBusyTimeoutMs = 5000;

// How a store's file is opened, by the file system it is on: a local one in WAL, a network one
// (no shared memory between computers) with a rollback journal, waiting longer for the server's locks.
struct StoreAccess {
    FileSystemKind kind = FileSystemKind::Local;
    int networkBusyTimeoutMs = kNetworkBusyTimeoutMs;
};

struct OpenedSqliteStore {
    std::unique_ptr<SqliteAnswerStore> store;
    std::optional<Failure> warning; // as OpenedAnswerStore's
};

// The answers of one pupil in one SQLite file. Every record() is one short transaction that is on
// disk before it returns: a killed program loses at most the answer in flight. The connection
// belongs to the thread that opened the store; use it there only.
class SqliteAnswerStore : public AnswerStore {
  public:
    // Opens the store at `path`, making the folder and the file when missing. `pupilName` names
    // the pupil in messages (empty without pupils). A file that is not a store of ours or is
    // damaged is kept aside and a new one started (see OpenedSqliteStore::warning). Throws Failure
    // when no store can be used: the folder or the file cannot be made or written, it or its -wal or
    // -shm is no ordinary file (never opened then), it has another name (a hard link), or a newer
    // program wrote the file (left untouched). A store found with a -wal is copied first, so that one
    // found unreadable is kept aside as it was; spoiled by its -wal alone, it goes on without it.
    // On a network file system a store found in WAL is switched to the rollback journal; when another
    // connection holds it, that fails as a held store does and the file stays as it was.
    static OpenedSqliteStore open(const QString& path, const QString& pupilName = {},
                                  const StoreAccess& access = {});

    // The facts kept in the store at `path`, read without writing anything; no file, no facts.
    // On any thread, through a connection of its own: for another pupil's answers, and for reading
    // aside while the window goes on. Once *stop is set it ends early with nothing to use. Throws
    // Failure when it cannot be read, also when it or its -wal or -shm is no ordinary file (never
    // opened then). Read read-only in one transaction, so that a pupil's answers being written
    // meanwhile are read as they were committed; while a writer holds the file it waits at most the
    // access's busy timeout, then fails as held.
    static KnowledgeRead readKnowledge(const QString& path, const KnowledgeQuery& query = {},
                                       const std::atomic<bool>* stop = nullptr,
                                       const StoreAccess& access = {});

    ~SqliteAnswerStore() override;
    SqliteAnswerStore(const SqliteAnswerStore&) = delete;
    SqliteAnswerStore& operator=(const SqliteAnswerStore&) = delete;

    // Both first open the file anew when it was deleted or replaced since it was opened; a file
    // found there that had to be kept aside is told by a Failure (the answer is kept all the same).
    void record(const AnswerRecord& answer) override;
    // Read through the store's own connection, on its thread.
    KnowledgeRead knowledge(const KnowledgeQuery& query = {}) const;
    KnowledgeReader reader() const override;

    const QString& path() const override;

  private:
    struct Impl;
    explicit SqliteAnswerStore(std::unique_ptr<Impl> impl);
    // Opens the file anew when it is no longer the one opened; hands back the opening's warning.
    // Throws Failure when it cannot; the store is then closed until it can.
    std::optional<Failure> follow() const;
    QString path_;
    QString pupil_;
    StoreAccess access_;
    mutable std::unique_ptr<Impl> d_;
};

// The answer stores door, on SQLite files; each opened by the kind of file system it is on.
class SqliteAnswerStores : public AnswerStores {
  public:
    SqliteAnswerStores(); // the system's file systems
    explicit SqliteAnswerStores(const FileSystems& fileSystems,
                                int networkBusyTimeoutMs = kNetworkBusyTimeoutMs);
    SqliteAnswerStores(const SqliteAnswerStores&) = delete;
    SqliteAnswerStores& operator=(const SqliteAnswerStores&) = delete;

    OpenedAnswerStore open(const QString& path, const QString& pupilName) override;
    KnowledgeRead read(const QString& path, const KnowledgeQuery& query,
                       const std::atomic<bool>* stop) override;
    StoreMove move(const QString& from, const QString& to) override;
    bool join(const QString& from, const QString& into) override;
    void remove(const QString& path) override;

  private:
    StoreAccess accessTo(const QString& path) const;
    SystemFileSystems system_;
    const FileSystems& fileSystems_;
    int networkBusyTimeoutMs_;
};

} // namespace numio
