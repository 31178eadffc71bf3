// Where the per-user store lives, and what may stand at its path.
//
// A file that is not this store is reported and never written to: its header and the
// journals beside it are read before SQLite opens it, since SQLite would otherwise take over
// another program's empty database or apply and delete another database's journal. A new
// store is made whole in memory and renamed into place, one process at a time (a lock on
// the folder), so that two IDEs starting at once share one store and a crash leaves no
// half-made one.

#include "host/registry/RegistryFile.h"
#include "host/registry/RegistryTr.h"

#include "host/private/IdeHost.h"
#include "host/registry/SqliteFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QtEndian>

#include <sqlite3.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>

#include <sys/stat.h>
#include <unistd.h>

namespace host {

namespace {

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

// The file's first bytes and its size, read through SQLite, which changes nothing before a
// statement runs (see fileOf: never through a descriptor of our own).
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

QString& registryFileSlot()
{
    static QString path;
    return path;
}

QSet<QString>& openedStores()
{
    static QSet<QString> stores;
    return stores;
}

} // namespace

bool isStoreHeader(const QByteArray& bytes)
{
    return isSqliteHeader(bytes)
        && qFromBigEndian<quint32>(bytes.constData() + header::ApplicationId) == quint32(registry::StoreApplicationId);
}

int storeHeaderSize()
{
    return header::Size;
}

QString folderOf(const QString& file)
{
    return QFileInfo(file).absolutePath();
}

bool folderWritable(const QString& folder)
{
    return ::access(QFile::encodeName(folder).constData(), W_OK | X_OK) == 0;
}

QString makeFolder(const QString& folder)
{
    std::error_code error;
    const std::filesystem::path path(folder.toStdU16String());
    if (!std::filesystem::is_directory(path, error))
        std::filesystem::create_directories(path, error);
    if (error)
        return RegistryTr::tr("its folder \"%1\" cannot be created (%2)")
            .arg(folder, QString::fromLocal8Bit(error.message().c_str()));
    return QString();
}

QString folderNotWritable(const QString& folder)
{
    return RegistryTr::tr("its folder \"%1\" cannot be written").arg(folder);
}

QString noStoreYet()
{
    return RegistryTr::tr("the file is read-only and holds no store yet");
}

bool fileWritable(const QString& file)
{
    return FileState::of(QFile::encodeName(file)).writable();
}

bool storeWasOpened(const QString& file)
{
    return openedStores().contains(file);
}

void noteStoreOpened(const QString& file)
{
    openedStores().insert(file);
}

StoreFile inspectStoreFile(const QString& file, QString* refusal)
{
    const auto refuse = [refusal](const QString& why) {
        *refusal = why;
        return StoreFile::Refused;
    };
    const QFileInfo info(file);
    StoreFile kind = StoreFile::Missing;
    if (info.isDir())
        return refuse(RegistryTr::tr("the path is a folder"));
    if (info.exists() && !info.isFile())
        return refuse(RegistryTr::tr("the path is not a regular file"));
    const QString real = realPathOf(file);
    // What stands in the journal's place keeps SQLite from reading the store at all.
    if (const QString problem = journalProblem(real + QLatin1String("-journal")); !problem.isEmpty())
        return refuse(problem);
    if (info.exists()) {
        QByteArray bytes;
        qint64 size = 0;
        QString error;
        if (!readFileHead(file, &bytes, &size, &error))
            return refuse(RegistryTr::tr("the file cannot be read (%1)").arg(error));
        const auto field = [&bytes](int offset) { return qFromBigEndian<quint32>(bytes.constData() + offset); };
        if (size == 0)
            kind = StoreFile::Empty;
        else if (!isSqliteHeader(bytes))
            return refuse(RegistryTr::tr("the file is not a database or is corrupt"));
        else if (field(header::ApplicationId) == quint32(registry::StoreApplicationId))
            return StoreFile::Store; // a journal beside it is looked at once connected
        else if (field(header::ApplicationId) == 0 && field(header::UserVersion) == 0
                 && bytes[header::SchemaPageType] == header::LeafTablePage
                 && qFromBigEndian<quint16>(bytes.constData() + header::SchemaCellCount) == 0)
            kind = StoreFile::Blank;
        else
            return refuse(RegistryTr::tr("the file is another program's database, not a registry store"));
    }
    // Beside anything but this store, a journal is another database's unfinished change,
    // which SQLite would apply to the new store and then delete.
    for (const char* suffix : {"-wal", "-journal"}) {
        const QFileInfo side(real + QLatin1String(suffix));
        if (side.exists() || side.isSymLink())
            return refuse(RegistryTr::tr("\"%1\" beside it belongs to another database").arg(side.fileName()));
    }
    return kind;
}

QString realPathOf(const QString& file)
{
    if (const QString real = QFileInfo(file).canonicalFilePath(); !real.isEmpty())
        return real;
    // No file there yet: a link to nothing is followed to where the file will be made.
    QString path = QFileInfo(file).absoluteFilePath();
    for (int hop = 0; hop < 40 && QFileInfo(path).isSymLink(); ++hop)
        path = QFileInfo(path).symLinkTarget();
    const QFileInfo place(path);
    const QString folder = place.absoluteDir().canonicalPath();
    return folder.isEmpty() ? place.absoluteFilePath() : folder + QLatin1Char('/') + place.fileName();
}

QString journalProblem(const QString& journal)
{
    struct stat info {};
    if (::lstat(QFile::encodeName(journal).constData(), &info) != 0 || S_ISREG(info.st_mode))
        return QString();
    const char* const cause = S_ISDIR(info.st_mode) ? QT_TRANSLATE_NOOP("Registry", "its journal \"%1\" is a folder")
        : S_ISLNK(info.st_mode)
        ? QT_TRANSLATE_NOOP("Registry", "its journal \"%1\" is a symbolic link, which SQLite does not follow")
        : QT_TRANSLATE_NOOP("Registry", "its journal \"%1\" is not a plain file");
    return RegistryTr::tr(cause).arg(journal);
}

// Made in memory and written to file under a temporary name, then renamed into place:
// another process finds no store or a whole one, and a crash leaves no half-made store
// behind.
void writeNewStore(const QString& file, const RegistryAction& action)
{
    const auto fail = [&](const QString& why) { raiseRegistryError(file, action, why); };
    sqlite3* opened = nullptr;
    const int code = sqlite3_open(":memory:", &opened);
    const std::unique_ptr<sqlite3, int (*)(sqlite3*)> memory(opened, sqlite3_close);
    if (code != SQLITE_OK
        || sqlite3_exec(memory.get(), "PRAGMA encoding = 'UTF-16le'", nullptr, nullptr, nullptr) != SQLITE_OK
        || sqlite3_exec(memory.get(), registry::newStoreSql().c_str(), nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(RegistryTr::tr("the database failed (%1)").arg(QString::fromUtf8(sqlite3_errmsg(memory.get()))));
    sqlite3_int64 size = 0;
    const std::unique_ptr<unsigned char, void (*)(void*)> image(sqlite3_serialize(memory.get(), "main", &size, 0),
                                                                sqlite3_free);
    if (!image)
        fail(RegistryTr::tr("out of memory"));

    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(reinterpret_cast<const char*>(image.get()), size) != size
        || !out.commit())
        fail(RegistryTr::tr("the file cannot be created (%1)").arg(out.errorString()));
}

QString registryLocation()
{
    return ide::registryFile();
}

void ide::setRegistryFile(const QString& path)
{
    registryFileSlot() = path;
}

QString ide::registryFile()
{
    const QString& path = registryFileSlot();
    return path.isEmpty() ? defaultRegistryFile() : path;
}

QString ide::defaultRegistryFile()
{
    // GenericConfigLocation is $XDG_CONFIG_HOME, or ~/.config; under test mode, a folder of
    // its own that no real user's store lives in.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/standin-ide/registry.sqlite");
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

} // namespace host
