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
// included.
//
// A file that is not this store is reported and never written to: its header and the
// journals beside it are read before SQLite opens it, since SQLite would otherwise take over
// another program's empty database or apply and delete another database's journal. A new
// store is made whole in memory and renamed into place, one process at a time (a lock on
// the folder), so that two IDEs starting at once share one store and a crash leaves no
// half-made one.
//
// The file may change under a running IDE. Before each use a connection checks that its file
// is still the store at its path and that the journal still holds what the shared index says
// it does; a connection whose file was moved, removed or written over is let go without
// another write, and a store this process had open is never made anew where it has gone.

#include "host/registry/RegistryBackend.h"

#include "host/Exceptions.h"
#include "host/Registry.h"
#include "host/private/IdeHost.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryFile>
#include <QThread>
#include <QtEndian>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace host {

namespace {

// How long an operation waits for another process's lock before it gives up; the IDE may set
// another (ide::setRegistryBusyTimeout).
int busyTimeoutMs = 5000;
// How often the waits of our own (the folder's lock, the switch to WAL) try again.
constexpr int RetryMs = 10;

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

// The tables of an empty store, and the marks that make the file this store.
QByteArray newStoreSql()
{
    return QByteArray(CreateSchema) + "PRAGMA application_id = " + QByteArray::number(ApplicationId)
        + ";\nPRAGMA user_version = " + QByteArray::number(SchemaVersion) + ";\n";
}

// Tries attempt until it succeeds or the busy timeout has passed, as SQLite's own waits do.
template <typename Attempt>
bool waitFor(Attempt attempt)
{
    const QDeadlineTimer deadline(busyTimeoutMs);
    while (!attempt()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(RetryMs);
    }
    return true;
}

QString folderOf(const QString& file)
{
    return QFileInfo(file).absolutePath();
}

// Whether this user may create and remove files in folder, as the store's journal needs.
bool folderWritable(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

// Makes folder and its missing parents; returns why it cannot, or "".
QString makeFolder(const QString& folder)
{
    std::error_code error;
    const std::filesystem::path path(folder.toStdU16String());
    if (!std::filesystem::is_directory(path, error))
        std::filesystem::create_directories(path, error);
    if (error)
        return QStringLiteral("its folder \"%1\" cannot be created (%2)")
            .arg(folder, QString::fromLocal8Bit(error.message().c_str()));
    return QString();
}

QString folderNotWritable(const QString& folder)
{
    return QStringLiteral("its folder \"%1\" cannot be written").arg(folder);
}

QString noStoreYet()
{
    return QStringLiteral("the file is read-only and holds no store yet");
}

// The stores this process has had open. One that has gone since, or been replaced by a file
// that holds no store, is not made anew while the process runs: the user's grouping would
// seem lost, and the store, once put back, would find a new one in its way.
QSet<QString>& openedStores()
{
    static QSet<QString> stores;
    return stores;
}

// A file that no one may write is read-only here too, even for a user (root) whom the
// system would let write it anyway.
bool fileWritable(const QString& file)
{
    const QFileDevice::Permissions writable = QFileDevice::WriteOwner | QFileDevice::WriteGroup
        | QFileDevice::WriteOther;
    return QFile::permissions(file) & writable;
}

QString reasonFor(int code, const QString& file)
{
    // SQLite keeps its journal beside the file: a folder that cannot be written fails
    // reads and writes with codes that would otherwise blame the file.
    const int primary = code & 0xff;
    if ((primary == SQLITE_READONLY || primary == SQLITE_CANTOPEN) && !folderWritable(folderOf(file)))
        return folderNotWritable(folderOf(file));
    switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("another process holds the file locked (waited %1 s)").arg(busyTimeoutMs / 1000.0);
    case SQLITE_READONLY: return QStringLiteral("the file is read-only");
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT: return QStringLiteral("the file is not a database or is corrupt");
    case SQLITE_CANTOPEN: return QStringLiteral("the file cannot be opened or created");
    case SQLITE_FULL: return QStringLiteral("the disk is full");
    case SQLITE_IOERR: return QStringLiteral("the file cannot be read or written");
    case SQLITE_PERM:
    case SQLITE_AUTH: return QStringLiteral("access is denied");
    default: return QStringLiteral("the database failed");
    }
}

// What lies at the store's path, judged before SQLite opens it.
enum class StoreFile {
    Missing, // nothing yet: a new store is made
    Empty,   // a zero-length file: a new store is made in its place
    Blank,   // a database with no tables and no one's marks: becomes the store where it is
    Store,   // this store
    Refused, // anything else: never opened
};

// An SQLite file's first 100 bytes, and page 1's b-tree header after them.
namespace header {
constexpr char Magic[] = "SQLite format 3";
constexpr char LeafTablePage = 0x0d;
// Where the fields read start.
enum Offset : int {
    PageSize = 16,
    PayloadFractions = 21, // three bytes, always 64, 32, 32
    UserVersion = 60,
    ApplicationId = 68,
    SchemaPageType = 100,
    SchemaCellCount = 103,
    Size = 108, // how many bytes are read
};
} // namespace header

bool isSqliteHeader(const QByteArray& bytes)
{
    if (bytes.size() < header::Size || !bytes.startsWith(QByteArray(header::Magic, sizeof header::Magic)))
        return false;
    const quint16 pageSize = qFromBigEndian<quint16>(bytes.constData() + header::PageSize);
    const bool powerOfTwo = pageSize >= 512 && (pageSize & (pageSize - 1)) == 0;
    return (pageSize == 1 || powerOfTwo) && bytes.mid(header::PayloadFractions, 3) == QByteArray("\x40\x20\x20");
}

bool isStoreHeader(const QByteArray& bytes)
{
    return isSqliteHeader(bytes)
        && qFromBigEndian<quint32>(bytes.constData() + header::ApplicationId) == quint32(ApplicationId);
}

// SQLite's own handle on a connection's database file (SQLITE_FCNTL_FILE_POINTER) or on its
// journal (SQLITE_FCNTL_JOURNAL_POINTER); nullptr when there is none or it is not open.
sqlite3_file* fileOf(sqlite3* db, int which)
{
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(db, "main", which, &file) != SQLITE_OK || !file || !file->pMethods)
        return nullptr;
    return file;
}

qint64 sizeOf(sqlite3_file* file)
{
    sqlite3_int64 size = 0;
    return file->pMethods->xFileSize(file, &size) == SQLITE_OK ? size : -1;
}

// size bytes at offset, through SQLite's handle on the file; none when the file ends before.
QByteArray readThrough(sqlite3_file* file, qint64 offset, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    if (file->pMethods->xRead(file, bytes.data(), size, offset) != SQLITE_OK)
        return QByteArray();
    return bytes;
}

// Whether SQLite's handle on a file no longer names the file at its path (moved, removed,
// or another file put in its place).
bool hasMoved(sqlite3_file* file)
{
    int moved = 0;
    return file->pMethods->xFileControl(file, SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved;
}

// The file's first bytes and its size, read through SQLite, which changes nothing before a
// statement runs. Not through a descriptor of our own: closing it would drop every lock this
// process holds on the file, since POSIX locks belong to the process, and another process
// could then take the store for unused, checkpoint and delete its journal under this
// process's open connections, whose next writes would be lost. SQLite keeps its descriptor
// open while the process holds locks on the file.
bool readFileHead(const QString& file, QByteArray* bytes, qint64* size, QString* error)
{
    sqlite3* opened = nullptr;
    const int code = sqlite3_open_v2(QFile::encodeName(file).constData(), &opened,
                                     SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX, nullptr);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> db(opened, sqlite3_close);
    sqlite3_file* handle = code == SQLITE_OK ? fileOf(db.get(), SQLITE_FCNTL_FILE_POINTER) : nullptr;
    if (!handle || (*size = sizeOf(handle)) < 0) {
        const int system = db ? sqlite3_system_errno(db.get()) : 0;
        *error = system ? QString::fromLocal8Bit(std::strerror(system)) : QString::fromUtf8(sqlite3_errstr(code));
        return false;
    }
    *bytes = readThrough(handle, 0, int(std::min<qint64>(*size, header::Size)));
    return true;
}

// A WAL file's header and a frame's header, and the shared index's header at the start of
// the "-shm" file, as SQLite's file format documents them. The index is in native byte
// order, the WAL big-endian; salts are copied between them byte for byte.
namespace wal {
constexpr int HeaderSize = 32;
constexpr int Magic = 0;
constexpr int Salts = 16; // in the WAL header
constexpr int FrameHeaderSize = 24;
constexpr int FrameSalts = 8;
constexpr int FrameChecksums = 16;
constexpr int IndexIsInit = 12; // the index header, two copies of IndexCopy bytes
constexpr int IndexPageSize = 14;
constexpr int IndexFrames = 16;
constexpr int IndexChecksums = 24;
constexpr int IndexSalts = 32;
constexpr int IndexCopy = 48;
constexpr int IndexBackfilled = 96; // frames already copied into the database file
constexpr int IndexRegion = 32768;
constexpr int Backfilled = IndexCopy; // in what readIndexHeader returns
} // namespace wal

quint32 nativeField(const QByteArray& bytes, int offset)
{
    return qFromUnaligned<quint32>(bytes.constData() + offset);
}

// The shared index's header (one copy) and its count of copied frames, or "" while it is
// being written or not made yet.
QByteArray readIndexHeader(sqlite3_file* db)
{
    volatile void* region = nullptr;
    if (db->pMethods->iVersion < 2 || db->pMethods->xShmMap(db, 0, wal::IndexRegion, 0, &region) != SQLITE_OK
        || !region)
        return QByteArray();
    QByteArray bytes(wal::IndexBackfilled + 4, Qt::Uninitialized);
    std::memcpy(bytes.data(), const_cast<const void*>(region), std::size_t(bytes.size()));
    if (bytes.left(wal::IndexCopy) != bytes.mid(wal::IndexCopy, wal::IndexCopy) || bytes[wal::IndexIsInit] == 0)
        return QByteArray();
    return bytes.left(wal::IndexCopy) + bytes.mid(wal::IndexBackfilled, 4);
}

// Why the WAL cannot hold the changes that index says it holds beyond those already copied
// into the database file, or "".
QString walMismatch(sqlite3_file* journal, const QByteArray& index)
{
    const quint32 frames = nativeField(index, wal::IndexFrames);
    const quint16 pageCode = qFromUnaligned<quint16>(index.constData() + wal::IndexPageSize);
    const qint64 frameSize = wal::FrameHeaderSize + (pageCode == 1 ? 65536 : pageCode);
    const qint64 needed = wal::HeaderSize + qint64(frames) * frameSize;
    if (const qint64 size = sizeOf(journal); size < needed)
        return QStringLiteral("it is %L1 bytes long but holds changes up to byte %L2").arg(size).arg(needed);
    const QByteArray salts = index.mid(wal::IndexSalts, 8);
    const QByteArray head = readThrough(journal, 0, wal::HeaderSize);
    const quint32 magic = head.size() == wal::HeaderSize ? qFromBigEndian<quint32>(head.constData() + wal::Magic) : 0;
    if ((magic & ~1u) != 0x377f0682u || head.mid(wal::Salts, 8) != salts)
        return QStringLiteral("its header is damaged");
    const QByteArray last = readThrough(journal, needed - frameSize, wal::FrameHeaderSize);
    if (last.size() != wal::FrameHeaderSize || last.mid(wal::FrameSalts, 8) != salts
        || qFromBigEndian<quint32>(last.constData() + wal::FrameChecksums) != nativeField(index, wal::IndexChecksums)
        || qFromBigEndian<quint32>(last.constData() + wal::FrameChecksums + 4)
            != nativeField(index, wal::IndexChecksums + 4))
        return QStringLiteral("its last change is damaged");
    return QString();
}

// Reads the file's header and looks for journals beside it, changing nothing. On Refused,
// *refusal says why the file cannot be the store.
StoreFile inspectStoreFile(const QString& file, QString* refusal)
{
    const auto refuse = [refusal](const QString& why) {
        *refusal = why;
        return StoreFile::Refused;
    };
    const QFileInfo info(file);
    StoreFile kind = StoreFile::Missing;
    if (info.isDir())
        return refuse(QStringLiteral("the path is a folder"));
    if (info.exists() && !info.isFile())
        return refuse(QStringLiteral("the path is not a regular file"));
    if (info.exists()) {
        QByteArray bytes;
        qint64 size = 0;
        QString error;
        if (!readFileHead(file, &bytes, &size, &error))
            return refuse(QStringLiteral("the file cannot be read (%1)").arg(error));
        const auto field = [&bytes](int offset) { return qFromBigEndian<quint32>(bytes.constData() + offset); };
        if (size == 0)
            kind = StoreFile::Empty;
        else if (!isSqliteHeader(bytes))
            return refuse(QStringLiteral("the file is not a database or is corrupt"));
        else if (field(header::ApplicationId) == quint32(ApplicationId))
            return StoreFile::Store; // the journals beside it are its own
        else if (field(header::ApplicationId) == 0 && field(header::UserVersion) == 0
                 && bytes[header::SchemaPageType] == header::LeafTablePage
                 && qFromBigEndian<quint16>(bytes.constData() + header::SchemaCellCount) == 0)
            kind = StoreFile::Blank;
        else
            return refuse(QStringLiteral("the file is another program's database, not a registry store"));
    }
    // Beside anything but this store, a journal is another database's unfinished change,
    // which SQLite would apply to the new store and then delete.
    for (const char* suffix : {"-wal", "-journal"}) {
        const QFileInfo side(file + QLatin1String(suffix));
        if (side.exists() || side.isSymLink())
            return refuse(QStringLiteral("\"%1\" beside it belongs to another database").arg(side.fileName()));
    }
    return kind;
}

// A lock on the store's folder, held while a new store is made there. Only this program
// takes it, so it stops no one else. Closing the folder lets it go.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Waits up to the busy timeout; false when another process holds the lock longer. A
    // folder that cannot be locked (unreadable, or on a file system without locks) is used
    // without.
    bool lock(const QString& folder)
    {
        m_fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        return m_fd < 0 || waitFor([this] { return ::flock(m_fd, LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK; });
    }

private:
    int m_fd = -1;
};

// Makes a new store in memory and writes it to file under a temporary name, then renames
// it into place: another process finds no store or a whole one, and a crash leaves no
// half-made store behind. It starts with a rollback journal; opening it switches to WAL.
void writeNewStore(const QString& file, const RegistryAction& action)
{
    const auto fail = [&](const QString& why) { raiseRegistryError(file, action, why); };
    sqlite3* opened = nullptr;
    const int code = sqlite3_open(":memory:", &opened);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> memory(opened, sqlite3_close);
    if (code != SQLITE_OK
        || sqlite3_exec(memory.get(), "PRAGMA encoding = 'UTF-16le'", nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(memory.get(), newStoreSql().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QStringLiteral("the database failed (%1)").arg(QString::fromUtf8(sqlite3_errmsg(memory.get()))));
    sqlite3_int64 size = 0;
    const std::unique_ptr<unsigned char, void (*)(void*)> image(sqlite3_serialize(memory.get(), "main", &size, 0),
                                                                sqlite3_free);
    if (!image)
        fail(QStringLiteral("out of memory"));

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(reinterpret_cast<const char*>(image.get()), size) != size
        || !out.commit())
        fail(QStringLiteral("the file cannot be created (%1)").arg(out.errorString()));
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
        const void* data = text.isEmpty() ? static_cast<const void*>(empty)
                                          : static_cast<const void*>(text.constData());
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
    QList<QPair<QString, QString>> values(const RegistryKeyPath& key) override;
    void transaction(const std::function<void()>& changes) override;
    bool stillCurrent() override;

private:
    void open();
    // Closes the connection; one that has failed, or whose file is no longer the store, is
    // closed without copying its journal into the file (SQLite does when the last
    // connection closes), so that it writes nothing more.
    void close() noexcept;
    // Raises when the journal is damaged; nothing is read or written then.
    void checkJournal(const RegistryAction& action);
    void createSchemaIfBlank();
    void switchToWal(const RegistryAction& action);
    [[noreturn]] void fail(const RegistryAction& action, int code) const;
    [[noreturn]] void failLastError(const RegistryAction& action) const
    {
        fail(action, sqlite3_extended_errcode(m_db));
    }
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
    bool m_healthy = false; // opened, and the file still the store when last looked at
    int m_depth = 0;        // nesting of transaction()

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
        close();
        throw;
    }
    m_healthy = true;
}

void SqliteRegistryBackend::close() noexcept
{
    if (!m_db)
        return;
    if (!m_healthy)
        sqlite3_db_config(m_db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    // close_v2 lets the connection go once the members have finalized its statements.
    sqlite3_close_v2(m_db);
    m_db = nullptr;
}

bool SqliteRegistryBackend::stillCurrent()
{
    // Within a change the connection stays, whatever happens to the file meanwhile.
    if (m_depth > 0)
        return true;
    sqlite3_file* file = fileOf(m_db, SQLITE_FCNTL_FILE_POINTER);
    sqlite3_file* journal = fileOf(m_db, SQLITE_FCNTL_JOURNAL_POINTER);
    m_healthy = file && !hasMoved(file) && isStoreHeader(readThrough(file, 0, header::Size))
        && !(journal && hasMoved(journal));
    return m_healthy;
}

void SqliteRegistryBackend::checkJournal(const RegistryAction& action)
{
    if (m_depth > 0)
        return;
    sqlite3_file* file = fileOf(m_db, SQLITE_FCNTL_FILE_POINTER);
    sqlite3_file* journal = fileOf(m_db, SQLITE_FCNTL_JOURNAL_POINTER);
    if (!file || !journal)
        return;
    // Changes that are not yet in the database file itself live only in the journal, where
    // SQLite finds them through the shared index and reads them unchecked: damage would go
    // unnoticed until a later opening quietly dropped them, and writes would go on after it.
    // Another process restarting the journal changes the index before the journal, so a
    // mismatch counts only while the index stays as it was.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const QByteArray index = readIndexHeader(file);
        if (index.isEmpty())
            return;
        const quint32 frames = nativeField(index, wal::IndexFrames);
        if (frames == 0 || nativeField(index, wal::Backfilled) >= frames)
            return; // everything is in the database file
        const QString mismatch = walMismatch(journal, index);
        if (mismatch.isEmpty())
            return;
        if (readIndexHeader(file) != index)
            continue;
        m_healthy = false; // never copied into the file, not even when the connection closes
        raiseRegistryError(m_file, action,
                           QStringLiteral("its journal \"%1\" is damaged (%2); nothing was read or written")
                               .arg(QFileInfo(m_file).fileName() + QLatin1String("-wal"), mismatch));
    }
}

void SqliteRegistryBackend::fail(const RegistryAction& action, int code) const
{
    QString detail = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QString::fromUtf8(sqlite3_errstr(code));
    if (const int error = m_db ? sqlite3_system_errno(m_db) : 0; error != 0)
        detail += QStringLiteral("; ") + QString::fromLocal8Bit(std::strerror(error));
    raiseRegistryError(m_file, action, reasonFor(code, m_file) + QStringLiteral(" (") + detail + QLatin1Char(')'));
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
    // A store this process had open is never made anew: not even its folder.
    const bool known = openedStores().contains(m_file);

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
                QStringLiteral("another process is creating the store (waited %1 s)").arg(busyTimeoutMs / 1000.0));
        kind = inspectStoreFile(m_file, &refusal);
    }
    if (kind == StoreFile::Refused)
        raiseRegistryError(m_file, action, refusal);
    if (known && kind != StoreFile::Store)
        raiseRegistryError(m_file, action,
                           kind == StoreFile::Missing
                               ? QStringLiteral("the file has gone (removed or moved) since the IDE opened it; put it "
                                                "back, or restart the IDE to begin a new store")
                               : QStringLiteral("the file was replaced by one without the store since the IDE opened "
                                                "it; put the store back, or restart the IDE to begin a new one"));
    if (kind == StoreFile::Missing || kind == StoreFile::Empty) {
        if (kind == StoreFile::Empty && !fileWritable(m_file))
            raiseRegistryError(m_file, action, noStoreYet());
        if (!folderWritable(folderOf(m_file)))
            raiseRegistryError(m_file, action, folderNotWritable(folderOf(m_file)));
        writeNewStore(m_file, action);
    }
    m_readOnly = !fileWritable(m_file);

    // Each handle has a connection of its own, used by one thread at a time. SQLite never
    // creates the file: it exists by now.
    const int flags = SQLITE_OPEN_NOMUTEX | (m_readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE);
    if (const int code = sqlite3_open_v2(QFile::encodeName(m_file).constData(), &m_db, flags, nullptr);
        code != SQLITE_OK)
        fail(action, code);
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, busyTimeoutMs);
    m_readOnly = m_readOnly || sqlite3_db_readonly(m_db, "main") == 1;
    execute("PRAGMA foreign_keys = ON", action);

    createSchemaIfBlank();
    if (integerQuery("PRAGMA application_id", action) != ApplicationId)
        raiseRegistryError(m_file, action,
                           QStringLiteral("the file is another program's database, not a registry store"));
    if (integerQuery("PRAGMA user_version", action) > SchemaVersion)
        raiseRegistryError(m_file, action, QStringLiteral("the store was written by a newer version of this program"));
    if (!m_readOnly)
        switchToWal(action);
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
    prepare(m_values,
            "SELECT v.name, v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 ORDER BY v.seq");
    checkJournal(action);
    openedStores().insert(m_file);
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
    // In WAL mode the marks reach the file itself only with a checkpoint; until then another
    // process would not know the file for this store.
    sqlite3_wal_checkpoint_v2(m_db, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
}

void SqliteRegistryBackend::switchToWal(const RegistryAction& action)
{
    // The switch reads the file and then writes it, and SQLite does not wait for a lock that
    // another process takes in between (two processes opening a new store at once): the
    // wait is ours.
    int code = SQLITE_OK;
    waitFor([&] {
        code = sqlite3_exec(m_db, "PRAGMA journal_mode = WAL", nullptr, nullptr, nullptr);
        return (code & 0xff) != SQLITE_BUSY;
    });
    if (code != SQLITE_OK)
        failLastError(action);
}

void SqliteRegistryBackend::requireWritable(const RegistryAction& action) const
{
    // The file may have been made read-only since it was opened for writing.
    if (m_readOnly || !fileWritable(m_file))
        raiseRegistryError(m_file, action, QStringLiteral("the file is read-only"));
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
        }
        parent = id;
    }
}

void SqliteRegistryBackend::createKey(const RegistryKeyPath& key)
{
    const RegistryAction action{"create", &key};
    checkJournal(action);
    if (findKey(pathKey(key, key.size()), action) != 0)
        return;
    requireWritable(action);
    transaction([&] { ensureKey(key, action); });
}

std::optional<QString> SqliteRegistryBackend::readValue(const RegistryKeyPath& key, const QString& name)
{
    checkJournal({"read", &key, &name});
    Use use(m_readValue);
    use.bind(1, pathKey(key, key.size()));
    use.bind(2, RegistryNameKey(name));
    switch (use.step()) {
    case SQLITE_ROW: return use.text(0);
    case SQLITE_DONE: return std::nullopt;
    default: failLastError({"read", &key, &name});
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
    checkJournal(action);
    // Into an existing key the write is one statement; otherwise the key is made with it.
    const QString path = pathKey(key, key.size());
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
    checkJournal(action);
    Use use(m_deleteValue);
    use.bind(1, pathKey(key, key.size()));
    use.bind(2, RegistryNameKey(name));
    expectDone(use, action);
}

void SqliteRegistryBackend::deleteKey(const RegistryKeyPath& key)
{
    const RegistryAction action{"erase", &key};
    requireWritable(action);
    checkJournal(action);
    Use use(m_deleteKey);
    use.bind(1, pathKey(key, key.size()));
    expectDone(use, action);
}

QList<QPair<QString, QString>> SqliteRegistryBackend::values(const RegistryKeyPath& key)
{
    checkJournal({"list", &key});
    QList<QPair<QString, QString>> entries;
    Use use(m_values);
    use.bind(1, pathKey(key, key.size()));
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
    const RegistryAction action{"begin a change"};
    checkJournal(action);
    // The outermost change takes the write lock at once, waiting for it as long as the busy
    // timeout allows, so that it never fails halfway for want of it.
    const bool readOnly = m_readOnly || !fileWritable(m_file);
    execute(outermost ? (readOnly ? "BEGIN" : "BEGIN IMMEDIATE") : "SAVEPOINT nested", action);
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
                           reasonFor(code, m_file) + QStringLiteral(" (") + detail + QLatin1Char(')'));
    }
}

} // namespace

QString registryLocation()
{
    return ide::registryFile();
}

QString ide::registryFileProblem(const QString& file)
{
    QString refusal;
    const StoreFile kind = inspectStoreFile(file, &refusal);
    if (kind == StoreFile::Refused)
        return refusal;
    // The folder is made, as the first use would make it, and a file is made in it and
    // removed: only trying finds a read-only mount, or a folder that even root cannot write.
    const QString folder = folderOf(file);
    if (const QString problem = makeFolder(folder); !problem.isEmpty())
        return problem;
    if (QTemporaryFile probe(folder + QStringLiteral("/.registry-XXXXXX")); !probe.open())
        return folderNotWritable(folder) + QStringLiteral(" (%1)").arg(probe.errorString());
    if ((kind == StoreFile::Empty || kind == StoreFile::Blank) && !fileWritable(file))
        return noStoreYet();
    return QString();
}

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
