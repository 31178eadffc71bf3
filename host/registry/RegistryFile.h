#pragma once

#include "host/private/StandinOnly.h"

#include "host/registry/RegistryBackend.h"
#include "host/registry/sqlite/SqliteBackend.h"

#include <QByteArray>
#include <QString>

// Choosing and checking the store's file before SQLite opens it: where it lives, what lies
// at its path, and making a new store there.

namespace host {

// Whether bytes (a file's first bytes) start an SQLite database marked as this store.
bool isStoreHeader(const QByteArray& bytes);
// How many of a file's first bytes isStoreHeader and inspectStoreFile look at.
int storeHeaderSize();

// What lies at the store's path, judged before SQLite opens it.
enum class StoreFile {
    Missing, // nothing yet: a new store is made
    Empty,   // a zero-length file: a new store is made in its place
    Blank,   // a database with no tables and no one's marks: becomes the store where it is
    Store,   // this store
    Refused, // anything else: never opened
};

// Reads the file's header and looks for journals beside it, changing nothing. On Refused,
// *refusal says why the file cannot be the store.
StoreFile inspectStoreFile(const QString& file, QString* refusal);

// Where file really lies, its symbolic links followed as SQLite follows them: SQLite keeps
// the journal beside that, not beside the link.
QString realPathOf(const QString& file);
// Why what stands at journal (the store's rollback journal) cannot serve as one, or "" when
// nothing or a plain file does: SQLite fails on a folder there, and refuses a symbolic link.
QString journalProblem(const QString& journal);

// Makes a new store at file, whole or not at all; raises naming action when it cannot.
void writeNewStore(const QString& file, const RegistryAction& action);

QString folderOf(const QString& file);
// Whether this user may create and remove files in folder, as the store's journal needs.
bool folderWritable(const QString& folder);
// Makes folder and its missing parents; returns why it cannot, or "".
QString makeFolder(const QString& folder);
QString folderNotWritable(const QString& folder);
QString noStoreYet();
// A file that no one may write is read-only here too, even for a user (root) whom the
// system would let write it anyway.
bool fileWritable(const QString& file);

// The stores this process has had open. One that has gone since, or been replaced by a file
// that holds no store, is not made anew while the process runs: the user's grouping would
// seem lost, and the store, once put back, would find a new one in its way.
bool storeWasOpened(const QString& file);
void noteStoreOpened(const QString& file);

} // namespace host
