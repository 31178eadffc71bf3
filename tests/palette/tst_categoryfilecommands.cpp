// "Import..." and "Export..." as a user runs them: from the menu, through Qt's real file
// dialog, with errors going to the host's error box and the menus showing the result.

#include "palette/VlPaletteMenu.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/TestIde.h"

#include "host/Registry.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
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
};

// Answers the next file dialog from inside its modal loop: types name into it and accepts,
// or cancels when told to or when name is empty; says yes to a question that follows.
class DialogDriver : public QObject {
public:
    explicit DialogDriver(const QString& name, bool accept = true) : m_name(name), m_accept(accept)
    {
        connect(&m_timer, &QTimer::timeout, this, &DialogDriver::Poll);
        m_timer.start(10);
    }
    Seen seen;

private:
    void Poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.question = box->text();
            box->button(QMessageBox::Yes)->click();
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
        edit->setText(m_name);
        if (m_name.isEmpty() || !m_accept) {
            dialog->reject();
            return;
        }
        // Pressed after this poll returns, so that polling goes on while a question is open.
        QTimer::singleShot(0, edit, [edit] { QTest::keyClick(edit, Qt::Key_Return); });
    }

    QString m_name;
    bool m_accept;
    QTimer m_timer;
    QPointer<QFileDialog> m_answered;
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
        QTest::addColumn<QByteArray>("fileBefore"); // in the Documents folder as "file.cpc"; "" for none
        QTest::addColumn<QString>("typed");         // relative to Documents; "" cancels
        QTest::addColumn<QString>("written");       // the file that should hold fileAfter
        QTest::addColumn<QByteArray>("fileAfter");
        QTest::addColumn<QString>("grouping"); // of both menus afterwards
        QTest::addColumn<QString>("reported"); // the start of what the host reports; "" for nothing

        const Store common{{"Standard", "Common"}};
        QTest::newRow("export: a bare name gets .txt")
            << "ExportCommand" << common << QByteArray() << "grouping"
            << "grouping.txt" << QByteArray("Standard=Common\r\n") << "Common[Standard] Other[Dialogs]"
            << "";
        QTest::newRow("export over a file asks first, then replaces it")
            << "ExportCommand" << common << QByteArray("old") << "file.cpc"
            << "file.cpc" << QByteArray("Standard=Common\r\n") << "Common[Standard] Other[Dialogs]"
            << "";
        QTest::newRow("export names what it left out")
            << "ExportCommand" << Store{{"Standard", "Common"}, {"a=b", "X"}} << QByteArray() << "out.cpc"
            << "out.cpc" << QByteArray("Standard=Common\r\n") << "Common[Standard] Other[Dialogs]"
            << "EFCreateError: \""
                + QDir::toNativeSeparators(QStringLiteral("%1/Documents/out.cpc").arg(m_home.path()));
        QTest::newRow("import: the menus follow")
            << "ImportCommand" << common << QByteArray("Dialogs=Mine;Common\r\n") << "file.cpc"
            << "file.cpc" << QByteArray("Dialogs=Mine;Common\r\n") << "Common[Dialogs] Mine[Dialogs] Other[Standard]"
            << "";
        QTest::newRow("import of a bad file changes nothing")
            << "ImportCommand" << common << QByteArray("Dialogs\0=Mine", 13) << "file.cpc"
            << "file.cpc" << QByteArray("Dialogs\0=Mine", 13) << "Common[Standard] Other[Dialogs]"
            << "EFOpenError: Cannot import";
        QTest::newRow("cancelled import")
            << "ImportCommand" << common << QByteArray("Dialogs=Mine") << ""
            << "file.cpc" << QByteArray("Dialogs=Mine") << "Common[Standard] Other[Dialogs]"
            << "";
        QTest::newRow("cancelled export") << "ExportCommand" << common << QByteArray("old") << ""
                                          << "file.cpc" << QByteArray("old") << "Common[Standard] Other[Dialogs]"
                                          << "";
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

        QDir documents(m_home.filePath(QStringLiteral("Documents")));
        documents.removeRecursively();
        QVERIFY(documents.mkpath(QStringLiteral(".")));
        if (!fileBefore.isEmpty()) {
            QFile file(documents.filePath(QStringLiteral("file.cpc")));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(fileBefore) == fileBefore.size());
        }
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
        RunCommand(module->PaletteMenu(), command);

        const bool importing = command == QLatin1String("ImportCommand");
        QCOMPARE(driver.seen.title,
                 importing ? QStringLiteral("Open Import File") : QStringLiteral("Save Export File"));
        QCOMPARE(driver.seen.filter, QStringLiteral("Component Palette Categories Files (*.cpc)"));
        QCOMPARE(driver.seen.suffix, QStringLiteral("txt"));
        QCOMPARE(driver.seen.folder, documents.absolutePath());
        QVERIFY(!driver.seen.native);
        QCOMPARE(driver.seen.mustExist, importing);
        QCOMPARE(!driver.seen.question.isEmpty(), !importing && !typed.isEmpty() && !fileBefore.isEmpty());

        QFile file(documents.filePath(written));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), fileAfter);
        QCOMPARE(Grouping(module->PaletteMenu()), grouping);
        QCOMPARE(Grouping(module->PaletteButtonMenu()), grouping);
        QCOMPARE(ide.reported().size(), reported.isEmpty() ? 0 : 1);
        if (!reported.isEmpty())
            QVERIFY2(ide.reported().first().startsWith(reported), qPrintable(ide.reported().first()));
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
};

QTEST_MAIN(CategoryFileCommandsTest)
#include "tst_categoryfilecommands.moc"
