// The per-user store on Linux: one SQLite database per user.
//
// Keys form a tree (table keys); each key's values live in table vals. Every name is kept
// twice: as first written (name) and in its matching form (RegistryNameKey), which the
// unique indexes and lookups use. A key's matching form is its whole path of folded names,
// so a section is found with one indexed lookup. Values are stored in the order of their
// key and creation number (seq), so that listing a section reads one range in order;
// replacing a value updates its row in place.
//
// Changes go through a rollback journal that SQLite deletes when the change is done, so that
// between changes the store is its file alone: a file put in its place (a backup moved or
// copied there) is read as it is, by a running IDE and a new one alike, and no journal of
// another file is applied to it. A busy timeout lets two processes (two IDE windows) share
// it; synchronous=FULL makes every committed change durable when the call returns. Names and
// values are stored as the bytes of their UTF-16 code units, so that they come back exactly
// as written (SqliteStatement.h).
//
// The file may change under a running IDE. Before a write, and before a read at most every
// few milliseconds, a connection looks whether its file is still the one at the path
// (StoreWatch): a connection whose file was moved, removed, replaced or written over is let
// go without another write, and a store this process had open is never made anew where it
// has gone. What is not this store is refused before SQLite opens it (RegistryFile).

#include "host/registry/RegistryBackend.h"

#include "host/Exceptions.h"
#include "host/Registry.h"
#include "host/private/IdeHost.h"
#include "host/registry/FolderLock.h"
#include "host/registry/RegistryFile.h"
#include "host/registry/SqliteStatement.h"
#include "host/registry/StoreChecks.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>

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
        return QCoreApplication::translate("host::Registry", "another process holds the file locked (waited %1 s)")
            .arg(busyTimeoutMs / 1000.0);
    case SQLITE_READONLY: return QCoreApplication::translate("host::Registry", "the file is read-only");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return QCoreApplication::translate("host::Registry", "the file is not a database or is corrupt");
    case SQLITE_CANTOPEN: return QCoreApplication::translate("host::Registry", "the file cannot be opened or created");
    case SQLITE_FULL: return QCoreApplication::translate("host::Registry", "the disk is full");
    case SQLITE_IOERR: return QCoreApplication::translate("host::Registry", "the file cannot be read or written");
    case SQLITE_PERM:
    case SQLITE_AUTH: return QCoreApplication::translate("host::Registry", "access is denied");
    default: return QCoreApplication::translate("host::Registry", "the database failed");
    }
}

// The matching form of a key path: its folded names joined by "\".
QString pathKey(const RegistryKeyPath& key, qsizetype levels)
{
    QString path;
    for (qsizetype i = 0; i < levels; ++i) {
        if (i > 0)
            path += QLatin1Char('\\');
        path += RegistryNameKey(key[i]);
    }
    return path;
}

class SqliteRegistryBackend final : public RegistryBackend {
public:
    explicit SqliteRegistryBackend(const QString& file);
    ~SqliteRegistryBackend() override { close(); }
    SqliteRegistryBackend(const SqliteRegistryBackend&) = delete;
    SqliteRegistryBackend& operator=(const SqliteRegistryBackend&) = delete;

    QString location() const override { return m_file; }
    void createKey(const RegistryKeyPath& key) override;
    std::optional<QString> readValue(const RegistryKeyPath& key, const QString& name) override;
    void writeValue(const RegistryKeyPath& key, const QString& name, const QString& value) override;
    void deleteValue(const RegistryKeyPath& key, const QString& name) override;
    void deleteKey(const RegistryKeyPath& key) override;
    QList<QPair<QString, QString>> values(const RegistryKeyPath& key, qsizetype limit) override;
    qsizetype valueCount(const RegistryKeyPath& key) override;
    void deleteKeyInSlices(const RegistryKeyPath& key,
                           const std::function<void(qsizetype, qsizetype)>& progress) override;
    void moveKey(const RegistryKeyPath& from, const RegistryKeyPath& to) override;
    QList<QPair<QString, QString>> valuesAfter(const RegistryKeyPath& key, qint64& position, qsizetype limit) override;
    void setLockWait(int milliseconds) override { m_lockWait.limitMs = std::max(0, milliseconds); }
    void transaction(const std::function<void()>& changes) override;
    bool stillCurrent(bool writing) override;

private:
    void open();
    // Opens the connection on the file, which exists by now.
    void connect(const RegistryAction& action);
    void close() noexcept;
    // The matching form of the whole key, kept from the last call: calls name the same
    // section over and over.
    const QString& pathOf(const RegistryKeyPath& key);
    void createSchemaIfBlank();
    // Leaves the write-ahead log that stores made before used, and any other journal mode
    // than the rollback journal deleted after each change.
    void useRollbackJournal(const RegistryAction& action);
    // Converts a store of the first layout, whose text SQLite may have changed on the way in,
    // to names and values kept as bytes, each name's matching form made again from the name
    // as it is stored.
    void convertText(const RegistryAction& action);
    [[noreturn]] void fail(const RegistryAction& action, int code) const;
    [[noreturn]] void failLastError(const RegistryAction& action) const
    {
        fail(action, sqlite3_extended_errcode(m_db));
    }
    void execute(const char* sql, const RegistryAction& action);
    sqlite3_int64 integerQuery(const char* sql, const RegistryAction& action);
    void prepare(Statement& statement, const char* sql, TextBinding binding);
    // A statement made for one use, binding text as the store keeps it.
    void prepare(Statement& statement, const char* sql) { prepare(statement, sql, m_binding); }
    void requireWritable(const RegistryAction& action);
    void expectDone(Use& use, const RegistryAction& action);
    sqlite3_int64 findKey(const QString& path, const RegistryAction& action);
    void ensureKey(const RegistryKeyPath& key, const RegistryAction& action);
    // Writes the value with statement, whose first parameter names the key (its path, or its
    // row); false when the key is missing.
    template <typename Key>
    bool upsertValue(const Statement& statement, const Key& key, const QString& name, const QString& value,
                     const RegistryAction& action, sqlite3_int64 seq = 0);
    // The key's row within a change, 0 when it is missing: a change writes one key's values
    // thousands of times, and no other process changes the keys while it runs.
    sqlite3_int64 changeKeyId(const QString& path, const RegistryAction& action);
    // The creation number of the key's next new value within a change, to be counted on.
    sqlite3_int64& nextSeq(sqlite3_int64 keyId, const RegistryAction& action);
    void rollback(bool outermost) noexcept;

    QString m_file;
    QString m_journal;   // where SQLite keeps the rollback journal: beside the file a link names
    LockWait m_lockWait; // for the lock, by waitForLock
    sqlite3* m_db = nullptr;
    bool m_readOnly = false;
    int m_depth = 0;               // nesting of transaction()
    bool m_changeWritable = false; // whether the file was writable when the outermost change began
    StoreWatch m_watch;
    TextBinding m_binding = TextBinding::Bytes;   // how text is bound, by the store's layout
    QHash<QString, sqlite3_int64> m_changeKeyIds; // by path, within the outermost change
    // By key row, within the outermost change: the creation number the key's next new value
    // takes. No other process writes while a change holds the write lock, so it is counted
    // here rather than looked up for every value an import writes.
    QHash<sqlite3_int64, sqlite3_int64> m_changeNextSeq;
    RegistryKeyPath m_lastKey;
    QString m_lastPath;

    Statement m_findKey;
    Statement m_insertKey;
    Statement m_deleteKey;
    Statement m_deleteKeyValues;
    Statement m_readValue;
    Statement m_writeValue;
    Statement m_insertValue;
    Statement m_nextSeq;
    Statement m_deleteValue;
    Statement m_values;
    Statement m_valuesAfter;
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
    // close_v2 lets the connection go once the members have finalized its statements.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool SqliteRegistryBackend::stillCurrent(bool writing)
{
    // Within a change the connection stays, whatever happens to the file meanwhile.
    return m_depth > 0 || m_watch.look(writing) == StoreWatch::Look::Current;
}

const QString& SqliteRegistryBackend::pathOf(const RegistryKeyPath& key)
{
    if (m_lastPath.isNull() || key != m_lastKey) {
        m_lastPath = pathKey(key, key.size());
        m_lastKey = key;
    }
    return m_lastPath;
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
        failLastError(action);
}

sqlite3_int64 SqliteRegistryBackend::integerQuery(const char* sql, const RegistryAction& action)
{
    Statement statement;
    if (sqlite3_prepare_v2(m_db, sql, -1, statement.slot(), nullptr) != SQLITE_OK)
        failLastError(action);
    Use use(statement);
    if (use.step() != SQLITE_ROW)
        failLastError(action);
    return use.integer(0);
}

void SqliteRegistryBackend::prepare(Statement& statement, const char* sql, TextBinding binding)
{
    statement.setBinding(binding);
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement.slot(), nullptr) != SQLITE_OK)
        failLastError({"open the store"});
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
                QCoreApplication::translate("host::Registry", "another process is creating the store (waited %1 s)")
                    .arg(busyTimeoutMs / 1000.0));
        kind = inspectStoreFile(m_file, &refusal);
    }
    if (kind == StoreFile::Refused)
        raiseRegistryError(m_file, action, refusal);
    if (known && kind != StoreFile::Store)
        raiseRegistryError(
            m_file, action,
            kind == StoreFile::Missing
                ? QCoreApplication::translate("host::Registry",
                                              "the file has gone (removed or moved) since the IDE opened it; put it "
                                              "back, or restart the IDE to begin a new store")
                : QCoreApplication::translate("host::Registry",
                                              "the file was replaced by one without the store since the IDE opened "
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
    //
    // SQLite holds its locks on the store as POSIX record locks, which belong to the
    // process: closing any other descriptor of the same file in this process drops them all.
    // So nothing here reads the store's files through a descriptor of its own (SqliteFile.h),
    // and the IDE's file dialogs neither read files nor list folders before they are shown.
    // Open file description locks (F_OFD_SETLK) would survive such a close, and they conflict
    // with other processes' POSIX locks as these do, but SQLite's Unix file layer has no
    // option for them. A wrapping VFS cannot change how that layer locks without redoing its
    // locking and shared-memory protocol; swapping its fcntl system call for the OFD form is
    // unsound as it stands, since SQLite keeps one lock state per file for all connections of
    // the process and may unlock through another connection's descriptor than the one that
    // locked. Doing it soundly would mean one kept descriptor per file for every SQLite user
    // in the IDE and following SQLite's own opens and closes: not a thin layer, and a slip in
    // it would lose changes silently. So the rule above stands alone.
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
    if (integerQuery("PRAGMA application_id", action) != StoreApplicationId)
        raiseRegistryError(m_file, action,
                           QCoreApplication::translate("host::Registry",
                                                       "the file is another program's database, not a registry store"));
    if (integerQuery("PRAGMA user_version", action) > StoreSchemaVersion)
        raiseRegistryError(
            m_file, action,
            QCoreApplication::translate("host::Registry", "the store was written by a newer version of this program"));
    if (!m_readOnly)
        useRollbackJournal(action);
    execute("PRAGMA synchronous = FULL", action);
    if (!m_readOnly && integerQuery("PRAGMA user_version", action) == StoreTextSchemaVersion)
        convertText(action);
    m_binding = integerQuery("PRAGMA user_version", action) == StoreTextSchemaVersion ? TextBinding::Text
                                                                                      : TextBinding::Bytes;
    const TextBinding binding = m_binding;

    const auto prepareAll = [&](std::initializer_list<std::pair<Statement*, const char*>> statements) {
        for (const auto& [statement, sql] : statements)
            prepare(*statement, sql, binding);
    };
    prepareAll({
        {&m_findKey, "SELECT id FROM keys WHERE path = ?1"},
        {&m_insertKey, "INSERT INTO keys(parent, path, name) VALUES(?1, ?2, ?3)"},
        // A key and every key below it, and (first) their values.
        {&m_deleteKey,
         "WITH RECURSIVE doomed(id) AS (SELECT id FROM keys WHERE path = ?1 UNION ALL "
         "SELECT k.id FROM keys k JOIN doomed d ON k.parent = d.id) "
         "DELETE FROM keys WHERE id IN doomed"},
        {&m_deleteKeyValues,
         "WITH RECURSIVE doomed(id) AS (SELECT id FROM keys WHERE path = ?1 UNION ALL "
         "SELECT k.id FROM keys k JOIN doomed d ON k.parent = d.id) "
         "DELETE FROM vals WHERE key IN doomed"},
        {&m_readValue, "SELECT v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 AND v.folded = ?2"},
        // Inserts nothing when the key is missing. A new value comes after the key's others.
        {&m_writeValue,
         "INSERT INTO vals(key, seq, folded, name, value) "
         "SELECT k.id, (SELECT ifnull(max(seq), 0) + 1 FROM vals WHERE key = k.id), ?2, ?3, ?4 "
         "FROM keys k WHERE k.path = ?1 "
         "ON CONFLICT(key, folded) DO UPDATE SET value = excluded.value"},
        // The same into a key known to exist within a change, its creation number given: one
        // row of values, which SQLite writes without a statement journal of its own.
        {&m_insertValue,
         "INSERT INTO vals(key, seq, folded, name, value) VALUES(?1, ?5, ?2, ?3, ?4) "
         "ON CONFLICT(key, folded) DO UPDATE SET value = excluded.value"},
        {&m_nextSeq, "SELECT ifnull(max(seq), 0) + 1 FROM vals WHERE key = ?1"},
        {&m_deleteValue, "DELETE FROM vals WHERE key = (SELECT id FROM keys WHERE path = ?1) AND folded = ?2"},
        // A negative limit lists them all.
        {&m_values,
         "SELECT v.name, v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 "
         "ORDER BY v.seq LIMIT ?2"},
        {&m_valuesAfter,
         "SELECT v.seq, v.name, v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 AND v.seq > ?2 "
         "ORDER BY v.seq LIMIT ?3"},
    });
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
            execute(newStoreSql().constData(), action);
        execute("COMMIT", action);
    } catch (...) {
        rollback(true);
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
        Statement statement;
        code = sqlite3_prepare_v2(m_db, "PRAGMA journal_mode = DELETE", -1, statement.slot(), nullptr);
        if (code == SQLITE_OK && (code = sqlite3_step(statement.get())) == SQLITE_ROW) {
            mode = QByteArray(reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0)));
            code = SQLITE_OK;
        }
        return (code & 0xff) != SQLITE_BUSY && (code != SQLITE_OK || mode == "delete");
    });
    if (code != SQLITE_OK)
        failLastError(action);
    if (mode != "delete") // another process keeps the log in use
        raiseRegistryError(m_file, action, reasonFor(SQLITE_BUSY, m_journal));
}

void SqliteRegistryBackend::convertText(const RegistryAction& action)
{
    // Each as the bytes of its UTF-16 code units; a value already bytes stays as it is.
    const auto asBytes = [](sqlite3_context* context, int, sqlite3_value** arguments) {
        if (sqlite3_value_type(arguments[0]) == SQLITE_BLOB)
            sqlite3_result_value(context, arguments[0]);
        else if (const void* text = sqlite3_value_text16le(arguments[0]); text && sqlite3_value_bytes16(arguments[0]))
            sqlite3_result_blob(context, text, sqlite3_value_bytes16(arguments[0]), SQLITE_TRANSIENT);
        else
            sqlite3_result_zeroblob(context, 0);
    };
    // The matching form of a name stored as bytes.
    const auto nameKey = [](sqlite3_context* context, int, sqlite3_value** arguments) {
        QString name(static_cast<const QChar*>(sqlite3_value_blob(arguments[0])),
                     sqlite3_value_bytes(arguments[0]) / 2);
        if constexpr (Q_BYTE_ORDER != Q_LITTLE_ENDIAN)
            qFromLittleEndian<char16_t>(name.utf16(), name.size(), name.data());
        QString swapped;
        const QString key = RegistryNameKey(name);
        if (key.isEmpty())
            sqlite3_result_zeroblob(context, 0);
        else
            sqlite3_result_blob(context, storedBytes(key, swapped), int(key.size() * 2), SQLITE_TRANSIENT);
    };
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC | SQLITE_DIRECTONLY;
    if (sqlite3_create_function(m_db, "stored_bytes", 1, flags, nullptr, asBytes, nullptr, nullptr) != SQLITE_OK
        || sqlite3_create_function(m_db, "name_key", 1, flags, nullptr, nameKey, nullptr, nullptr) != SQLITE_OK)
        failLastError(action);
    // Names whose matching form, made again, would match another's keep the form they had.
    const QByteArray convert = "PRAGMA user_version = " + QByteArray::number(StoreSchemaVersion)
        + ";UPDATE keys SET path = stored_bytes(path), name = stored_bytes(name);"
          "UPDATE vals SET folded = stored_bytes(folded), name = stored_bytes(name), value = stored_bytes(value);"
          "UPDATE OR IGNORE vals SET folded = name_key(name) WHERE folded <> name_key(name);";
    transaction([&] {
        if (integerQuery("PRAGMA user_version", action) == StoreTextSchemaVersion)
            execute(convert.constData(), action);
    });
}

void SqliteRegistryBackend::requireWritable(const RegistryAction& action)
{
    // Once per change: the file may have been made read-only since it was opened for
    // writing, which the last look before this use has seen.
    if (m_depth > 0 ? !m_changeWritable : m_readOnly || !fileWritable(m_file))
        raiseRegistryError(m_file, action, QCoreApplication::translate("host::Registry", "the file is read-only"));
}

void SqliteRegistryBackend::expectDone(Use& use, const RegistryAction& action)
{
    if (use.step() != SQLITE_DONE)
        failLastError(action);
}

sqlite3_int64 SqliteRegistryBackend::findKey(const QString& path, const RegistryAction& action)
{
    Use use(m_findKey);
    use.bind(1, path);
    switch (use.step()) {
    case SQLITE_ROW: return use.integer(0);
    case SQLITE_DONE: return 0;
    default: failLastError(action);
    }
}

// Creates the key and its missing ancestors. Runs inside a transaction.
void SqliteRegistryBackend::ensureKey(const RegistryKeyPath& key, const RegistryAction& action)
{
    sqlite3_int64 parent = 0;
    for (qsizetype level = 1; level <= key.size(); ++level) {
        const QString path = pathKey(key, level);
        sqlite3_int64 id = findKey(path, action);
        if (id == 0) {
            Use use(m_insertKey);
            use.bind(1, parent);
            use.bind(2, path);
            use.bind(3, key[level - 1]);
            expectDone(use, action);
            id = sqlite3_last_insert_rowid(m_db);
            m_changeKeyIds.insert(path, id);
        }
        parent = id;
    }
}

void SqliteRegistryBackend::createKey(const RegistryKeyPath& key)
{
    const RegistryAction action{"create", &key};
    if (findKey(pathOf(key), action) != 0)
        return;
    requireWritable(action);
    transaction([&] { ensureKey(key, action); });
}

std::optional<QString> SqliteRegistryBackend::readValue(const RegistryKeyPath& key, const QString& name)
{
    Use use(m_readValue);
    use.bind(1, pathOf(key));
    use.bind(2, RegistryNameKey(name));
    switch (use.step()) {
    case SQLITE_ROW: return use.text(0);
    case SQLITE_DONE: return std::nullopt;
    default: failLastError({"read", &key, &name});
    }
}

template <typename Key>
bool SqliteRegistryBackend::upsertValue(const Statement& statement, const Key& key, const QString& name,
                                        const QString& value, const RegistryAction& action, sqlite3_int64 seq)
{
    Use use(statement);
    use.bind(1, key);
    use.bind(2, RegistryNameKey(name));
    use.bind(3, name);
    use.bind(4, value);
    if (seq > 0)
        use.bind(5, seq);
    expectDone(use, action);
    return sqlite3_changes(m_db) > 0;
}

void SqliteRegistryBackend::writeValue(const RegistryKeyPath& key, const QString& name, const QString& value)
{
    const RegistryAction action{"write", &key, &name};
    requireWritable(action);
    const QString path = pathOf(key);
    if (m_depth > 0) {
        sqlite3_int64 id = changeKeyId(path, action);
        if (id == 0) {
            transaction([&] { ensureKey(key, action); });
            id = changeKeyId(path, action);
        }
        // A value that replaces another keeps its place; the number then goes unused, and
        // the key's values keep their order.
        upsertValue(m_insertValue, id, name, value, action, nextSeq(id, action)++);
        return;
    }
    // Into an existing key the write is one statement; otherwise the key is made with it.
    if (upsertValue(m_writeValue, path, name, value, action))
        return;
    transaction([&] {
        ensureKey(key, action);
        upsertValue(m_writeValue, path, name, value, action);
    });
}

sqlite3_int64 SqliteRegistryBackend::changeKeyId(const QString& path, const RegistryAction& action)
{
    if (const auto known = m_changeKeyIds.constFind(path); known != m_changeKeyIds.cend())
        return known.value();
    const sqlite3_int64 id = findKey(path, action);
    if (id != 0)
        m_changeKeyIds.insert(path, id);
    return id;
}

sqlite3_int64& SqliteRegistryBackend::nextSeq(sqlite3_int64 keyId, const RegistryAction& action)
{
    auto next = m_changeNextSeq.find(keyId);
    if (next == m_changeNextSeq.end()) {
        Use use(m_nextSeq);
        use.bind(1, keyId);
        if (use.step() != SQLITE_ROW)
            failLastError(action);
        next = m_changeNextSeq.insert(keyId, use.integer(0));
    }
    return next.value();
}

void SqliteRegistryBackend::deleteValue(const RegistryKeyPath& key, const QString& name)
{
    const RegistryAction action{"delete", &key, &name};
    requireWritable(action);
    Use use(m_deleteValue);
    use.bind(1, pathOf(key));
    use.bind(2, RegistryNameKey(name));
    expectDone(use, action);
}

void SqliteRegistryBackend::deleteKey(const RegistryKeyPath& key)
{
    const RegistryAction action{"erase", &key};
    requireWritable(action);
    m_changeKeyIds.clear(); // the key and those below it go
    m_changeNextSeq.clear();
    const QString path = pathOf(key);
    transaction([&] {
        for (const Statement* statement : {&m_deleteKeyValues, &m_deleteKey}) {
            Use use(*statement);
            use.bind(1, path);
            expectDone(use, action);
        }
    });
}

QList<QPair<QString, QString>> SqliteRegistryBackend::values(const RegistryKeyPath& key, qsizetype limit)
{
    QList<QPair<QString, QString>> entries;
    Use use(m_values);
    use.bind(1, pathOf(key));
    sqlite3_bind_int64(m_values.get(), 2, limit < 0 ? -1 : sqlite3_int64(limit));
    int result;
    while ((result = use.step()) == SQLITE_ROW)
        entries.append({use.text(0), use.text(1)});
    if (result != SQLITE_DONE)
        failLastError({"list", &key});
    return entries;
}

qsizetype SqliteRegistryBackend::valueCount(const RegistryKeyPath& key)
{
    const RegistryAction action{"list", &key};
    Statement count;
    prepare(count, "SELECT count(*) FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1");
    Use use(count);
    use.bind(1, pathOf(key));
    if (use.step() != SQLITE_ROW)
        failLastError(action);
    return qsizetype(use.integer(0));
}

void SqliteRegistryBackend::deleteKeyInSlices(const RegistryKeyPath& key,
                                              const std::function<void(qsizetype, qsizetype)>& progress)
{
    // Slices of some 10 ms each: a million values take a second or more to delete.
    constexpr int SliceSize = 16384;
    const RegistryAction action{"erase", &key};
    requireWritable(action);
    transaction([&] {
        const qsizetype total = valueCount(key);
        const sqlite3_int64 id = findKey(pathOf(key), action);
        Statement slice;
        // The first values in creation order, up to the slice's last.
        prepare(slice,
                "DELETE FROM vals WHERE key = ?1 AND seq <= ifnull((SELECT seq FROM vals WHERE key = ?1 "
                "ORDER BY seq LIMIT 1 OFFSET ?2), 9223372036854775807)");
        for (qsizetype deleted = 0; id != 0 && deleted < total;) {
            {
                Use use(slice);
                use.bind(1, id);
                sqlite3_bind_int64(slice.get(), 2, SliceSize - 1);
                expectDone(use, action);
            }
            const int changes = sqlite3_changes(m_db);
            deleted += changes;
            if (changes == 0)
                break;
            progress(std::min(deleted, total), total);
        }
        deleteKey(key);
    });
}

void SqliteRegistryBackend::moveKey(const RegistryKeyPath& from, const RegistryKeyPath& to)
{
    const RegistryAction action{"move", &from};
    requireWritable(action);
    const QString fromPath = pathKey(from, from.size());
    const QString toPath = pathKey(to, to.size());
    if (fromPath == toPath)
        return;
    transaction([&] {
        deleteKey(to);
        if (findKey(fromPath, action) == 0)
            return;
        sqlite3_int64 parent = 0;
        if (to.size() > 1) {
            ensureKey(to.mid(0, to.size() - 1), action);
            parent = findKey(pathKey(to, to.size() - 1), action);
        }
        m_changeKeyIds.clear(); // paths change
        // The key and those below it take the new path in place of the old one's start. Paths
        // are kept as their code units' bytes, which SQL's text functions cannot join, so they
        // are made here; a store holds a handful of keys.
        const QString below = fromPath + QLatin1Char('\\');
        std::vector<std::pair<sqlite3_int64, QString>> moved;
        {
            Statement keys;
            prepare(keys, "SELECT id, path FROM keys");
            Use use(keys);
            int result;
            while ((result = use.step()) == SQLITE_ROW) {
                const QString path = use.text(1);
                if (path == fromPath || path.startsWith(below))
                    moved.emplace_back(use.integer(0), toPath + path.mid(fromPath.size()));
            }
            if (result != SQLITE_DONE)
                failLastError(action);
        }
        Statement move;
        prepare(move,
                "UPDATE keys SET path = ?2, name = CASE WHEN id = ?1 THEN ?3 ELSE name END, "
                "parent = CASE WHEN id = ?1 THEN ?4 ELSE parent END WHERE id = ?5");
        const sqlite3_int64 top = findKey(fromPath, action);
        for (const auto& [id, path] : moved) {
            Use use(move);
            use.bind(1, top);
            use.bind(2, path);
            use.bind(3, to.last());
            use.bind(4, parent);
            use.bind(5, id);
            expectDone(use, action);
        }
    });
}

QList<QPair<QString, QString>> SqliteRegistryBackend::valuesAfter(const RegistryKeyPath& key, qint64& position,
                                                                  qsizetype limit)
{
    QList<QPair<QString, QString>> entries;
    Use use(m_valuesAfter);
    use.bind(1, pathOf(key));
    sqlite3_bind_int64(m_valuesAfter.get(), 2, position);
    sqlite3_bind_int64(m_valuesAfter.get(), 3, sqlite3_int64(std::max<qsizetype>(limit, 0)));
    int result;
    while ((result = use.step()) == SQLITE_ROW) {
        position = use.integer(0);
        entries.append({use.text(1), use.text(2)});
    }
    if (result != SQLITE_DONE)
        failLastError({"list", &key});
    return entries;
}

void SqliteRegistryBackend::rollback(bool outermost) noexcept
{
    m_changeKeyIds.clear(); // keys made within it may be undone
    m_changeNextSeq.clear();
    // An error such as a full disk may already have rolled the whole transaction back.
    if (sqlite3_get_autocommit(m_db))
        return;
    sqlite3_exec(m_db, outermost ? "ROLLBACK" : "ROLLBACK TO nested; RELEASE nested", nullptr, nullptr, nullptr);
}

void SqliteRegistryBackend::transaction(const std::function<void()>& changes)
{
    const bool outermost = m_depth == 0;
    const RegistryAction action{"begin a change"};
    // The outermost change takes the write lock at once, waiting for it as long as the busy
    // timeout allows, so that it never fails halfway for want of it.
    if (outermost) {
        m_changeWritable = !m_readOnly && fileWritable(m_file);
        m_changeKeyIds.clear();
        m_changeNextSeq.clear();
    }
    execute(outermost ? (m_changeWritable ? "BEGIN IMMEDIATE" : "BEGIN") : "SAVEPOINT nested", action);
    ++m_depth;
    try {
        changes();
        --m_depth;
    } catch (...) {
        --m_depth;
        rollback(outermost);
        throw;
    }
    if (sqlite3_exec(m_db, outermost ? "COMMIT" : "RELEASE nested", nullptr, nullptr, nullptr) != SQLITE_OK) {
        const int code = sqlite3_extended_errcode(m_db);
        const QString detail = QString::fromUtf8(sqlite3_errmsg(m_db));
        rollback(outermost);
        raiseRegistryError(m_file, {"commit a change"},
                           reasonFor(code, m_journal) + QStringLiteral(" (") + detail + QLatin1Char(')'));
    }
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
