#include "package/VlPaletteMenuWizard.h"
#include "palette/VlPaletteMenu.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/TestIde.h"

#include "host/Services.h"
#include "host/private/IdeHost.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QtTest>

namespace {

QToolButton* PaletteButton(const TestIde& ide)
{
    // A tool bar deletes the button of a removed action later, from the event loop.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return ide.toolbar ? ide.toolbar->findChild<QToolButton*>(QStringLiteral("tbPalette")) : nullptr;
}

// The tool bar's first control that is visible.
QAction* FirstVisibleControl(const TestIde& ide)
{
    for (int i = 0; i < ide.toolbar->ControlCount(); ++i)
        if (ide.toolbar->Controls(i)->isVisible())
            return ide.toolbar->Controls(i);
    return nullptr;
}

} // namespace

class PackageWiringTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void loadAddsButtonAndEntry()
    {
        TestIde ide({QStringLiteral("Standard")});
        QAction* ownFirst = ide.toolbar->Controls(0);
        const QStringList menuBefore = ide.MainMenuState();

        LoadPackageInProcess();
        QVERIFY(LoadedDataModule());
        QCOMPARE(VlPaletteMenuWizardDataModule, LoadedDataModule());

        QToolButton* button = PaletteButton(ide);
        QVERIFY(button);
        QCOMPARE(ide.toolbar->widgetForAction(FirstVisibleControl(ide)), button);
        QCOMPARE(ide.toolbar->Controls(1), ownFirst); // where the first one stood, now hidden
        QVERIFY(!ownFirst->isVisible());
        QCOMPARE(button->toolTip(), QStringLiteral("Vorla Palette Menu"));
        QCOMPARE(button->popupMode(), QToolButton::MenuButtonPopup);
        QVERIFY(button->menu());
        const QList<QSize> sizes = button->icon().availableSizes();
        QVERIFY2(sizes.contains(QSize(16, 16)) && sizes.contains(QSize(32, 32)), "icon in both sizes");

        const QStringList menuAfter = ide.MainMenuState();
        QCOMPARE(menuAfter.size(), menuBefore.size() + 1);
        QStringList withCommand = menuBefore; // the menu at the mouse, where users look for it
        withCommand[3] += QStringLiteral(" Palette Menu at Mouse");
        QCOMPARE(menuAfter.mid(0, menuBefore.size()), withCommand);
        QCOMPARE(menuAfter.last(), QStringLiteral("P&alette: Hidden(hidden)"));

        UnloadPackageInProcess();
    }

    void unloadRestoresHostAndFreesModuleOnce()
    {
        TestIde ide({QStringLiteral("Standard")});
        const QStringList menuBefore = ide.MainMenuState();
        const QStringList toolbarBefore = ide.ToolbarState();

        LoadPackageInProcess();
        QSignalSpy freed(VlPaletteMenuWizardDataModule, &QObject::destroyed);
        UnloadPackageInProcess();

        QCOMPARE(freed.count(), 1);
        QVERIFY(!VlPaletteMenuWizardDataModule);
        QCOMPARE(host::ide::wizardCount(), 0);
        QVERIFY(!PaletteButton(ide));
        QCOMPARE(ide.MainMenuState(), menuBefore);
        QCOMPARE(ide.ToolbarState(), toolbarBefore);
        QVERIFY(ide.toolbar->Controls(0)->isVisible());
    }

    void repeatedLoadLeavesHostAsItWas()
    {
        TestIde ide({QStringLiteral("Standard"), QStringLiteral("Additional")});
        const QStringList menuBefore = ide.MainMenuState();
        const QStringList toolbarBefore = ide.ToolbarState();
        for (int i = 0; i < 100; ++i) {
            LoadPackageInProcess();
            // Open both menus, so that built items are part of what must go.
            Q_EMIT VlPaletteMenuWizardDataModule->PaletteMenu()->aboutToShow();
            Q_EMIT VlPaletteMenuWizardDataModule->PaletteButtonMenu()->aboutToShow();
            UnloadPackageInProcess();
            QCOMPARE(ide.MainMenuState(), menuBefore);
            QCOMPARE(ide.ToolbarState(), toolbarBefore);
        }
        QVERIFY(ide.reported().isEmpty());
    }

    void firstToolFormIsUsed()
    {
        TestIde ide({QStringLiteral("Standard")});
        TestIde second({QStringLiteral("Other")}); // a later form of the same name
        LoadPackageInProcess();
        QVERIFY(PaletteButton(ide));
        QVERIFY(!PaletteButton(second));
        UnloadPackageInProcess();
    }

    void missingHostObjects_data()
    {
        QTest::addColumn<QString>("formName");
        QTest::addColumn<bool>("withPalette");
        QTest::addColumn<bool>("withToolbar");
        QTest::addColumn<int>("controls");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<int>("pagesListed");

        QTest::newRow("no ToolForm") << "OtherForm" << true << true << 2 << "no tool palette window" << 0;
        QTest::newRow("ToolForm in another case") << "toolform" << true << true << 2 << "no tool palette window" << 0;
        QTest::newRow("no Palette") << "ToolForm" << false << true << 2 << "no tool palette \"Palette\"" << 0;
        QTest::newRow("no Toolbar1") << "ToolForm" << true << false << 0 << "no tool bar \"Toolbar1\"" << 1;
        QTest::newRow("tool bar without control") << "ToolForm" << true << true << 0 << "has no control" << 1;
    }

    void missingHostObjects()
    {
        QFETCH(QString, formName);
        QFETCH(bool, withPalette);
        QFETCH(bool, withToolbar);
        QFETCH(int, controls);
        QFETCH(QString, warning);
        QFETCH(int, pagesListed);

        TestIdeOptions options;
        options.toolFormName = formName;
        options.withPalette = withPalette;
        options.withToolbar = withToolbar;
        options.toolbarControls = controls;
        TestIde ide({QStringLiteral("Standard")}, options);
        const QStringList toolbarBefore = ide.ToolbarState();

        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QRegularExpression::escape(warning)));
        LoadPackageInProcess();
        QVERIFY(ide.reported().isEmpty()); // no error at load
        QCOMPARE(ide.ToolbarState(), toolbarBefore);
        QVERIFY(!ide.window.findChild<QToolButton*>(QStringLiteral("tbPalette")));

        QMenu* entry = VlPaletteMenuWizardDataModule->PaletteMenu();
        QVERIFY(entry);
        Q_EMIT entry->aboutToShow();
        // Placeholder, the listed pages' submenus, then the two separators and four commands.
        QCOMPARE(entry->actions().size(), 1 + pagesListed + 6);
        UnloadPackageInProcess();
        QCOMPARE(ide.ToolbarState(), toolbarBefore);
    }

    void failedServicesLookupIsReportedAndStepsStay()
    {
        TestIde ide({QStringLiteral("Standard")});
        const QStringList menuBefore = ide.MainMenuState();
        host::ide::setMainMenu(nullptr); // the services interface is not offered

        LoadPackageInProcess();
        QCOMPARE(ide.reported().size(), 1);
        QVERIFY2(ide.reported().first().startsWith(QStringLiteral("EIntfCastError: ")),
                 qPrintable(ide.reported().first()));
        QVERIFY(PaletteButton(ide)); // done before the lookup, so it stays
        QCOMPARE(ide.MainMenuState(), menuBefore);

        UnloadPackageInProcess();
        QVERIFY(!PaletteButton(ide));
        QVERIFY(ide.toolbar->Controls(0)->isVisible());
        QVERIFY(!VlPaletteMenuWizardDataModule);
    }

    void wizardIdentityAndInterfaces()
    {
        TestIde ide;
        LoadPackageInProcess();
        const auto wizards = host::ide::packageWizards(InProcessPackageName());
        QCOMPARE(int(wizards.size()), 1);
        host::IIDEWizard* wizard = wizards.front().get();
        QCOMPARE(wizard->GetIDString(), QStringLiteral("Vorla Software.Component Palette Menu"));
        QCOMPARE(wizard->GetName(), QStringLiteral("Component Palette Menu"));
        QCOMPARE(wizard->GetState(), host::TWizardState());

        const QStringList menuBefore = ide.MainMenuState();
        const QStringList toolbarBefore = ide.ToolbarState();
        wizard->Execute();
        wizard->AfterSave();
        wizard->BeforeSave();
        wizard->Modified();
        QCOMPARE(ide.MainMenuState(), menuBefore);
        QCOMPARE(ide.ToolbarState(), toolbarBefore);

        QVERIFY(host::Supports<host::IIDEWizard>(wizard));
        QVERIFY(host::Supports<host::IIDENotifier>(wizard));
        QVERIFY(!host::Supports<host::IIDEMainMenuServices>(wizard));
        QVERIFY(!host::Supports<host::IIDEServices>(wizard));
        void* other = nullptr;
        QVERIFY(!wizard->QueryInterface(QUuid::createUuid(), &other));
        QVERIFY(!other);
        UnloadPackageInProcess();
    }
};

QTEST_MAIN(PackageWiringTest)
#include "tst_packagewiring.moc"
