// The file dialogs never open the store's files: the IDE started in the store's folder, a
// menu opened (the store connected), then both file dialogs shown on that folder, in the
// detail view that names each file's type, and closed; then made in that folder, as they are
// once a file was chosen there. POSIX locks belong to the process, so a
// descriptor of the IDE's own opened and closed on the store or its journal would release the
// locks its store connection holds: they must all still be held (/proc/locks), and while the
// IDE holds a change open, another process's write must wait.
//
// Run with "--try-write FILE" this executable is the other process: it tries to begin a write
// on the store, waiting a little, and says "busy" or "wrote".

#include "tests/hardening/Harness.h"

#include <QFileSystemModel>
#include <QStandardPaths>

#include <sqlite3.h>

#include <sys/stat.h>
#include <unistd.h>

using namespace harness;

namespace {

int TryWrite(const char* file)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 2;
    sqlite3_busy_timeout(db, 300);
    const int code = sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    std::puts(code == SQLITE_OK ? "wrote" : (code & 0xff) == SQLITE_BUSY ? "busy" : "failed");
    std::fflush(stdout);
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}

// The POSIX locks this process holds on the files at paths, one "inode start end kind" each,
// sorted, as the kernel lists them.
QStringList HeldLocks(const QStringList& paths)
{
    QSet<QByteArray> inodes;
    for (const QString& path : paths)
        if (struct stat st{}; ::stat(QFile::encodeName(path).constData(), &st) == 0)
            inodes.insert(QByteArray::number(qulonglong(st.st_ino)));
    QFile locks(QStringLiteral("/proc/locks"));
    if (!locks.open(QIODevice::ReadOnly))
        return {QStringLiteral("/proc/locks cannot be read")};
    const QByteArray pid = QByteArray::number(qint64(::getpid()));
    QStringList held;
    // "1: POSIX  ADVISORY  READ 1234 08:01:5678 128 128"
    for (const QByteArray& line : locks.readAll().split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 8 || fields[1] != "POSIX" || fields[4] != pid)
            continue;
        const QByteArray inode = fields[5].mid(fields[5].lastIndexOf(':') + 1);
        if (inodes.contains(inode))
            held.append(QString::fromLatin1(inode + ' ' + fields[6] + ' ' + fields[7] + ' ' + fields[3]));
    }
    held.sort();
    return held;
}

// Shows a file dialog's listing of every file in folder in the detail view, waits until the listing and the
// files' types are in, and closes it.
Answer LookInto(const QString& folder, bool* listed)
{
    return [folder, listed](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog)
            return;
        dialog->setViewMode(QFileDialog::Detail);
        dialog->setNameFilter(QStringLiteral("All Files (*)"));
        dialog->setDirectory(folder);
        auto* model = dialog->findChild<QFileSystemModel*>();
        // Every file of the store listed, and a moment more for the types and icons.
        *listed = QTest::qWaitFor(
            [&] {
                const QModelIndex root = model->index(folder);
                return model->rowCount(root) >= 2;
            },
            10000);
        QTest::qWait(300);
        dialog->reject();
    };
}

} // namespace

class DialogLocksTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void dialogsLeaveTheStoreLocked()
    {
        LoadedPackage package({QStringLiteral("Standard"), QStringLiteral("Dialogs")},
                              {{QStringLiteral("Standard"), QStringLiteral("Common")}});
        const QString store = package.ide.store.file();
        const QString folder = package.ide.store.folder();
        const QString before = QDir::currentPath();
        const auto back = qScopeGuard([&] { QDir::setCurrent(before); });
        // Started in the store's folder, as "standin-ide --registry ./registry.sqlite" is.
        QVERIFY(QDir::setCurrent(folder));
        package.ide.window.show();

        QCOMPARE(Grouping(package.module->PaletteMenu()), QStringLiteral("Common[Standard] Other[Dialogs]"));
        // SQLite holds its locks on the store only while a change is at work: one is held open.
        sqlite3* change = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(store).constData(), &change), SQLITE_OK);
        const auto end = qScopeGuard([&] { sqlite3_close(change); });
        QCOMPARE(sqlite3_exec(change, "BEGIN IMMEDIATE; PRAGMA user_version = 2", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        const QStringList storeFiles{store, store + QStringLiteral("-journal")};
        for (const QString& file : storeFiles)
            QVERIFY2(QFileInfo::exists(file), qPrintable(file));
        const QStringList locks = HeldLocks(storeFiles);
        QVERIFY2(!locks.isEmpty(), "the store's connection holds no lock to watch");

        for (const QString& command : {QStringLiteral("ImportCommand"), QStringLiteral("ExportCommand")}) {
            bool listed = false;
            QVERIFY(RunCommand(package.module->PaletteMenu(), command, LookInto(folder, &listed)));
            QVERIFY2(listed, qPrintable(command));
            QCOMPARE(HeldLocks(storeFiles), locks);
        }
        // Once a file was chosen there, the dialogs are made in the store's folder and list it at once.
        QVERIFY(RunCommand(package.module->PaletteMenu(), QStringLiteral("ExportCommand"),
                           ChooseFile(folder + QStringLiteral("/grouping.cpc"))));
        QVERIFY(QFileInfo::exists(folder + QStringLiteral("/grouping.cpc")));
        bool listed = false;
        QVERIFY(RunCommand(package.module->PaletteMenu(), QStringLiteral("ImportCommand"), LookInto(folder, &listed)));
        QVERIFY(listed);
        QCOMPARE(HeldLocks(storeFiles), locks);
        QVERIFY(package.ide.reported().isEmpty());
        QCOMPARE(sqlite3_exec(change, "ROLLBACK", nullptr, nullptr, nullptr), SQLITE_OK);

        // While this IDE holds a change open, another process's write waits.
        host::TRegIniFile reg(CategoryStore::Key);
        QByteArray other;
        reg.Transaction([&] {
            reg.WriteString(CategoryStore::Section, QStringLiteral("Dialogs"), QStringLiteral("Mine"));
            const auto writer = StartSelf({QStringLiteral("--try-write"), store});
            other = ReadLine(*writer);
            writer->waitForFinished(30000);
        });
        QCOMPARE(other, QByteArray("busy"));
        QCOMPARE(Grouping(package.module->PaletteMenu()), QStringLiteral("Common[Standard] Mine[Dialogs]"));
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--try-write") == 0)
        return TryWrite(argv[2]);
    QApplication app(argc, argv);
    DialogLocksTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_dialoglocks.moc"
