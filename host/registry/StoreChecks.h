#pragma once

#include "host/private/StandinOnly.h"

#include "host/registry/SqliteFile.h"

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

#include <sqlite3.h>

// The checks of an open store's file and journal before each use, and the setting right of
// its journal's files before a connection opens.

namespace host {

class FolderLock;

// What a connection last saw of its store's file and journal, so that each use looks again
// only at what changed. While nothing did, a use costs a stat of the file and one of the
// journal, and a glance at the shared index, which is in memory.
class StoreWatch {
public:
    // The shared index's header and its count of frames copied into the file.
    using IndexHeader = std::array<char, 48 + 4>;

    enum class Look {
        Current,     // the file at the path is the one the connection has open, and the store
        Writable,    // the same, and writable now though the connection was opened read-only
        Replaced,    // moved, removed, or another file put in its place
        WrittenOver, // the same file, but no longer the store (written over by another program)
    };

    // After the connection has read its file: which file it has open, told apart by identity
    // (device and inode), never by content.
    void start(sqlite3* db, const QString& file, bool openedReadOnly);
    Look look();
    // Why the journal cannot hold what the shared index says it does, or "" when it can or
    // nothing changed since the last look.
    QString journalDamage();

    // On letting go of a connection whose file was replaced: the journal and shared index
    // still at the path belong to the file it had open, not to the one there now, so the next
    // connection removes them rather than take another file's changes for its own.
    void noteStaleJournal() const;

private:
    sqlite3_file* databaseFile() const;

    sqlite3* m_db = nullptr;
    sqlite3_file* m_databaseFile = nullptr;
    QByteArray m_path, m_journalPath, m_indexPath;
    bool m_openedReadOnly = false;
    FileIdentity m_opened;              // the file the connection has open
    FileIdentity m_indexOpened;         // the shared index it has mapped
    FileState m_file;                   // the store's file when it last passed the checks
    FileState m_journal;                // the journal when last looked at
    FileState m_journalChecked;         // the journal when its content last passed the checks
    std::optional<IndexHeader> m_index; // the shared index's header then
    bool m_journalSeen = false;         // m_journal was looked at since the last content check
};

// Before a connection opens file: removes the journal and shared index that a connection of
// this process left at the path when another file was put there (see noteStaleJournal), and
// gives the journal's files the store's mode when only a mode left over from a read-only time
// keeps this user from writing them. Changes nothing but those; by name, opening nothing.
// Runs under lock, which it takes when it has something to do.
void setJournalRight(const QString& file, bool storeIsThere, FolderLock& lock);

} // namespace host
