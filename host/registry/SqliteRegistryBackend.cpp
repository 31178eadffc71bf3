// The per-user store on Linux: one SQLite database per user.
//
// Keys form a tree (table keys); each key's values live in table vals. Every name is kept
// twice: as first written (name) and in its matching form (RegistryNameKey), which the
// unique indexes and lookups use. A key's matching form is its whole path of folded names,
// so a section is found with one indexed lookup. Values are stored in the order of their
// key and creation number (seq), so that listing a section reads one range in order;
// replacing a value updates its row in place.
//
// The database is in WAL mode with a busy timeout, so two processes (two IDE windows) can
// share it; synchronous=FULL makes every committed change durable when the call returns.
// Text is stored as UTF-16, so values come back exactly as written, unpaired surrogates
// included. A file that is not this store is reported and never written to.

#include "RegistryBackend.h"

#include "IdeHost.h"
#include "host/Exceptions.h"
#include "host/Registry.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cstring>
#include <filesystem>
#include <system_error>

namespace host {

namespace {

// How long an operation waits for another process's lock before it gives up.
constexpr int BusyTimeoutMs = 5000;

// Identifies the file as this store ("Vrlg"), and the layout of its tables.
constexpr int ApplicationId = 0x56726c67;
constexpr int SchemaVersion = 1;

const char* const CreateSchema = R"sql(
CREATE TABLE keys(
    id INTEGER PRIMARY KEY,
    parent INTEGER REFERENCES keys(id) ON DELETE CASCADE,
    path TEXT NOT NULL UNIQUE,
    name TEXT NOT NULL
);
CREATE INDEX keys_parent ON keys(parent);
CREATE TABLE vals(
    key INTEGER NOT NULL REFERENCES keys(id) ON DELETE CASCADE,
    seq INTEGER NOT NULL,
    folded TEXT NOT NULL,
    name TEXT NOT NULL,
    value TEXT NOT NULL,
    PRIMARY KEY(key, seq)
) WITHOUT ROWID;
CREATE UNIQUE INDEX vals_name ON vals(key, folded);
)sql";

QString Reason(int code)
{
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("another process holds the file locked (waited %1 s)").arg(BusyTimeoutMs / 1000.0);
    case SQLITE_READONLY:
        return QStringLiteral("the file is read-only");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
        return QStringLiteral("the file is not a database or is corrupt");
    case SQLITE_CANTOPEN:
        return QStringLiteral("the file cannot be opened or created");
    case SQLITE_FULL:
        return QStringLiteral("the disk is full");
    case SQLITE_IOERR:
        return QStringLiteral("the file cannot be read or written");
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return QStringLiteral("access is denied");
    default:
        return QStringLiteral("the database failed");
    }
}

// A prepared statement, kept for the connection's lifetime and reset after each use.
class Statement {
public:
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(m_statement); }

    sqlite3_stmt* get() const { return m_statement; }
    sqlite3_stmt** slot() { return &m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

// One use of a prepared statement: binds, steps, and resets on the way out.
class Use {
public:
    explicit Use(const Statement& statement) : m_statement(statement.get()) {}
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    ~Use()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }

    void bind(int index, const QString& text)
    {
        // Bound by its UTF-16 code units and length: an empty string stays an empty string,
        // never NULL, and nothing is converted on the way in.
        static const char16_t empty[] = u"";
        const void* data = text.isEmpty() ? static_cast<const void*>(empty) : static_cast<const void*>(text.constData());
        sqlite3_bind_text16(m_statement, index, data, static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
    }
    // A row id; 0 (no row) binds NULL.
    void bind(int index, sqlite3_int64 id)
    {
        if (id == 0)
            sqlite3_bind_null(m_statement, index);
        else
            sqlite3_bind_int64(m_statement, index, id);
    }

    // SQLITE_ROW or SQLITE_DONE; any other outcome is returned for the caller to raise.
    int step() { return sqlite3_step(m_statement); }

    QString text(int column) const
    {
        const void* data = sqlite3_column_text16(m_statement, column);
        const int bytes = sqlite3_column_bytes16(m_statement, column);
        return data ? QString(static_cast<const QChar*>(data), bytes / 2) : QString();
    }
    sqlite3_int64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }

private:
    sqlite3_stmt* m_statement;
};

// The matching form of a key path: its folded names joined by "\".
QString PathKey(const RegistryKeyPath& key, qsizetype levels)
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
    ~SqliteRegistryBackend() override { sqlite3_close_v2(m_db); }
    SqliteRegistryBackend(const SqliteRegistryBackend&) = delete;
    SqliteRegistryBackend& operator=(const SqliteRegistryBackend&) = delete;

    QString location() const override { return m_file; }
    void createKey(const RegistryKeyPath& key) override;
    std::optional<QString> readValue(const RegistryKeyPath& key, const QString& name) override;
    void writeValue(const RegistryKeyPath& key, const QString& name, const QString& value) override;
    void deleteValue(const RegistryKeyPath& key, const QString& name) override;
    void deleteKey(const RegistryKeyPath& key) override;
    QList<QPair<QString, QString>> values(const RegistryKeyPath& key) override;
    void transaction(const std::function<void()>& changes) override;

private:
    void open();
    void createSchemaIfEmpty();
    [[noreturn]] void fail(const RegistryAction& action, int code) const;
    [[noreturn]] void failLastError(const RegistryAction& action) const { fail(action, sqlite3_extended_errcode(m_db)); }
    void execute(const char* sql, const RegistryAction& action);
    sqlite3_int64 integerQuery(const char* sql, const RegistryAction& action);
    void prepare(Statement& statement, const char* sql);
    void requireWritable(const RegistryAction& action) const;
    void expectDone(Use& use, const RegistryAction& action);
    sqlite3_int64 findKey(const QString& path, const RegistryAction& action);
    void ensureKey(const RegistryKeyPath& key, const RegistryAction& action);
    bool upsertValue(const QString& path, const QString& name, const QString& value, const RegistryAction& action);
    void rollback(bool outermost) noexcept;

    QString m_file;
    sqlite3* m_db = nullptr;
    bool m_readOnly = false;
    int m_depth = 0; // nesting of transaction()

    Statement m_findKey;
    Statement m_insertKey;
    Statement m_deleteKey;
    Statement m_readValue;
    Statement m_writeValue;
    Statement m_deleteValue;
    Statement m_values;
};

SqliteRegistryBackend::SqliteRegistryBackend(const QString& file) : m_file(file)
{
    try {
        open();
    } catch (...) {
        // close_v2 lets the connection go once the members have finalized its statements.
        sqlite3_close_v2(m_db);
        m_db = nullptr;
        throw;
    }
}

void SqliteRegistryBackend::fail(const RegistryAction& action, int code) const
{
    QString detail = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
    if (const int error = m_db ? sqlite3_system_errno(m_db) : 0; error != 0)
        detail += QStringLiteral("; ") + QString::fromLocal8Bit(std::strerror(error));
    RaiseRegistryError(m_file, action, Reason(code) + QStringLiteral(" (") + detail + QLatin1Char(')'));
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

void SqliteRegistryBackend::prepare(Statement& statement, const char* sql)
{
    if (sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement.slot(), nullptr) != SQLITE_OK)
        failLastError({"open the store"});
}

void SqliteRegistryBackend::open()
{
    const RegistryAction action{"open the store"};
    const QFileInfo info(m_file);
    if (info.isDir())
        RaiseRegistryError(m_file, action, QStringLiteral("the path is a folder"));

    std::error_code error;
    const std::filesystem::path folder = std::filesystem::path(m_file.toStdU16String()).parent_path();
    if (!folder.empty() && !std::filesystem::is_directory(folder, error)) {
        std::filesystem::create_directories(folder, error);
        if (error)
            RaiseRegistryError(m_file, action,
                               QStringLiteral("its folder \"%1\" cannot be created (%2)")
                                   .arg(QString::fromStdU16String(folder.u16string()),
                                        QString::fromLocal8Bit(error.message().c_str())));
    }

    // A file that no one may write is read-only here too, even for a user (root) whom the
    // system would let write it anyway.
    const QFileDevice::Permissions writable = QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther;
    m_readOnly = info.exists() && !(QFile::permissions(m_file) & writable);

    // Each handle has a connection of its own, used by one thread at a time.
    const int flags = SQLITE_OPEN_NOMUTEX | (m_readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    if (const int code = sqlite3_open_v2(QFile::encodeName(m_file).constData(), &m_db, flags, nullptr); code != SQLITE_OK)
        fail(action, code);
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    m_readOnly = m_readOnly || sqlite3_db_readonly(m_db, "main") == 1;
    execute("PRAGMA foreign_keys = ON", action);

    // The first statements that read the file: one that is no database fails here, and
    // nothing has been written to it.
    createSchemaIfEmpty();
    if (integerQuery("PRAGMA application_id", action) != ApplicationId)
        RaiseRegistryError(m_file, action, QStringLiteral("the file is another program's database, not a registry store"));
    if (integerQuery("PRAGMA user_version", action) > SchemaVersion)
        RaiseRegistryError(m_file, action, QStringLiteral("the store was written by a newer version of this program"));
    if (!m_readOnly)
        execute("PRAGMA journal_mode = WAL", action);
    execute("PRAGMA synchronous = FULL", action);

    prepare(m_findKey, "SELECT id FROM keys WHERE path = ?1");
    prepare(m_insertKey, "INSERT INTO keys(parent, path, name) VALUES(?1, ?2, ?3)");
    prepare(m_deleteKey, "DELETE FROM keys WHERE path = ?1");
    prepare(m_readValue, "SELECT v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 AND v.folded = ?2");
    // Inserts nothing when the key is missing. A new value comes after the key's others.
    prepare(m_writeValue,
            "INSERT INTO vals(key, seq, folded, name, value) "
            "SELECT k.id, (SELECT ifnull(max(seq), 0) + 1 FROM vals WHERE key = k.id), ?2, ?3, ?4 "
            "FROM keys k WHERE k.path = ?1 "
            "ON CONFLICT(key, folded) DO UPDATE SET value = excluded.value");
    prepare(m_deleteValue, "DELETE FROM vals WHERE key = (SELECT id FROM keys WHERE path = ?1) AND folded = ?2");
    prepare(m_values, "SELECT v.name, v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 ORDER BY v.seq");
}

void SqliteRegistryBackend::createSchemaIfEmpty()
{
    const RegistryAction action{"open the store"};
    const char* const isEmpty = "SELECT count(*) = 0 FROM sqlite_schema";
    if (!integerQuery(isEmpty, action))
        return;
    if (m_readOnly)
        RaiseRegistryError(m_file, action, QStringLiteral("the file is read-only and holds no store yet"));
    // The text encoding and the journal mode are fixed while the database is still empty.
    execute("PRAGMA encoding = 'UTF-16le'", action);
    execute("PRAGMA journal_mode = WAL", action);
    execute("BEGIN IMMEDIATE", action);
    try {
        // Another process may have created the store while this one waited for the lock.
        if (integerQuery(isEmpty, action)) {
            execute(CreateSchema, action);
            execute(QByteArray("PRAGMA application_id = " + QByteArray::number(ApplicationId)).constData(), action);
            execute(QByteArray("PRAGMA user_version = " + QByteArray::number(SchemaVersion)).constData(), action);
        }
        execute("COMMIT", action);
    } catch (...) {
        rollback(true);
        throw;
    }
}

void SqliteRegistryBackend::requireWritable(const RegistryAction& action) const
{
    if (m_readOnly)
        RaiseRegistryError(m_file, action, QStringLiteral("the file is read-only"));
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
    case SQLITE_ROW:
        return use.integer(0);
    case SQLITE_DONE:
        return 0;
    default:
        failLastError(action);
    }
}

// Creates the key and its missing ancestors. Runs inside a transaction.
void SqliteRegistryBackend::ensureKey(const RegistryKeyPath& key, const RegistryAction& action)
{
    sqlite3_int64 parent = 0;
    for (qsizetype level = 1; level <= key.size(); ++level) {
        const QString path = PathKey(key, level);
        sqlite3_int64 id = findKey(path, action);
        if (id == 0) {
            Use use(m_insertKey);
            use.bind(1, parent);
            use.bind(2, path);
            use.bind(3, key[level - 1]);
            expectDone(use, action);
            id = sqlite3_last_insert_rowid(m_db);
        }
        parent = id;
    }
}

void SqliteRegistryBackend::createKey(const RegistryKeyPath& key)
{
    const RegistryAction action{"create", &key};
    if (findKey(PathKey(key, key.size()), action) != 0)
        return;
    requireWritable(action);
    transaction([&] { ensureKey(key, action); });
}

std::optional<QString> SqliteRegistryBackend::readValue(const RegistryKeyPath& key, const QString& name)
{
    Use use(m_readValue);
    use.bind(1, PathKey(key, key.size()));
    use.bind(2, RegistryNameKey(name));
    switch (use.step()) {
    case SQLITE_ROW:
        return use.text(0);
    case SQLITE_DONE:
        return std::nullopt;
    default:
        failLastError({"read", &key, &name});
    }
}

bool SqliteRegistryBackend::upsertValue(const QString& path, const QString& name, const QString& value,
                                        const RegistryAction& action)
{
    Use use(m_writeValue);
    use.bind(1, path);
    use.bind(2, RegistryNameKey(name));
    use.bind(3, name);
    use.bind(4, value);
    expectDone(use, action);
    return sqlite3_changes(m_db) > 0;
}

void SqliteRegistryBackend::writeValue(const RegistryKeyPath& key, const QString& name, const QString& value)
{
    const RegistryAction action{"write", &key, &name};
    requireWritable(action);
    // Into an existing key the write is one statement; otherwise the key is made with it.
    const QString path = PathKey(key, key.size());
    if (upsertValue(path, name, value, action))
        return;
    transaction([&] {
        ensureKey(key, action);
        upsertValue(path, name, value, action);
    });
}

void SqliteRegistryBackend::deleteValue(const RegistryKeyPath& key, const QString& name)
{
    const RegistryAction action{"delete", &key, &name};
    requireWritable(action);
    Use use(m_deleteValue);
    use.bind(1, PathKey(key, key.size()));
    use.bind(2, RegistryNameKey(name));
    expectDone(use, action);
}

void SqliteRegistryBackend::deleteKey(const RegistryKeyPath& key)
{
    const RegistryAction action{"erase", &key};
    requireWritable(action);
    Use use(m_deleteKey);
    use.bind(1, PathKey(key, key.size()));
    expectDone(use, action);
}

QList<QPair<QString, QString>> SqliteRegistryBackend::values(const RegistryKeyPath& key)
{
    QList<QPair<QString, QString>> entries;
    Use use(m_values);
    use.bind(1, PathKey(key, key.size()));
    int result;
    while ((result = use.step()) == SQLITE_ROW)
        entries.append({use.text(0), use.text(1)});
    if (result != SQLITE_DONE)
        failLastError({"list", &key});
    return entries;
}

void SqliteRegistryBackend::rollback(bool outermost) noexcept
{
    // An error such as a full disk may already have rolled the whole transaction back.
    if (sqlite3_get_autocommit(m_db))
        return;
    sqlite3_exec(m_db, outermost ? "ROLLBACK" : "ROLLBACK TO nested; RELEASE nested", nullptr, nullptr, nullptr);
}

void SqliteRegistryBackend::transaction(const std::function<void()>& changes)
{
    const bool outermost = m_depth == 0;
    // The outermost change takes the write lock at once, waiting for it as long as the busy
    // timeout allows, so that it never fails halfway for want of it.
    execute(outermost ? (m_readOnly ? "BEGIN" : "BEGIN IMMEDIATE") : "SAVEPOINT nested",
            {"begin a change"});
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
        RaiseRegistryError(m_file, {"commit a change"},
                           Reason(code) + QStringLiteral(" (") + detail + QLatin1Char(')'));
    }
}

} // namespace

std::unique_ptr<RegistryBackend> OpenRegistryBackend()
{
    return std::make_unique<SqliteRegistryBackend>(ide::RegistryFile());
}

} // namespace host
