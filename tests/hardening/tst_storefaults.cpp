// The store failing while the IDE runs: made read-only, replaced or written over by garbage,
// a folder or a link as its journal, its folder removed, locked beyond the busy timeout.
// Each palette menu and each command either works or shows one error box naming the store;
// the IDE runs on, the store's files stay byte for byte, and once the fault is put right the
// next opening works, without a restart.
//
// Run with "--hold-write-lock FILE" this executable is the process that holds the lock.

#include "tests/common/StoreLockHolder.h"
#include "tests/hardening/Harness.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QScopeGuard>
#include <QStandardPaths>

using namespace harness;

namespace {

const QStringList Pages{QStringLiteral("Standard"), QStringLiteral("Dialogs"), QStringLiteral("Widgets")};
const QString Stored = QStringLiteral("Common[Standard] Mine[Dialogs] Other[Widgets]");
const QString MainMenu = QStringLiteral("main menu");
const QString ButtonMenu = QStringLiteral("button menu");
const QString Edit = QStringLiteral("EditCategoriesCommand");
const QString Import = QStringLiteral("ImportCommand");
const QString Export = QStringLiteral("ExportCommand");

QByteArray Garbage(qsizetype size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    QRandomGenerator random(size);
    for (char& byte : bytes)
        byte = char(random.generate());
    return bytes;
}

// A file's bytes read, or written in place (the same file, truncated first), by another
// process, so that no descriptor of this process's own closes on the store.
QByteArray ReadElsewhere(const QString& path)
{
    QProcess cat;
    cat.start(QStringLiteral("cat"), {path});
    cat.waitForFinished(30000);
    return cat.readAllStandardOutput();
}

bool WriteElsewhere(const QString& path, const QByteArray& bytes)
{
    QProcess shell;
    shell.start(QStringLiteral("sh"),
                {QStringLiteral("-c"), QStringLiteral("cat > \"$1\""), QStringLiteral("sh"), path});
    shell.write(bytes);
    shell.closeWriteChannel();
    return shell.waitForFinished(30000) && shell.exitCode() == 0;
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

} // namespace

class StoreFaultsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void faultWhileTheIdeRuns_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QStringList>("failing"); // the actions that show an error; the others work
        QTest::addColumn<QString>("reason");      // a part of each error's text

        const QStringList all{MainMenu, ButtonMenu, Edit, Import, Export};
        const QStringList writing{Edit, Import};
        const QString notAStore = QStringLiteral("not a database or is corrupt");

        // Reading a read-only or write-locked store is sound: only what writes fails.
        QTest::newRow("store made read-only") << "read-only" << writing << "read-only";
        QTest::newRow("locked by another process") << "locked" << writing << "another process holds the file locked";
        QTest::newRow("file replaced by garbage") << "replaced" << all << notAStore;
        QTest::newRow("file written over with garbage") << "written over" << all << notAStore;
        QTest::newRow("a folder in the journal's place") << "journal folder" << all << "-journal\" is a folder";
        QTest::newRow("a link in the journal's place") << "journal link" << all << "-journal\" is a symbolic link";
        QTest::newRow("folder removed") << "folder removed" << all << "has gone";
    }
    void faultWhileTheIdeRuns()
    {
        QFETCH(QString, fault);
        QFETCH(QStringList, failing);
        QFETCH(QString, reason);

        TestIde ide(Pages);
        const QString folder = ide.store.filePath(QStringLiteral("store"));
        const QString store = folder + QStringLiteral("/registry.sqlite");
        const QString journal = store + QStringLiteral("-journal");
        const QString importFile = ide.store.filePath(QStringLiteral("import.cpc"));
        const QString exportFile = ide.store.filePath(QStringLiteral("export.cpc"));
        QVERIFY(WriteFile(importFile, "Widgets=Imported\r\n"));
        host::ide::setRegistryFile(store);
        host::TRegIniFile(Key).WriteString(Section, QStringLiteral("Standard"), QStringLiteral("Common"));
        ShowErrorBoxes(ide);
        ide.window.show();
        LoadPackageInProcess();
        const auto unload = qScopeGuard([] { UnloadPackageInProcess(); });
        TVlPaletteMenuWizardDataModule* module = VlPaletteMenuWizardDataModule;
        QVERIFY(RunCommand(module->PaletteMenu(), Edit, EditCells({{0, QStringLiteral("Mine")}})));
        QCOMPARE(Grouping(module->PaletteMenu()), Stored);

        // The fault, and how it is put right.
        QString faulty = folder; // where the store's files are meanwhile
        std::function<void()> clear;
        std::unique_ptr<QProcess> holder;
        const int busyTimeout = host::ide::registryBusyTimeout();
        const auto restoreTimeout = qScopeGuard([&] { host::ide::setRegistryBusyTimeout(busyTimeout); });
        if (fault == QLatin1String("read-only")) {
            QList<QPair<QString, QFile::Permissions>> modes;
            for (const QString& name : QDir(folder).entryList(QDir::Files) + QStringList{QString()}) {
                const QString path = name.isEmpty() ? folder : QDir(folder).filePath(name);
                modes.append({path, QFile::permissions(path)});
                const QFile::Permissions writable = QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther
                    | QFile::WriteUser;
                QVERIFY(QFile::setPermissions(path, QFile::permissions(path) & ~writable));
            }
            clear = [modes] {
                for (const auto& [path, mode] : modes)
                    QFile::setPermissions(path, mode);
            };
        } else if (fault == QLatin1String("locked")) {
            host::ide::setRegistryBusyTimeout(300);
            holder = StartSelf({QStringLiteral("--hold-write-lock"), store});
            QCOMPARE(ReadLine(*holder), QByteArray("locked"));
            clear = [&holder] {
                holder->closeWriteChannel();
                holder->waitForFinished(30000);
            };
        } else if (fault == QLatin1String("replaced")) {
            QVERIFY(QFile::rename(store, store + QStringLiteral(".kept")));
            QVERIFY(WriteFile(store, Garbage(8192)));
            clear = [store] {
                QFile::remove(store);
                QFile::rename(store + QStringLiteral(".kept"), store);
            };
        } else if (fault == QLatin1String("folder removed")) {
            faulty = folder + QStringLiteral(".moved");
            QVERIFY(QDir().rename(folder, faulty));
            clear = [folder, faulty] { QDir().rename(faulty, folder); };
        } else if (fault.startsWith(QLatin1String("journal"))) {
            QVERIFY(fault == QLatin1String("journal folder") ? QDir().mkpath(journal) : QFile::link(store, journal));
            clear = [journal] { QDir(journal).exists() ? QDir(journal).removeRecursively() : QFile::remove(journal); };
        } else {
            const QString file = store;
            const QByteArray original = ReadElsewhere(file);
            QVERIFY(!original.isEmpty());
            QVERIFY(WriteElsewhere(file, Garbage(original.size())));
            clear = [file, original] { WriteElsewhere(file, original); };
        }
        auto clearOnce = qScopeGuard([&] { clear(); });
        QThread::msleep(host::ide::RegistryLookIntervalMs + 1);
        const QMap<QString, QByteArray> faultyFiles = Digests(faulty);

        // Each command is chosen from a menu that was opened (and said what it had to) before.
        const auto expectOne = [&](const QString& action, const QStringList& boxes) {
            QVERIFY2(boxes.size() == 1, qPrintable(action + QStringLiteral(": ") + boxes.join(QLatin1Char('\n'))));
            QVERIFY2(boxes[0].contains(QStringLiteral("\"%1\"").arg(store)) && boxes[0].contains(reason),
                     qPrintable(boxes[0]));
        };
        const bool menusFail = failing.contains(MainMenu);
        for (const QString& action : {MainMenu, ButtonMenu, Edit, Import, Export}) {
            QMenu* menu = action == MainMenu || action == Edit ? module->PaletteMenu() : module->PaletteButtonMenu();
            const QString grouping = Grouping(menu);
            const QStringList opening = TakeErrorBoxes();
            QCOMPARE(grouping, menusFail ? QString() : Stored);
            QStringList boxes = opening;
            if (action == Edit || action == Import || action == Export) {
                if (menusFail)
                    expectOne(action + QStringLiteral(" (its menu)"), opening);
                QVERIFY(RunCommand(menu, action,
                                   action == Edit ? EditCells({{0, QStringLiteral("Changed")}})
                                                  : ChooseFile(action == Import ? importFile : exportFile),
                                   false));
                boxes = TakeErrorBoxes();
            }
            if (failing.contains(action))
                expectOne(action, boxes);
            else
                QVERIFY2(boxes.isEmpty(), qPrintable(action + QStringLiteral(": ") + boxes.join(QLatin1Char('\n'))));
        }
        QVERIFY(ide.window.isVisible());
        QCOMPARE(QFile::exists(exportFile), !failing.contains(Export));
        QCOMPARE(Digests(faulty), faultyFiles);

        clearOnce.dismiss();
        clear();
        QThread::msleep(host::ide::RegistryLookIntervalMs + 1);
        QCOMPARE(Grouping(module->PaletteMenu()), Stored);
        QCOMPARE(Grouping(module->PaletteButtonMenu()), Stored);
        QVERIFY(RunCommand(module->PaletteMenu(), Import, ChooseFile(importFile)));
        QVERIFY(RunCommand(module->PaletteMenu(), Edit, EditCells({{0, QStringLiteral("Again")}})));
        QCOMPARE(Grouping(module->PaletteButtonMenu()),
                 QStringLiteral("Again[Dialogs] Imported[Widgets] Other[Standard]"));
        QCOMPARE(TakeErrorBoxes(), QStringList());
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-write-lock") == 0)
        return HoldStoreWriteLock(argv[2]);
    QApplication app(argc, argv);
    StoreFaultsTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_storefaults.moc"
