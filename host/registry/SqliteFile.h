#pragma once

#include "host/private/StandinOnly.h"

#include <QByteArray>
#include <QString>

#include <sqlite3.h>

#include <sys/stat.h>

namespace host {

// SQLite's own handle on a connection's database file (SQLITE_FCNTL_FILE_POINTER) or on its
// journal (SQLITE_FCNTL_JOURNAL_POINTER); nullptr when there is none or it is not open.
//
// The store's files are read only through these handles, never through a descriptor of our
// own: POSIX locks belong to the process, so closing any descriptor of a file drops every
// lock the process holds on it, and another process could then write the store in the
// middle of this process's change. (SQLite locks only the store's file, never its journal.)
sqlite3_file* fileOf(sqlite3* db, int which);
// The file's size, or -1.
qint64 sizeOf(sqlite3_file* file);
// size bytes at offset; none when the file ends before.
QByteArray readThrough(sqlite3_file* file, qint64 offset, int size);
// Whether the handle no longer names the file at its path (moved, removed, or another file
// put in its place).
bool hasMoved(sqlite3_file* file);

// Which file a path names now, and what stat says of it; by name only, opening nothing.
struct FileIdentity {
    dev_t device = 0;
    ino_t inode = 0;
    bool exists = false;

    bool operator==(const FileIdentity& other) const
    {
        return exists == other.exists && device == other.device && inode == other.inode;
    }
    bool operator!=(const FileIdentity& other) const { return !(*this == other); }
};

struct FileState {
    FileIdentity identity;
    struct timespec changed {}; // st_ctim: a write, a chmod, a rename of the file
    struct timespec modified {};
    off_t size = 0;
    mode_t mode = 0;

    static FileState of(const QByteArray& path);
    // The same file, not changed in any way that stat tells.
    bool sameAs(const FileState& other) const;
    // Someone may write it: a mode without any write bit is read-only here, even for a user
    // (root) whom the system would let write it anyway.
    bool writable() const { return mode & (S_IWUSR | S_IWGRP | S_IWOTH); }
};

} // namespace host
