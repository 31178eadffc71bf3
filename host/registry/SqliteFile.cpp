#include "host/registry/SqliteFile.h"

namespace host {

sqlite3_file* fileOf(sqlite3* db, int which)
{
    sqlite3_file* file = nullptr;
    if (!db || sqlite3_file_control(db, "main", which, &file) != SQLITE_OK || !file || !file->pMethods)
        return nullptr;
    return file;
}

qint64 sizeOf(sqlite3_file* file)
{
    sqlite3_int64 size = 0;
    return file->pMethods->xFileSize(file, &size) == SQLITE_OK ? size : -1;
}

QByteArray readThrough(sqlite3_file* file, qint64 offset, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    if (file->pMethods->xRead(file, bytes.data(), size, offset) != SQLITE_OK)
        return QByteArray();
    return bytes;
}

bool hasMoved(sqlite3_file* file)
{
    int moved = 0;
    return file->pMethods->xFileControl(file, SQLITE_FCNTL_HAS_MOVED, &moved) == SQLITE_OK && moved;
}

FileState FileState::of(const QByteArray& path)
{
    FileState state;
    struct stat info {};
    if (::stat(path.constData(), &info) != 0)
        return state;
    state.identity = {info.st_dev, info.st_ino, true};
    state.changed = info.st_ctim;
    state.modified = info.st_mtim;
    state.size = info.st_size;
    state.mode = info.st_mode;
    return state;
}

bool FileState::sameAs(const FileState& other) const
{
    return identity == other.identity && changed.tv_sec == other.changed.tv_sec
        && changed.tv_nsec == other.changed.tv_nsec && modified.tv_sec == other.modified.tv_sec
        && modified.tv_nsec == other.modified.tv_nsec && size == other.size && mode == other.mode;
}

} // namespace host
