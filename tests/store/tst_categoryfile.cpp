// The category file: reading every encoding and line end, import as one all-or-nothing
// change, export in the narrowest encoding that loses nothing, and every bad input or failed
// write leaving the store and the old file exactly as they were.

#include "store/CategoryFile.h"
#include "store/CategoryStore.h"
#include "tests/common/TemporaryStore.h"

#include "host/Exceptions.h"
#include "host/Registry.h"
#include "host/private/IdeHost.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>

#include <grp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

using CategoryFile::Entries;
using host::TRegIniFile;
using namespace Qt::StringLiterals;

namespace {

const QByteArray Utf8Bom("\xEF\xBB\xBF");

QByteArray Utf16(const QString& text, bool littleEndian)
{
    QByteArray bytes(littleEndian ? "\xFF\xFE" : "\xFE\xFF");
    for (const QChar c : text) {
        const char high = char(c.unicode() >> 8);
        const char low = char(c.unicode() & 0xFF);
        bytes.append(littleEndian ? low : high).append(littleEndian ? high : low);
    }
    return bytes;
}

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<cannot open>");
}

bool PutFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The message of the host exception of type E that call raises, or "<none>".
template <typename E>
QString RaisedMessage(const std::function<void()>& call)
{
    try {
        call();
    } catch (const E& error) {
        return error.Message();
    }
    return QStringLiteral("<none>");
}

// A limit on the size of files this process writes, for as long as it lives: writing
// beyond it fails as a full disk does, even for root.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_old);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
};

// Runs this executable as an ordinary user (nobody), in a role of main(): root may write
// where a user may not. Its standard output, trimmed; "" when it could not be started.
QString AsOrdinaryUser(const QStringList& arguments)
{
    QProcess child;
    child.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
    });
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    if (!child.waitForFinished(60000) || child.exitCode() != 0)
        return QString();
    return QString::fromUtf8(child.readAllStandardOutput()).trimmed();
}

// Calls of an in-place write that fail: room cannot be had, or a write stops after its first
// two bytes (the put-back that follows writes as usual).
int NoRoom(int, off_t, off_t)
{
    return ENOSPC;
}
int writeCalls = 0;
ssize_t FailingWrite(int descriptor, const void* data, size_t size, off_t offset)
{
    const int calls = ++writeCalls;
    if (calls == 1)
        return ::pwrite(descriptor, data, std::min<size_t>(size, 2), offset);
    if (calls == 2) {
        errno = EIO;
        return -1;
    }
    return ::pwrite(descriptor, data, size, offset);
}

// What reading (op "read") or writing ("write", with "new") path says: "ok", "cancelled", or
// the message. A write may be made to fail: "write:full" (no room), "write:limit" (a file-size
// limit of 4 bytes), "write:broken" (a write fails midway), "write:cancel" (Cancel at the last
// report), "write:declined" (the in-place question answered no).
QString FileOperation(const QString& op, const QString& path)
{
    CategoryFile::InPlaceCalls& calls = CategoryFile::InPlaceWriteCalls();
    const auto restore = qScopeGuard([&calls, saved = calls] { calls = saved; });
    writeCalls = 0;
    std::unique_ptr<FileSizeLimit> limit;
    if (op == QLatin1String("write:full"))
        calls.reserve = NoRoom;
    if (op == QLatin1String("write:broken"))
        calls.writeAt = FailingWrite;
    if (op == QLatin1String("write:limit"))
        limit = std::make_unique<FileSizeLimit>(4);
    int reports = 0;
    try {
        if (op == QLatin1String("read"))
            CategoryFile::ReadFile(path);
        else
            CategoryFile::WriteFile(
                path, QByteArray("new\r\n"), QString(),
                [&](int) {
                    if (++reports == 2 && op == QLatin1String("write:cancel"))
                        throw CategoryFile::Cancelled();
                },
                [&] { return op != QLatin1String("write:declined"); });
    } catch (const host::Exception& error) {
        return error.Message();
    } catch (const CategoryFile::Cancelled&) {
        return QStringLiteral("cancelled");
    }
    return QStringLiteral("ok");
}

// The same as an ordinary user: in this process when it is one, else in a child.
QString FileOperationAsUser(const QString& op, const QString& path)
{
    if (::geteuid() != 0)
        return FileOperation(op, path);
    return AsOrdinaryUser({QStringLiteral("--as-user"), op, path});
}

// What kind of thing stands at path, not following a link: "file", "link", "device", ...
QString Kind(const QString& path)
{
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0)
        return QStringLiteral("nothing");
    if (S_ISLNK(st.st_mode))
        return QStringLiteral("link");
    if (S_ISREG(st.st_mode))
        return QStringLiteral("file");
    if (S_ISDIR(st.st_mode))
        return QStringLiteral("folder");
    if (S_ISCHR(st.st_mode))
        return QStringLiteral("device");
    if (S_ISFIFO(st.st_mode))
        return QStringLiteral("pipe");
    if (S_ISSOCK(st.st_mode))
        return QStringLiteral("socket");
    return QStringLiteral("other");
}

bool MakeSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    if (fd < 0 || std::size_t(name.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, name.constData(), std::size_t(name.size()));
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return bound;
}

mode_t Mode(const QString& path)
{
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
}

} // namespace

class CategoryFileTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TemporaryStore> m_store;
    std::unique_ptr<TRegIniFile> m_reg;

    QString Path(const QString& name) const { return m_store->filePath(name); }
    Entries Stored() const { return m_reg->ReadSectionEntries(CategoryStore::Section); }
    void Store(const Entries& entries)
    {
        m_reg->Transaction([&] {
            m_reg->EraseSection(CategoryStore::Section);
            for (const auto& [name, value] : entries)
                m_reg->WriteString(CategoryStore::Section, name, value);
        });
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
        m_reg = std::make_unique<TRegIniFile>(CategoryStore::Key);
    }

    void cleanup()
    {
        m_reg.reset();
        m_store.reset();
    }

    void read_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Entries>("entries");
        const Entries abcd{{"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}};
        QTest::newRow("empty file: no line") << QByteArray() << Entries{};
        QTest::newRow("byte-order mark alone: no line") << Utf8Bom << Entries{};
        QTest::newRow("one CR LF: one blank line") << QByteArray("\r\n") << Entries{{"", ""}};
        QTest::newRow("CR, LF and CR LF each end a line") << QByteArray("a=1\rb=2\nc=3\r\nd=4") << abcd;
        QTest::newRow("final line break adds none") << QByteArray("a=1\nb=2\nc=3\nd=4\n") << abcd;
        QTest::newRow("LF CR is two line ends")
            << QByteArray("a=1\n\rb=2") << Entries{{"a", "1"}, {"", ""}, {"b", "2"}};
        QTest::newRow("blank line and line without = are nameless")
            << QByteArray("a=1\r\n\r\nStandard\r\n") << Entries{{"a", "1"}, {"", ""}, {"", ""}};
        QTest::newRow("name before the first =")
            << QByteArray("a=b=c\r\n=x\r\ny=\r\n") << Entries{{"a", "b=c"}, {"", "x"}, {"y", ""}};
        QTest::newRow("spaces, & and ; kept")
            << QByteArray(" Data &Access = A ; B;\r\n") << Entries{{" Data &Access ", " A ; B;"}};
        QTest::newRow("Windows-1252, 0x80 to 0xFF")
            << QByteArray("\x80\x8A\x9F\xC4\xDF\xFF=\x81\x8D\x8F\x90\x9D\xA0")
            << Entries{{u"€ŠŸ\u00C4\u00DF\u00FF"_s, u"\u0081\u008D\u008F\u0090\u009D\u00A0"_s}};

        QTest::newRow("UTF-8 with a byte-order mark")
            << Utf8Bom + u"Ärger=Ωmega;😀\r\nb=2"_s.toUtf8() << Entries{{u"Ärger"_s, u"Ωmega;😀"_s}, {"b", "2"}};
        QTest::newRow("a second byte-order mark is a character")
            << Utf8Bom + Utf8Bom + "a=1" << Entries{{u"\uFEFFa"_s, "1"}};
        QTest::newRow("UTF-16 LE") << Utf16(u"Ärger=Ωmega;😀\rb=2\n"_s, true)
                                   << Entries{{u"Ärger"_s, u"Ωmega;😀"_s}, {"b", "2"}};
        QTest::newRow("UTF-16 BE") << Utf16(u"Ärger=Ωmega;😀\r\nb=2"_s, false)
                                   << Entries{{u"Ärger"_s, u"Ωmega;😀"_s}, {"b", "2"}};
        QTest::newRow("longest name and list the store takes")
            << QByteArray(TRegIniFile::MaxValueNameLength, 'n') + '=' + QByteArray(TRegIniFile::MaxValueLength, 'v')
            << Entries{{QString(TRegIniFile::MaxValueNameLength, u'n'), QString(TRegIniFile::MaxValueLength, u'v')}};
    }
    void read()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Entries, entries);
        const QString path = Path(QStringLiteral("in.cpc"));
        QVERIFY(PutFile(path, bytes));
        QCOMPARE(CategoryFile::ReadFile(path), entries);
    }

    // The cases the format leaves at the edges, through a whole import.
    void import_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Entries>("after");
        const Entries before{{"Standard", "Common"}, {"Web", "Net"}};
        QTest::newRow("empty file changes nothing") << QByteArray() << before;
        QTest::newRow("one line leaves exactly one entry")
            << QByteArray("Dialogs=UI\r\n") << Entries{{"Dialogs", "UI"}};
        QTest::newRow("a line ending at = is an empty list") << QByteArray("Dialogs=") << Entries{{"Dialogs", ""}};
        QTest::newRow("a line break alone is one nameless entry") << QByteArray("\r\n") << Entries{{"", ""}};
        QTest::newRow("a later line replaces an earlier, whatever the case")
            << QByteArray("Web=A\r\nDialogs=B\r\nWEB=C\r\n") << Entries{{"Web", "C"}, {"Dialogs", "B"}};
        QTest::newRow("two files with byte-order marks joined: the second mark is a character")
            << Utf8Bom + "Web=A\r\n" + Utf8Bom + "Web=B\r\n" + u"\uFFFEAB=\uFEFF"_s.toUtf8()
            << Entries{{"Web", "A"}, {u"\uFEFFWeb"_s, "B"}, {u"\uFFFEAB"_s, u"\uFEFF"_s}};
    }
    void import()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Entries, after);
        Store({{"Standard", "Common"}, {"Web", "Net"}});
        const QString path = Path(QStringLiteral("in.cpc"));
        QVERIFY(PutFile(path, bytes));
        CategoryFile::Import(*m_reg, path);
        QCOMPARE(Stored(), after);
    }

    void badInput_data()
    {
        QTest::addColumn<QString>("kind"); // "file", "folder", "missing" or "pipe"
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("reason");
        const QByteArray tooLongName = QByteArray(TRegIniFile::MaxValueNameLength + 1, 'n') + "=v";
        const QByteArray tooLongList = "a=\r\nb=" + QByteArray(TRegIniFile::MaxValueLength + 1, 'v');
        QTest::newRow("NUL byte") << "file" << QByteArray("a=1\r\nb\0=2", 9) << "line 2 holds a NUL byte";
        QTest::newRow("UTF-16 without a byte-order mark")
            << "file" << Utf16(u"a=1"_s, true).mid(2) << "line 1 holds a NUL byte";
        QTest::newRow("NUL character in UTF-8") << "file" << Utf8Bom + QByteArray("a\0", 2) << "line 1 holds a NUL";
        QTest::newRow("not UTF-8 after its mark") << "file" << Utf8Bom + "a=1\r\nb=2\nc=\xC4rger\r\n"
                                                  << "line 3 is not UTF-8";
        QTest::newRow("UTF-8 cut short at the end") << "file" << Utf8Bom + "a=\xE2\x82"
                                                    << "line 1 is not UTF-8";
        QTest::newRow("UTF-16 of odd length") << "file" << Utf16(u"a=1"_s, false) + 'x' << "odd number of bytes";
        QTest::newRow("UTF-16 with a lone surrogate")
            << "file" << Utf16(u"a=1\r\nb="_s + QChar(0xD800), true) << "line 2 is not valid UTF-16";
        QTest::newRow("name beyond the store's limit") << "file" << tooLongName << "line 1 has a name of 16,384";
        QTest::newRow("list beyond the store's limit")
            << "file" << tooLongList << "line 2 has a category list of 524,289";
        QTest::newRow("over 16 MiB") << "file" << QByteArray(CategoryFile::MaxFileSize + 1, 'a')
                                     << "16,777,217 bytes long";
        QTest::newRow("folder") << "folder" << QByteArray() << "folder";
        QTest::newRow("missing file") << "missing" << QByteArray() << "no such file";
        QTest::newRow("named pipe, which would never end") << "pipe" << QByteArray() << "not a plain file";
    }
    void badInput()
    {
        QFETCH(QString, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, reason);
        Store({{"Standard", "Common"}, {"Web", "Net"}});
        const QByteArray storeBefore = FileBytes(m_reg->StoreLocation());
        const QString path = Path(QStringLiteral("in.cpc"));
        if (kind == QLatin1String("file"))
            QVERIFY(PutFile(path, bytes));
        else if (kind == QLatin1String("folder"))
            QVERIFY(QDir().mkpath(path));
        else if (kind == QLatin1String("pipe"))
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);

        const QString message = RaisedMessage<host::EFOpenError>([&] { CategoryFile::Import(*m_reg, path); });
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY2(message.contains(reason), qPrintable(message));
        QCOMPARE(Stored(), (Entries{{"Standard", "Common"}, {"Web", "Net"}}));
        QCOMPARE(FileBytes(m_reg->StoreLocation()), storeBefore);
    }

    void roundTrip_data()
    {
        QTest::addColumn<Entries>("stored");
        QTest::addColumn<Entries>("readBack");
        QTest::addColumn<QByteArray>("fileStart"); // the file's first bytes
        QTest::addColumn<QStringList>("leftOut");
        const Entries plain{{"Data Access", "A;B"}, {"R&D", "x = y;"}, {"", "nameless"}, {"lower", "UPPER"}};
        QTest::newRow("spaces, &, ; and = in lists, empty name, case kept")
            << plain << plain << QByteArray("Data Access=A;B\r\nR&D=x = y;\r\n=nameless\r\nlower=UPPER\r\n")
            << QStringList{};
        const Entries western{{u"Ärger"_s, u"Größe;€"_s}, {u"\u0081"_s, "C1 controls fit too"}};
        QTest::newRow("letters of Windows-1252 written in it, no mark") << western << western
                                                                        << QByteArray("\xC4rger=Gr\xF6\xDF"
                                                                                      "e;\x80\r\n\x81=C1")
                                                                        << QStringList{};
        const Entries beyond{{u"Ärger"_s, "A"}, {u"Ωmega"_s, u"日本;😀"_s}};
        QTest::newRow("one letter beyond it: all in UTF-8 after a mark")
            << beyond << beyond << Utf8Bom + u"Ärger=A\r\nΩmega"_s.toUtf8() << QStringList{};
        QTest::newRow("empty lists left out")
            << Entries{{"a", ""}, {"b", "1"}} << Entries{{"b", "1"}} << QByteArray("b=1\r\n") << QStringList{};
        QTest::newRow("names that would read back as others left out and named")
            << Entries{{"Key=Value", "A"}, {"b", "1"}, {"Two\nLines", "B"}, {"c", "x\r\ny"}, {u"Ω=1"_s, "C"}}
            << Entries{{"b", "1"}} << QByteArray("b=1\r\n")
            << QStringList{"\"Key=Value\"", "\"Two\\nLines\"", "\"c\"", u"\"Ω=1\""_s};
        QTest::newRow("no section: an empty file") << Entries{} << Entries{} << QByteArray() << QStringList{};
    }
    void roundTrip()
    {
        QFETCH(Entries, stored);
        QFETCH(Entries, readBack);
        QFETCH(QByteArray, fileStart);
        QFETCH(QStringList, leftOut);
        Store(stored);
        // A name holding "%2" reaches the message as it is.
        const QString path = Path(QStringLiteral("out %2.cpc"));
        const QString message = RaisedMessage<host::EFCreateError>([&] { CategoryFile::Export(*m_reg, path); });
        if (leftOut.isEmpty()) {
            QCOMPARE(message, QStringLiteral("<none>"));
        } else {
            QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
            QVERIFY2(message.contains(QStringLiteral("without %1 ").arg(leftOut.size())), qPrintable(message));
            for (const QString& name : leftOut)
                QVERIFY2(message.contains(name), qPrintable(message));
        }
        const QByteArray bytes = FileBytes(path);
        QVERIFY2(bytes.startsWith(fileStart), bytes.toHex(' ').constData());
        QVERIFY(fileStart.isEmpty() ? bytes.isEmpty() : bytes.endsWith("\r\n"));

        Store({{"Other", "Before"}});
        CategoryFile::Import(*m_reg, path);
        const Entries expected = readBack.isEmpty() ? Entries{{"Other", "Before"}} : readBack;
        QCOMPARE(Stored(), expected);
    }

    void failedExportKeepsTheOldFile_data()
    {
        QTest::addColumn<QString>("target"); // relative to the temporary folder
        QTest::addColumn<bool>("diskFull");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("entryCount");
        QTest::addColumn<int>("sizeLimit"); // for diskFull
        QTest::newRow("no room for the new file") << "old.cpc" << true << "Cannot export" << 1000 << 4096;
        // Written only when the save flushes Qt's buffer; the limit is just below the new size.
        QTest::newRow("no room for a small new file") << "old.cpc" << true << "File too large" << 3 << 50;
        QTest::newRow("a folder") << "folder" << false << "folder" << 1000 << 0;
        QTest::newRow("in a missing folder") << "missing/new.cpc" << false << "Cannot export" << 1000 << 0;
    }
    void failedExportKeepsTheOldFile()
    {
        QFETCH(QString, target);
        QFETCH(bool, diskFull);
        QFETCH(QString, reason);
        QFETCH(int, entryCount);
        QFETCH(int, sizeLimit);
        Entries many;
        for (int i = 0; i < entryCount; ++i)
            many.append({QStringLiteral("Page %1").arg(i), QStringLiteral("Category %1").arg(i % 10)});
        Store(many);
        const QByteArray old("Standard=Common\r\n");
        QVERIFY(PutFile(Path(QStringLiteral("old.cpc")), old));
        QVERIFY(QDir().mkpath(Path(QStringLiteral("folder"))));
        const QStringList before = QDir(m_store->folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

        const QString path = Path(target);
        QString message;
        {
            std::unique_ptr<FileSizeLimit> limit;
            if (diskFull)
                limit = std::make_unique<FileSizeLimit>(rlim_t(sizeLimit));
            message = RaisedMessage<host::EFCreateError>([&] { CategoryFile::Export(*m_reg, path); });
        }
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY2(message.contains(reason), qPrintable(message));
        QCOMPARE(FileBytes(Path(QStringLiteral("old.cpc"))), old);
        // No half-written file is left behind.
        QCOMPARE(QDir(m_store->folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }

    // Files without a byte-order mark: UTF-8 when they are valid UTF-8, else Windows-1252; and
    // an export always chooses bytes that read back as the names it was given.
    void encodings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Entries>("entries");
        QTest::newRow("UTF-8 without a mark, as editors save it")
            << u"Geräte=Ввод;Устройства\r\n日本語=ツール\r\n"_s.toUtf8()
            << Entries{{u"Geräte"_s, u"Ввод;Устройства"_s}, {u"日本語"_s, u"ツール"_s}};
        QTest::newRow("UTF-8 beyond the BMP without a mark") << u"😀=x"_s.toUtf8() << Entries{{u"😀"_s, "x"}};
        QTest::newRow("Windows-1252 letters are not valid UTF-8") << QByteArray("Gr\xF6\xDF"
                                                                                "e=\xC4rger")
                                                                  << Entries{{u"Größe"_s, u"Ärger"_s}};
        QTest::newRow("one byte not UTF-8 makes the whole file Windows-1252")
            << QByteArray("\xC3\x84=x\r\n\xC4=y") << Entries{{u"\u00C3\u201E"_s, "x"}, {u"Ä"_s, "y"}};
        QTest::newRow("UTF-8 cut short at the end without a mark is Windows-1252")
            << QByteArray("a=\xE2\x82") << Entries{{"a", u"\u00E2\u201A"_s}};
        QTest::newRow("encoded surrogates are not UTF-8")
            << QByteArray("\xED\xA0\x80=x") << Entries{{u"\u00ED\u00A0\u20AC"_s, "x"}};
        QTest::newRow("ASCII alone") << QByteArray("a=1") << Entries{{"a", "1"}};
    }
    void encodings()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Entries, entries);
        QCOMPARE(CategoryFile::ParseBytes(bytes, QStringLiteral("in.cpc")), entries);
    }

    // A file the host writes, in Windows-1252 without a mark, reads as before: every byte from
    // 0x80 to 0xFF alone in a name, and all of them in one.
    void everyWindows1252Byte()
    {
        QStringDecoder ansi("windows-1252");
        QByteArray all;
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const QByteArray name = QByteArray("a") + char(byte) + 'z';
            all += char(byte);
            const Entries read = CategoryFile::ParseBytes(name + "=x\r\n", QStringLiteral("in.cpc"));
            QCOMPARE(read, (Entries{{ansi.decode(name), "x"}}));
        }
        const Entries read = CategoryFile::ParseBytes(all + "=" + all + "\r\n", QStringLiteral("in.cpc"));
        QCOMPARE(read, (Entries{{ansi.decode(all), ansi.decode(all)}}));
    }

    // Names whose Windows-1252 bytes would be taken for another encoding are written in UTF-8
    // after a mark, and come back as they were.
    void exportedNamesReadBack_data()
    {
        QTest::addColumn<QString>("firstName");
        QTest::addColumn<bool>("marked"); // written in UTF-8 after a byte-order mark
        QTest::newRow("starts like a UTF-16 LE mark") << u"ÿþData"_s << true;
        QTest::newRow("starts like a UTF-16 BE mark") << u"þÿData"_s << true;
        QTest::newRow("starts like a UTF-8 mark") << u"ï»¿Data"_s << true;
        QTest::newRow("a mark's letters later on") << u"DataÿþData"_s << false;
        QTest::newRow("Windows-1252 bytes that are valid UTF-8") << u"Ã¤rger"_s << true;
        QTest::newRow("Windows-1252 letters") << u"Größe"_s << false;
    }
    void exportedNamesReadBack()
    {
        QFETCH(QString, firstName);
        QFETCH(bool, marked);
        // The rest of the file in ASCII, so that the first name alone decides.
        const Entries stored{{firstName, "A;B"}, {"Other", "Plain"}};
        Store(stored);
        const QString path = Path(QStringLiteral("out.cpc"));
        CategoryFile::Export(*m_reg, path);
        QCOMPARE(FileBytes(path).startsWith(Utf8Bom), marked);
        Store({{"Before", "x"}});
        CategoryFile::Import(*m_reg, path);
        QCOMPARE(Stored(), stored);
    }

    // An import writes each name once: where it first stands, as first spelt, with its last value.
    void collapsing_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<Entries>("entries");
        QTest::newRow("a later line replaces an earlier one, first spelling kept")
            << QByteArray("Web=A\r\nDialogs=B\r\nWEB=C\r\nweb=D\r\n") << Entries{{"Web", "D"}, {"Dialogs", "B"}};
        QTest::newRow("letters beyond ASCII match without regard to case")
            << u"Ärger=1\nσ=2\närger=3\nΣ=4\nς=5\n"_s.toUtf8()
            << Entries{{u"Ärger"_s, "3"}, {u"σ"_s, "4"}, {u"ς"_s, "5"}};
        QTest::newRow("blank lines and lines without = are one nameless entry")
            << QByteArray("\r\na=1\r\nStandard\r\n=x\r\n\r\n") << Entries{{"", ""}, {"a", "1"}};
        QTest::newRow("16 MiB of line breaks") << QByteArray(CategoryFile::MaxFileSize, '\n') << Entries{{"", ""}};
        QTest::newRow("distinct names all kept")
            << QByteArray("a=1\nb=2\nc=3") << Entries{{"a", "1"}, {"b", "2"}, {"c", "3"}};
    }
    void collapsing()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(Entries, entries);
        QCOMPARE(CategoryFile::ParseBytesCollapsed(bytes, QStringLiteral("in.cpc")), entries);
        const QString path = Path(QStringLiteral("in.cpc"));
        QVERIFY(PutFile(path, bytes));
        Store({{"Before", "x"}});
        CategoryFile::Import(*m_reg, path);
        QCOMPARE(Stored(), entries);
    }

    // What an export does with what stands at its path: a plain file, or a link to one, is
    // replaced; anything else is refused with the reason and stays as it was.
    void exportTargets_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason"); // "" when the export works
        QTest::newRow("device made with mknod") << "device"
                                                << "it is a device, not a plain file";
        QTest::newRow("named pipe") << "pipe"
                                    << "it is a named pipe, not a plain file";
        QTest::newRow("socket") << "socket"
                                << "it is a socket, not a plain file";
        QTest::newRow("folder") << "folder"
                                << "it is a folder, not a file";
        QTest::newRow("link to a device") << "link to device"
                                          << "it is a device, not a plain file";
        QTest::newRow("link to a plain file") << "link to file"
                                              << "";
        QTest::newRow("link to nothing") << "dangling link"
                                         << "which does not exist";
        QTest::newRow("loop of links") << "link loop"
                                       << "its symbolic links form a loop";
        QTest::newRow("the store itself") << "store"
                                          << "the IDE's own category store";
        QTest::newRow("the store's journal") << "store journal"
                                             << "the IDE's own category store";
        QTest::newRow("a hard link to the store") << "store hard link"
                                                  << "the IDE's own category store";
        QTest::newRow("the store's journal not made yet") << "store rollback journal"
                                                          << "the IDE's own category store";
        QTest::newRow("the journal beside the file a linked store names") << "linked store journal"
                                                                          << "the IDE's own category store";
    }
    void exportTargets()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        if (kind == QLatin1String("linked store journal")) {
            QVERIFY(QDir().mkpath(Path(QStringLiteral("real"))));
            QVERIFY(QFile::link(Path(QStringLiteral("real/registry.sqlite")), Path(QStringLiteral("link.sqlite"))));
            host::ide::setRegistryFile(Path(QStringLiteral("link.sqlite")));
            m_reg = std::make_unique<TRegIniFile>(CategoryStore::Key);
        }
        Store({{"Standard", "Common"}});
        const QString store = m_reg->StoreLocation();
        QString path = Path(QStringLiteral("target"));
        const QString file = Path(QStringLiteral("file.cpc"));
        QVERIFY(PutFile(file, "old"));
        const QByteArray target = QFile::encodeName(path);
        if (kind == QLatin1String("device") || kind == QLatin1String("link to device")) {
            // A node of the test's own with /dev/null's numbers, never the machine's.
            const QString node = kind == QLatin1String("device") ? path : Path(QStringLiteral("node"));
            if (::mknod(QFile::encodeName(node).constData(), S_IFCHR | 0666, makedev(1, 3)) != 0)
                QSKIP("making a device node needs root");
            if (node != path)
                QVERIFY(QFile::link(node, path));
        } else if (kind == QLatin1String("pipe")) {
            QCOMPARE(::mkfifo(target.constData(), 0600), 0);
        } else if (kind == QLatin1String("socket")) {
            QVERIFY(MakeSocket(path));
        } else if (kind == QLatin1String("folder")) {
            QVERIFY(QDir().mkpath(path));
        } else if (kind == QLatin1String("link to file")) {
            QVERIFY(QFile::link(file, path));
        } else if (kind == QLatin1String("dangling link")) {
            QVERIFY(QFile::link(Path(QStringLiteral("nowhere")), path));
        } else if (kind == QLatin1String("link loop")) {
            QVERIFY(QFile::link(path, Path(QStringLiteral("other"))));
            QVERIFY(QFile::link(Path(QStringLiteral("other")), path));
        } else if (kind == QLatin1String("store")) {
            path = store;
        } else if (kind.endsWith(QLatin1String("store journal"))) {
            path = (kind == QLatin1String("store journal") ? store : Path(QStringLiteral("real/registry.sqlite")))
                + QStringLiteral("-journal");
            QVERIFY(PutFile(path, ""));
        } else if (kind == QLatin1String("store hard link")) {
            QCOMPARE(::link(QFile::encodeName(store).constData(), target.constData()), 0);
        } else if (kind == QLatin1String("store rollback journal")) {
            path = store + QStringLiteral("-journal");
        }
        const QString kindBefore = Kind(path);
        const QByteArray storeBefore = FileBytes(store);

        const QString message = RaisedMessage<host::EFCreateError>([&] { CategoryFile::Export(*m_reg, path); });
        if (reason.isEmpty()) {
            QCOMPARE(message, QStringLiteral("<none>"));
            QCOMPARE(FileBytes(file), QByteArray("Standard=Common\r\n"));
        } else {
            QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
            QVERIFY2(message.contains(reason), qPrintable(message));
            QCOMPARE(FileBytes(file), QByteArray("old"));
        }
        QCOMPARE(Kind(path), kindBefore);
        QCOMPARE(FileBytes(store), storeBefore);
        QCOMPARE(Stored(), (Entries{{"Standard", "Common"}}));
        // The import refuses the same paths, for the same reasons.
        if (!reason.isEmpty() && kind != QLatin1String("socket") && !kind.startsWith(QLatin1String("store r"))) {
            const QString refused = RaisedMessage<host::EFOpenError>([&] { CategoryFile::Import(*m_reg, path); });
            QVERIFY2(refused.contains(reason), qPrintable(refused));
        }
    }

    // An export keeps the permission bits of the file it replaces.
    void permissionBitsKept_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("read-only, 0444") << 0444;
        QTest::newRow("private, 0600") << 0600;
        QTest::newRow("shared, 0664") << 0664;
    }
    void permissionBitsKept()
    {
        QFETCH(int, mode);
        Store({{"Standard", "Common"}});
        const QString path = Path(QStringLiteral("out.cpc"));
        QVERIFY(PutFile(path, "old"));
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(mode)), 0);
        CategoryFile::Export(*m_reg, path);
        QCOMPARE(FileBytes(path), QByteArray("Standard=Common\r\n"));
        QCOMPARE(int(Mode(path)), mode);
    }

    // As an ordinary user: a folder that may not be written, or entered.
    void ordinaryUser_data()
    {
        QTest::addColumn<QString>("op");
        QTest::addColumn<int>("folderMode");
        QTest::addColumn<int>("fileMode"); // -1: no file
        QTest::addColumn<QString>("result");
        QTest::addColumn<QByteArray>("fileAfter");
        QTest::newRow("export over a writable file in a read-only folder: in place")
            << "write" << 0555 << 0666 << "ok" << QByteArray("new\r\n");
        // In place, every failure leaves the old file whole and names its cause.
        QTest::newRow("in place, on a full disk")
            << "write:full" << 0555 << 0666 << "the disk is full); the old file is unchanged" << QByteArray("old");
        QTest::newRow("in place, past a file-size limit")
            << "write:limit" << 0555 << 0666 << "limit on the size of files (ulimit -f)); the old file is unchanged"
            << QByteArray("old");
        QTest::newRow("in place, a write failing midway")
            << "write:broken" << 0555 << 0666 << "failed (Input/output error); the old file was put back"
            << QByteArray("old");
        QTest::newRow("in place, cancelled at the last report")
            << "write:cancel" << 0555 << 0666 << "cancelled" << QByteArray("old");
        QTest::newRow("in place, declined") << "write:declined" << 0555 << 0666 << "cancelled" << QByteArray("old");
        QTest::newRow("export over a read-only file in a read-only folder")
            << "write" << 0555 << 0444 << "neither its folder" << QByteArray("old");
        QTest::newRow("export of a new file into a read-only folder")
            << "write" << 0555 << -1 << "Permission denied" << QByteArray();
        QTest::newRow("import from a folder that may not be entered")
            << "read" << 0000 << 0666 << "may not be entered (permission denied)" << QByteArray("old");
        QTest::newRow("import of a file that may not be read")
            << "read" << 0755 << 0000 << "may not be read (permission denied)" << QByteArray("old");
    }
    void ordinaryUser()
    {
        QFETCH(QString, op);
        QFETCH(int, folderMode);
        QFETCH(int, fileMode);
        QFETCH(QString, result);
        QFETCH(QByteArray, fileAfter);
        // The child, another user, must reach the folder.
        QCOMPARE(::chmod(QFile::encodeName(m_store->folder()).constData(), 0755), 0);
        const QString folder = Path(QStringLiteral("folder"));
        QVERIFY(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/file.cpc");
        if (fileMode >= 0) {
            QVERIFY(PutFile(path, "old"));
            QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(fileMode)), 0);
        }
        QCOMPARE(::chmod(QFile::encodeName(folder).constData(), mode_t(folderMode)), 0);
        const auto restore = qScopeGuard([&] { ::chmod(QFile::encodeName(folder).constData(), 0755); });
        const QString said = FileOperationAsUser(op, path);
        if (said.isEmpty())
            QSKIP("cannot run as an ordinary user here");
        QVERIFY2(said == result || said.contains(result), qPrintable(said));
        if (said != QLatin1String("ok") && said != QLatin1String("cancelled"))
            QVERIFY2(said.contains(QDir::toNativeSeparators(path)), qPrintable(said));
        ::chmod(QFile::encodeName(folder).constData(), 0755);
        ::chmod(QFile::encodeName(path).constData(), 0644);
        QCOMPARE(FileBytes(path), fileAfter.isEmpty() ? QByteArray("<cannot open>") : fileAfter);
        QCOMPARE(QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                 fileMode >= 0 || said == QLatin1String("ok") ? QStringList{"file.cpc"} : QStringList{});
    }

    // Cancelled at any report, an import leaves the store, and an export the old file,
    // exactly as they were, and no file of its own behind.
    void cancel_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("cancelAt"); // the report that cancels, counted from 1; -1: the last
        QTest::newRow("import, at the first report") << "import" << 1;
        QTest::newRow("import, at the last report") << "import" << -1;
        QTest::newRow("export, at the first report") << "export" << 1;
        QTest::newRow("export, at the last report") << "export" << -1;
    }
    void cancel()
    {
        QFETCH(QString, command);
        QFETCH(int, cancelAt);
        Entries before;
        QByteArray file;
        for (int i = 0; i < 5000; ++i) {
            before.append({QStringLiteral("Page %1").arg(i), QStringLiteral("Old %1").arg(i % 7)});
            file += "Page " + QByteArray::number(i) + "=New\r\n";
        }
        Store(before);
        const QString path = Path(QStringLiteral("file.cpc"));
        QVERIFY(PutFile(path, file));
        const QStringList filesBefore = QDir(m_store->folder()).entryList(QDir::Files);
        const bool importing = command == QLatin1String("import");
        const auto run = [&](const CategoryFile::Progress& progress) {
            if (importing)
                CategoryFile::Import(*m_reg, path, progress);
            else
                CategoryFile::Export(*m_reg, path, progress);
        };
        // How many reports a whole run makes, and that they only go up.
        QList<int> reports;
        Store(before);
        run([&](int permille) { reports.append(permille); });
        QVERIFY(reports.size() >= 2);
        QVERIFY(std::is_sorted(reports.begin(), reports.end()));
        Store(before);
        QVERIFY(PutFile(path, file));

        const int last = cancelAt < 0 ? int(reports.size()) : cancelAt;
        int count = 0;
        bool cancelled = false;
        try {
            run([&](int) {
                if (++count == last)
                    throw CategoryFile::Cancelled();
            });
        } catch (const CategoryFile::Cancelled&) {
            cancelled = true;
        }
        QVERIFY(cancelled);
        QCOMPARE(Stored(), before);
        QCOMPARE(FileBytes(path), file);
        QCOMPARE(QDir(m_store->folder()).entryList(QDir::Files), filesBefore);
    }

    // The grouping kept for Undo Import before is erased a slice at a time, reporting as it
    // goes, so that Cancel is heard there too; cancelled, the store is as it was.
    void importReportsWhileErasingWhatWasKept()
    {
        m_reg->Transaction([&] {
            for (int i = 0; i < 40000; ++i)
                m_reg->WriteString(CategoryStore::UndoImportSection, QString::number(i), QStringLiteral("Old"));
        });
        Store({{"Standard", "Common"}});
        const QString path = Path(QStringLiteral("file.cpc"));
        QVERIFY(PutFile(path, "Dialogs=Mine\r\n"));
        qsizetype keptAtFirstReport = -1;
        QVERIFY_THROWS_EXCEPTION(CategoryFile::Cancelled, CategoryFile::Import(*m_reg, path, [&](int) {
                                     keptAtFirstReport = m_reg->SectionSize(CategoryStore::UndoImportSection);
                                     throw CategoryFile::Cancelled();
                                 }));
        QVERIFY2(keptAtFirstReport > 0 && keptAtFirstReport < 40000, qPrintable(QString::number(keptAtFirstReport)));
        QCOMPARE(m_reg->SectionSize(CategoryStore::UndoImportSection), 40000);
        QCOMPARE(Stored(), (Entries{{"Standard", "Common"}}));
    }

    // The box that names what an export left out stays short, however long and many the names.
    void leftOutMessageIsShort()
    {
        Entries stored;
        for (int i = 0; i < 25; ++i)
            stored.append({QStringLiteral("%1=").arg(i) + QString(10000, u'n'), "x"});
        Store(stored);
        const QString message = RaisedMessage<host::EFCreateError>(
            [&] { CategoryFile::Export(*m_reg, Path(QStringLiteral("out.cpc"))); });
        QVERIFY2(message.contains(QStringLiteral("and 5 more")), qPrintable(message.left(3000)));
        QVERIFY2(message.size() < 20 * 90 + 600, qPrintable(QString::number(message.size())));
        QVERIFY(message.contains(QStringLiteral("\"0=") + QString(78, u'n') + QChar(0x2026) + QLatin1Char('"')));
    }
};

int main(int argc, char** argv)
{
    // "--as-user read|write PATH": the ordinary user's side of ordinaryUser().
    if (argc == 4 && qstrcmp(argv[1], "--as-user") == 0) {
        QCoreApplication app(argc, argv);
        std::puts(qUtf8Printable(FileOperation(QString::fromUtf8(argv[2]), QFile::decodeName(argv[3]))));
        return 0;
    }
    QCoreApplication app(argc, argv);
    CategoryFileTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_categoryfile.moc"
