// The host's registry-as-ini-file on its SQLite store: operations, names, order, values,
// limits, persistence, several handles and processes, all-or-nothing changes, failures.
//
// Run with "--hold-lock FILE", "--writer ..." or "--creator ..." this executable is the second
// process that some tests start (see main at the end).

#include "tests/common/StoreLockHolder.h"
#include "tests/common/TemporaryStore.h"

#include "host/Exceptions.h"
#include "host/Registry.h"
#include "host/private/IdeHost.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sqlite3.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

using host::ERegistryException;
using host::TRegIniFile;

namespace {

const QString Key = QStringLiteral("Software\\Vorla\\Test");
const QString Section = QStringLiteral("Categories");

QByteArray FileBytes(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<cannot open>");
    return file.readAll();
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// Every entry of a section as "name=value", empty values included.
QStringList Entries(const TRegIniFile& reg, const QString& section = Section)
{
    QStringList lines;
    for (const auto& [name, value] : reg.ReadSectionEntries(section))
        lines.append(name + QLatin1Char('=') + value);
    return lines;
}

// The message of the ERegistryException that call raises, or "" when it raises none.
template <typename Call>
QString RegistryError(Call call)
{
    try {
        call();
    } catch (const ERegistryException& e) {
        return e.Message();
    }
    return QString();
}

// The message that the first use of a new handle on the store raises, or "".
QString FirstUseError()
{
    return RegistryError([] { TRegIniFile(Key).ReadString(Section, QStringLiteral("x"), QString()); });
}

// Every file in folder by name, with its bytes.
QMap<QString, QByteArray> FolderBytes(const QString& folder)
{
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden))
        files.insert(name, FileBytes(QDir(folder).filePath(name)));
    return files;
}

// What query yields first on the store file, run by SQLite itself.
QString Query(const QString& store, const char* query)
{
    sqlite3* db = nullptr;
    QString first;
    sqlite3_open(QFile::encodeName(store).constData(), &db);
    const auto keep = [](void* out, int, char** values, char**) {
        *static_cast<QString*>(out) = QString::fromUtf8(values[0]);
        return 1;
    };
    sqlite3_exec(db, query, keep, &first, nullptr);
    sqlite3_close(db);
    return first;
}

// The single number that query yields on the store file, read with SQLite directly.
int RowCount(const QString& store, const char* query)
{
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(QFile::encodeName(store).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, query, -1, &statement, nullptr) == SQLITE_OK
            && sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

bool RunningAsRoot()
{
    return ::geteuid() == 0;
}

// The user and group "nobody", whom tests run as root become to be bound by file modes.
constexpr uid_t NobodyId = 65534;

QString ReadOnlyThenFixed(const QString& file);

} // namespace

class RegistryTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TemporaryStore> m_temporary;
    QString m_store;

    QString StorePath(const QString& name) const { return m_temporary->filePath(name); }

    // A second process: this executable in one of its helper roles.
    std::unique_ptr<QProcess> StartHelper(const QStringList& arguments)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(QCoreApplication::applicationFilePath(), arguments);
        return process;
    }

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_temporary = std::make_unique<TemporaryStore>();
        QVERIFY(m_temporary->isValid());
        m_store = m_temporary->file();
    }

    void cleanup() { m_temporary.reset(); }

    // --- Opening ------------------------------------------------------------------------

    void createsStoreAndFoldersOnFirstUse()
    {
        const QString path = StorePath(QStringLiteral("a/b/c/registry.sqlite"));
        host::ide::setRegistryFile(path);
        TRegIniFile reg(Key);
        // Making a handle touches nothing; its first use makes the store.
        QVERIFY(!QFileInfo::exists(StorePath(QStringLiteral("a"))));
        QCOMPARE(reg.StoreLocation(), path);
        QCOMPARE(reg.FileName(), Key);
        QCOMPARE(reg.ReadString(Section, QStringLiteral("Standard"), QStringLiteral("default")),
                 QStringLiteral("default"));
        QVERIFY(QFile::exists(path));
    }

    void defaultStoreUnderXdgConfigHome()
    {
        const QByteArray previous = qgetenv("XDG_CONFIG_HOME");
        const QString config = StorePath(QStringLiteral("config"));
        QStandardPaths::setTestModeEnabled(false);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config));
        host::ide::setRegistryFile(QString());
        const QString expected = host::ide::defaultRegistryFile();
        TRegIniFile reg(Key);
        reg.ReadString(Section, QStringLiteral("x"), QString());
        const QString location = reg.StoreLocation();
        qputenv("XDG_CONFIG_HOME", previous);
        QStandardPaths::setTestModeEnabled(true);

        QVERIFY2(expected.startsWith(config + QLatin1Char('/')), qPrintable(expected));
        QCOMPARE(location, expected);
        QVERIFY(QFile::exists(location));
    }

    // --- The five operations --------------------------------------------------------------

    void readMissingGivesDefault()
    {
        TRegIniFile reg(Key);
        QCOMPARE(reg.ReadString(Section, QStringLiteral("Standard"), QString()), QString());
        QCOMPARE(reg.ReadString(QStringLiteral("No such section"), QStringLiteral("x"), QStringLiteral("d")),
                 QStringLiteral("d"));
        reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("Common"));
        QCOMPARE(reg.ReadString(Section, QStringLiteral("Additional"), QStringLiteral("d")), QStringLiteral("d"));
        QVERIFY(reg.ReadSectionEntries(QStringLiteral("No such section")).isEmpty());
    }

    void writeCreatesAndReplaces()
    {
        TRegIniFile reg(Key);
        reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("Common"));
        QCOMPARE(reg.ReadString(Section, QStringLiteral("Standard"), QString()), QStringLiteral("Common"));
        reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("Basics;Common"));
        QCOMPARE(reg.ReadString(Section, QStringLiteral("Standard"), QString()), QStringLiteral("Basics;Common"));
        QCOMPARE(Entries(reg), QStringList{QStringLiteral("Standard=Basics;Common")});
    }

    void valuesKeptExactly_data()
    {
        QTest::addColumn<QString>("value");
        QTest::newRow("empty") << QString();
        QTest::newRow("spaces only") << QStringLiteral("   ");
        QTest::newRow("spaces around") << QStringLiteral("  Data Access ; Web  ");
        QTest::newRow("semicolons") << QStringLiteral(";a;;b;");
        QTest::newRow("equals signs") << QStringLiteral("=a=b=");
        QTest::newRow("ampersands") << QStringLiteral("&File&&Edit&");
        QTest::newRow("line breaks and tabs") << QStringLiteral("a\r\nb\nc\rd\te");
        QTest::newRow("quotes and backslashes") << QStringLiteral("\"'\\\\x\\");
        QTest::newRow("SQL-looking") << QStringLiteral("'); DROP TABLE vals; --");
        QTest::newRow("non-ASCII") << QStringLiteral("Äöü ß Σσς Жж 中文 עברית 😀");
        QTest::newRow("every special character")
            << QStringLiteral(" ;=&\"'\\%_*?[]{}()<>|!#$^~`,.:/+-@\t\u00a0\u200b\ufeff😀 ");
        QTest::newRow("unpaired surrogate") << QString(QChar(0xd800)) + QStringLiteral("x") + QChar(0xdc00);
        QTest::newRow("large") << QString(100000, QLatin1Char('x')) + QStringLiteral(";end");
    }
    void valuesKeptExactly()
    {
        QFETCH(QString, value);
        {
            TRegIniFile reg(Key);
            reg.WriteString(Section, QStringLiteral("Page"), value);
            QCOMPARE(reg.ReadString(Section, QStringLiteral("Page"), QStringLiteral("missing")), value);
        }
        TRegIniFile reopened(Key);
        const QString read = reopened.ReadString(Section, QStringLiteral("Page"), QStringLiteral("missing"));
        QCOMPARE(read.size(), value.size());
        QCOMPARE(read, value);
        QCOMPARE(reopened.ReadSectionEntries(Section).value(0).second, value);
    }

    // Byte-order marks and unpaired surrogates as names and values, beside an entry they must not touch.
    void textKeptExactly_data()
    {
        QTest::addColumn<QString>("text");
        const QChar high(0xd800), low(0xdc00);
        QTest::newRow("U+FEFF first") << QStringLiteral("\uFEFFStandard");
        QTest::newRow("U+FFFE first") << QStringLiteral("\uFFFEAB");
        QTest::newRow("marks alone") << QStringLiteral("\uFEFF\uFFFE\uFEFF");
        QTest::newRow("marks last and inside") << QStringLiteral("St\uFFFEandard\uFEFF");
        QTest::newRow("unpaired surrogates first and last") << QString(low) + QStringLiteral("Standard") + high;
        QTest::newRow("a mark, then an unpaired surrogate") << QStringLiteral("\uFEFF") + high + QStringLiteral("😀");
    }
    void textKeptExactly()
    {
        QFETCH(QString, text);
        TRegIniFile(Key).WriteString(Section, QStringLiteral("Standard"), QStringLiteral("kept"));
        TRegIniFile(Key).WriteString(Section, text, text);
        TRegIniFile reopened(Key);
        QCOMPARE(Entries(reopened), (QStringList{QStringLiteral("Standard=kept"), text + QLatin1Char('=') + text}));
        QCOMPARE(reopened.ReadString(Section, text.toUpper(), QString()), text);
    }

    // A store of names and values kept as text: read while read-only, then converted, each name
    // found by its own matching form.
    void storeOfTextConverted()
    {
        TRegIniFile(Key).WriteString(Section, QStringLiteral("Ärger"), QStringLiteral("A"));
        const QByteArray text = "UPDATE keys SET path = CAST(path AS TEXT), name = CAST(name AS TEXT);"
                                "UPDATE vals SET folded = CAST(folded AS TEXT), name = CAST(name AS TEXT), "
                                "value = CAST(value AS TEXT); PRAGMA user_version = 1;"
                                "INSERT INTO vals SELECT key, 9, 'Σ-damaged', 'Σ-Web', 'B' FROM vals;";
        QCOMPARE(Query(m_store, text), QString());
        QVERIFY(QFile::setPermissions(m_store, QFile::ReadOwner));
        QCOMPARE(TRegIniFile(Key).ReadString(Section, QStringLiteral("äRGER"), QString()), QStringLiteral("A"));
        QVERIFY(QFile::setPermissions(m_store, QFile::ReadOwner | QFile::WriteOwner));
        TRegIniFile reg(Key);
        QCOMPARE(Entries(reg), (QStringList{QStringLiteral("Ärger=A"), QStringLiteral("Σ-Web=B")}));
        QCOMPARE(reg.ReadString(Section, QStringLiteral("σ-web"), QString()), QStringLiteral("B"));
        QCOMPARE(Query(m_store,
                       "SELECT group_concat(typeof(name) || typeof(folded) || typeof(value)) || "
                       "(SELECT user_version FROM pragma_user_version) FROM vals"),
                 QStringLiteral("blobblobblob,blobblobblob3"));
    }

    // A store whose names were matched by case folding: read so while read-only; converted, each
    // entry is kept as it was and is found by the names the registry takes for one with it.
    void storeOfFoldedFormsConverted()
    {
        TRegIniFile(Key).WriteString(Section, QStringLiteral("ſt"), QStringLiteral("long s"));
        TRegIniFile(Key).WriteString(Section, QStringLiteral("Σ"), QStringLiteral("sigma"));
        // What the earlier layout kept: "ſt" folded to "st", "Σ" to "σ".
        QCOMPARE(Query(m_store,
                       "UPDATE vals SET folded = CASE name WHEN X'7F017400' THEN X'73007400' ELSE X'C303' END;"
                       "PRAGMA user_version = 2"),
                 QString());
        QVERIFY(QFile::setPermissions(m_store, QFile::ReadOwner));
        QCOMPARE(TRegIniFile(Key).ReadString(Section, QStringLiteral("ſT"), QString()), QStringLiteral("long s"));
        QVERIFY(QFile::setPermissions(m_store, QFile::ReadOwner | QFile::WriteOwner));
        TRegIniFile reg(Key);
        reg.WriteString(Section, QStringLiteral("st"), QStringLiteral("plain s"));
        reg.WriteString(Section, QStringLiteral("σ"), QStringLiteral("small sigma"));
        QCOMPARE(
            Entries(reg),
            (QStringList{QStringLiteral("ſt=long s"), QStringLiteral("Σ=small sigma"), QStringLiteral("st=plain s")}));
        QCOMPARE(reg.ReadString(Section, QStringLiteral("ſT"), QString()), QStringLiteral("long s"));
        QCOMPARE(RowCount(m_store, "SELECT user_version FROM pragma_user_version"), 3);
    }

    void namesKeptExactly_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << QString();
        QTest::newRow("spaces") << QStringLiteral("  Data  Access ");
        QTest::newRow("special characters") << QStringLiteral(";=&\"'%_*?[]\\");
        QTest::newRow("non-ASCII") << QStringLiteral("Ärger 中文 😀");
    }
    void namesKeptExactly()
    {
        QFETCH(QString, name);
        TRegIniFile reg(Key);
        reg.WriteString(Section, name, QStringLiteral("value"));
        QCOMPARE(reg.ReadString(Section, name, QString()), QStringLiteral("value"));
        const auto entries = reg.ReadSectionEntries(Section);
        QCOMPARE(entries.size(), 1);
        QCOMPARE(entries[0].first, name);
    }

    void emptyNameIsAnEntryOfItsOwn()
    {
        TRegIniFile reg(Key);
        reg.WriteString(Section, QString(), QStringLiteral("Nameless"));
        reg.WriteString(Section, QStringLiteral(" "), QStringLiteral("Space"));
        QCOMPARE(reg.ReadString(Section, QString(), QString()), QStringLiteral("Nameless"));
        QCOMPARE(reg.ReadString(Section, QStringLiteral(""), QString()), QStringLiteral("Nameless"));
        QCOMPARE(Entries(reg), (QStringList{QStringLiteral("=Nameless"), QStringLiteral(" =Space")}));
        reg.DeleteKey(Section, QString());
        QCOMPARE(Entries(reg), QStringList{QStringLiteral(" =Space")});
    }

    void deleteKey()
    {
        TRegIniFile reg(Key);
        reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
        reg.WriteString(Section, QStringLiteral("Additional"), QStringLiteral("B"));
        reg.DeleteKey(Section, QStringLiteral("Standard"));
        QCOMPARE(reg.ReadString(Section, QStringLiteral("Standard"), QStringLiteral("gone")), QStringLiteral("gone"));
        QCOMPARE(Entries(reg), QStringList{QStringLiteral("Additional=B")});
        // Missing entries and sections: nothing happens.
        reg.DeleteKey(Section, QStringLiteral("Standard"));
        reg.DeleteKey(QStringLiteral("No such section"), QStringLiteral("x"));
        QCOMPARE(Entries(reg), QStringList{QStringLiteral("Additional=B")});
    }

    void eraseSection()
    {
        TRegIniFile reg(Key);
        reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
        reg.WriteString(Section, QStringLiteral("Additional"), QStringLiteral("B"));
        reg.WriteString(QStringLiteral("Other"), QStringLiteral("Kept"), QStringLiteral("C"));
        reg.EraseSection(Section);
        QVERIFY(reg.ReadSectionEntries(Section).isEmpty());
        QCOMPARE(reg.ReadString(Section, QStringLiteral("Standard"), QStringLiteral("gone")), QStringLiteral("gone"));
        QCOMPARE(Entries(reg, QStringLiteral("Other")), QStringList{QStringLiteral("Kept=C")});
        reg.EraseSection(Section); // missing: nothing happens
        reg.WriteString(Section, QStringLiteral("Additional"), QStringLiteral("new"));
        QCOMPARE(Entries(reg), QStringList{QStringLiteral("Additional=new")});
    }

    void eraseSectionTakesNestedKeys()
    {
        TRegIniFile reg(Key);
        reg.WriteString(QStringLiteral("Outer\\Inner"), QStringLiteral("a"), QStringLiteral("1"));
        reg.WriteString(QStringLiteral("Outer"), QStringLiteral("b"), QStringLiteral("2"));
        TRegIniFile nested(Key + QStringLiteral("\\Outer"));
        QCOMPARE(nested.ReadString(QStringLiteral("Inner"), QStringLiteral("a"), QString()), QStringLiteral("1"));
        reg.EraseSection(QStringLiteral("outer"));
        QVERIFY(reg.ReadSectionEntries(QStringLiteral("Outer")).isEmpty());
        QVERIFY(reg.ReadSectionEntries(QStringLiteral("Outer\\Inner")).isEmpty());
        // Nothing of them is left behind in the file either.
        QCOMPARE(RowCount(m_store, "SELECT count(*) FROM vals"), 0);
        QCOMPARE(RowCount(m_store, "SELECT count(*) FROM keys"), 3); // Software\Vorla\Test
    }

    void readSectionValues()
    {
        TRegIniFile reg(Key);
        reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A;B"));
        reg.WriteString(Section, QStringLiteral("Empty"), QString());
        reg.WriteString(Section, QString(), QStringLiteral("nameless"));
        reg.WriteString(Section, QStringLiteral("Eq=uals"), QStringLiteral("x=y"));
        QStringList lines{QStringLiteral("stale line")};
        reg.ReadSectionValues(Section, lines);
        // The entry with an empty value is left out, as the host's registry does.
        QCOMPARE(
            lines,
            (QStringList{QStringLiteral("Standard=A;B"), QStringLiteral("=nameless"), QStringLiteral("Eq=uals=x=y")}));
        reg.ReadSectionValues(QStringLiteral("No such section"), lines);
        QVERIFY(lines.isEmpty());
    }

    // --- Names without regard to letter case ----------------------------------------------

    void namesIgnoreCase_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("read");
        QTest::newRow("ASCII") << "Data Access"
                               << "DATA access";
        QTest::newRow("Latin-1") << "Ärger"
                                 << "äRGER";
        QTest::newRow("Latin Extended") << "Łódź"
                                        << "łÓDŹ";
        QTest::newRow("Greek") << "Σίσυφος"
                               << "σΊΣΥΦΟς";
        QTest::newRow("Cyrillic") << "Жёлтый"
                                  << "жЁЛТЫЙ";
        QTest::newRow("Armenian") << "Բարեւ"
                                  << "բԱՐԵՒ";
        QTest::newRow("Georgian") << "Ⴀ"
                                  << "ⴀ";
        QTest::newRow("Cherokee") << "Ꭰ"
                                  << "ꭰ";
        QTest::newRow("digraph") << "Ǆ"
                                 << "ǆ";
        QTest::newRow("fullwidth") << "Ａｂｃ"
                                   << "ａＢＣ";
        QTest::newRow("empty") << ""
                               << "";
    }
    void namesIgnoreCase()
    {
        QFETCH(QString, written);
        QFETCH(QString, read);
        TRegIniFile reg(Key);
        reg.WriteString(Section, written, QStringLiteral("first"));
        QCOMPARE(reg.ReadString(Section, read, QString()), QStringLiteral("first"));
        // Writing under the other case replaces the value; the first case is kept.
        reg.WriteString(Section, read, QStringLiteral("second"));
        QCOMPARE(Entries(reg), QStringList{written + QStringLiteral("=second")});
        reg.DeleteKey(Section, read);
        QVERIFY(reg.ReadSectionEntries(Section).isEmpty());
    }

    void distinctNamesStayDistinct_data()
    {
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::newRow("accent") << "a"
                                << "á";
        QTest::newRow("sharp s is not ss") << "ß"
                                           << "ss";
        QTest::newRow("dotless i") << "ı"
                                   << "i";
        QTest::newRow("trailing space") << "Web"
                                        << "Web ";
        QTest::newRow("precomposed and combining") << "é"
                                                   << "e\u0301";
        QTest::newRow("Latin A and Cyrillic A") << "A"
                                                << "А";
        // The registry matches code unit by code unit, and a letter with its case pair alone.
        QTest::newRow("final sigma") << "ς"
                                     << "σ";
        QTest::newRow("long s") << "ſ"
                                << "s";
        QTest::newRow("Kelvin sign") << "K"
                                     << "k";
        QTest::newRow("capital sharp s") << "ẞ"
                                         << "ß";
        QTest::newRow("titlecase digraph") << "ǅ"
                                           << "ǆ";
        QTest::newRow("outside the BMP (Deseret)") << "𐐀𐐁"
                                                   << "𐐨𐐩";
    }
    void distinctNamesStayDistinct()
    {
        QFETCH(QString, first);
        QFETCH(QString, second);
        TRegIniFile reg(Key);
        reg.WriteString(Section, first, QStringLiteral("1"));
        reg.WriteString(Section, second, QStringLiteral("2"));
        QCOMPARE(reg.ReadString(Section, first, QString()), QStringLiteral("1"));
        QCOMPARE(reg.ReadString(Section, second, QString()), QStringLiteral("2"));
        QCOMPARE(reg.ReadSectionEntries(Section).size(), 2);
    }

    void keysAndSectionsIgnoreCase()
    {
        TRegIniFile reg(QStringLiteral("Software\\Vorla\\Ärger Σ"));
        reg.WriteString(QStringLiteral("Categories Ä"), QStringLiteral("Standard"), QStringLiteral("A"));
        TRegIniFile other(QStringLiteral("SOFTWARE\\vorla\\äRGER σ"));
        QCOMPARE(other.ReadString(QStringLiteral("CATEGORIES ä"), QStringLiteral("standard"), QString()),
                 QStringLiteral("A"));
        other.WriteString(QStringLiteral("categories ä"), QStringLiteral("Additional"), QStringLiteral("B"));
        QCOMPARE(Entries(reg, QStringLiteral("Categories Ä")),
                 (QStringList{QStringLiteral("Standard=A"), QStringLiteral("Additional=B")}));
        other.EraseSection(QStringLiteral("CATEGORIES Ä"));
        QVERIFY(reg.ReadSectionEntries(QStringLiteral("Categories Ä")).isEmpty());
    }

    void keyPathSeparators()
    {
        TRegIniFile reg(QStringLiteral("\\Software\\\\Vorla\\Test\\"));
        reg.WriteString(Section, QStringLiteral("x"), QStringLiteral("1"));
        QCOMPARE(TRegIniFile(Key).ReadString(Section, QStringLiteral("x"), QString()), QStringLiteral("1"));
        // Other keys are other stores of values.
        QCOMPARE(TRegIniFile(Key + QStringLiteral("2")).ReadString(Section, QStringLiteral("x"), QString()), QString());
    }

    void nameKey()
    {
        QCOMPARE(host::RegistryNameKey(QStringLiteral("ÄΣσ𐐀")), host::RegistryNameKey(QStringLiteral("äσΣ𐐀")));
        QCOMPARE(host::RegistryNameKey(QStringLiteral("ÄΣς𐐀")).size(), QStringLiteral("ÄΣς𐐀").size());
        QVERIFY(host::RegistryNameKey(QStringLiteral("ß")) != host::RegistryNameKey(QStringLiteral("ss")));
        const QString unpaired = QString(QChar(0xdc00)) + QChar(0xd800);
        QCOMPARE(host::RegistryNameKey(unpaired), unpaired);
    }

    // --- Creation order ---------------------------------------------------------------------

    void creationOrder()
    {
        TRegIniFile reg(Key);
        const QStringList names{"Web", "Standard", "Ärger", "additional", "", "Zeta", "alpha"};
        for (const QString& name : names)
            reg.WriteString(Section, name, name + QStringLiteral("!"));
        QStringList expected;
        for (const QString& name : names)
            expected.append(name + QLatin1Char('=') + name + QStringLiteral("!"));
        QCOMPARE(Entries(reg), expected);

        // Replacing a value, under any case, keeps its place.
        reg.WriteString(Section, QStringLiteral("STANDARD"), QStringLiteral("new"));
        expected[1] = QStringLiteral("Standard=new");
        QCOMPARE(Entries(reg), expected);

        // Deleted and written again: it is a new entry, at the end.
        reg.DeleteKey(Section, QStringLiteral("Web"));
        reg.WriteString(Section, QStringLiteral("WEB"), QStringLiteral("back"));
        expected.removeFirst();
        expected.append(QStringLiteral("WEB=back"));
        QCOMPARE(Entries(reg), expected);
        QCOMPARE(TRegIniFile(Key).ReadSectionEntries(Section).size(), expected.size());
    }

    void creationOrderOfManyEntries()
    {
        TRegIniFile reg(Key);
        QStringList expected;
        reg.Transaction([&] {
            for (int i = 0; i < 3000; ++i) {
                const QString name = QStringLiteral("page %1").arg((i * 7919) % 3000);
                reg.WriteString(Section, name, QString::number(i));
                expected.append(name + QLatin1Char('=') + QString::number(i));
            }
        });
        QCOMPARE(Entries(reg), expected);
    }

    // Within one change, as between changes: new entries after those already there, a
    // replaced value in its place, an entry deleted and written again at the end, and after an
    // erase or a nested change undone, the entries written next after those that remain.
    void creationOrderWithinAChange()
    {
        TRegIniFile reg(Key);
        reg.WriteString(Section, QStringLiteral("a"), QStringLiteral("1"));
        reg.WriteString(Section, QStringLiteral("b"), QStringLiteral("1"));
        reg.Transaction([&] {
            reg.WriteString(Section, QStringLiteral("c"), QStringLiteral("2"));
            reg.WriteString(Section, QStringLiteral("A"), QStringLiteral("2"));
            reg.DeleteKey(Section, QStringLiteral("c"));
            reg.WriteString(Section, QStringLiteral("d"), QStringLiteral("2"));
            reg.WriteString(Section, QStringLiteral("C"), QStringLiteral("2"));
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, reg.Transaction([&] {
                reg.WriteString(Section, QStringLiteral("undone"), QStringLiteral("3"));
                throw std::runtime_error("undo");
            }));
            reg.WriteString(Section, QStringLiteral("e"), QStringLiteral("2"));
        });
        QCOMPARE(Entries(reg), (QStringList{"a=2", "b=1", "d=2", "C=2", "e=2"}));
        reg.Transaction([&] {
            reg.EraseSection(Section);
            reg.WriteString(Section, QStringLiteral("z"), QStringLiteral("4"));
            reg.WriteString(Section, QStringLiteral("y"), QStringLiteral("4"));
            reg.WriteString(Section, QStringLiteral("Z"), QStringLiteral("5"));
        });
        reg.WriteString(Section, QStringLiteral("x"), QStringLiteral("6"));
        QCOMPARE(Entries(reg), (QStringList{"z=5", "y=4", "x=6"}));
    }

    // --- Limits ---------------------------------------------------------------------------

    void limits_data()
    {
        QTest::addColumn<int>("keyLength");
        QTest::addColumn<int>("nameLength");
        QTest::addColumn<int>("valueLength");
        QTest::addColumn<QString>("error"); // a word of the message, or "" for none
        // A name of length -1 holds U+0000, which ends a name in the registry.
        QTest::newRow("all at their limits")
            << TRegIniFile::MaxKeyNameLength << TRegIniFile::MaxValueNameLength << TRegIniFile::MaxValueLength << "";
        QTest::newRow("section name too long") << TRegIniFile::MaxKeyNameLength + 1 << 1 << 1 << "the key name";
        QTest::newRow("value name too long")
            << 1 << TRegIniFile::MaxValueNameLength + 1 << 1 << "the value name is 16,384 characters long";
        QTest::newRow("value too long") << 1 << 1 << TRegIniFile::MaxValueLength + 1
                                        << "the value is 524,289 UTF-16 code units";
        QTest::newRow("NUL in a section name") << -1 << 1 << 1 << "holds a NUL character";
        QTest::newRow("NUL in a value name") << 1 << -1 << 1 << "the value name holds a NUL character";
    }
    void limits()
    {
        QFETCH(int, keyLength);
        QFETCH(int, nameLength);
        QFETCH(int, valueLength);
        QFETCH(QString, error);
        TRegIniFile reg(Key);
        reg.WriteString(QStringLiteral("s"), QStringLiteral("before"), QStringLiteral("kept"));
        const QString nul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
        const QString section = keyLength < 0 ? nul : QString(keyLength, QChar(0x00c4));
        const QString name = nameLength < 0 ? nul : QString(nameLength, QLatin1Char('n'));
        const QString value(valueLength, QChar(0x4e2d));
        const QString message = RegistryError([&] { reg.WriteString(section, name, value); });
        if (error.isEmpty()) {
            QCOMPARE(message, QString());
            QCOMPARE(reg.ReadString(section, name, QString()), value);
            return;
        }
        QVERIFY2(message.contains(error), qPrintable(message));
        QVERIFY2(message.contains(m_store), qPrintable(message));
        QCOMPARE(reg.ReadString(section, name, QStringLiteral("nothing")), QStringLiteral("nothing"));
        QVERIFY(reg.ReadSectionEntries(section).isEmpty());
        QCOMPARE(Entries(reg, QStringLiteral("s")), QStringList{QStringLiteral("before=kept")});
    }

    // A name goes into a message as it is: one holding "%2" takes no other text's place.
    void messagesQuoteNamesAsTheyAre_data()
    {
        QTest::addColumn<QString>("start");
        QTest::newRow("%2") << "%2";
        QTest::newRow("%L4 and %3") << "%L4%3";
    }
    void messagesQuoteNamesAsTheyAre()
    {
        QFETCH(QString, start);
        const QString section = start + QString(TRegIniFile::MaxKeyNameLength, QLatin1Char('k'));
        TRegIniFile reg(Key);
        const QString message = RegistryError(
            [&] { reg.WriteString(section, QStringLiteral("n"), QStringLiteral("v")); });
        const QString expected = QStringLiteral(
                                     "the key name \"%1\u2026\" is %2 characters long; the registry allows at most 255")
                                     .arg(section.left(60), QString::number(section.size()));
        QVERIFY2(message.contains(expected), qPrintable(message));
    }

    void keyNameLimit()
    {
        TRegIniFile(QStringLiteral("Software\\") + QString(TRegIniFile::MaxKeyNameLength, QLatin1Char('k')));
        const QString tooLong = QStringLiteral("Software\\")
            + QString(TRegIniFile::MaxKeyNameLength + 1, QLatin1Char('k'));
        const QString message = RegistryError([&] { TRegIniFile reg(tooLong); });
        QVERIFY2(message.contains(QStringLiteral("the key name")), qPrintable(message));
    }

    // --- Persistence, handles and processes -------------------------------------------------

    void persistsAcrossReopening()
    {
        {
            TRegIniFile reg(Key);
            reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("Common"));
            reg.WriteString(Section, QStringLiteral("Web"), QStringLiteral("Internet;Common"));
            reg.WriteString(Section, QStringLiteral("Gone"), QStringLiteral("x"));
            reg.DeleteKey(Section, QStringLiteral("Gone"));
        }
        TRegIniFile reopened(QStringLiteral("software\\VORLA\\test"));
        QCOMPARE(Entries(reopened),
                 (QStringList{QStringLiteral("Standard=Common"), QStringLiteral("Web=Internet;Common")}));
    }

    void twoHandlesSeeEachOther()
    {
        TRegIniFile first(Key);
        TRegIniFile second(Key);
        first.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
        QCOMPARE(second.ReadString(Section, QStringLiteral("standard"), QString()), QStringLiteral("A"));
        second.WriteString(Section, QStringLiteral("STANDARD"), QStringLiteral("B"));
        QCOMPARE(first.ReadString(Section, QStringLiteral("Standard"), QString()), QStringLiteral("B"));
        second.EraseSection(Section);
        QCOMPARE(first.ReadString(Section, QStringLiteral("Standard"), QStringLiteral("none")), QStringLiteral("none"));
        first.WriteString(Section, QStringLiteral("Web"), QStringLiteral("C"));
        QCOMPARE(Entries(second), QStringList{QStringLiteral("Web=C")});
        // Interleaved writes: nothing lost.
        for (int i = 0; i < 100; ++i)
            (i % 2 ? first : second).WriteString(Section, QString::number(i), QString::number(i));
        QCOMPARE(first.ReadSectionEntries(Section).size(), 101);
    }

    // A menu keeps what it read while the store's change count stands: every way the store
    // can change must move it (a file put in place: the restore table), and reading must not.
    void changeCountMovesWithEveryChange_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("moves");
        QTest::newRow("reads alone") << "read" << false;
        QTest::newRow("a write through this handle") << "this" << true;
        QTest::newRow("a write by another process") << "process" << true;
        QTest::newRow("a change undone") << "undone" << true;
    }
    void changeCountMovesWithEveryChange()
    {
        QFETCH(QString, how);
        QFETCH(bool, moves);
        TRegIniFile reg(Key);
        reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
        const quint64 before = reg.ChangeCount();
        QCOMPARE(reg.ChangeCount(), before);
        if (how == QLatin1String("read")) {
            Entries(reg);
            reg.ReadString(Section, QStringLiteral("Standard"), QString());
        } else if (how == QLatin1String("this")) {
            reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("B"));
        } else if (how == QLatin1String("process")) {
            const auto writer = StartHelper({QStringLiteral("--creator"), m_store, QStringLiteral("B"), "0"});
            QVERIFY(writer->waitForFinished(30000));
            QCOMPARE(writer->exitCode(), 0);
        } else {
            QVERIFY_THROWS_EXCEPTION(std::runtime_error, reg.Transaction([&] {
                reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("B"));
                throw std::runtime_error("undone");
            }));
        }
        QCOMPARE(reg.ChangeCount() != before, moves);
    }

    void twoProcessesSeeEachOtherAndLoseNothing()
    {
        constexpr int Count = 150;
        TRegIniFile reg(Key); // the store exists before the writers start
        auto a = StartHelper(
            {QStringLiteral("--writer"), m_store, QStringLiteral("a"), QStringLiteral("b"), QString::number(Count)});
        auto b = StartHelper(
            {QStringLiteral("--writer"), m_store, QStringLiteral("b"), QStringLiteral("a"), QString::number(Count)});
        for (QProcess* process : {a.get(), b.get()}) {
            QVERIFY(process->waitForFinished(120000));
            QCOMPARE(process->exitStatus(), QProcess::NormalExit);
            // Exit code 0: the writer saw the other's last entry before it stopped.
            QCOMPARE(process->exitCode(), 0);
        }
        const auto entries = reg.ReadSectionEntries(QStringLiteral("Shared"));
        QCOMPARE(entries.size(), 2 * Count + 2);
        for (const QString& writer : {QStringLiteral("a"), QStringLiteral("b")}) {
            for (int i = 0; i < Count; ++i)
                QCOMPARE(reg.ReadString(QStringLiteral("Shared"), writer + QString::number(i), QString()),
                         QStringLiteral("%1:%2").arg(writer).arg(i));
        }
        // Every read-modify-write of the shared counter ran as one change: none was lost.
        QCOMPARE(reg.ReadString(QStringLiteral("Counter"), QStringLiteral("n"), QString()), QString::number(2 * Count));
    }

    void twoProcessesCreateOneStore()
    {
        // Two IDEs started at once on a store that does not exist yet: both open it and
        // neither reports anything. The race is short, so it is run many times, each pair
        // set off at one agreed moment.
        constexpr int Rounds = 25;
        for (int round = 0; round < Rounds; ++round) {
            const QString store = StorePath(QStringLiteral("new-%1/registry.sqlite").arg(round));
            const QString start = QString::number(QDateTime::currentMSecsSinceEpoch() + 150);
            std::unique_ptr<QProcess> creators[] = {
                StartHelper({QStringLiteral("--creator"), store, QStringLiteral("a"), start}),
                StartHelper({QStringLiteral("--creator"), store, QStringLiteral("b"), start}),
            };
            for (const auto& creator : creators) {
                QVERIFY(creator->waitForFinished(30000));
                QCOMPARE(creator->exitStatus(), QProcess::NormalExit);
                QVERIFY2(creator->exitCode() == 0, qPrintable(QStringLiteral("round %1").arg(round)));
            }
            // One store, not two: both entries are in it, in either order.
            host::ide::setRegistryFile(store);
            QStringList entries = Entries(TRegIniFile(Key));
            entries.sort();
            QCOMPARE(entries, (QStringList{QStringLiteral("a=a"), QStringLiteral("b=b")}));
        }
    }

    // --- All-or-nothing changes -----------------------------------------------------------

    void transactionCommits()
    {
        TRegIniFile reg(Key);
        TRegIniFile observer(Key);
        reg.WriteString(Section, QStringLiteral("Old"), QStringLiteral("1"));
        reg.Transaction([&] {
            reg.EraseSection(Section);
            reg.WriteString(Section, QStringLiteral("New"), QStringLiteral("2"));
            reg.WriteString(Section, QStringLiteral("Newer"), QStringLiteral("3"));
            // Inside the change, the handle sees its own writes; another sees none of them yet.
            QCOMPARE(reg.ReadString(Section, QStringLiteral("New"), QString()), QStringLiteral("2"));
            QCOMPARE(Entries(observer), QStringList{QStringLiteral("Old=1")});
        });
        QCOMPARE(Entries(observer), (QStringList{QStringLiteral("New=2"), QStringLiteral("Newer=3")}));
    }

    void transactionInterruptedLeavesOldState()
    {
        TRegIniFile reg(Key);
        reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
        reg.WriteString(Section, QStringLiteral("Web"), QStringLiteral("B"));
        const QStringList before = Entries(reg);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, reg.Transaction([&] {
            reg.EraseSection(Section);
            for (int i = 0; i < 500; ++i)
                reg.WriteString(Section, QString::number(i), QStringLiteral("x"));
            throw std::runtime_error("import failed halfway");
        }));
        QCOMPARE(Entries(reg), before);
        QCOMPARE(Entries(TRegIniFile(Key)), before);
        // The handle goes on working afterwards.
        reg.WriteString(Section, QStringLiteral("After"), QStringLiteral("C"));
        QCOMPARE(TRegIniFile(Key).ReadString(Section, QStringLiteral("After"), QString()), QStringLiteral("C"));
    }

    void transactionInterruptedByStoreError()
    {
        TRegIniFile reg(Key);
        reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
        const QString message = RegistryError([&] {
            reg.Transaction([&] {
                reg.WriteString(Section, QStringLiteral("Web"), QStringLiteral("B"));
                reg.WriteString(Section, QString(TRegIniFile::MaxValueNameLength + 1, QLatin1Char('x')), QString());
            });
        });
        QVERIFY(!message.isEmpty());
        QCOMPARE(Entries(TRegIniFile(Key)), QStringList{QStringLiteral("Standard=A")});
    }

    void nestedTransactionUndoesOnlyItself()
    {
        TRegIniFile reg(Key);
        reg.Transaction([&] {
            reg.WriteString(Section, QStringLiteral("Outer"), QStringLiteral("1"));
            try {
                reg.Transaction([&] {
                    reg.WriteString(Section, QStringLiteral("Inner"), QStringLiteral("2"));
                    throw std::runtime_error("inner");
                });
            } catch (const std::runtime_error&) {
            }
            reg.Transaction([&] { reg.WriteString(Section, QStringLiteral("Second"), QStringLiteral("3")); });
        });
        QCOMPARE(Entries(TRegIniFile(Key)), (QStringList{QStringLiteral("Outer=1"), QStringLiteral("Second=3")}));
    }

    // --- Failures -------------------------------------------------------------------------

    void folderCannotBeCreated()
    {
        const QString blocker = StorePath(QStringLiteral("plain-file"));
        WriteFile(blocker, "not a folder");
        const QString path = blocker + QStringLiteral("/sub/registry.sqlite");
        host::ide::setRegistryFile(path);
        const QString message = FirstUseError();
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("folder")), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("cannot be created")), qPrintable(message));
        QCOMPARE(FileBytes(blocker), QByteArray("not a folder"));
    }

    // The store keeps its journal beside the file: a folder that cannot be written is named
    // as the cause, whatever the file itself allows.
    void folderCannotBeWritten_data()
    {
        QTest::addColumn<bool>("storeExists");
        QTest::addColumn<bool>("fileReadOnly");
        QTest::newRow("new store") << false << false;
        QTest::newRow("existing store") << true << false;
        QTest::newRow("existing read-only store") << true << true;
    }
    void folderCannotBeWritten()
    {
        QFETCH(bool, storeExists);
        QFETCH(bool, fileReadOnly);
        if (RunningAsRoot())
            QSKIP("root writes into any folder");
        const QString folder = StorePath(QStringLiteral("locked"));
        const QString path = folder + QStringLiteral("/registry.sqlite");
        host::ide::setRegistryFile(path);
        if (storeExists)
            TRegIniFile(Key).WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
        else
            QVERIFY(QDir().mkpath(folder));
        if (fileReadOnly)
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
        const QString message = FirstUseError();
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY2(message.contains(path), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("its folder \"%1\" cannot be written").arg(folder)),
                 qPrintable(message));
    }

    void pathIsAFolder()
    {
        QVERIFY(QDir().mkpath(m_store));
        const QString message = FirstUseError();
        QVERIFY2(message.contains(m_store) && message.contains(QStringLiteral("folder")), qPrintable(message));
    }

    void readOnlyFile()
    {
        {
            TRegIniFile reg(Key);
            reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
        }
        const QByteArray before = FileBytes(m_store);
        QVERIFY(QFile::setPermissions(m_store, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));

        TRegIniFile reg(Key); // the key exists: opening it writes nothing
        QCOMPARE(reg.ReadString(Section, QStringLiteral("Standard"), QString()), QStringLiteral("A"));
        QStringList lines;
        reg.ReadSectionValues(Section, lines);
        QCOMPARE(lines, QStringList{QStringLiteral("Standard=A")});
        const QList<std::function<void()>> writes{
            [&] { reg.WriteString(Section, QStringLiteral("Web"), QStringLiteral("B")); },
            [&] { reg.DeleteKey(Section, QStringLiteral("Standard")); },
            [&] { reg.EraseSection(Section); },
            [&] { reg.Transaction([&] { reg.WriteString(Section, QStringLiteral("Web"), QStringLiteral("B")); }); },
            [&] { TRegIniFile(QStringLiteral("Software\\Vorla\\Missing")).ReadString(Section, QString(), QString()); },
        };
        for (const auto& write : writes) {
            const QString message = RegistryError(write);
            QVERIFY2(message.contains(m_store), qPrintable(message));
            QVERIFY2(message.contains(QStringLiteral("read-only")), qPrintable(message));
        }
        QCOMPARE(reg.ReadString(Section, QStringLiteral("Standard"), QString()), QStringLiteral("A"));
        QCOMPARE(FileBytes(m_store), before);
        QFile::setPermissions(m_store, QFile::ReadOwner | QFile::WriteOwner);
    }

    void notADatabase_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("text") << QByteArray("[Categories]\r\nStandard=Common\r\n").repeated(200);
        QTest::newRow("binary") << QByteArray("\x00\x01\xfe\xff", 4).repeated(2048);
        QByteArray header("SQLite format 3\0", 16);
        QTest::newRow("database header, then garbage") << header + QByteArray(8192, '\x5a');
    }
    void notADatabase()
    {
        QFETCH(QByteArray, bytes);
        WriteFile(m_store, bytes);
        for (int attempt = 0; attempt < 2; ++attempt) {
            const QString message = FirstUseError();
            QVERIFY2(message.contains(m_store), qPrintable(message));
            QVERIFY2(message.contains(QStringLiteral("not a database or is corrupt")), qPrintable(message));
        }
        QCOMPARE(FileBytes(m_store), bytes);
    }

    void corruptDatabase()
    {
        {
            TRegIniFile reg(Key);
            reg.Transaction([&] {
                for (int i = 0; i < 2000; ++i)
                    reg.WriteString(Section, QStringLiteral("Page %1").arg(i), QStringLiteral("Category %1").arg(i));
            });
        }
        // Every page after the first (which holds the header and the schema) overwritten.
        QByteArray bytes = FileBytes(m_store);
        const int pageSize = (static_cast<unsigned char>(bytes[16]) << 8) | static_cast<unsigned char>(bytes[17]);
        QVERIFY(bytes.size() > 4 * pageSize);
        for (qsizetype i = pageSize; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(0xa5 ^ (i & 0xff));
        WriteFile(m_store, bytes);

        const QString message = RegistryError([] {
            TRegIniFile reg(Key);
            reg.ReadSectionEntries(Section);
        });
        QVERIFY2(message.contains(m_store), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("not a database or is corrupt")), qPrintable(message));
        QCOMPARE(FileBytes(m_store), bytes);
    }

    // Another program's database, made with SQLite as that program would, with what it was
    // doing when its files were copied beside this store: the store is refused, saying why,
    // and every file stays byte for byte. A zero-length file and a database with nothing in
    // it and no program's marks become the store.
    void foreignFiles_data()
    {
        QTest::addColumn<QByteArray>("committed"); // run and finished first
        QTest::addColumn<QByteArray>("running");   // still running when the files were copied
        QTest::addColumn<QString>("main");         // the database file copied, "missing" or "empty"
        QTest::addColumn<QString>("refusal");      // a part of the message; "" when it becomes the store

        const QByteArray blank = "CREATE TABLE t(x); DROP TABLE t";
        // Without syncing, the journal is hot as soon as it is written, as one is after a crash.
        const QByteArray hotJournal = "PRAGMA synchronous = OFF; BEGIN; UPDATE notes SET t = 'new'";
        const QByteArray walNotes =
            "PRAGMA wal_autocheckpoint = 0; CREATE TABLE notes(t); INSERT INTO notes VALUES('keep me')";
        const QString notOurs = QStringLiteral("another program's database, not a registry store");
        const QString wal = QStringLiteral("\"registry.sqlite-wal\" beside it belongs to another database");
        const QString journal = QStringLiteral("\"registry.sqlite-journal\" beside it belongs to another database");
        QTest::newRow("WAL database, its tables still in the WAL")
            << QByteArray("PRAGMA journal_mode = WAL") << walNotes << "copied" << wal;
        QTest::newRow("WAL database beside an empty file")
            << QByteArray("PRAGMA journal_mode = WAL") << walNotes << "empty" << wal;
        QTest::newRow("WAL database, tables in the file")
            << QByteArray("CREATE TABLE notes(t); PRAGMA journal_mode = WAL")
            << QByteArray("INSERT INTO notes VALUES(1)") << "copied" << notOurs;
        QTest::newRow("hot journal") << QByteArray("CREATE TABLE notes(t); INSERT INTO notes VALUES('old')")
                                     << hotJournal << "copied" << notOurs;
        QTest::newRow("hot journal over a blank database")
            << blank << QByteArray("PRAGMA synchronous = OFF; BEGIN; CREATE TABLE notes(t)") << "copied" << journal;
        QTest::newRow("hot journal, its database gone")
            << QByteArray("CREATE TABLE notes(t); INSERT INTO notes VALUES('old')") << hotJournal << "missing"
            << journal;
        QTest::newRow("empty database with tables")
            << QByteArray("CREATE TABLE notes(t)") << QByteArray() << "copied" << notOurs;
        QTest::newRow("another application id, no tables")
            << QByteArray("PRAGMA application_id = 42; " + blank) << QByteArray() << "copied" << notOurs;
        QTest::newRow("a user version, no tables")
            << QByteArray("PRAGMA user_version = 3; " + blank) << QByteArray() << "copied" << notOurs;
        QTest::newRow("blank database") << blank << QByteArray() << "copied"
                                        << "";
        QTest::newRow("zero-length file") << QByteArray() << QByteArray() << "empty"
                                          << "";
    }
    void foreignFiles()
    {
        QFETCH(QByteArray, committed);
        QFETCH(QByteArray, running);
        QFETCH(QString, main);
        QFETCH(QString, refusal);

        const QString other = StorePath(QStringLiteral("other.db"));
        sqlite3* db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(other).constData(), &db), SQLITE_OK);
        const auto copy = [&] {
            for (const char* suffix : {"", "-wal", "-shm", "-journal"})
                QFile::copy(other + QLatin1String(suffix), m_store + QLatin1String(suffix));
        };
        const bool ran = sqlite3_exec(db, committed, nullptr, nullptr, nullptr) == SQLITE_OK
            && sqlite3_exec(db, running, nullptr, nullptr, nullptr) == SQLITE_OK;
        copy();
        sqlite3_close(db);
        QVERIFY(ran);
        if (main == QLatin1String("missing"))
            QVERIFY(QFile::remove(m_store));
        else if (main == QLatin1String("empty"))
            QVERIFY(QFile::resize(m_store, 0));
        QVERIFY(QFile::remove(other));
        const QMap<QString, QByteArray> before = FolderBytes(m_temporary->folder());

        for (int attempt = 0; attempt < 2; ++attempt) {
            const QString message = FirstUseError();
            if (refusal.isEmpty()) {
                QCOMPARE(message, QString());
                TRegIniFile(Key).WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
                QCOMPARE(Entries(TRegIniFile(Key)), QStringList{QStringLiteral("Standard=A")});
                return;
            }
            QVERIFY2(message.contains(m_store) && message.contains(refusal), qPrintable(message));
        }
        QCOMPARE(FolderBytes(m_temporary->folder()), before);
    }

    // A handle that could not connect connects on a later use, once the cause is gone.
    void connectsOnceTheCauseIsGone_data()
    {
        QTest::addColumn<QString>("blocker"); // made at the store's path, or beside it
        QTest::newRow("not a database") << "registry.sqlite";
        QTest::newRow("a folder") << "registry.sqlite/";
        QTest::newRow("a journal beside it") << "registry.sqlite-journal";
    }
    void connectsOnceTheCauseIsGone()
    {
        QFETCH(QString, blocker);
        const QString path = StorePath(blocker);
        if (blocker.endsWith(QLatin1Char('/')))
            QVERIFY(QDir().mkpath(path));
        else
            WriteFile(path, "not a database");
        TRegIniFile reg(Key);
        QVERIFY(!RegistryError([&] { reg.ReadString(Section, QStringLiteral("x"), QString()); }).isEmpty());
        QVERIFY(!RegistryError([&] { reg.WriteString(Section, QStringLiteral("x"), QStringLiteral("1")); }).isEmpty());
        QVERIFY(QDir(path).exists() ? QDir(path).removeRecursively() : QFile::remove(path));
        reg.WriteString(Section, QStringLiteral("x"), QStringLiteral("1"));
        QCOMPARE(reg.ReadString(Section, QStringLiteral("x"), QString()), QStringLiteral("1"));
    }

    void lockedByAnotherProcess()
    {
        {
            TRegIniFile reg(Key);
            reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
        }
        const QByteArray before = FileBytes(m_store);
        auto holder = StartHelper({QStringLiteral("--hold-lock"), m_store});
        QVERIFY(holder->waitForReadyRead(30000));
        QCOMPARE(holder->readLine().trimmed(), QByteArray("locked"));

        TRegIniFile reg(Key);
        // Readers are not blocked by the other's write lock.
        QCOMPARE(reg.ReadString(Section, QStringLiteral("Standard"), QString()), QStringLiteral("A"));
        QElapsedTimer waited;
        waited.start();
        const QString message = RegistryError(
            [&] { reg.WriteString(Section, QStringLiteral("Web"), QStringLiteral("B")); });
        QVERIFY2(waited.elapsed() >= 4000, qPrintable(QString::number(waited.elapsed())));
        QVERIFY2(message.contains(m_store), qPrintable(message));
        QVERIFY2(message.contains(QStringLiteral("locked")), qPrintable(message));

        holder->closeWriteChannel(); // the holder lets go
        QVERIFY(holder->waitForFinished(30000));
        QCOMPARE(holder->exitCode(), 0);
        QCOMPARE(FileBytes(m_store), before);
        // Once the lock is gone the same handle writes again.
        reg.WriteString(Section, QStringLiteral("Web"), QStringLiteral("B"));
        QCOMPARE(Entries(TRegIniFile(Key)), (QStringList{QStringLiteral("Standard=A"), QStringLiteral("Web=B")}));
    }

    // A backup (the store one change ago) put in its place in each way a user may while an IDE
    // has it open: that handle and a new one read the file as it is, write into it, it passes
    // SQLite's check, and nothing is left beside it. The journal of a change killed before it
    // deleted its journal is rolled back into its own store only.
    void restoredStoreIsReadAsItIs_data()
    {
        QTest::addColumn<QStringList>("steps"); // shell commands, or "close" (the IDE) and "journal"
        QTest::addColumn<QString>("read");
        const QString mv = QStringLiteral("cp \"$BACKUP\" \"$STORE.new\" && mv \"$STORE.new\" \"$STORE\"");
        const QString cp = QStringLiteral("cp \"$BACKUP\" \"$STORE\"");
        QTest::newRow("moved over the store") << QStringList{mv} << "Backup";
        QTest::newRow("copied over it in place") << QStringList{cp} << "Backup";
        QTest::newRow("another store copied over it in place") << QStringList{"cp \"$OTHER\" \"$STORE\""} << "Other";
        QTest::newRow("emptied in place, then copied back") << QStringList{": > \"$STORE\"", cp} << "Backup";
        QTest::newRow("damaged in place, then moved back") << QStringList{"printf %8192s > \"$STORE\"", mv} << "Backup";
        QTest::newRow("the IDE closed, the store removed, the backup copied in (maybe on its inode)")
            << QStringList{"close", "rm \"$STORE\"", cp} << "Backup";
        QTest::newRow("a change's journal left, then moved over") << QStringList{"journal", mv} << "Backup";
        QTest::newRow("a change's journal left, the store kept") << QStringList{"journal"} << "Running";
    }
    void restoredStoreIsReadAsItIs()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, read);
        const QString journal = m_store + QStringLiteral("-journal");
        qputenv("STORE", QFile::encodeName(m_store));
        qputenv("BACKUP", QFile::encodeName(StorePath(QStringLiteral("backup.sqlite"))));
        qputenv("OTHER", QFile::encodeName(StorePath(QStringLiteral("other.sqlite"))));
        host::ide::setRegistryFile(StorePath(QStringLiteral("other.sqlite")));
        for (const QString& value : {QStringLiteral("First"), QStringLiteral("Other")})
            TRegIniFile(Key).WriteString(Section, QStringLiteral("Standard"), value);
        host::ide::setRegistryFile(m_store);
        auto reg = std::make_unique<TRegIniFile>(Key);
        reg->WriteString(Section, QStringLiteral("Standard"), QStringLiteral("Backup"));
        QVERIFY(QFile::copy(m_store, StorePath(QStringLiteral("backup.sqlite"))));
        reg->WriteString(Section, QStringLiteral("Standard"), QStringLiteral("Running"));
        const quint64 counted = reg->ChangeCount();
        for (const QString& step : steps) {
            if (step == QLatin1String("close"))
                reg.reset();
            else if (step != QLatin1String("journal"))
                QCOMPARE(QProcess::execute(QStringLiteral("sh"), {QStringLiteral("-c"), step}), 0);
            else // more than SQLite keeps in memory, so that some of it reaches the file first
                reg->Transaction([&] {
                    for (int i = 0; i < 20000; ++i)
                        reg->WriteString(QStringLiteral("Killed"), QString::number(i), QString(200, QLatin1Char('k')));
                    QFile::copy(journal, journal + QStringLiteral(".left"));
                });
            QThread::msleep(host::ide::RegistryLookIntervalMs + 1);
            if (step.contains(QLatin1Char('>')))
                QVERIFY(!RegistryError([&] { Entries(*reg); }).isEmpty());
        }
        QFile::rename(journal + QStringLiteral(".left"), journal);
        // What was read before the file was put in place no longer stands.
        QVERIFY(!reg || reg->ChangeCount() != counted);
        if (!reg)
            reg = std::make_unique<TRegIniFile>(Key);
        const QStringList expected{QStringLiteral("Standard=") + read};
        QCOMPARE(Entries(*reg), expected);
        QCOMPARE(Entries(TRegIniFile(Key)), expected);
        reg->WriteString(Section, QStringLiteral("After"), QStringLiteral("restore"));
        QCOMPARE(Entries(TRegIniFile(Key)), expected + QStringList{QStringLiteral("After=restore")});
        QCOMPARE(Query(m_store, "PRAGMA integrity_check"), QStringLiteral("ok"));
        QCOMPARE(QDir(m_temporary->folder()).entryList({QStringLiteral("registry.sqlite-*")}), QStringList());
    }

    // As an ordinary user: a store opened while read-only leaves its journal's files
    // read-only (SQLite gives them the store's mode); once the store is writable again, the
    // open handle and a new one write, without a restart and after one.
    void readOnlyStoreWritableOnceFixed()
    {
        if (!RunningAsRoot()) {
            const QString failed = ReadOnlyThenFixed(m_store);
            QVERIFY2(failed.isEmpty(), qPrintable(failed));
            return;
        }
        // Root writes any file, so the user is another, in a process of its own, in a folder
        // of its own that it can reach.
        const QString folder = StorePath(QStringLiteral("ordinary"));
        QVERIFY(QDir().mkpath(folder));
        if (::chmod(QFile::encodeName(m_temporary->folder()).constData(), 0711) != 0
            || ::chown(QFile::encodeName(folder).constData(), NobodyId, NobodyId) != 0
            || ::access(QFile::encodeName(QCoreApplication::applicationFilePath()).constData(), X_OK) != 0)
            QSKIP("no folder of another user's to test in");
        QProcess child;
        child.setChildProcessModifier([] {
            if (::setgid(NobodyId) != 0 || ::setuid(NobodyId) != 0)
                ::_exit(77);
        });
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--read-only-then-fixed"), folder + QStringLiteral("/registry.sqlite")});
        const bool finished = child.waitForFinished(60000);
        const QByteArray said = child.readAll();
        // The test itself may lie where that user cannot reach it (a build in a private folder).
        if (child.error() == QProcess::FailedToStart || child.exitCode() == 77 || said.contains("cannot execute"))
            QSKIP(qPrintable(QStringLiteral("cannot run as user %1: %2")
                                 .arg(NobodyId)
                                 .arg(said.isEmpty() ? child.errorString() : QString::fromLocal8Bit(said))));
        QVERIFY(finished);
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, said.constData());
    }

    void errorIsTheHostException()
    {
        WriteFile(m_store, "garbage");
        try {
            TRegIniFile(Key).ReadString(Section, QString(), QString());
            QFAIL("no exception");
        } catch (const host::Exception& e) {
            QCOMPARE(e.ClassName(), QStringLiteral("ERegistryException"));
            QVERIFY(
                e.Message().startsWith(QStringLiteral("Registry store \"%1\": cannot open the store: ").arg(m_store)));
        }
    }
};

namespace {

// Writes count entries of its own into section "Shared" and adds one to the shared counter
// as many times, then waits until it sees the other writer's last entry.
int Writer(const QString& file, const QString& self, const QString& other, int count)
{
    try {
        host::ide::setRegistryFile(file);
        TRegIniFile reg(Key);
        for (int i = 0; i < count; ++i) {
            reg.WriteString(QStringLiteral("Shared"), self + QString::number(i),
                            QStringLiteral("%1:%2").arg(self).arg(i));
            reg.Transaction([&] {
                const int n =
                    reg.ReadString(QStringLiteral("Counter"), QStringLiteral("n"), QStringLiteral("0")).toInt();
                reg.WriteString(QStringLiteral("Counter"), QStringLiteral("n"), QString::number(n + 1));
            });
        }
        reg.WriteString(QStringLiteral("Shared"), self + QStringLiteral("-done"), QStringLiteral("yes"));
        QElapsedTimer timer;
        timer.start();
        while (reg.ReadString(QStringLiteral("Shared"), other + QStringLiteral("-done"), QString()).isEmpty()) {
            if (timer.elapsed() > 60000)
                return 4;
            QThread::msleep(10);
        }
        return 0;
    } catch (const host::Exception& e) {
        std::fprintf(stderr, "writer %s: %s\n", qPrintable(self), e.what());
        return 5;
    }
}

// Waits until the moment start (milliseconds since the epoch), then opens the store, which
// may not exist yet, and writes its own entry, as an IDE starting beside another would;
// says on stderr what failed.
int Creator(const QString& file, const QString& self, qint64 start)
{
    while (QDateTime::currentMSecsSinceEpoch() < start) {
    }
    try {
        host::ide::setRegistryFile(file);
        TRegIniFile reg(Key);
        reg.WriteString(Section, self, self);
        return 0;
    } catch (const host::Exception& e) {
        std::fprintf(stderr, "creator %s: %s\n", qPrintable(self), e.what());
        return 5;
    }
}

// The read-only store made writable again, by a user whom the file's mode binds: "" when
// every write works once the store is writable, or what failed.
QString ReadOnlyThenFixed(const QString& file)
{
    const QByteArray path = QFile::encodeName(file);
    const auto storeMode = [&](mode_t mode) { return ::chmod(path.constData(), mode) == 0; };
    const auto writes = [](TRegIniFile& reg, const QString& name) {
        return RegistryError([&] { reg.WriteString(Section, name, QStringLiteral("1")); });
    };
    try {
        host::ide::setRegistryFile(file);
        TRegIniFile(Key).WriteString(Section, QStringLiteral("Standard"), QStringLiteral("A"));
        if (!storeMode(0444))
            return QStringLiteral("cannot chmod the store");
        {
            // Read while read-only, then let go: what it leaves stays for the next start.
            TRegIniFile reader(Key);
            if (reader.ReadString(Section, QStringLiteral("Standard"), QString()) != QLatin1String("A"))
                return QStringLiteral("the read-only store cannot be read");
            if (writes(reader, QStringLiteral("Refused")).isEmpty())
                return QStringLiteral("a read-only store was written");
        }
        TRegIniFile reg(Key);
        reg.ReadString(Section, QStringLiteral("Standard"), QString());
        if (!storeMode(0644))
            return QStringLiteral("cannot chmod the store back");
        if (const QString error = writes(reg, QStringLiteral("Open")); !error.isEmpty())
            return QStringLiteral("the open handle: ") + error;
        TRegIniFile restarted(Key);
        if (const QString error = writes(restarted, QStringLiteral("New")); !error.isEmpty())
            return QStringLiteral("a new handle: ") + error;
        if (Entries(restarted)
            != QStringList{QStringLiteral("Standard=A"), QStringLiteral("Open=1"), QStringLiteral("New=1")})
            return QStringLiteral("the store holds ") + Entries(restarted).join(QLatin1Char(' '));
    } catch (const host::Exception& e) {
        return e.Message();
    }
    return QString();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--read-only-then-fixed") == 0) {
        QCoreApplication app(argc, argv);
        const QString failed = ReadOnlyThenFixed(QFile::decodeName(argv[2]));
        std::fprintf(stderr, "%s\n", qPrintable(failed));
        return failed.isEmpty() ? 0 : 1;
    }
    if (argc == 3 && qstrcmp(argv[1], "--hold-lock") == 0)
        return HoldStoreWriteLock(argv[2]);
    if (argc == 6 && qstrcmp(argv[1], "--writer") == 0)
        return Writer(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]),
                      QByteArray(argv[5]).toInt());
    if (argc == 5 && qstrcmp(argv[1], "--creator") == 0)
        return Creator(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]),
                       QByteArray(argv[4]).toLongLong());
    QCoreApplication app(argc, argv);
    RegistryTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_registry.moc"
