// The per-user store on Linux: one SQLite database per user, its keys and values kept by the
// store's core (registry::SqliteBackend), and around it what decides which file that is.
//
// Changes go through a rollback journal that SQLite deletes when the change is done, so that
// between changes the store is its file alone: a file put in its place (a backup moved or
// copied there) is read as it is, by a running IDE and a new one alike, and no journal of
// another file is applied to it. A busy timeout lets two processes (two IDE windows) share
// it; synchronous=FULL makes every committed change durable when the call returns.
//
// The file may change under a running IDE. Before a write, and before a read at most every
// few milliseconds, a connection looks whether its file is still the one at the path
// (StoreWatch): a connection whose file was moved, removed, replaced or written over is let
// go without another write, and a store this process had open is never made anew where it
// has gone. What is not this store is refused before SQLite opens it (RegistryFile).

#include "host/registry/RegistryBackend.h"
#include "host/registry/RegistryTr.h"

#include "host/Exceptions.h"
#include "host/private/IdeHost.h"
#include "host/registry/FolderLock.h"
#include "host/registry/RegistryFile.h"
#include "host/registry/StoreChecks.h"
#include "host/registry/sqlite/SqliteBackend.h"

#include <QCoreApplication>
#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <thread>

namespace host {

namespace {

// How long an operation waits for another process's lock before it gives up; the IDE may set
// another (ide::setRegistryBusyTimeout).
int busyTimeoutMs = 5000;

// SQLite's lock on the file is taken without a queue, and a change holds it for the few
// syncs of its journal and file; another IDE writing change after change leaves it free only
// for a moment between them. SQLite's own wait sleeps up to 100 ms between tries and may miss
// every such moment until it gives up: this one tries again every millisecond.
struct LockWait {
    std::chrono::steady_clock::time_point since;
    int limitMs = -1; // the IDE's busy timeout unless a handle set its own
};

int waitForLock(void* wait, int tries)
{
    auto& state = *static_cast<LockWait*>(wait);
    const auto now = std::chrono::steady_clock::now();
    if (tries == 0)
        state.since = now;
    if (now - state.since >= std::chrono::milliseconds(state.limitMs >= 0 ? state.limitMs : busyTimeoutMs))
        return 0;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return 1;
}

QString reasonFor(int code, const QString& journal)
{
    // SQLite keeps its journal beside the file: a folder that cannot be written, or what
    // stands in the journal's place, fails reads and writes with codes that would otherwise
    // blame the file.
    const int primary = code & 0xff;
    if (const QString problem = journalProblem(journal); !problem.isEmpty())
        return problem;
    if ((primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN) && !folderWritable(folderOf(journal)))
        return folderNotWritable(folderOf(journal));
    switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return RegistryTr::tr("another process holds the file locked (waited %1 s)").arg(busyTimeoutMs / 1000.0);
    case SQLITE_READONLY: return RegistryTr::tr("the file is read-only");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return RegistryTr::tr("the file is not a database or is corrupt");
    case SQLITE_CANTOPEN: return RegistryTr::tr("the file cannot be opened or created");
    case SQLITE_FULL: return RegistryTr::tr("the disk is full");
    case SQLITE_IOERR: return RegistryTr::tr("the file cannot be read or written");
    case SQLITE_PERM:
    case SQLITE_AUTH: return RegistryTr::tr("access is denied");
    default: return RegistryTr::tr("the database failed");
    }
}

registry::TextView viewOf(const QString& text)
{
    return {reinterpret_cast<const char16_t*>(text.utf16()), std::size_t(text.size())};
}

QString stringOf(registry::TextView text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

class SqliteRegistryBackend final : public RegistryBackend {
public:
    explicit SqliteRegistryBackend(const QString& file);
    ~SqliteRegistryBackend() override { close(); }
    SqliteRegistryBackend(const SqliteRegistryBackend&) = delete;
    SqliteRegistryBackend& operator=(const SqliteRegistryBackend&) = delete;

    QString location() const override { return m_file; }
    void createKey(const RegistryKeyPath& key) override
    {
        run([&] { m_store->createKey(keyOf(key)); });
    }
    std::optional<QString> readValue(const RegistryKeyPath& key, const QString& name) override
    {
        std::optional<QString> value;
        run([&] {
            m_store->readValue(keyOf(key), viewOf(name), [&](registry::TextView found) { value = stringOf(found); });
        });
        return value;
    }
    void writeValue(const RegistryKeyPath& key, const QString& name, const QString& value) override
    {
        run([&] { m_store->writeValue(keyOf(key), viewOf(name), viewOf(value)); });
    }
    void deleteValue(const RegistryKeyPath& key, const QString& name) override
    {
        run([&] { m_store->deleteValue(keyOf(key), viewOf(name)); });
    }
    void deleteKey(const RegistryKeyPath& key) override
    {
        run([&] { m_store->deleteKey(keyOf(key)); });
    }
    QList<QPair<QString, QString>> values(const RegistryKeyPath& key, qsizetype limit) override
    {
        QList<QPair<QString, QString>> entries;
        run([&] {
            m_store->values(keyOf(key), limit, [&](registry::TextView name, registry::TextView value) {
                entries.append({stringOf(name), stringOf(value)});
            });
        });
        return entries;
    }
    QList<QPair<QString, QString>> valuesAfter(const RegistryKeyPath& key, qint64& position, qsizetype limit) override
    {
        QList<QPair<QString, QString>> entries;
        std::int64_t after = position;
        run([&] {
            m_store->valuesAfter(keyOf(key), after, limit, [&](registry::TextView name, registry::TextView value) {
                entries.append({stringOf(name), stringOf(value)});
            });
        });
        position = after;
        return entries;
    }
    void setLockWait(int milliseconds) override { m_lockWait.limitMs = std::max(0, milliseconds); }
    qsizetype valueCount(const RegistryKeyPath& key) override
    {
        qsizetype count = 0;
        run([&] { count = qsizetype(m_store->valueCount(keyOf(key))); });
        return count;
    }
    void deleteKeyInSlices(const RegistryKeyPath& key,
                           const std::function<void(qsizetype, qsizetype)>& progress) override
    {
        // A copy of the key: progress may use the store, and keyOf() keeps one key only.
        const registry::KeyPath erased = keyOf(key);
        run([&] {
            m_store->deleteKeyInSlices(erased, [&](std::size_t deleted, std::size_t total) {
                progress(qsizetype(deleted), qsizetype(total));
            });
        });
    }
    void moveKey(const RegistryKeyPath& from, const RegistryKeyPath& to) override
    {
        const registry::KeyPath target = keyOf(to);
        run([&] { m_store->moveKey(keyOf(from), target); });
    }
    void transaction(const RegistryKeyPath& within, const std::function<void()>& changes) override
    {
        const registry::KeyPath changed = keyOf(within);
        run([&] { m_store->transaction(changed, changes); });
    }
    bool stillCurrent(bool writing) override;
    std::optional<quint64> changeCount() override;

private:
    void open();
    // Opens the connection on the file, which exists by now.
    void connect(const RegistryAction& action);
    void close() noexcept;
    void createSchemaIfBlank();
    // Leaves the write-ahead log that stores made before used, and any other journal mode
    // than the rollback journal deleted after each change.
    void useRollbackJournal(const RegistryAction& action);
    [[noreturn]] void fail(const RegistryAction& action, int code) const;
    void execute(const char* sql, const RegistryAction& action);
    sqlite3_int64 integerQuery(const char* sql, const RegistryAction& action);
    // Runs an operation of the store, its failure raised as the host's exception in the
    // host's words. Failures of nested calls are raised so already, and pass as they are.
    template <typename Operation>
    void run(const Operation& operation);
    [[noreturn]] void raise(const registry::Error& error) const;
    // The key as the store takes it, kept from the last call: calls name the same section
    // over and over.
    const registry::KeyPath& keyOf(const RegistryKeyPath& key);
    bool writable() const { return !m_readOnly && fileWritable(m_file); }

    QString m_file;
    QString m_journal;   // where SQLite keeps the rollback journal: beside the file a link names
    LockWait m_lockWait; // for the lock, by waitForLock
    sqlite3* m_db = nullptr;
    bool m_readOnly = false;
    StoreWatch m_watch;
    std::unique_ptr<registry::SqliteBackend> m_store;
    RegistryKeyPath m_lastKey;
    registry::KeyPath m_lastStoreKey;
    // What changeCount() saw last: SQLite's count of other connections' commits, of the rows
    // this connection changed, and the writes to the file the watch saw.
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> m_dataVersion{nullptr, sqlite3_finalize};
    sqlite3_int64 m_seenVersion = -1;
    sqlite3_int64 m_seenOwnChanges = -1;
    quint64 m_seenWrites = 0;
    quint64 m_changeCount = 0;
};

SqliteRegistryBackend::SqliteRegistryBackend(const QString& file) : m_file(file)
{
    try {
        open();
    } catch (...) {
        close();
        throw;
    }
}

void SqliteRegistryBackend::close() noexcept
{
    // The store's statements first; close_v2 lets the connection go once they are finalized.
    m_store.reset();
    m_dataVersion.reset();
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool SqliteRegistryBackend::stillCurrent(bool writing)
{
    // Within a change the connection stays, whatever happens to the file meanwhile.
    return m_store->inChange() || m_watch.look(writing) == StoreWatch::Look::Current;
}

std::optional<quint64> SqliteRegistryBackend::changeCount()
{
    // "PRAGMA data_version" changes when another connection committed since this one last
    // read (SQLite looks at the file's change counter under a shared lock); this
    // connection's own changes are counted by total_changes, a rolled-back one included,
    // which only costs a read.
    const RegistryAction action{"read"};
    if (!m_dataVersion) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v3(m_db, "PRAGMA data_version", -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr)
            != SQLITE_OK)
            fail(action, sqlite3_extended_errcode(m_db));
        m_dataVersion.reset(statement);
    }
    const int stepped = sqlite3_step(m_dataVersion.get());
    const sqlite3_int64 version = stepped == SQLITE_ROW ? sqlite3_column_int64(m_dataVersion.get(), 0) : 0;
    sqlite3_reset(m_dataVersion.get());
    if (stepped != SQLITE_ROW)
        fail(action, sqlite3_extended_errcode(m_db));
    const sqlite3_int64 own = sqlite3_total_changes64(m_db);
    if (version != m_seenVersion || own != m_seenOwnChanges || m_watch.writesSeen() != m_seenWrites) {
        m_seenVersion = version;
        m_seenOwnChanges = own;
        m_seenWrites = m_watch.writesSeen();
        ++m_changeCount;
    }
    return m_changeCount;
}

const registry::KeyPath& SqliteRegistryBackend::keyOf(const RegistryKeyPath& key)
{
    if (key != m_lastKey || m_lastStoreKey.size() != std::size_t(key.size())) {
        m_lastStoreKey.clear();
        for (const QString& name : key)
            m_lastStoreKey.emplace_back(viewOf(name));
        m_lastKey = key;
    }
    return m_lastStoreKey;
}

template <typename Operation>
void SqliteRegistryBackend::run(const Operation& operation)
{
    try {
        operation();
    } catch (const registry::Error& error) {
        raise(error);
    }
}

void SqliteRegistryBackend::raise(const registry::Error& error) const
{
    RegistryKeyPath key;
    for (const registry::Text& name : error.key())
        key.append(stringOf(name));
    const QString name = stringOf(error.name());
    const RegistryAction action{error.verb(), error.hasKey() ? &key : nullptr, error.hasName() ? &name : nullptr};
    switch (error.cause()) {
    case registry::Error::Backend:
        raiseRegistryError(m_file, action,
                           reasonFor(int(error.code()), m_journal) + QStringLiteral(" (") + stringOf(error.message())
                               + QLatin1Char(')'));
    case registry::Error::ReadOnly: raiseRegistryError(m_file, action, RegistryTr::tr("the file is read-only"));
    case registry::Error::Refused: raiseRegistryError(m_file, action, refusalReason(error.refusal()));
    }
    raiseRegistryError(m_file, action, stringOf(error.message()));
}

void SqliteRegistryBackend::fail(const RegistryAction& action, int code) const
{
    QString detail = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
    if (const int error = m_db ? sqlite3_system_errno(m_db) : 0; error != 0)
        detail += QStringLiteral("; ") + QString::fromLocal8Bit(std::strerror(error));
    raiseRegistryError(m_file, action, reasonFor(code, m_journal) + QStringLiteral(" (") + detail + QLatin1Char(')'));
}

void SqliteRegistryBackend::execute(const char* sql, const RegistryAction& action)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(action, sqlite3_extended_errcode(m_db));
}

sqlite3_int64 SqliteRegistryBackend::integerQuery(const char* sql, const RegistryAction& action)
{
    sqlite3_stmt* statement = nullptr;
    const std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt*)> owned(
        sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) == SQLITE_OK ? statement : nullptr, sqlite3_finalize);
    if (!owned || sqlite3_step(statement) != SQLITE_ROW)
        fail(action, sqlite3_extended_errcode(m_db));
    return sqlite3_column_int64(statement, 0);
}

void SqliteRegistryBackend::open()
{
    const RegistryAction action{"open the store"};
    // A store this process had open is never made anew: not even its folder.
    const bool known = storeWasOpened(m_file);
    m_journal = realPathOf(m_file) + QLatin1String("-journal");

    // Anything but this store is looked at again while no other process of ours is making
    // it: a journal seen a moment ago may have been that process's.
    QString refusal;
    StoreFile kind = inspectStoreFile(m_file, &refusal);
    FolderLock lock;
    if (kind != StoreFile::Store) {
        if (const QString problem = known ? QString() : makeFolder(folderOf(m_file)); !problem.isEmpty())
            raiseRegistryError(m_file, action, problem);
        if (!lock.lock(folderOf(m_file)))
            raiseRegistryError(
                m_file, action,
                RegistryTr::tr("another process is creating the store (waited %1 s)").arg(busyTimeoutMs / 1000.0));
        kind = inspectStoreFile(m_file, &refusal);
    }
    if (kind == StoreFile::Refused)
        raiseRegistryError(m_file, action, refusal);
    if (known && kind != StoreFile::Store)
        raiseRegistryError(m_file, action,
                           kind == StoreFile::Missing
                               ? RegistryTr::tr("the file has gone (removed or moved) since the IDE opened it; put it "
                                                "back, or restart the IDE to begin a new store")
                               : RegistryTr::tr("the file was replaced by one without the store since the IDE opened "
                                                "it; put the store back, or restart the IDE to begin a new one"));
    if (kind == StoreFile::Missing || kind == StoreFile::Empty) {
        if (kind == StoreFile::Empty && !fileWritable(m_file))
            raiseRegistryError(m_file, action, noStoreYet());
        if (!folderWritable(folderOf(m_file)))
            raiseRegistryError(m_file, action, folderNotWritable(folderOf(m_file)));
        writeNewStore(m_file, action);
    }
    // The lock, when taken, is held until the new file is the store.
    connect(action);
    noteStoreOpened(m_file);
}

void SqliteRegistryBackend::connect(const RegistryAction& action)
{
    m_readOnly = !fileWritable(m_file);
    // Each handle has a connection of its own, used by one thread at a time. SQLite never
    // creates the file: it exists by now.
    // SQLite's locks are POSIX record locks, which belong to the process: closing any other
    // descriptor of the store in this process drops them all. So nothing here opens the
    // store's files through a descriptor of its own (SqliteFile.h; docs/architecture.md).
    const int flags = SQLITE_OPEN_NOMUTEX | (m_readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    if (const int code = sqlite3_open_v2(QFile::encodeName(m_file).constData(), &m_db, flags, nullptr);
        code != SQLITE_OK)
        fail(action, code);
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_handler(m_db, waitForLock, &m_lockWait);
    m_readOnly = m_readOnly || sqlite3_db_readonly(m_db, "main") == 1;
    if (const char* name = sqlite3_db_filename(m_db, "main"); name && *name)
        m_journal = QFile::decodeName(sqlite3_filename_journal(name));
    removeForeignJournal(m_db);
    // The schema's references are kept by the store's own statements (an erased key takes
    // its values and the keys below it along, in one change), not checked by SQLite on every
    // value written: that check made writing 10,000 values as one change cost half as much
    // again as the same rows written by plain statements.
    execute("PRAGMA foreign_keys = OFF", action);

    createSchemaIfBlank();
    if (integerQuery("PRAGMA application_id", action) != registry::StoreApplicationId)
        raiseRegistryError(m_file, action,
                           RegistryTr::tr("the file is another program's database, not a registry store"));
    if (integerQuery("PRAGMA user_version", action) > registry::StoreSchemaVersion)
        raiseRegistryError(m_file, action, RegistryTr::tr("the store was written by a newer version of this program"));
    if (!m_readOnly)
        useRollbackJournal(action);
    execute("PRAGMA synchronous = FULL", action);
    // A writable store of an earlier layout is converted, in one change; a read-only one is
    // read as it is.
    try {
        m_store = std::make_unique<registry::SqliteBackend>(
            m_db, registry::Text(viewOf(m_file)), [this] { return writable(); }, !m_readOnly);
    } catch (const registry::Error& error) {
        raise(error);
    }
    m_watch.start(m_db, m_file, m_readOnly);
}

// A blank database (no tables, no marks) becomes the store where it is, under the folder's
// lock and SQLite's own write lock.
void SqliteRegistryBackend::createSchemaIfBlank()
{
    const RegistryAction action{"open the store"};
    const char* const isEmpty = "SELECT count(*) = 0 FROM sqlite_schema";
    if (!integerQuery(isEmpty, action))
        return;
    if (m_readOnly)
        raiseRegistryError(m_file, action, noStoreYet());
    execute("BEGIN IMMEDIATE", action);
    try {
        if (integerQuery(isEmpty, action))
            execute(registry::newStoreSql().c_str(), action);
        execute("COMMIT", action);
    } catch (...) {
        if (!sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void SqliteRegistryBackend::useRollbackJournal(const RegistryAction& action)
{
    // Leaving the write-ahead log copies it into the file and deletes it with its index;
    // that needs the store to itself, and SQLite does not wait for a lock that another
    // process takes meanwhile: the wait is ours. Any other mode is left at once.
    QByteArray mode;
    int code = SQLITE_OK;
    waitFor([&] {
        registry::Statement statement;
        code = sqlite3_prepare_v2(m_db, "PRAGMA journal_mode = DELETE", -1, statement.slot(), nullptr);
        if (code == SQLITE_OK && (code = sqlite3_step(statement.get())) == SQLITE_ROW) {
            mode = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0)));
            code = SQLITE_OK;
        }
        return (code & 0xff) != SQLITE_BUSY && (code != SQLITE_OK || mode == "delete");
    });
    if (code != SQLITE_OK)
        fail(action, sqlite3_extended_errcode(m_db));
    if (mode != "delete") // another process keeps the log in use
        raiseRegistryError(m_file, action, reasonFor(SQLITE_BUSY, m_journal));
}

} // namespace

std::unique_ptr<RegistryBackend> openRegistryBackend(const QString& location)
{
    return std::make_unique<SqliteRegistryBackend>(location);
}

void ide::setRegistryBusyTimeout(int milliseconds)
{
    busyTimeoutMs = std::max(0, milliseconds);
}

int ide::registryBusyTimeout()
{
    return busyTimeoutMs;
}

} // namespace host
