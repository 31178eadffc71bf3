// "Import..." and "Export..." as a user runs them: from the menu, through Qt's real file
// dialog, with errors going to the host's error box and the menus showing the result.

#include "palette/VlPaletteMenu.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/TestIde.h"

#include "host/Registry.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QtTest>

namespace {

using Store = QList<QPair<QString, QString>>;

const QString Key = QStringLiteral("Software\\Vorla\\Palette Menu");
const QString Section = QStringLiteral("Categories");

// What the user saw of the file dialog, and of an overwrite question after it.
struct Seen {
    QString title;
    QString filter;
    QString suffix;
    QString folder;
    bool native = true;
    bool mustExist = false;
    QString nameShown;
    QString question;
    bool cancelIsDefault = false; // of the question
    bool listed = false;          // whether the dialog listed the awaited file
};

// Answers the next file dialog from inside its modal loop: types name into it and accepts,
// or cancels when told to or when name is empty; says yes to a question that follows.
class DialogDriver : public QObject {
public:
    // awaited: a file the dialog should list in its folder, with its filter, before the
    // name is typed.
    explicit DialogDriver(const QString& name, bool accept = true, const QString& awaited = QString())
        : m_name(name), m_accept(accept), m_awaited(awaited)
    {
        connect(&m_timer, &QTimer::timeout, this, &DialogDriver::Poll);
        m_timer.start(10);
    }
    Seen seen;
    QMessageBox::StandardButton answer = QMessageBox::Yes; // to a question

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.question = box->text();
            seen.cancelIsDefault = box->defaultButton() == box->button(QMessageBox::Cancel);
            box->button(answer)->click();
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        if (!dialog || dialog == m_answered)
            return;
        m_answered = dialog;
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        QVERIFY(edit);
        seen = {dialog->windowTitle(),
                dialog->nameFilters().join(QLatin1Char('|')),
                dialog->defaultSuffix(),
                dialog->directory().absolutePath(),
                !dialog->testOption(QFileDialog::DontUseNativeDialog),
                dialog->fileMode() == QFileDialog::ExistingFile,
                edit->text(),
                QString()};
        if (!m_awaited.isEmpty())
            seen.listed = QTest::qWaitFor([&] { return Lists(dialog, m_awaited); }, 10000);
        edit->setText(m_name);
        if (m_name.isEmpty() || !m_accept) {
            dialog->reject();
            return;
        }
        // Pressed after this poll returns, so that polling goes on while a question is open.
        QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
    }

    // Whether the dialog shows name among the files of its folder.
    static bool Lists(QFileDialog* dialog, const QString& name)
    {
        auto* model = dialog->findChild<QFileSystemModel*>();
        const QModelIndex folder = model->index(dialog->directory().absolutePath());
        for (int row = 0; row < model->rowCount(folder); ++row)
            if (model->fileName(model->index(row, 0, folder)) == name)
                return true;
        return false;
    }

    QString m_name;
    bool m_accept;
    QString m_awaited;
    QTimer m_timer;
    QPointer<QFileDialog> m_answered;
};

// Counts the progress dialogs shown while it lives, and presses Cancel on each when told to.
class ProgressWatcher : public QObject {
public:
    explicit ProgressWatcher(bool cancel) : m_cancel(cancel) { qApp->installEventFilter(this); }
    ~ProgressWatcher() override { qApp->removeEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* dialog = qobject_cast<QProgressDialog*>(watched);
        if (dialog && event->type() == QEvent::Show) {
            ++shown;
            if (m_cancel)
                QTimer::singleShot(50, dialog, [dialog] {
                    if (auto* cancel = dialog->findChild<QPushButton*>())
                        cancel->click();
                });
        }
        return false;
    }

private:
    bool m_cancel;
};

// Runs the command named command (its object name) from menu, opened first.
void RunCommand(QMenu* menu, const QString& command)
{
    Q_EMIT menu->aboutToShow();
    if (QAction* item = CommandItem(menu, command))
        return item->trigger();
    QFAIL(qPrintable(QStringLiteral("no command ") + command));
}

} // namespace

class CategoryFileCommandsTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_home;

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        // The dialogs open in the user's Documents folder: give the user a home of the test's own.
        QVERIFY(m_home.isValid());
        qputenv("HOME", QFile::encodeName(m_home.path()));
    }

    void commands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<Store>("store");
        QTest::addColumn<QByteArray>("fileBefore"); // in the Documents folder as written; "" for none
        QTest::addColumn<QString>("typed");         // relative to Documents; "" cancels
        QTest::addColumn<QString>("written");       // the file that should hold fileAfter
        QTest::addColumn<QByteArray>("fileAfter");
        QTest::addColumn<QString>("grouping"); // of both menus afterwards
        QTest::addColumn<QString>("reported"); // the start of what the host reports; "" for nothing
        QTest::addColumn<QString>("status");   // what the status bar says after, the file's name aside

        const Store common{{"Standard", "Common"}};
        QTest::newRow("export: a bare name gets .cpc")
            << "ExportCommand" << common << QByteArray() << "grouping"
            << "grouping.cpc" << QByteArray("Standard=Common\r\n") << "Common[Standard] Other[Dialogs]"
            << ""
            << "Exported 1 entry to";
        QTest::newRow("export over a file asks first, then replaces it")
            << "ExportCommand" << common << QByteArray("old") << "file.cpc"
            << "file.cpc" << QByteArray("Standard=Common\r\n") << "Common[Standard] Other[Dialogs]"
            << ""
            << "Exported 1 entry to";
        QTest::newRow("export names what it left out")
            << "ExportCommand" << Store{{"Standard", "Common"}, {"a=b", "X"}} << QByteArray() << "out.cpc"
            << "out.cpc" << QByteArray("Standard=Common\r\n") << "Common[Standard] Other[Dialogs]"
            << "EFCreateError: \"" + QDir::toNativeSeparators(QStringLiteral("%1/Documents/out.cpc").arg(m_home.path()))
            << "";
        QTest::newRow("import: the menus follow")
            << "ImportCommand" << common << QByteArray("Dialogs=Mine;Common\r\n") << "file.cpc"
            << "file.cpc" << QByteArray("Dialogs=Mine;Common\r\n") << "Common[Dialogs] Mine[Dialogs] Other[Standard]"
            << ""
            << "Imported 1 entry from";
        QTest::newRow("import: a name without a suffix, as it exists")
            << "ImportCommand" << common << QByteArray("Dialogs=Mine\r\n") << "groups"
            << "groups" << QByteArray("Dialogs=Mine\r\n") << "Mine[Dialogs] Other[Standard]"
            << ""
            << "Imported 1 entry from";
        QTest::newRow("import of a bad file changes nothing")
            << "ImportCommand" << common << QByteArray("Dialogs\0=Mine", 13) << "file.cpc"
            << "file.cpc" << QByteArray("Dialogs\0=Mine", 13) << "Common[Standard] Other[Dialogs]"
            << "EFOpenError: Cannot import"
            << "";
        QTest::newRow("cancelled import")
            << "ImportCommand" << common << QByteArray("Dialogs=Mine") << ""
            << "file.cpc" << QByteArray("Dialogs=Mine") << "Common[Standard] Other[Dialogs]"
            << ""
            << "";
        QTest::newRow("cancelled export") << "ExportCommand" << common << QByteArray("old") << ""
                                          << "file.cpc" << QByteArray("old") << "Common[Standard] Other[Dialogs]"
                                          << ""
                                          << "";
        QTest::newRow("export of two entries")
            << "ExportCommand" << Store{{"Standard", "Common"}, {"Dialogs", "UI"}} << QByteArray() << "two.cpc"
            << "two.cpc" << QByteArray("Standard=Common\r\nDialogs=UI\r\n") << "Common[Standard] UI[Dialogs]"
            << ""
            << "Exported 2 entries to";
        QTest::newRow("import of an empty file") << "ImportCommand" << common << QByteArray() << "empty.cpc"
                                                 << "empty.cpc" << QByteArray() << "Common[Standard] Other[Dialogs]"
                                                 << ""
                                                 << "holds no entries";
    }

    void commands()
    {
        QFETCH(QString, command);
        QFETCH(Store, store);
        QFETCH(QByteArray, fileBefore);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        QFETCH(QByteArray, fileAfter);
        QFETCH(QString, grouping);
        QFETCH(QString, reported);
        QFETCH(QString, status);

        QDir documents(m_home.filePath(QStringLiteral("Documents")));
        documents.removeRecursively();
        QVERIFY(documents.mkpath(QStringLiteral(".")));
        if (!fileBefore.isEmpty()) {
            QFile file(documents.filePath(written));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(fileBefore) == fileBefore.size());
        }
        // A file to import that is not "file.cpc" is there, empty.
        if (command == QLatin1String("ImportCommand") && !typed.isEmpty() && !QFile::exists(documents.filePath(typed)))
            QVERIFY(QFile(documents.filePath(typed)).open(QIODevice::WriteOnly));
        TestIde ide({QStringLiteral("Standard"), QStringLiteral("Dialogs")});
        {
            host::TRegIniFile reg(Key);
            for (const auto& [name, value] : store)
                reg.WriteString(Section, name, value);
        }
        LoadPackageInProcess();
        TVlPaletteMenuWizardDataModule* module = VlPaletteMenuWizardDataModule;
        ide.window.show();

        DialogDriver driver(typed.isEmpty() ? QString() : documents.filePath(typed));
        const ProgressWatcher progress(false);
        RunCommand(module->PaletteMenu(), command);
        // A short run flashes no progress dialog.
        QCOMPARE(progress.shown, 0);

        const bool importing = command == QLatin1String("ImportCommand");
        QCOMPARE(driver.seen.title,
                 importing ? QStringLiteral("Open Import File") : QStringLiteral("Save Export File"));
        QCOMPARE(driver.seen.filter, QStringLiteral("Component Palette Categories Files (*.cpc)|All Files (*)"));
        QCOMPARE(driver.seen.suffix, QStringLiteral("cpc"));
        QCOMPARE(driver.seen.folder, documents.absolutePath());
        QVERIFY(!driver.seen.native);
        QCOMPARE(driver.seen.mustExist, importing);
        // An import that replaces entries asks first.
        QCOMPARE(!driver.seen.question.isEmpty(),
                 importing ? status.startsWith(QLatin1String("Imported")) : !typed.isEmpty() && !fileBefore.isEmpty());

        QFile file(documents.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), fileAfter);
        QCOMPARE(Grouping(module->PaletteMenu()), grouping);
        QCOMPARE(Grouping(module->PaletteButtonMenu()), grouping);
        QCOMPARE(ide.reported().size(), reported.isEmpty() ? 0 : 1);
        if (!reported.isEmpty())
            QVERIFY2(ide.reported().first().startsWith(reported), qPrintable(ide.reported().first()));
        // What the command did is said in the status bar, with the file's name.
        const QString said = ide.window.statusBar()->currentMessage();
        QVERIFY2(status.isEmpty()
                     ? said.isEmpty()
                     : said.contains(status) && said.contains(QDir::toNativeSeparators(documents.filePath(written))),
                 qPrintable(said));
        UnloadPackageInProcess();
    }

    // Without a Documents folder the dialogs open in the home folder, and find Documents once
    // it is there: the folder, and an empty name, are set afresh each time.
    void homeWhenNoDocumentsFolder()
    {
        QDir(m_home.filePath(QStringLiteral("Documents"))).removeRecursively();
        TestIde ide({QStringLiteral("Standard")});
        LoadPackageInProcess();
        {
            DialogDriver driver(QStringLiteral("typed, then cancelled"), false);
            RunCommand(VlPaletteMenuWizardDataModule->PaletteMenu(), QStringLiteral("ExportCommand"));
            QCOMPARE(driver.seen.folder, QDir(m_home.path()).absolutePath());
        }
        QVERIFY(QDir(m_home.path()).mkpath(QStringLiteral("Documents")));
        {
            DialogDriver driver{QString()};
            RunCommand(VlPaletteMenuWizardDataModule->PaletteMenu(), QStringLiteral("ExportCommand"));
            QCOMPARE(driver.seen.folder, QDir(m_home.filePath(QStringLiteral("Documents"))).absolutePath());
            // A name typed before is not left for the next name to be appended to.
            QCOMPARE(driver.seen.nameShown, QString());
        }
        UnloadPackageInProcess();
    }

    // Import and export each start where they were used last: a file imported from elsewhere
    // (a shipped example) never makes the export start there. A name typed relative to the
    // folder shown is taken there; the import dialog lists ".cpc" files with its own filter.
    void startsInTheFolderUsedLast()
    {
        QDir home(m_home.path());
        QVERIFY(home.mkpath(QStringLiteral("Documents/sub")));
        QVERIFY(home.mkpath(QStringLiteral("elsewhere/sub")));
        const QString elsewhere = home.absoluteFilePath(QStringLiteral("elsewhere"));
        QFile grouping(elsewhere + QStringLiteral("/grouping.cpc"));
        QVERIFY(grouping.open(QIODevice::WriteOnly) && grouping.write("Dialogs=Mine\r\n") > 0);
        grouping.close();
        LoadedPackage package({QStringLiteral("Standard"), QStringLiteral("Dialogs")});
        QMenu* menu = package.module->PaletteMenu();
        {
            DialogDriver driver(grouping.fileName());
            RunCommand(menu, QStringLiteral("ImportCommand"));
            QCOMPARE(driver.seen.folder, home.absoluteFilePath(QStringLiteral("Documents")));
        }
        QCOMPARE(Grouping(menu), QStringLiteral("Mine[Dialogs] Other[Standard]"));
        {
            DialogDriver driver(QStringLiteral("sub/mygroups"));
            RunCommand(menu, QStringLiteral("ExportCommand"));
            QCOMPARE(driver.seen.folder, home.absoluteFilePath(QStringLiteral("Documents")));
        }
        QVERIFY(QFile::exists(home.absoluteFilePath(QStringLiteral("Documents/sub/mygroups.cpc"))));
        {
            DialogDriver driver(QStringLiteral("grouping.cpc"), true, QStringLiteral("grouping.cpc"));
            RunCommand(menu, QStringLiteral("ImportCommand"));
            QCOMPARE(driver.seen.folder, elsewhere);
            QVERIFY(driver.seen.listed);
        }
        {
            DialogDriver driver{QString()};
            RunCommand(menu, QStringLiteral("ExportCommand"));
            QCOMPARE(driver.seen.folder, home.absoluteFilePath(QStringLiteral("Documents/sub")));
        }
        QCOMPARE(Grouping(menu), QStringLiteral("Mine[Dialogs] Other[Standard]"));
        QVERIFY(package.ide.reported().isEmpty());
    }

    // An import over a grouping asks first, naming the file and the counts; after it, Undo
    // Import in both menus brings the old grouping back exactly, until the grouping changes.
    void importAsksAndCanBeUndone_data()
    {
        QTest::addColumn<Store>("store");
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("replace");     // the answer to the question
        QTest::addColumn<QString>("question"); // "" when none is asked
        QTest::addColumn<bool>("cancelIsDefault");
        QTest::addColumn<QString>("then"); // after the import: "edit" the grouping, or "reload" the package
        QTest::addColumn<bool>("undoable");
        const Store two{{"Standard", "Common"}, {"Dialogs", "UI"}};
        const QString replaceTwo = QStringLiteral(
            "Replace the 2 entries of your grouping with the %1 read from \"file.cpc\"?");
        QTest::newRow("over a grouping: asked, then undone")
            << two << QByteArray("Dialogs=Mine\r\nDialogs=Yours\r\n") << true
            << replaceTwo.arg(1) + " 1 line was left out." << false << "" << true;
        QTest::newRow("mostly not a grouping: Cancel is the default")
            << two << QByteArray("# Notes\r\n\r\nsee below\r\nDialogs=Mine\r\nmore\r\n") << false
            << replaceTwo.arg(2) + " 3 lines were left out." << true << "" << false;
        QTest::newRow("into no grouping: nothing asked")
            << Store{} << QByteArray("Dialogs=Mine\r\n") << true << "" << false << "" << true;
        QTest::newRow("kept when the package is loaded again")
            << two << QByteArray("Dialogs=Mine\r\n") << true << replaceTwo.arg(1) << false << "reload" << true;
        QTest::newRow("gone once the grouping changed")
            << two << QByteArray("Dialogs=Mine\r\n") << true << replaceTwo.arg(1) << false << "edit" << false;
    }
    void importAsksAndCanBeUndone()
    {
        QFETCH(Store, store);
        QFETCH(QByteArray, file);
        QFETCH(bool, replace);
        QFETCH(QString, question);
        QFETCH(bool, cancelIsDefault);
        QFETCH(QString, then);
        QFETCH(bool, undoable);
        QDir documents(m_home.filePath(QStringLiteral("Documents")));
        QVERIFY(documents.mkpath(QStringLiteral(".")));
        QFile cpc(documents.filePath(QStringLiteral("file.cpc")));
        QVERIFY(cpc.open(QIODevice::WriteOnly) && cpc.write(file) == file.size());
        cpc.close();
        LoadedPackage package({QStringLiteral("Standard"), QStringLiteral("Dialogs")}, store);
        {
            DialogDriver driver(cpc.fileName());
            driver.answer = replace ? QMessageBox::Yes : QMessageBox::Cancel;
            RunCommand(package.module->PaletteMenu(), QStringLiteral("ImportCommand"));
            QCOMPARE(driver.seen.question, question);
            QCOMPARE(driver.seen.cancelIsDefault, cancelIsDefault);
        }
        host::TRegIniFile reg(Key);
        QCOMPARE(reg.ReadSectionEntries(Section) == store, !replace);
        const auto said = [&] { return package.ide.window.statusBar()->currentMessage(); };
        QVERIFY2(said().contains(QLatin1String("Undo Import brings back")) == replace, qPrintable(said()));
        if (then == QLatin1String("edit"))
            reg.WriteString(Section, QStringLiteral("Standard"), QStringLiteral("Changed"));
        if (then == QLatin1String("reload")) {
            UnloadPackageInProcess();
            LoadPackageInProcess();
            package.module = LoadedDataModule();
        }
        for (QMenu* menu : {package.module->PaletteMenu(), package.module->PaletteButtonMenu()}) {
            Q_EMIT menu->aboutToShow();
            QCOMPARE(bool(CommandItem(menu, QStringLiteral("UndoImportCommand"))), undoable);
        }
        if (!undoable)
            return;
        RunCommand(package.module->PaletteButtonMenu(), QStringLiteral("UndoImportCommand"));
        QCOMPARE(reg.ReadSectionEntries(Section), store);
        QVERIFY2(said().contains(QLatin1String("Undo Import brought back")), qPrintable(said()));
        Q_EMIT package.module->PaletteMenu()->aboutToShow();
        QVERIFY(!CommandItem(package.module->PaletteMenu(), QStringLiteral("UndoImportCommand")));
        QVERIFY(package.ide.reported().isEmpty());
    }

    // An import that runs longer than half a second shows its progress; Cancel there leaves
    // the grouping exactly as it was.
    void longImportCancelled()
    {
        QDir documents(m_home.filePath(QStringLiteral("Documents")));
        QVERIFY(documents.mkpath(QStringLiteral(".")));
        QByteArray lines;
        for (int i = 0; i < 1000000; ++i)
            lines += "p" + QByteArray::number(i) + "=c" + QByteArray::number(i % 10) + "\r\n";
        QFile file(documents.filePath(QStringLiteral("large.cpc")));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(lines) == lines.size());
        file.close();
        LoadedPackage package({QStringLiteral("Standard"), QStringLiteral("Dialogs")},
                              {{QStringLiteral("Standard"), QStringLiteral("Common")}});
        const ProgressWatcher progress(true);
        DialogDriver driver(file.fileName());
        RunCommand(package.module->PaletteMenu(), QStringLiteral("ImportCommand"));
        QCOMPARE(progress.shown, 1);
        QCOMPARE(Grouping(package.module->PaletteMenu()), QStringLiteral("Common[Standard] Other[Dialogs]"));
        QVERIFY(package.ide.reported().isEmpty());
        host::TRegIniFile reg(Key);
        QCOMPARE(reg.ReadSectionEntries(Section), (Store{{"Standard", "Common"}}));
    }
};

QTEST_MAIN(CategoryFileCommandsTest)
#include "tst_categoryfilecommands.moc"
