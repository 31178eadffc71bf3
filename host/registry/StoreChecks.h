#pragma once

#include "host/private/StandinOnly.h"

#include "host/registry/SqliteFile.h"

#include <QByteArray>
#include <QString>

#include <chrono>

#include <sqlite3.h>

// The checks of an open store's file before its uses, and of a journal found beside it
// before the connection's first read.

namespace host {

// What a connection last saw of its store's file, so that it learns when the file at the
// path is no longer the one it has open. Between changes the store is its file alone (a
// rollback journal lives only while a change does), so the file is all there is to watch.
class StoreWatch {
public:
    enum class Look {
        Current,     // the file at the path is the one the connection has open, and the store
        Writable,    // the same, and writable now though the connection was opened read-only
        Replaced,    // moved, removed, or another file put in its place
        WrittenOver, // the same file, but no longer the store (written over by another program)
    };

    // After the connection has read its file: which file it has open, told apart by identity
    // (device and inode), never by content.
    void start(sqlite3* db, const QString& file, bool openedReadOnly);
    // Before a write the file is always looked at. A read relies on the last look for
    // ide::RegistryLookIntervalMs, timed by a clock that costs no system call: a store put in
    // place is read from that long after, and a read costs SQLite's own calls alone.
    Look look(bool writing);
    // How many times a look found the file written since the last (by anyone): SQLite's own
    // count of changes misses a file copied in place that shares the change counter.
    quint64 writesSeen() const { return m_writesSeen; }

private:
    sqlite3* m_db = nullptr;
    sqlite3_file* m_databaseFile = nullptr; // SQLite's handle, open as long as the connection
    QByteArray m_path;
    bool m_openedReadOnly = false;
    FileIdentity m_opened; // the file the connection has open
    FileState m_file;      // the store's file when it last passed the checks
    std::chrono::steady_clock::time_point m_looked;
    quint64 m_writesSeen = 0;
};

// Before the connection's first read: a rollback journal beside the store that no change of
// this file holds is rolled back into the file by SQLite's next read. When the journal is
// another file's (the store's own file replaced after a writer was killed), it is removed
// instead: its page 1 shows another file. A change journals page 1 before it commits, and
// as soon as it makes the file longer or frees a page, so before SQLite's cache runs over
// and writes pages into the file early; only a change that rewrote more values in place
// than the cache holds could write some without it.
void removeForeignJournal(sqlite3* db);

} // namespace host
