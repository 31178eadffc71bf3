// An import, and an editor save, killed (SIGKILL) at many points while they write: each time
// the store opens cleanly, passes SQLite's integrity check, and holds exactly the grouping
// before or exactly the grouping after, never a mix.
//
// Half the kill points are spread over the operation's own duration, measured first (the
// median of a few runs), and a little past it: one at a random moment in each of as many
// equal slices. The other half are spread the same way close round the moment where the
// outcomes of the first half turn from before to after: the commit, where the store's files
// are written and synced. Run with "--crash-child import|save STORE [FILE]" this executable is the
// process that writes: it says "ready" just before the operation and "done" after it.

#include "tests/hardening/Harness.h"

#include "store/CategoryFile.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QStandardPaths>
#include <QThread>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>

using namespace harness;

namespace {

constexpr int PageCount = 2000;
constexpr int Kills = 100;
constexpr int Calibrations = 5;
// Kill points run from the operation's start to this share past its measured end.
constexpr double Reach = 1.2;

QString PageName(int i)
{
    return QStringLiteral("Page %1").arg(i, 4, 10, QLatin1Char('0'));
}

QStringList PageNames()
{
    QStringList pages;
    for (int i = 0; i < PageCount; ++i)
        pages.append(PageName(i));
    return pages;
}

// Nine pages in ten filed, under one of seven categories and a shared one.
Entries Before()
{
    Entries entries;
    for (int i = 0; i < PageCount; ++i)
        if (i % 10 != 9)
            entries.append({PageName(i), QStringLiteral("Old %1;Shared").arg(i % 7)});
    return entries;
}

// The file imported: other pages, other categories, and names the store did not hold.
QByteArray ImportedFile()
{
    QByteArray file;
    for (int i = 0; i < PageCount; ++i)
        if (i % 4 != 0)
            file += PageName(i).toLatin1() + "=New " + QByteArray::number(i % 5) + "\r\n";
    for (int i = 0; i < 200; ++i)
        file += "Extra " + QByteArray::number(i) + "=New;Extra\r\n";
    return file;
}

// The editor's cells: one page in three emptied (its entry deleted), the others changed.
QString SavedCell(int row)
{
    return row % 3 == 0 ? QString() : QStringLiteral("Saved %1").arg(row % 11);
}

int CrashChild(const QString& role, const QString& store, const QString& file)
{
    try {
        host::ide::setRegistryFile(store);
        if (role == QLatin1String("import")) {
            host::TRegIniFile reg(Key);
            reg.ReadString(Section, QString(), QString()); // connected, as the IDE is by then
            std::puts("ready");
            std::fflush(stdout);
            CategoryFile::Import(reg, file);
        } else {
            TVlFrmPaletteMenuCategories form;
            form.SetCategories(PageNames());
            form.UpdateControls();
            QAbstractItemModel* rows = form.findChild<QTableView*>(QStringLiteral("grdCategories"))->model();
            for (int row = 0; row < rows->rowCount(); ++row)
                rows->setData(rows->index(row, 1), SavedCell(row));
            std::puts("ready");
            std::fflush(stdout);
            form.SaveCategories();
        }
        std::puts("done");
        std::fflush(stdout);
        return 0;
    } catch (const host::Exception& e) {
        std::fprintf(stderr, "crash child: %s\n", e.what());
        return 5;
    }
}

// "ok", or what SQLite's integrity check says is wrong.
QString IntegrityCheck(const QString& store)
{
    sqlite3* db = nullptr;
    QString result = QStringLiteral("cannot open");
    if (sqlite3_open_v2(QFile::encodeName(store).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK) {
            QStringList lines;
            while (sqlite3_step(statement) == SQLITE_ROW)
                lines.append(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0))));
            result = lines.join(QLatin1Char('\n'));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return result;
}

} // namespace

class CrashSafetyTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString Path(const QString& name) const { return m_dir.filePath(name); }

    // Puts the store back as it was before the operation: no connection of this process is
    // open then, so its files can simply be replaced.
    void RestoreStore(const QString& store)
    {
        for (const char* suffix : {"", "-journal"})
            QFile::remove(store + QLatin1String(suffix));
        QVERIFY(QFile::copy(Path(QStringLiteral("before.sqlite")), store));
    }

    // Runs the operation in a child; kills it killAfterUs microseconds after it said "ready"
    // unless that is negative. Returns how long it took to say "done" (or -1), in microseconds.
    qint64 RunChild(const QStringList& arguments, qint64 killAfterUs)
    {
        const auto child = StartSelf(arguments);
        if (ReadLine(*child) != "ready") {
            child->kill();
            child->waitForFinished();
            return -2;
        }
        QElapsedTimer since;
        since.start();
        if (killAfterUs >= 0) {
            QThread::usleep(static_cast<unsigned long>(killAfterUs));
            child->kill(); // SIGKILL; a child already done is only reaped
            child->waitForFinished(30000);
            return child->readAllStandardOutput().contains("done") ? since.nsecsElapsed() / 1000 : -1;
        }
        const bool done = ReadLine(*child) == "done";
        const qint64 elapsed = since.nsecsElapsed() / 1000;
        child->waitForFinished(30000);
        return done && child->exitCode() == 0 ? elapsed : -2;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QVERIFY(m_dir.isValid());
        host::ide::setRegistryFile(Path(QStringLiteral("before.sqlite")));
        host::TRegIniFile reg(Key);
        reg.Transaction([&] {
            for (const auto& [page, list] : Before())
                reg.WriteString(Section, page, list);
        });
        QSaveFile file(Path(QStringLiteral("import.cpc")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(ImportedFile());
        QVERIFY(file.commit());
    }

    void killedWhileWriting_data()
    {
        QTest::addColumn<QString>("role");
        QTest::newRow("import") << "import";
        QTest::newRow("editor save") << "save";
    }
    void killedWhileWriting()
    {
        QFETCH(QString, role);
        const QString store = Path(QStringLiteral("registry-%1.sqlite").arg(role));
        const QStringList arguments{QStringLiteral("--crash-child"), role, store, Path(QStringLiteral("import.cpc"))};
        const Entries before = Before();

        // The grouping after, and how long the operation takes, from runs left to finish.
        Entries after;
        QList<qint64> durations;
        for (int run = 0; run < Calibrations; ++run) {
            RestoreStore(store);
            host::ide::setRegistryFile(store);
            const qint64 duration = RunChild(arguments, -1);
            QVERIFY2(duration >= 0, "the operation did not finish");
            durations.append(duration);
            after = host::TRegIniFile(Key).ReadSectionEntries(Section);
        }
        QVERIFY(after != before && !after.isEmpty());
        std::sort(durations.begin(), durations.end());
        const qint64 duration = durations[Calibrations / 2];
        QRandomGenerator random(Kills);

        int old = 0;
        int changed = 0;
        int killedAfterDone = 0;
        qint64 lastBefore = 0;                        // the latest kill that left the grouping before
        qint64 firstAfter = qint64(duration * Reach); // the earliest that left it after
        qint64 from = 0;
        qint64 span = firstAfter;
        for (int kill = 0; kill < Kills; ++kill) {
            RestoreStore(store);
            if (kill == Kills / 2) {
                // Where the outcome turns, give or take a sixth of the duration.
                span = duration / 3;
                from = std::max<qint64>(0, (lastBefore + firstAfter) / 2 - span / 2);
            }
            const int slice = kill % (Kills / 2);
            const qint64 at = from + qint64(double(span) * (slice + random.generateDouble()) / (Kills / 2));
            const qint64 done = RunChild(arguments, at);
            QVERIFY2(done != -2, "the child did not start");
            killedAfterDone += done >= 0;

            host::ide::setRegistryFile(store);
            Entries entries;
            try {
                entries = host::TRegIniFile(Key).ReadSectionEntries(Section);
            } catch (const host::Exception& e) {
                QFAIL(qPrintable(QStringLiteral("kill %1 at %2 us: %3").arg(kill).arg(at).arg(e.Message())));
            }
            QCOMPARE(IntegrityCheck(store), QStringLiteral("ok"));
            const bool isBefore = entries == before;
            QVERIFY2(isBefore || entries == after,
                     qPrintable(
                         QStringLiteral("kill %1 at %2 us: %3 entries, a mix").arg(kill).arg(at).arg(entries.size())));
            QVERIFY2(!(isBefore && done >= 0), "the change was done, yet the store holds the grouping before");
            (isBefore ? old : changed) += 1;
            if (isBefore)
                lastBefore = std::max(lastBefore, at);
            else
                firstAfter = std::min(firstAfter, at);
        }
        // Some kills fall before the change is committed, some after.
        std::printf("%s: %d kills, half over %.1f ms (the operation takes %.1f ms), half over %.1f to %.1f ms: %d left "
                    "the grouping before, %d the grouping after (%d of them after it said done); none a mix, every "
                    "store whole\n",
                    qPrintable(role), Kills, duration * Reach / 1000.0, duration / 1000.0, from / 1000.0,
                    (from + span) / 1000.0, old, changed, killedAfterDone);
        QVERIFY(old > 0 && changed > 0);
    }
};

int main(int argc, char** argv)
{
    if (argc == 5 && qstrcmp(argv[1], "--crash-child") == 0) {
        const QString role = QString::fromLocal8Bit(argv[2]);
        if (role == QLatin1String("import")) {
            QCoreApplication app(argc, argv);
            return CrashChild(role, QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
        }
        QApplication app(argc, argv);
        return CrashChild(role, QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4]));
    }
    QApplication app(argc, argv);
    CrashSafetyTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_crashsafety.moc"
