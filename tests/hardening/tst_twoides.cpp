// Two IDEs on one store, each a process of its own with the package loaded:
// 1. they take turns, 1,000 writes each, and at each turn the IDE first opens its menu,
//    which must show the other's last write;
// 2. both run imports and editor saves at the same time, each opening its menu after each:
//    the menu shows one whole grouping, its own last or one of the other's, never a mix;
// 3. one IDE closes, and the other's next change is in the store for anyone to read.
// Nothing is lost, and no error (busy, locked or other) reaches either user.
//
// Run with "--ide NAME STORE" this executable is one IDE, taking commands on its standard
// input and answering each with one line.

#include "tests/hardening/Harness.h"

#include "host/Events.h"

#include <QSaveFile>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <string>

using namespace harness;

namespace {

constexpr int Turns = 1000;
constexpr int ConcurrentRounds = 100;
constexpr int SharedPages = 20;

QString TurnPage(const QString& ide, int turn)
{
    return QStringLiteral("%1-%2").arg(ide).arg(turn);
}

QString TurnCategory(const QString& ide, int turn)
{
    return QStringLiteral("%1 cat %2").arg(ide).arg(turn % 10);
}

QStringList SharedPageNames()
{
    QStringList pages;
    for (int i = 0; i < SharedPages; ++i)
        pages.append(QStringLiteral("P%1").arg(i, 2, 10, QLatin1Char('0')));
    return pages;
}

// The one whole grouping both IDEs' changes make: every shared page under tag.
QString WholeGrouping(const QString& tag)
{
    return tag + QLatin1Char('[') + SharedPageNames().join(QLatin1Char(',')) + QLatin1Char(']');
}

QByteArray ImportFile(const QString& tag)
{
    QByteArray file;
    for (const QString& page : SharedPageNames())
        file += (page + QLatin1Char('=') + tag + QStringLiteral("\r\n")).toUtf8();
    return file;
}

// One IDE: answers each command line with one line.
class Ide {
public:
    Ide(const QString& name, const QString& store) : m_name(name), m_ide(QStringList())
    {
        host::ide::setRegistryFile(store);
        m_folder = QFileInfo(store).absolutePath();
        LoadPackageInProcess();
        m_module = VlPaletteMenuWizardDataModule;
        m_writer = std::make_unique<host::TRegIniFile>(Key);
    }
    ~Ide()
    {
        m_writer.reset();
        UnloadPackageInProcess();
    }

    QString Run(const QStringList& command)
    {
        const QString verb = command.value(0);
        if (verb == QLatin1String("turn"))
            return Turn(command.value(1).toInt(), command.value(2));
        if (verb == QLatin1String("concurrently"))
            return Concurrently(command.value(1).toInt(), command.value(2));
        if (verb == QLatin1String("import")) {
            const QString bad = ImportAndCheck(command.value(1), QString());
            return bad.isEmpty() ? QStringLiteral("ok") : bad;
        }
        if (verb == QLatin1String("errors"))
            return (QStringList{QString::number(m_ide.reported().size())} + m_ide.reported())
                .join(QLatin1String(" | "));
        return QStringLiteral("unknown command");
    }

private:
    // Opens the menu with the other's last page on the palette, then writes this turn's entry.
    QString Turn(int turn, const QString& otherPage)
    {
        m_ide.SetPages(otherPage == QLatin1String("-") ? QStringList() : QStringList{otherPage});
        const QString seen = Grouping(turn % 2 ? m_module->PaletteMenu() : m_module->PaletteButtonMenu());
        m_writer->WriteString(Section, TurnPage(m_name, turn), TurnCategory(m_name, turn) + QStringLiteral(";All"));
        return QStringLiteral("ok ") + seen;
    }

    // "" when the menu shows one whole grouping: this IDE's tag, or one of the other's.
    QString Check(const QString& tag, const QString& other)
    {
        const QString seen = Grouping(m_module->PaletteMenu());
        if (seen == WholeGrouping(tag))
            return QString();
        if (seen.startsWith(other + QLatin1Char(' ')) && seen.count(QLatin1Char('[')) == 1
            && seen == WholeGrouping(seen.left(seen.indexOf(QLatin1Char('[')))))
            return QString();
        return QStringLiteral("after \"%1\" the menu showed \"%2\"").arg(tag, seen);
    }

    QString ImportAndCheck(const QString& tag, const QString& other)
    {
        const QString file = QStringLiteral("%1/%2.cpc").arg(m_folder, m_name);
        QSaveFile out(file);
        if (!out.open(QIODevice::WriteOnly) || out.write(ImportFile(tag)) < 0 || !out.commit())
            return QStringLiteral("cannot write ") + file;
        RunCommand(m_module->PaletteMenu(), QStringLiteral("ImportCommand"), ChooseFile(file));
        return Check(tag, other);
    }

    QString Concurrently(int rounds, const QString& other)
    {
        m_ide.SetPages(SharedPageNames());
        for (int round = 0; round < rounds; ++round) {
            if (const QString bad = ImportAndCheck(QStringLiteral("%1 import %2").arg(m_name).arg(round), other);
                !bad.isEmpty())
                return bad;
            const QString tag = QStringLiteral("%1 save %2").arg(m_name).arg(round);
            Edits edits;
            for (int row = 0; row < SharedPages; ++row)
                edits.append({row, tag});
            RunCommand(m_module->PaletteButtonMenu(), QStringLiteral("EditCategoriesCommand"), EditCells(edits));
            if (const QString bad = Check(tag, other); !bad.isEmpty())
                return bad;
        }
        return QStringLiteral("ok");
    }

    QString m_name;
    QString m_folder;
    TestIde m_ide;
    TVlPaletteMenuWizardDataModule* m_module = nullptr;
    std::unique_ptr<host::TRegIniFile> m_writer; // another writer in the same IDE, as the editor is
};

int RunIde(int argc, char** argv)
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    Ide ide(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
    std::puts("ready");
    std::fflush(stdout);
    for (std::string line; std::getline(std::cin, line) && line != "quit";) {
        QString answer;
        host::RunHandler([&] { answer = ide.Run(QString::fromStdString(line).split(QLatin1Char(' '))); });
        std::puts(qUtf8Printable(answer.isEmpty() ? QStringLiteral("failed") : answer));
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

class TwoIdesTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    static QByteArray Ask(QProcess& ide, const QString& command)
    {
        ide.write(command.toUtf8() + '\n');
        return ReadLine(ide, 120000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
    }

    void twoIdesOnOneStore()
    {
        const QString store = m_dir.filePath(QStringLiteral("registry.sqlite"));
        host::ide::setRegistryFile(store);
        const QStringList names{QStringLiteral("A"), QStringLiteral("B")};
        std::unique_ptr<QProcess> ides[2];
        for (int i = 0; i < 2; ++i) {
            ides[i] = StartSelf({QStringLiteral("--ide"), names[i], store});
            QCOMPARE(ReadLine(*ides[i]), QByteArray("ready"));
        }

        // 1. Turns: each opening shows the other's last write.
        for (int turn = 0; turn < Turns; ++turn)
            for (int i = 0; i < 2; ++i) {
                const int other = 1 - i;
                const int seenTurn = i == 0 ? turn - 1 : turn; // A goes first
                const QString otherPage = seenTurn < 0 ? QStringLiteral("-") : TurnPage(names[other], seenTurn);
                const QByteArray answer = Ask(*ides[i], QStringLiteral("turn %1 %2").arg(turn).arg(otherPage));
                // Under its own category and under "All", in the menu's ordinal order.
                QStringList submenus{TurnCategory(names[other], seenTurn) + QLatin1Char('[') + otherPage
                                         + QLatin1Char(']'),
                                     QStringLiteral("All[%1]").arg(otherPage)};
                std::sort(submenus.begin(), submenus.end());
                const QString expected = seenTurn < 0 ? QString() : submenus.join(QLatin1Char(' '));
                QVERIFY2(answer == ("ok " + expected.toUtf8()).trimmed(),
                         qPrintable(
                             QStringLiteral("%1, turn %2: %3").arg(names[i]).arg(turn).arg(QString::fromUtf8(answer))));
            }
        {
            const Entries entries = host::TRegIniFile(Key).ReadSectionEntries(Section);
            QCOMPARE(entries.size(), 2 * Turns);
            for (int turn = 0; turn < Turns; ++turn)
                for (int i = 0; i < 2; ++i)
                    QVERIFY(entries.contains(
                        {TurnPage(names[i], turn), TurnCategory(names[i], turn) + QStringLiteral(";All")}));
        }

        // 2. At the same time: imports and editor saves, a menu opening after each.
        for (int i = 0; i < 2; ++i)
            ides[i]->write(QStringLiteral("concurrently %1 %2\n").arg(ConcurrentRounds).arg(names[1 - i]).toUtf8());
        for (int i = 0; i < 2; ++i)
            QCOMPARE(ReadLine(*ides[i], 300000), QByteArray("ok"));

        for (int i = 0; i < 2; ++i)
            QCOMPARE(Ask(*ides[i], QStringLiteral("errors")), QByteArray("0"));

        // 3. B closes; A's next change is what anyone reads while A runs on.
        ides[1]->write("quit\n");
        QVERIFY(ides[1]->waitForFinished(60000));
        QCOMPARE(ides[1]->exitCode(), 0);
        QCOMPARE(Ask(*ides[0], QStringLiteral("import A-last")), QByteArray("ok"));
        Entries expected;
        for (const QString& page : SharedPageNames())
            expected.append({page, QStringLiteral("A-last")});
        QCOMPARE(host::TRegIniFile(Key).ReadSectionEntries(Section), expected);
        QCOMPARE(Ask(*ides[0], QStringLiteral("errors")), QByteArray("0"));
        ides[0]->write("quit\n");
        QVERIFY(ides[0]->waitForFinished(60000));
        QCOMPARE(ides[0]->exitCode(), 0);
        std::printf("two IDEs: %d turns each (a menu opening, then a write), %d imports and %d editor saves each at "
                    "the same time (a menu opening after each), then one IDE closed and the other imported; "
                    "nothing lost, no error\n",
                    Turns, ConcurrentRounds, ConcurrentRounds);
    }
};

int main(int argc, char** argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--ide") == 0)
        return RunIde(argc, argv);
    QApplication app(argc, argv);
    TwoIdesTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_twoides.moc"
