// The category file: reading every encoding and line end, import as one all-or-nothing
// change, export in the narrowest encoding that loses nothing, and every bad input or failed
// write leaving the store and the old file exactly as they were.

#include "store/CategoryFile.h"
#include "store/CategoryStore.h"
#include "tests/common/TemporaryStore.h"

#include "host/Exceptions.h"
#include "host/Registry.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <memory>

#include <sys/resource.h>
#include <sys/stat.h>

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
        QTest::newRow("UTF-8 without a byte-order mark is read as Windows-1252")
            << QByteArray("\xC3\x84=x") << Entries{{u"\u00C3\u201E"_s, "x"}};
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
        QTest::newRow("no room for the new file") << "old.cpc" << true << "Cannot export";
        QTest::newRow("a folder") << "folder" << false << "folder";
        QTest::newRow("in a missing folder") << "missing/new.cpc" << false << "Cannot export";
    }
    void failedExportKeepsTheOldFile()
    {
        QFETCH(QString, target);
        QFETCH(bool, diskFull);
        QFETCH(QString, reason);
        Entries many;
        for (int i = 0; i < 1000; ++i)
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
                limit = std::make_unique<FileSizeLimit>(4096);
            message = RaisedMessage<host::EFCreateError>([&] { CategoryFile::Export(*m_reg, path); });
        }
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY2(message.contains(reason), qPrintable(message));
        QCOMPARE(FileBytes(Path(QStringLiteral("old.cpc"))), old);
        // No half-written file is left behind.
        QCOMPARE(QDir(m_store->folder()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
    }
};

QTEST_GUILESS_MAIN(CategoryFileTest)
#include "tst_categoryfile.moc"
