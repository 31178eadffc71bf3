#include "store/CategoryFile.h"

#include "store/CategoryStore.h"
#include "store/Tr.h"

#include "grouping/CategoryList.h"

#include "host/Exceptions.h"
#include "host/Registry.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringView>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using CategoryStore::Tr;

namespace CategoryFile {

namespace {

// The 8-bit code page of files without a byte-order mark, through the system's converter.
constexpr char Ansi[] = "windows-1252";
constexpr char Utf8Bom[] = "\xEF\xBB\xBF";
constexpr char Utf16LeBom[] = "\xFF\xFE";
constexpr char Utf16BeBom[] = "\xFE\xFF";
// How many left-out names an export's message lists before it only counts the rest, and how
// much of each it shows: the message is a box the user reads.
constexpr qsizetype ListedNames = 20;
constexpr qsizetype ListedNameLength = 80;
// The most names an import makes room for before it reads them.
constexpr qsizetype MaxReservedNames = 4 * 1024 * 1024;
// How many lines are read, and entries written, between two reports of progress.
constexpr qsizetype LinesPerReport = 65536;
constexpr qsizetype EntriesPerReport = 1024;
// How much of an export is written between two reports of progress.
constexpr qsizetype BytesPerReport = 1024 * 1024;
// The share of an import's progress that reading and checking the file takes; the store's
// writing takes the rest. An export's reading of the store takes ExportReadShare.
constexpr int ImportReadShare = 100;
constexpr int ExportReadShare = 200;

QString Shown(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

[[noreturn]] void RaiseRead(const QString& fileName, const QString& reason)
{
    throw host::EFOpenError(Tr::tr("Cannot import \"%1\": %2.").arg(Shown(fileName), reason));
}

[[noreturn]] void RaiseLine(const QString& fileName, qsizetype line, const QString& reason)
{
    RaiseRead(fileName, Tr::tr("line %L1 %2").arg(line).arg(reason));
}

[[noreturn]] void RaiseWrite(const QString& fileName, const QString& reason)
{
    throw host::EFCreateError(Tr::tr("Cannot export to \"%1\": %2.").arg(Shown(fileName), reason));
}

void Report(const Progress& progress, int permille)
{
    if (progress)
        progress(permille);
}

// --- What stands at a path, told without opening it -----------------------------------------

QByteArray Encoded(const QString& path)
{
    return QFile::encodeName(path);
}

QString SystemError(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

bool SameFile(const struct stat& a, const struct stat& b)
{
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The path with its folder's symbolic links resolved, for comparing places that may not
// hold a file yet.
QString Place(const QString& path)
{
    const QFileInfo info(path);
    const QString folder = info.absoluteDir().canonicalPath();
    return folder.isEmpty() ? info.absoluteFilePath() : folder + QLatin1Char('/') + info.fileName();
}

// Where the bytes at path really lie, its symbolic links followed even to a file not made
// yet: SQLite follows a link to the store and keeps the journals beside the file it names,
// not beside the link.
QString RealPlace(const QString& file)
{
    QString path = QFileInfo(file).absoluteFilePath();
    for (int hop = 0; hop < 40 && QFileInfo(path).isSymLink(); ++hop)
        path = QFileInfo(path).symLinkTarget();
    return Place(path);
}

// Whether path, holding the file st describes (nullptr: none yet), is the store's file or one
// of the journals SQLite keeps beside it, by whatever path either is reached. Opening and
// closing such a file here would release every lock the IDE's store connections hold on it
// (POSIX locks belong to the process), and replacing one would replace the store.
bool IsStoreFile(const QString& path, const struct stat* st, const QString& storeFile)
{
    if (storeFile.isEmpty())
        return false;
    const QString place = RealPlace(path);
    for (const QString& store : {storeFile, RealPlace(storeFile)}) {
        for (const char* suffix : {"", "-wal", "-shm", "-journal"}) {
            const QString file = store + QLatin1String(suffix);
            struct stat found {};
            if (st && ::stat(Encoded(file).constData(), &found) == 0 && SameFile(*st, found))
                return true;
            if (Place(file) == place)
                return true;
        }
    }
    return false;
}

QString StoreFileProblem()
{
    return Tr::tr("it is the IDE's own category store or one of its journals, which only the store itself may "
                  "open");
}

// Why a file of this type cannot be read or replaced as a category file, or "".
QString TypeProblem(mode_t mode)
{
    if (S_ISREG(mode))
        return QString();
    if (S_ISDIR(mode))
        return Tr::tr("it is a folder, not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return Tr::tr("it is a device, not a plain file");
    if (S_ISFIFO(mode))
        return Tr::tr("it is a named pipe, not a plain file");
    if (S_ISSOCK(mode))
        return Tr::tr("it is a socket, not a plain file");
    return Tr::tr("it is not a plain file");
}

// Why stat() of path failed with error, in the user's terms.
QString PathProblem(int error, const QString& path)
{
    switch (error) {
    case ENOENT: {
        struct stat link {};
        if (::lstat(Encoded(path).constData(), &link) == 0 && S_ISLNK(link.st_mode))
            return Tr::tr("it is a symbolic link to \"%1\", which does not exist")
                .arg(Shown(QFile::symLinkTarget(path)));
        const QString folder = QFileInfo(path).absolutePath();
        if (!QFileInfo(folder).isDir())
            return Tr::tr("its folder \"%1\" does not exist").arg(Shown(folder));
        return Tr::tr("there is no such file");
    }
    case EACCES: return Tr::tr("a folder on its path may not be entered (permission denied)");
    case ELOOP: return Tr::tr("its symbolic links form a loop");
    case ENOTDIR: return Tr::tr("a part of its path is not a folder");
    case ENAMETOOLONG: return Tr::tr("its name is too long");
    default: return SystemError(error);
    }
}

// --- Reading ------------------------------------------------------------------------------

[[noreturn]] void RaiseTooLarge(const QString& fileName, qint64 size)
{
    RaiseRead(fileName,
              Tr::tr("the file is %L1 bytes long; a category file may be at most %L2").arg(size).arg(MaxFileSize));
}

// The file's bytes, read through a descriptor checked to be a plain file that is not the
// store's: it is opened without waiting, so that a pipe put in its place after the first look
// cannot hang the IDE.
QByteArray ReadBytes(const QString& fileName, const QString& storeFile)
{
    const QByteArray path = Encoded(fileName);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0)
        RaiseRead(fileName, PathProblem(errno, fileName));
    // A pipe or a device might never end, or never answer.
    if (const QString problem = TypeProblem(st.st_mode); !problem.isEmpty())
        RaiseRead(fileName, problem);
    if (IsStoreFile(fileName, &st, storeFile))
        RaiseRead(fileName, StoreFileProblem());
    if (st.st_size > MaxFileSize)
        RaiseTooLarge(fileName, st.st_size);

    const int descriptor = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) {
        const int error = errno;
        RaiseRead(fileName,
                  error == EACCES ? Tr::tr("the file may not be read (permission denied)") : SystemError(error));
    }
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        RaiseRead(fileName, file.errorString());
    }
    struct stat opened {};
    if (::fstat(descriptor, &opened) != 0)
        RaiseRead(fileName, SystemError(errno));
    if (const QString problem = TypeProblem(opened.st_mode); !problem.isEmpty())
        RaiseRead(fileName, problem);
    if (IsStoreFile(fileName, &opened, storeFile))
        RaiseRead(fileName, StoreFileProblem());
    // Never more than the limit, even from a file that grows meanwhile.
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        RaiseRead(fileName, file.errorString());
    if (bytes.size() > MaxFileSize)
        RaiseTooLarge(fileName, bytes.size());
    return bytes;
}

char16_t Unit(QChar c)
{
    return c.unicode();
}
char16_t Unit(char c)
{
    return static_cast<unsigned char>(c);
}

// Calls line(number, begin, end) for each line of text, numbered from 1: CR, LF and CR LF
// each end a line, and a final line break adds no line. Works on bytes and on characters.
template <typename Text, typename Line>
void ForEachLine(const Text& text, Line&& line)
{
    const qsizetype size = text.size();
    qsizetype start = 0;
    qsizetype number = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = Unit(text[i]);
        if (c != u'\r' && c != u'\n')
            continue;
        line(++number, start, i);
        if (c == u'\r' && i + 1 < size && Unit(text[i + 1]) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        line(++number, start, size);
}

// The first line of bytes that is not UTF-8. Line breaks are single bytes in UTF-8 and
// never inside a character, so the bytes can be split before decoding.
qsizetype FirstLineNotUtf8(const QByteArray& bytes)
{
    qsizetype bad = 0;
    ForEachLine(bytes, [&](qsizetype number, qsizetype begin, qsizetype end) {
        if (bad)
            return;
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        // The decoder converts only when its result becomes a string.
        const QString decoded = utf8.decode(QByteArrayView(bytes).sliced(begin, end - begin));
        if (utf8.hasError())
            bad = number;
    });
    return bad ? bad : 1;
}

bool HasByteOrderMark(QByteArrayView bytes)
{
    return bytes.startsWith(Utf8Bom) || bytes.startsWith(Utf16LeBom) || bytes.startsWith(Utf16BeBom);
}

// Stateless, so that a character cut short at the end is an error and not left pending; a
// second byte-order mark after the first is a character of the text, as it is anywhere.
constexpr auto DecodeFlags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

// bytes as UTF-8, or nothing when they are not valid UTF-8.
std::optional<QString> DecodeUtf8(QByteArrayView bytes)
{
    QStringDecoder utf8(QStringConverter::Utf8, DecodeFlags);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        return std::nullopt;
    return text;
}

bool HasHighByte(QByteArrayView bytes)
{
    return std::any_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) > 0x7F; });
}

// The file's text, in the encoding its byte-order mark names; without one, as UTF-8 when the
// bytes are valid UTF-8 (text in Windows-1252 with letters beyond ASCII practically never is),
// else in Windows-1252.
QString Decode(const QByteArray& bytes, const QString& fileName)
{
    const QByteArrayView view(bytes);
    if (bytes.startsWith(Utf8Bom)) {
        std::optional<QString> text = DecodeUtf8(view.sliced(3));
        if (!text)
            RaiseLine(fileName, FirstLineNotUtf8(bytes.sliced(3)),
                      Tr::tr("is not UTF-8, as the file's byte-order mark says"));
        return *std::move(text);
    }
    const bool littleEndian = bytes.startsWith(Utf16LeBom);
    if (littleEndian || bytes.startsWith(Utf16BeBom)) {
        if (bytes.size() % 2 != 0)
            RaiseRead(fileName, Tr::tr("the file has a UTF-16 byte-order mark but an odd number of bytes"));
        QStringDecoder utf16(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE, DecodeFlags);
        return utf16.decode(view.sliced(2));
    }
    if (HasHighByte(view))
        if (std::optional<QString> text = DecodeUtf8(view))
            return *std::move(text);
    QStringDecoder ansi(Ansi, DecodeFlags);
    if (!ansi.isValid())
        RaiseRead(fileName,
                  Tr::tr("the file has no byte-order mark, and this system offers no %1 converter to read it")
                      .arg(QLatin1String(Ansi)));
    return ansi.decode(view);
}

QString TooLong(const char* what, qsizetype length, int limit)
{
    return Tr::tr("has a %1 of %L2 characters; the store allows at most %L3").arg(Tr::tr(what)).arg(length).arg(limit);
}

} // namespace

// One line's entry, as places in the file's text: no string of its own, so that a file of
// millions of short lines costs little more than its text.
struct Slice {
    qint32 nameBegin;
    qint32 nameEnd;
    qint32 valueBegin;
    qint32 valueEnd;
};

// A category file read and checked: its text, and its entries as places in it.
struct ParsedFile {
    QString text;
    std::vector<Slice> entries;
    qsizetype lines = 0;

    QStringView Part(qint32 begin, qint32 end) const { return QStringView(text).sliced(begin, end - begin); }
    QString Name(const Slice& entry) const { return Part(entry.nameBegin, entry.nameEnd).toString(); }
    QString Value(const Slice& entry) const { return Part(entry.valueBegin, entry.valueEnd).toString(); }

    Entries ToEntries() const
    {
        Entries result;
        result.reserve(qsizetype(entries.size()));
        for (const Slice& entry : entries)
            result.append({Name(entry), Value(entry)});
        return result;
    }
};

namespace {

// Reads bytes as a category file. With collapse, each page is kept once (names of one
// host::RegistryNameKey, as the store matches them), where it first stands and as it is first spelt, with
// its last line's value:
// what writing every line in turn would leave in the store. progress hears of the reading in
// thousandths up to readShare.
ParsedFile Parse(QByteArray bytes, const QString& fileName, bool collapse, const Progress& progress = {},
                 int readShare = 0)
{
    ParsedFile parsed;
    const bool marked = HasByteOrderMark(bytes);
    parsed.text = Decode(bytes, fileName);
    // The bytes are not needed once decoded: a file handed over is let go before the work.
    bytes = QByteArray();
    const QString& text = parsed.text;

    // Names match by their page key, which is as long as the name: the whole text is keyed
    // once, and each name is a place in it.
    const QString folded = collapse ? host::RegistryNameKey(text) : QString();
    QHash<QStringView, qint32> byName;
    if (collapse) {
        // Room for a name on every line, as most files have, saves growing the index step by
        // step; its slots cost a few bytes each until filled.
        const qsizetype lineBreaks = text.count(u'\n') + text.count(u'\r');
        byName.reserve(std::min<qsizetype>(lineBreaks + 1, MaxReservedNames));
    }

    ForEachLine(text, [&](qsizetype number, qsizetype begin, qsizetype end) {
        const QStringView line = QStringView(text).sliced(begin, end - begin);
        if (line.contains(u'\0'))
            RaiseLine(fileName, number,
                      marked ? Tr::tr("holds a NUL character")
                             : Tr::tr("holds a NUL byte (a UTF-16 file needs a byte-order mark)"));
        if (!line.isValidUtf16())
            RaiseLine(fileName, number, Tr::tr("is not valid UTF-16"));
        const qsizetype equals = line.indexOf(u'=');
        // A line without "=" is an entry with an empty name and value.
        Slice entry{qint32(begin), qint32(begin), qint32(begin), qint32(begin)};
        if (equals >= 0)
            entry = {qint32(begin), qint32(begin + equals), qint32(begin + equals + 1), qint32(end)};
        if (const qint32 length = entry.nameEnd - entry.nameBegin; length > host::TRegIniFile::MaxValueNameLength)
            RaiseLine(
                fileName, number,
                TooLong(QT_TRANSLATE_NOOP("CategoryStore", "name"), length, host::TRegIniFile::MaxValueNameLength));
        if (const qint32 length = entry.valueEnd - entry.valueBegin; length > host::TRegIniFile::MaxValueLength)
            RaiseLine(fileName, number,
                      TooLong(QT_TRANSLATE_NOOP("CategoryStore", "category list"), length,
                              host::TRegIniFile::MaxValueLength));
        parsed.lines = number;
        if (progress && number % LinesPerReport == 0)
            progress(int(readShare * end / text.size()));

        if (collapse) {
            const QStringView key = QStringView(folded).sliced(entry.nameBegin, entry.nameEnd - entry.nameBegin);
            if (const auto known = byName.constFind(key); known != byName.cend()) {
                Slice& first = parsed.entries[std::size_t(*known)];
                first.valueBegin = entry.valueBegin;
                first.valueEnd = entry.valueEnd;
                return;
            }
            byName.insert(key, qint32(parsed.entries.size()));
        }
        parsed.entries.push_back(entry);
    });
    return parsed;
}

// --- Writing ------------------------------------------------------------------------------

// Would line read back as the entry it was made from?
bool ReadsBack(const QString& name, const QString& value)
{
    const auto breaksLine = [](QStringView text) {
        for (const QChar c : text)
            if (c == u'\r' || c == u'\n' || c == u'\0')
                return true;
        return !text.isValidUtf16();
    };
    return !name.contains(u'=') && !breaksLine(name) && !breaksLine(value);
}

// A name as the user can read it in one line of a message, cut short when long.
QString Quoted(QString name)
{
    if (name.size() > ListedNameLength) {
        const qsizetype cut = name[ListedNameLength - 1].isHighSurrogate() ? ListedNameLength - 1 : ListedNameLength;
        name = name.first(cut) + QChar(0x2026);
    }
    name.replace(u'\r', QLatin1String("\\r")).replace(u'\n', QLatin1String("\\n")).replace(u'\0', QLatin1String("\\0"));
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString LeftOutMessage(const QString& fileName, const QStringList& names)
{
    QStringList shown;
    for (qsizetype i = 0; i < names.size() && i < ListedNames; ++i)
        shown.append(Quoted(names[i]));
    QString list = shown.join(QLatin1String(", "));
    if (names.size() > ListedNames)
        list += Tr::tr(" and %Ln more", nullptr, int(names.size() - ListedNames));
    // One arg() for both: a file name holding "%2" must not take the list's place.
    return Tr::tr("\"%1\" was written without %Ln of the categories' entries: a category file cannot hold a "
                  "name with \"=\" or a line break, or a line break in a category list, since it would read "
                  "back as another entry. Left out: %2.",
                  nullptr, int(names.size()))
        .arg(Shown(fileName), list);
}

// Whether bytes written without a byte-order mark would be read as the Windows-1252 they are:
// not when they start like a mark, nor when they also make valid UTF-8 beyond ASCII.
bool ReadsBackAsAnsi(const QByteArray& bytes)
{
    return !HasByteOrderMark(bytes) && !(HasHighByte(bytes) && DecodeUtf8(bytes));
}

// Where the bytes for fileName go, having checked what stands there: its target when it is a
// symbolic link, since the link stays one. *existing gets the file that stands there now,
// or nothing.
QString WriteTarget(const QString& fileName, const QString& storeFile, std::optional<struct stat>* existing)
{
    struct stat st {};
    if (::stat(Encoded(fileName).constData(), &st) != 0) {
        const int error = errno;
        // A new file, where nothing stands yet; not through a link that leads nowhere.
        struct stat link {};
        if (error != ENOENT || ::lstat(Encoded(fileName).constData(), &link) == 0
            || !QFileInfo(QFileInfo(fileName).absolutePath()).isDir())
            RaiseWrite(fileName, PathProblem(error, fileName));
        if (IsStoreFile(fileName, nullptr, storeFile))
            RaiseWrite(fileName, StoreFileProblem());
        existing->reset();
        return fileName;
    }
    // A device, a pipe or a socket is never replaced by a plain file.
    if (const QString problem = TypeProblem(st.st_mode); !problem.isEmpty())
        RaiseWrite(fileName, problem + Tr::tr("; nothing was written"));
    if (IsStoreFile(fileName, &st, storeFile))
        RaiseWrite(fileName, StoreFileProblem());
    *existing = st;
    const QFileInfo info(fileName);
    return info.isSymLink() ? info.canonicalFilePath() : fileName;
}

// Replaces target with bytes through a new file renamed over it once whole and on disk, so
// that a failure or a cancel leaves the old file as it was.
void WriteSafely(const QString& fileName, const QString& target, const std::optional<struct stat>& existing,
                 const QByteArray& bytes, const Progress& progress)
{
    QSaveFile file(target);
    file.setDirectWriteFallback(false);
    if (!file.open(QIODevice::WriteOnly))
        RaiseWrite(fileName, file.errorString());
    // The file replaced keeps its permission bits.
    if (existing && ::fchmod(file.handle(), existing->st_mode & 07777) != 0)
        RaiseWrite(fileName, SystemError(errno));
    for (qsizetype at = 0; at < bytes.size(); at += BytesPerReport) {
        const qsizetype size = std::min(BytesPerReport, bytes.size() - at);
        // A short write (a full disk, a size limit) may come without an error of its own.
        if (file.write(bytes.constData() + at, size) != size)
            RaiseWrite(fileName, Tr::tr("only part of it could be written (%1)").arg(file.errorString()));
        Report(progress, int(1000 * (at + size) / bytes.size()));
    }
    // Small files are written only now, from Qt's buffer: a full disk shows here, or when the
    // file is synced, and the old file must then stay.
    errno = 0;
    if (!file.flush()) {
        // Qt keeps no reason of its own for a failed flush.
        const int error = errno;
        RaiseWrite(fileName,
                   Tr::tr("it could not be written whole (%1)").arg(error ? SystemError(error) : file.errorString()));
    }
    if (::fsync(file.handle()) != 0)
        RaiseWrite(fileName, Tr::tr("it could not be written to disk (%1)").arg(SystemError(errno)));
    // Something else put in its place meanwhile is not replaced either.
    if (struct stat now{}; ::stat(Encoded(target).constData(), &now) == 0 && !S_ISREG(now.st_mode))
        RaiseWrite(fileName, TypeProblem(now.st_mode) + Tr::tr("; nothing was written"));
    if (!file.commit())
        RaiseWrite(fileName, file.errorString());
}

// Why a write failed with error, in the user's terms.
QString WriteProblem(int error)
{
    switch (error) {
    case ENOSPC: return Tr::tr("the disk is full");
    case EDQUOT: return Tr::tr("the disk quota is used up");
    case EFBIG: return Tr::tr("the file would be larger than the limit on the size of files (ulimit -f)");
    default: return SystemError(error);
    }
}

// Whether the file at target, existing, is written in place: its folder may not be written.
bool WritesInPlace(const QString& target, const std::optional<struct stat>& existing)
{
    return existing && ::access(Encoded(QFileInfo(target).absolutePath()).constData(), W_OK | X_OK) != 0;
}

class Descriptor {
public:
    explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

// Writes bytes whole at the start of the file and cuts it there, then syncs it: 0, or why not.
int WriteWhole(int descriptor, const QByteArray& bytes)
{
    for (qsizetype at = 0; at < bytes.size();) {
        const ssize_t written = InPlaceWriteCalls().writeAt(descriptor, bytes.constData() + at,
                                                            std::size_t(bytes.size() - at), off_t(at));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return written < 0 ? errno : ENOSPC;
        at += written;
    }
    if (::ftruncate(descriptor, off_t(bytes.size())) != 0 || ::fsync(descriptor) != 0)
        return errno;
    return 0;
}

// Writes bytes over the file itself, for a folder that may not be written: the user chose to
// replace this file, and there is no other way. Room for the new bytes is reserved before the
// old are touched, so that a full disk or a size limit leaves the old file whole; Cancel is
// heard until then; the old bytes, kept in memory, are put back when the new cannot all be
// written. Written through the descriptor itself, with no buffer between.
void WriteInPlace(const QString& fileName, const QString& target, const struct stat& existing, const QByteArray& bytes,
                  const Progress& progress)
{
    const QString folder = Shown(QFileInfo(target).absolutePath());
    const auto raise = [&](const QString& what) {
        RaiseWrite(fileName, Tr::tr("its folder \"%1\" may not be written, and %2").arg(folder, what));
    };
    if (existing.st_size > MaxFileSize)
        raise(Tr::tr("the file is too large to be replaced in place safely"));
    const Descriptor file(::open(Encoded(target).constData(), O_RDWR | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
    if (file.get() < 0)
        RaiseWrite(
            fileName,
            Tr::tr("neither its folder \"%1\" nor the file may be written (%2)").arg(folder, SystemError(errno)));
    struct stat opened {};
    if (::fstat(file.get(), &opened) != 0)
        RaiseWrite(fileName, SystemError(errno));
    if (const QString problem = TypeProblem(opened.st_mode); !problem.isEmpty())
        RaiseWrite(fileName, problem + Tr::tr("; nothing was written"));

    QByteArray old(qsizetype(std::min<off_t>(opened.st_size, MaxFileSize + 1)), Qt::Uninitialized);
    for (qsizetype at = 0; at < old.size();) {
        const ssize_t read = ::pread(file.get(), old.data() + at, std::size_t(old.size() - at), off_t(at));
        if (read < 0 && errno == EINTR)
            continue;
        if (read < 0)
            raise(Tr::tr("the file could not be read to keep it (%1); nothing was "
                         "written")
                      .arg(SystemError(errno)));
        if (read == 0) {
            old.truncate(at);
            break;
        }
        at += read;
    }
    if (old.size() > MaxFileSize)
        raise(Tr::tr("the file is too large to be replaced in place safely"));

    // Nothing is touched yet: the last chance to cancel is after the room is reserved.
    Report(progress, 0);
    if (bytes.size() > old.size()) {
        if (const int error = InPlaceWriteCalls().reserve(file.get(), 0, off_t(bytes.size())); error != 0) {
            // Reserving may have made the file longer without writing into it.
            const bool cut = ::ftruncate(file.get(), off_t(old.size())) == 0;
            raise(Tr::tr("there is no room to write it in place (%1); %2")
                      .arg(WriteProblem(error),
                           cut ? Tr::tr("the old file is unchanged")
                               : Tr::tr("the old file is whole but has zero bytes at its end")));
        }
    }
    try {
        Report(progress, 500);
    } catch (...) {
        if (::ftruncate(file.get(), off_t(old.size())) != 0)
            qWarning("Vorla Palette Menu: a cancelled in-place write could not take back the room it reserved");
        throw;
    }

    if (const int error = WriteWhole(file.get(), bytes); error != 0) {
        const bool restored = WriteWhole(file.get(), old) == 0;
        raise(Tr::tr("writing the file in place failed (%1); %2")
                  .arg(WriteProblem(error),
                       restored ? Tr::tr("the old file was put back") : Tr::tr("the old file could not be put back")));
    }
}

} // namespace

Entries ParseBytes(const QByteArray& bytes, const QString& fileName)
{
    return Parse(bytes, fileName, false).ToEntries();
}

Entries ParseBytesCollapsed(const QByteArray& bytes, const QString& fileName)
{
    return Parse(bytes, fileName, true).ToEntries();
}

Entries ReadFile(const QString& fileName, const QString& storeFile)
{
    return ParseBytes(ReadBytes(fileName, storeFile), fileName);
}

QByteArray EncodeLines(const QStringList& lines)
{
    QString text;
    qsizetype length = 0;
    for (const QString& line : lines)
        length += line.size() + 2;
    text.reserve(length);
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    if (text.isEmpty())
        return {};

    // The code page when it holds every character: decoding must give back the text exactly,
    // so that no character is ever replaced or mapped to a look-alike; and the bytes must not
    // be taken for another encoding when read.
    QStringEncoder ansi(Ansi, QStringConverter::Flag::Stateless);
    if (ansi.isValid()) {
        const QByteArray bytes = ansi.encode(text);
        if (!ansi.hasError()) {
            QStringDecoder back(Ansi, QStringConverter::Flag::Stateless);
            const QString decoded = back.decode(bytes);
            if (!back.hasError() && decoded == text && ReadsBackAsAnsi(bytes))
                return bytes;
        }
    }
    return QByteArray(Utf8Bom) + text.toUtf8();
}

InPlaceCalls& InPlaceWriteCalls()
{
    static InPlaceCalls calls{::posix_fallocate, ::pwrite};
    return calls;
}

void WriteFile(const QString& fileName, const QByteArray& bytes, const QString& storeFile, const Progress& progress,
               const ConfirmInPlace& confirm)
{
    std::optional<struct stat> existing;
    const QString target = WriteTarget(fileName, storeFile, &existing);
    if (WritesInPlace(target, existing)) {
        if (confirm && !confirm())
            throw Cancelled();
        WriteInPlace(fileName, target, *existing, bytes, progress);
        return;
    }
    WriteSafely(fileName, target, existing, bytes, progress);
}

ImportFile::ImportFile() = default;
ImportFile::~ImportFile() = default;
ImportFile::ImportFile(ImportFile&&) noexcept = default;
ImportFile& ImportFile::operator=(ImportFile&&) noexcept = default;

qsizetype ImportFile::EntryCount() const
{
    return m_parsed ? qsizetype(m_parsed->entries.size()) : 0;
}

qsizetype ImportFile::LineCount() const
{
    return m_parsed ? m_parsed->lines : 0;
}

ImportFile ReadForImport(const QString& fileName, const QString& storeFile, const Progress& progress)
{
    ImportFile file;
    file.m_fileName = fileName;
    // Each name once: the store then writes as many entries as the file names, whatever the
    // number of its lines.
    file.m_parsed = std::make_unique<ParsedFile>(Parse(ReadBytes(fileName, storeFile), fileName, true, progress, 1000));
    return file;
}

qsizetype Import(host::TRegIniFile& reg, const ImportFile& file, const Progress& progress)
{
    if (!file.m_parsed || file.m_parsed->entries.empty())
        return 0;
    const ParsedFile& parsed = *file.m_parsed;
    const qsizetype count = qsizetype(parsed.entries.size());
    reg.Transaction([&] {
        // The work is the erasing of the grouping kept before, then the writing of each entry.
        qsizetype erasing = 0;
        CategoryStore::KeepForUndoImport(reg, [&](qsizetype erased, qsizetype total) {
            erasing = total;
            Report(progress, int(1000 * erased / (total + count)));
        });
        Report(progress, int(1000 * erasing / (erasing + count)));
        CategoryStore::SectionFingerprint fingerprint;
        for (qsizetype i = 0; i < count; ++i) {
            const Slice& entry = parsed.entries[std::size_t(i)];
            reg.WriteString(CategoryStore::Section, parsed.Name(entry), parsed.Value(entry));
            fingerprint.Add(parsed.Part(entry.nameBegin, entry.nameEnd), parsed.Part(entry.valueBegin, entry.valueEnd));
            if (progress && (i + 1) % EntriesPerReport == 0)
                progress(int(1000 * (erasing + i + 1) / (erasing + count)));
        }
        CategoryStore::RecordImport(reg, file.m_fileName, fingerprint.Result());
        // The last word before the commit, which cannot be cancelled.
        Report(progress, 1000);
    });
    return count;
}

qsizetype Import(host::TRegIniFile& reg, const QString& fileName, const Progress& progress)
{
    const auto share = [&progress](int from, int to) {
        return progress
            ? Progress([&progress, from, to](int permille) { progress(from + (to - from) * permille / 1000); })
            : Progress();
    };
    return Import(reg, ReadForImport(fileName, reg.StoreLocation(), share(0, ImportReadShare)),
                  share(ImportReadShare, 1000));
}

qsizetype Export(const host::TRegIniFile& reg, const QString& fileName, const Progress& progress,
                 const ConfirmInPlace& confirm)
{
    // A target that would be refused is refused, and one to be written in place confirmed,
    // before the store is read.
    const QString storeFile = reg.StoreLocation();
    std::optional<struct stat> existing;
    const bool inPlace = WritesInPlace(WriteTarget(fileName, storeFile, &existing), existing);
    if (inPlace && confirm && !confirm())
        throw Cancelled();

    QStringList lines;
    QStringList leftOut;
    for (const auto& [name, value] : reg.ReadSectionEntries(CategoryStore::Section)) {
        // An empty value means no category, as if there were no entry.
        if (value.isEmpty())
            continue;
        if (ReadsBack(name, value))
            lines.append(name + QLatin1Char('=') + value);
        else
            leftOut.append(name);
    }
    Report(progress, ExportReadShare);
    const Progress writing = progress ? Progress([&progress](int permille) {
        progress(ExportReadShare + (1000 - ExportReadShare) * permille / 1000);
    })
                                      : Progress();
    WriteFile(fileName, EncodeLines(lines), storeFile, writing, inPlace ? ConfirmInPlace() : confirm);
    if (!leftOut.isEmpty())
        throw host::EFCreateError(LeftOutMessage(fileName, leftOut));
    return lines.size();
}

} // namespace CategoryFile
