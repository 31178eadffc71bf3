#include "host/registry/StoreChecks.h"

#include "host/private/IdeHost.h"
#include "host/registry/RegistryFile.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>

#include <sys/stat.h>
#include <unistd.h>

namespace host {

namespace {

// A rollback journal's header and records, and page 1's change counter, as SQLite's file
// format documents them (big-endian).
namespace journal {
constexpr char Magic[] = "\xd9\xd5\x05\xf9\x20\xa1\x63\xd7";
constexpr int MagicSize = 8;
constexpr int Records = 8; // synced records; all of them when 0xffffffff
constexpr int ChecksumStart = 12;
constexpr int OriginalPages = 16; // the file's size before the change
constexpr int SectorSize = 20;    // the header's length: the first record follows
constexpr int PageSize = 24;
constexpr int HeaderSize = 28;
constexpr int ChangeCounter = 24; // in page 1
} // namespace journal

quint32 bigEndian(const QByteArray& bytes, int offset)
{
    return qFromBigEndian<quint32>(bytes.constData() + offset);
}

// Whether SQLite may roll the journal back into file: judged by the journal's page 1, which
// must be the file's page 1 before the change (the file not yet written) or one change behind
// it (written up to the commit). A journal without page 1 whose change was never synced (so
// the file was never written) must leave the file's size as it is, which SQLite cuts back to
// the journal's. Any other journal is left to SQLite.
bool journalFits(sqlite3_file* file, const QByteArray& path)
{
    // A descriptor of its own: SQLite holds no lock on a journal that closing it could drop.
    QFile in(QFile::decodeName(path));
    if (!in.open(QIODevice::ReadOnly))
        return true;
    const QByteArray header = in.read(journal::HeaderSize);
    if (header.size() < journal::HeaderSize || !header.startsWith(QByteArray(journal::Magic, journal::MagicSize)))
        return true;
    const quint32 pageSize = bigEndian(header, journal::PageSize);
    const quint32 sectorSize = bigEndian(header, journal::SectorSize);
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) || sectorSize < journal::HeaderSize)
        return true;
    const qint64 recordSize = qint64(pageSize) + 8;
    const qint64 written = std::max<qint64>(0, (in.size() - sectorSize) / recordSize);
    const quint32 synced = bigEndian(header, journal::Records);
    const qint64 records = synced == 0 || synced == 0xffffffffu ? written : std::min<qint64>(synced, written);
    for (qint64 i = 0; i < records; ++i) {
        if (!in.seek(sectorSize + i * recordSize))
            return true;
        const QByteArray record = in.read(recordSize);
        if (record.size() != recordSize)
            return true;
        if (bigEndian(record, 0) != 1)
            continue;
        const QByteArray image = record.mid(4, int(pageSize));
        quint32 checksum = bigEndian(header, journal::ChecksumStart);
        for (int at = int(pageSize) - 200; at > 0; at -= 200)
            checksum += quint8(image[at]);
        if (checksum != bigEndian(record, 4 + int(pageSize)))
            return true; // torn: SQLite stops before it
        const QByteArray page = readThrough(file, 0, int(pageSize));
        return page == image
            || (page.size() == image.size()
                && bigEndian(page, journal::ChangeCounter) == bigEndian(image, journal::ChangeCounter) + 1);
    }
    return synced != 0 || sizeOf(file) == qint64(bigEndian(header, journal::OriginalPages)) * pageSize;
}

} // namespace

void StoreWatch::start(sqlite3* db, const QString& file, bool openedReadOnly)
{
    m_db = db;
    m_path = QFile::encodeName(file);
    m_openedReadOnly = openedReadOnly;
    // SQLite's handle names the file at the path when the path names the same file before and
    // after SQLite compares it with its handle; otherwise the file is being swapped, and the
    // first look finds it replaced.
    const FileState before = FileState::of(m_path);
    m_databaseFile = fileOf(db, SQLITE_FCNTL_FILE_POINTER);
    const bool same = m_databaseFile && !hasMoved(m_databaseFile);
    m_file = FileState::of(m_path);
    m_opened = same && before.identity == m_file.identity ? m_file.identity : FileIdentity{};
    m_looked = std::chrono::steady_clock::now();
}

StoreWatch::Look StoreWatch::look(bool writing)
{
    const auto now = std::chrono::steady_clock::now();
    if (!writing && now - m_looked < std::chrono::milliseconds(ide::RegistryLookIntervalMs))
        return Look::Current;
    const FileState state = FileState::of(m_path);
    if (!state.identity.exists || state.identity != m_opened)
        return Look::Replaced;
    if (!state.sameAs(m_file)) {
        // Written (by another IDE, or another program), or its mode changed: the content is
        // looked at again. SQLite keeps the pages it read while the file's change counter
        // stays as it was, which a store copied over this one in place may share: they are
        // let go, to be read anew. A journal beside it may have been another file's.
        if (!m_databaseFile || !isStoreHeader(readThrough(m_databaseFile, 0, storeHeaderSize())))
            return Look::WrittenOver;
        m_file = state;
        ++m_writesSeen;
        sqlite3_db_release_memory(m_db);
        removeForeignJournal(m_db);
    }
    m_looked = now;
    return writing && m_openedReadOnly && m_file.writable() && ::access(m_path.constData(), W_OK) == 0 ? Look::Writable
                                                                                                       : Look::Current;
}

void removeForeignJournal(sqlite3* db)
{
    sqlite3_file* file = fileOf(db, SQLITE_FCNTL_FILE_POINTER);
    const char* name = sqlite3_db_filename(db, "main");
    if (!file || !name || !*name)
        return;
    const QByteArray path(sqlite3_filename_journal(name));
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode))
        return;
    // While this connection holds its file shared, no other can roll the journal back or
    // begin a change of the file; one that holds a change open has made the journal its own.
    if (file->pMethods->xLock(file, SQLITE_LOCK_SHARED) != SQLITE_OK)
        return;
    int reserved = 1;
    if (file->pMethods->xCheckReservedLock(file, &reserved) == SQLITE_OK && !reserved && !journalFits(file, path))
        ::unlink(path.constData());
    file->pMethods->xUnlock(file, SQLITE_LOCK_NONE);
}

} // namespace host
