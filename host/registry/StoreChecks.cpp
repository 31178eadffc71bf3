#include "host/registry/StoreChecks.h"

#include "host/registry/FolderLock.h"
#include "host/registry/RegistryFile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QtEndian>

#include <array>
#include <cstring>
#include <optional>
#include <type_traits>

#include <sys/stat.h>
#include <unistd.h>

namespace host {

namespace {

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

// The shared index's header (one copy) and its count of copied frames.
using IndexHeader = std::array<char, wal::IndexCopy + 4>;
static_assert(std::is_same_v<IndexHeader, StoreWatch::IndexHeader>);

quint32 nativeField(const IndexHeader& index, int offset)
{
    return qFromUnaligned<quint32>(index.data() + offset);
}

// The shared index's header, or nothing while it is being written or not made yet.
std::optional<IndexHeader> readIndexHeader(sqlite3_file* db)
{
    volatile void* region = nullptr;
    if (db->pMethods->iVersion < 2 || db->pMethods->xShmMap(db, 0, wal::IndexRegion, 0, &region) != SQLITE_OK
        || !region)
        return std::nullopt;
    char bytes[wal::IndexBackfilled + 4];
    std::memcpy(bytes, const_cast<const void*>(region), sizeof bytes);
    if (std::memcmp(bytes, bytes + wal::IndexCopy, wal::IndexCopy) != 0 || bytes[wal::IndexIsInit] == 0)
        return std::nullopt;
    IndexHeader index;
    std::memcpy(index.data(), bytes, wal::IndexCopy);
    std::memcpy(index.data() + wal::IndexCopy, bytes + wal::IndexBackfilled, 4);
    return index;
}

// Why the WAL cannot hold the changes that index says it holds beyond those already copied
// into the database file, or "".
QString walMismatch(sqlite3_file* journal, const IndexHeader& index)
{
    const quint32 frames = nativeField(index, wal::IndexFrames);
    const quint16 pageCode = qFromUnaligned<quint16>(index.data() + wal::IndexPageSize);
    const qint64 frameSize = wal::FrameHeaderSize + (pageCode == 1 ? 65536 : pageCode);
    const qint64 needed = wal::HeaderSize + qint64(frames) * frameSize;
    if (const qint64 size = sizeOf(journal); size < needed)
        return QCoreApplication::translate("host::Registry", "it is %L1 bytes long but holds changes up to byte %L2")
            .arg(size)
            .arg(needed);
    const QByteArray salts(index.data() + wal::IndexSalts, 8);
    const QByteArray head = readThrough(journal, 0, wal::HeaderSize);
    const quint32 magic = head.size() == wal::HeaderSize ? qFromBigEndian<quint32>(head.constData() + wal::Magic) : 0;
    if ((magic & ~1u) != 0x377f0682u || head.mid(wal::Salts, 8) != salts)
        return QCoreApplication::translate("host::Registry", "its header is damaged");
    const QByteArray last = readThrough(journal, needed - frameSize, wal::FrameHeaderSize);
    if (last.size() != wal::FrameHeaderSize || last.mid(wal::FrameSalts, 8) != salts
        || qFromBigEndian<quint32>(last.constData() + wal::FrameChecksums) != nativeField(index, wal::IndexChecksums)
        || qFromBigEndian<quint32>(last.constData() + wal::FrameChecksums + 4)
            != nativeField(index, wal::IndexChecksums + 4))
        return QCoreApplication::translate("host::Registry", "its last change is damaged");
    return QString();
}

// The journal's files that a connection of this process let go of when another file took
// its store's place, by the store's path.
struct StaleJournal {
    FileIdentity store;   // the file they belong to
    FileIdentity journal; // "-wal", if it was the connection's own
    FileIdentity index;   // "-shm", likewise
};

QHash<QString, StaleJournal>& staleJournals()
{
    static QHash<QString, StaleJournal> journals;
    return journals;
}

} // namespace

sqlite3_file* StoreWatch::databaseFile() const
{
    // Open for as long as the connection is.
    return m_databaseFile;
}

void StoreWatch::start(sqlite3* db, const QString& file, bool openedReadOnly)
{
    m_db = db;
    m_path = QFile::encodeName(file);
    m_journalPath = m_path + "-wal";
    m_indexPath = m_path + "-shm";
    m_openedReadOnly = openedReadOnly;
    // SQLite's handle names the file at the path when the path names the same file before and
    // after SQLite compares it with its handle; otherwise the file is being swapped, and the
    // first look finds it replaced.
    const FileState before = FileState::of(m_path);
    m_databaseFile = fileOf(db, SQLITE_FCNTL_FILE_POINTER);
    sqlite3_file* handle = databaseFile();
    const bool same = handle && !hasMoved(handle);
    m_file = FileState::of(m_path);
    m_opened = same && before.identity == m_file.identity ? m_file.identity : FileIdentity{};
    m_indexOpened = FileState::of(m_indexPath).identity;
    m_journal = m_journalChecked = FileState();
    m_index.reset();
    m_journalSeen = false;
}

StoreWatch::Look StoreWatch::look()
{
    const FileState now = FileState::of(m_path);
    if (!now.identity.exists || now.identity != m_opened)
        return Look::Replaced;
    if (!now.sameAs(m_file)) {
        // Written (a checkpoint, or another program), or its mode changed: the content is
        // looked at again.
        sqlite3_file* handle = databaseFile();
        if (!handle || !isStoreHeader(readThrough(handle, 0, storeHeaderSize())))
            return Look::WrittenOver;
        m_file = now;
    }
    // While the connection uses the journal, no other process may remove it; one put in its
    // place belongs to another file, or to no one.
    const FileState journal = FileState::of(m_journalPath);
    if (m_journal.identity.exists && journal.identity != m_journal.identity
        && fileOf(m_db, SQLITE_FCNTL_JOURNAL_POINTER))
        return Look::Replaced;
    m_journal = journal;
    if (!m_indexOpened.exists)
        m_indexOpened = FileState::of(m_indexPath).identity;
    m_journalSeen = true;
    return m_openedReadOnly && m_file.writable() && ::access(m_path.constData(), W_OK) == 0 ? Look::Writable
                                                                                            : Look::Current;
}

QString StoreWatch::journalDamage()
{
    sqlite3_file* file = databaseFile();
    sqlite3_file* journal = fileOf(m_db, SQLITE_FCNTL_JOURNAL_POINTER);
    if (!file || !journal)
        return QString();
    if (!m_journalSeen)
        m_journal = FileState::of(m_journalPath);
    if (!m_indexOpened.exists)
        m_indexOpened = FileState::of(m_indexPath).identity;
    m_journalSeen = false;
    // Changes that are not yet in the database file itself live only in the journal, where
    // SQLite finds them through the shared index and reads them unchecked: damage would go
    // unnoticed until a later opening quietly dropped them, and writes would go on after it.
    // Another process restarting the journal changes the index before the journal, so a
    // mismatch counts only while the index stays as it was.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::optional<IndexHeader> read = readIndexHeader(file);
        if (!read)
            return QString();
        const IndexHeader& index = *read;
        if (m_index && index == *m_index && m_journal.sameAs(m_journalChecked))
            return QString(); // nothing changed since the last look
        const quint32 frames = nativeField(index, wal::IndexFrames);
        QString mismatch;
        if (frames != 0 && nativeField(index, wal::Backfilled) < frames)
            mismatch = walMismatch(journal, index);
        if (mismatch.isEmpty()) {
            m_index = index;
            m_journalChecked = m_journal;
            return QString();
        }
        if (readIndexHeader(file) != index) {
            m_journal = FileState::of(m_journalPath);
            continue;
        }
        return mismatch;
    }
    return QString();
}

void StoreWatch::noteStaleJournal() const
{
    if (!m_opened.exists)
        return;
    // SQLite's handle on the journal cannot tell whether it was moved: the journal at the path
    // is the connection's own while it is the one seen there before.
    StaleJournal stale{m_opened, {}, {}};
    if (const FileIdentity journal = FileState::of(m_journalPath).identity;
        journal.exists && journal == m_journal.identity && fileOf(m_db, SQLITE_FCNTL_JOURNAL_POINTER))
        stale.journal = journal;
    if (const FileIdentity index = FileState::of(m_indexPath).identity; index.exists && index == m_indexOpened)
        stale.index = index;
    if (stale.journal.exists || stale.index.exists)
        staleJournals().insert(QFile::decodeName(m_path), stale);
}

void setJournalRight(const QString& file, bool storeIsThere, FolderLock& lock)
{
    const QByteArray path = QFile::encodeName(file);
    const QByteArray journal = path + "-wal";
    const QByteArray index = path + "-shm";
    const FileState store = FileState::of(path);

    if (const auto stale = staleJournals().constFind(file); stale != staleJournals().cend()) {
        if (store.identity == stale->store) {
            // The file they belong to is back: they are its own.
            staleJournals().erase(stale);
        } else if (storeIsThere) {
            lock.lock(folderOf(file));
            // Only the very files left behind: another process may have made new ones since.
            if (stale->journal.exists && FileState::of(journal).identity == stale->journal)
                ::unlink(journal.constData());
            if (stale->index.exists && FileState::of(index).identity == stale->index)
                ::unlink(index.constData());
            staleJournals().erase(stale);
        }
    }

    // SQLite makes the journal's files with the store's mode, so that a store opened while
    // read-only leaves them read-only; once the store is writable again, they must be too.
    if (!store.identity.exists || !store.writable() || ::access(path.constData(), W_OK) != 0)
        return;
    for (const QByteArray& side : {journal, index}) {
        struct stat info {};
        if (::lstat(side.constData(), &info) != 0 || !S_ISREG(info.st_mode) || ::access(side.constData(), W_OK) == 0)
            continue;
        ::chmod(side.constData(), store.mode & 0777);
    }
}

} // namespace host
