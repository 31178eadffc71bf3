// Loading and unloading packages: the test package's wizard adds to the Tools menu, and
// unloading takes exactly that away again, a hundred times over; what is not a package,
// or asks for what the IDE does not provide, is refused and changes nothing; an exception
// from a package's handler or Register is reported and the IDE carries on.

#include "tests/common/ReportedExceptions.h"
#include "tests/common/TemporaryStore.h"

#include "host/Exceptions.h"
#include "host/Forms.h"
#include "host/ToolBar.h"
#include "host/ide/CommandLine.h"
#include "host/ide/InstallPackagesDialog.h"
#include "host/ide/MainWindow.h"
#include "host/ide/PackageManager.h"
#include "host/ide/ToolPaletteWindow.h"
#include "host/private/IdeHost.h"

#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

void Describe(const QMenu* menu, const QString& indent, QStringList* lines)
{
    for (QAction* action : menu->actions()) {
        lines->append(QStringLiteral("%1%2 visible=%3 enabled=%4 separator=%5")
                          .arg(indent, action->text())
                          .arg(action->isVisible())
                          .arg(action->isEnabled())
                          .arg(action->isSeparator()));
        if (action->menu())
            Describe(action->menu(), indent + QLatin1String("  "), lines);
    }
}

// Everything a package may touch of the host's menu and tool bar, as text.
QStringList Snapshot(standin::MainWindow* window)
{
    QStringList lines;
    QMenuBar* menuBar = window->menuBar();
    for (QAction* action : menuBar->actions()) {
        lines.append(QStringLiteral("menu %1 visible=%2").arg(action->text()).arg(action->isVisible()));
        if (action->menu())
            Describe(action->menu(), QStringLiteral("  "), &lines);
    }
    lines.append(QStringLiteral("menu actions owned: %1").arg(menuBar->findChildren<QAction*>().size()));

    host::TToolBar* toolBar = window->toolPalette()->toolBar();
    for (int i = 0; i < toolBar->ControlCount(); ++i) {
        QAction* control = toolBar->Controls(i);
        lines.append(QStringLiteral("control %1 %2 visible=%3").arg(i).arg(control->text()).arg(control->isVisible()));
    }
    lines.append(QStringLiteral("tool bar children: %1").arg(toolBar->children().size()));
    lines.append(QStringLiteral("images: %1 in collection %2")
                     .arg(toolBar->Images()->Count())
                     .arg(toolBar->Images()->ImageCollection()->Count()));
    return lines;
}

QAction* ToolsItem(standin::MainWindow* window, const QString& text)
{
    QMenu* tools = window->menuBar()->findChild<QMenu*>(QStringLiteral("ToolsMenu"));
    for (QAction* action : tools->actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

int CountToolsItems(standin::MainWindow* window, const QString& text)
{
    QMenu* tools = window->menuBar()->findChild<QMenu*>(QStringLiteral("ToolsMenu"));
    int count = 0;
    for (QAction* action : tools->actions())
        count += action->text() == text ? 1 : 0;
    return count;
}

// The reason a load was refused; empty when it was not.
QString Refusal(standin::PackageManager* packages, const QString& file)
{
    try {
        packages->load(file);
    } catch (const host::EPackageError& error) {
        return error.Message();
    }
    return {};
}

} // namespace

class PackagesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void loadAndUnloadHundredTimes();
    void refused_data();
    void refused();
    void refusedThroughTheWindowIsReported();
    void sameNameTwice();
    void exceptionFromHandler();
    void exceptionFromRegister();
    void installPackagesDialog();
    void packageListAgreesWithVersion();
    void exitUnloadsBeforeTheWindowGoes();

private:
    TemporaryStore m_store;
    ReportedExceptions m_reported;
    std::unique_ptr<standin::MainWindow> m_window;
};

void PackagesTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_store.isValid());
}

void PackagesTest::init()
{
    m_reported.reports.clear();
    m_window = std::make_unique<standin::MainWindow>(standin::Palette{{"Basic Controls", {"PushButton"}}, {"A&B", {}}});
}

void PackagesTest::cleanup()
{
    m_window.reset();
    QCOMPARE(host::ide::wizardCount(), 0);
}

void PackagesTest::loadAndUnloadHundredTimes()
{
    standin::PackageManager* packages = m_window->packages();
    const QStringList before = Snapshot(m_window.get());

    for (int round = 0; round < 100; ++round) {
        const standin::PackageInfo info = packages->load(QStringLiteral(TEST_PACKAGE));
        QCOMPARE(info.name, QStringLiteral("TestPackage"));
        QCOMPARE(host::ide::wizardCount(), 1);
        QCOMPARE(CountToolsItems(m_window.get(), QStringLiteral("Test Package Item")), 1);
        QVERIFY(ToolsItem(m_window.get(), QStringLiteral("Throw")));

        packages->unload(QStringLiteral("TestPackage"));
        QCOMPARE(host::ide::wizardCount(), 0);
        QVERIFY(!packages->isLoaded(QStringLiteral("TestPackage")));
        const QStringList after = Snapshot(m_window.get());
        if (after != before)
            QFAIL(qPrintable(QStringLiteral("round %1 left the menu or tool bar changed:\n%2\n---\n%3")
                                 .arg(round)
                                 .arg(before.join(QLatin1Char('\n')), after.join(QLatin1Char('\n')))));
    }
    QVERIFY(m_reported.reports.isEmpty());
}

void PackagesTest::refused_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("reason");

    const auto write = [this](const QString& name, const QByteArray& content) {
        const QString path = m_store.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    };

    QTest::newRow("missing") << m_store.filePath(QStringLiteral("missing.so")) << "does not exist";
    QTest::newRow("folder") << m_store.folder() << "is not a file";
    QTest::newRow("text file") << write(QStringLiteral("notes.so"), "not a library\n")
                               << "cannot be loaded as a shared library";
    QTest::newRow("empty file") << write(QStringLiteral("empty.so"), QByteArray())
                                << "cannot be loaded as a shared library";
    QTest::newRow("a library, not a package") << QStringLiteral(HOST_LIBRARY) << "does not export PackageDescription";
    QTest::newRow("no Register") << QStringLiteral(NO_REGISTER_PACKAGE) << "does not export Register";
    QTest::newRow("no name") << QStringLiteral(NAMELESS_PACKAGE) << "without a name";
    QTest::newRow("requirement not provided")
        << QStringLiteral(BAD_REQUIRES_PACKAGE)
        << "Package \"BadRequiresPackage\" requires \"nonexistent999\", which this IDE does not provide";
}

void PackagesTest::refused()
{
    QFETCH(QString, file);
    QFETCH(QString, reason);

    standin::PackageManager* packages = m_window->packages();
    const QStringList before = Snapshot(m_window.get());

    const QString refusal = Refusal(packages, file);
    QVERIFY2(refusal.contains(reason), qPrintable(refusal));
    QVERIFY2(refusal.count(QFileInfo(file).fileName()) <= 1, qPrintable(refusal)); // the path once, if at all
    QCOMPARE(Snapshot(m_window.get()), before);
    QVERIFY(packages->packages().isEmpty());
    QCOMPARE(host::ide::wizardCount(), 0);
    QVERIFY(m_reported.reports.isEmpty()); // no Register ran

    // Refusing leaves the IDE able to load a good package.
    packages->load(QStringLiteral(TEST_PACKAGE));
    QVERIFY(packages->isLoaded(QStringLiteral("TestPackage")));
}

void PackagesTest::refusedThroughTheWindowIsReported()
{
    QVERIFY(!m_window->loadPackage(QStringLiteral(BAD_REQUIRES_PACKAGE)));
    QCOMPARE(m_reported.reports.size(), 1);
    QCOMPARE(m_reported.reports.at(0).kind, QStringLiteral("EPackageError"));
    QVERIFY(m_reported.reports.at(0).message.contains(QLatin1String("nonexistent999")));
    QVERIFY(m_window->loadPackage(QStringLiteral(TEST_PACKAGE)));
    QCOMPARE(m_reported.reports.size(), 1);
}

void PackagesTest::sameNameTwice()
{
    standin::PackageManager* packages = m_window->packages();
    const QStringList before = Snapshot(m_window.get());
    packages->load(QStringLiteral(TEST_PACKAGE));
    const QStringList loaded = Snapshot(m_window.get());

    // The same file, and a copy of it elsewhere: one package of a name at a time.
    const QString copy = m_store.filePath(QStringLiteral("libTestPackageCopy.so"));
    QFile::remove(copy);
    QVERIFY(QFile::copy(QStringLiteral(TEST_PACKAGE), copy));
    for (const QString& file : {QStringLiteral(TEST_PACKAGE), copy}) {
        const QString refusal = Refusal(packages, file);
        QVERIFY2(refusal.contains(QLatin1String("Package \"TestPackage\" is already loaded")), qPrintable(refusal));
        QCOMPARE(Snapshot(m_window.get()), loaded);
        QCOMPARE(host::ide::wizardCount(), 1);
    }
    QCOMPARE(packages->packages().size(), 1);

    // The first one still works and still unloads cleanly.
    ToolsItem(m_window.get(), QStringLiteral("Test Package Item"))->trigger();
    packages->unload(QStringLiteral("TestPackage"));
    QCOMPARE(Snapshot(m_window.get()), before);
}

void PackagesTest::exceptionFromHandler()
{
    standin::PackageManager* packages = m_window->packages();
    const QStringList before = Snapshot(m_window.get());
    packages->load(QStringLiteral(TEST_PACKAGE));

    QAction* item = ToolsItem(m_window.get(), QStringLiteral("Test Package Item"));
    QAction* throwing = ToolsItem(m_window.get(), QStringLiteral("Throw"));
    QVERIFY(item && throwing);
    QVERIFY(!item->isChecked());

    throwing->trigger();
    QCOMPARE(m_reported.reports.size(), 1);
    QCOMPARE(m_reported.reports.at(0).kind, QStringLiteral("Exception"));
    QCOMPARE(m_reported.reports.at(0).message, QStringLiteral("test failure"));
    QVERIFY(item->isChecked()); // what was done before the throw stays done

    // The IDE keeps working: the same handler again, then the IDE's own commands.
    throwing->trigger();
    QCOMPARE(m_reported.reports.size(), 2);
    const int forms = m_window->designer()->subWindowList().size();
    m_window->newForm();
    QCOMPARE(m_window->designer()->subWindowList().size(), forms + 1);

    packages->unload(QStringLiteral("TestPackage"));
    QCOMPARE(Snapshot(m_window.get()), before);
}

void PackagesTest::exceptionFromRegister()
{
    standin::PackageManager* packages = m_window->packages();
    const QStringList before = Snapshot(m_window.get());

    const standin::PackageInfo info = packages->load(QStringLiteral(THROWING_REGISTER_PACKAGE));
    QCOMPARE(m_reported.reports.size(), 1);
    QCOMPARE(m_reported.reports.at(0).kind, QStringLiteral("Exception"));
    QCOMPARE(m_reported.reports.at(0).message, QStringLiteral("register failure"));
    // What Register did before it raised stays: the package and its wizard are loaded.
    QVERIFY(packages->isLoaded(info.name));
    QCOMPARE(host::ide::wizardCount(), 1);
    QVERIFY(ToolsItem(m_window.get(), QStringLiteral("Test Package Item")));

    packages->unload(info.name);
    QCOMPARE(Snapshot(m_window.get()), before);
}

void PackagesTest::installPackagesDialog()
{
    standin::PackageManager* packages = m_window->packages();
    const QStringList before = Snapshot(m_window.get());
    packages->load(QStringLiteral(TEST_PACKAGE));

    standin::InstallPackagesDialog dialog(packages, m_window.get());
    QTreeWidget* list = dialog.list();
    QCOMPARE(list->topLevelItemCount(), 1);
    const QTreeWidgetItem* row = list->topLevelItem(0);
    QCOMPARE(row->text(0), QStringLiteral("TestPackage"));
    QCOMPARE(row->text(1), QStringLiteral("Test package for the stand-in IDE"));
    QCOMPARE(row->text(2), QStringLiteral("1.2.3.4"));
    QCOMPARE(row->text(3), QStringLiteral("Loaded"));

    auto* unload = dialog.findChild<QPushButton*>(QStringLiteral("UnloadButton"));
    auto* loadAgain = dialog.findChild<QPushButton*>(QStringLiteral("LoadAgainButton"));
    QVERIFY(dialog.select(QStringLiteral("TestPackage")));
    QVERIFY(unload->isEnabled() && !loadAgain->isEnabled());

    unload->click();
    QVERIFY(!packages->isLoaded(QStringLiteral("TestPackage")));
    QCOMPARE(Snapshot(m_window.get()), before);
    QCOMPARE(list->topLevelItemCount(), 1); // still listed, to be loaded again
    QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("Unloaded"));
    QVERIFY(!unload->isEnabled() && loadAgain->isEnabled());

    loadAgain->click();
    QVERIFY(packages->isLoaded(QStringLiteral("TestPackage")));
    QVERIFY(ToolsItem(m_window.get(), QStringLiteral("Test Package Item")));
    QCOMPARE(list->topLevelItemCount(), 1);
    QCOMPARE(list->topLevelItem(0)->text(3), QStringLiteral("Loaded"));

    // A refusal from the dialog is reported, and the list stays as it was.
    dialog.addPackage(QStringLiteral(BAD_REQUIRES_PACKAGE));
    QCOMPARE(m_reported.reports.size(), 1);
    QCOMPARE(list->topLevelItemCount(), 1);
    QVERIFY(m_reported.reports.at(0).message.contains(QLatin1String("nonexistent999")));
}

void PackagesTest::packageListAgreesWithVersion()
{
    // What --version prints and what the package list says of the package are one version.
    QVERIFY(m_window->packages()->load(QStringLiteral(VORLA_PACKAGE)).loaded);
    standin::InstallPackagesDialog dialog(m_window->packages(), m_window.get());
    const QTreeWidgetItem* row = dialog.list()->topLevelItem(0);
    QCOMPARE(row->text(0), QStringLiteral("VorlaPaletteMenu"));
    QCOMPARE(row->text(1), QStringLiteral("Vorla Palette Menu ") + standin::CommandLine::version());
    QVERIFY2(
        row->text(2).startsWith(standin::CommandLine::version().section(QLatin1Char('.'), 0, 0) + QLatin1Char('.')),
        qPrintable(row->text(2)));
}

void PackagesTest::exitUnloadsBeforeTheWindowGoes()
{
    m_window->packages()->load(QStringLiteral(TEST_PACKAGE));
    m_window->packages()->load(QStringLiteral(THROWING_REGISTER_PACKAGE));
    QCOMPARE(host::ide::wizardCount(), 2);

    // Each item goes while the IDE still has its main menu and tool palette.
    QStringList gone;
    QMenu* tools = m_window->menuBar()->findChild<QMenu*>(QStringLiteral("ToolsMenu"));
    for (QAction* action : tools->actions()) {
        if (action->text() != QLatin1String("Test Package Item"))
            continue;
        connect(action, &QObject::destroyed, this, [&gone] {
            const bool hostAlive = host::ide::mainMenu() && host::Screen()->FormCount() == 2;
            gone.append(hostAlive ? QStringLiteral("alive") : QStringLiteral("gone"));
        });
    }
    m_window.reset();
    QCOMPARE(gone, (QStringList{"alive", "alive"}));
    QCOMPARE(host::ide::wizardCount(), 0);
    QCOMPARE(host::Screen()->FormCount(), 0);
}

QTEST_MAIN(PackagesTest)
#include "tst_packages.moc"
