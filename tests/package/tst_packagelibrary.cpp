#include "tests/common/TestIde.h"

#include "host/Package.h"
#include "host/private/IdeHost.h"

#include <QLibrary>
#include <QStandardPaths>
#include <QtTest>

namespace {

using DescriptionFunction = const host::PackageDescription* (*)();
using RegisterFunction = void (*)();

} // namespace

// The built package, loaded and unloaded as the IDE does it.
class PackageLibraryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void describesItself()
    {
        QLibrary library(QStringLiteral(VORLA_PACKAGE_FILE));
        QVERIFY2(library.load(), qPrintable(library.errorString()));
        auto describe = reinterpret_cast<DescriptionFunction>(library.resolve(HOST_PACKAGE_DESCRIPTION_SYMBOL));
        QVERIFY(describe);
        QVERIFY(library.resolve(HOST_PACKAGE_REGISTER_SYMBOL));
        const host::PackageDescription* description = describe();
        QCOMPARE(QString::fromUtf8(description->name), QStringLiteral("VorlaPaletteMenu"));
        QCOMPARE(QString::fromUtf8(description->description), QStringLiteral("Vorla Palette Menu " VORLA_VERSION));
        QCOMPARE(QString::fromUtf8(description->version), QStringLiteral(VORLA_FILE_VERSION));
        QVERIFY(description->designTimeOnly);
        QStringList required;
        for (const char* const* name = description->requiredPackages; *name; ++name)
            required.append(QString::fromUtf8(*name));
        QCOMPARE(required, (QStringList{QStringLiteral("hostdesign"), QStringLiteral("hostcontrols")}));
        QVERIFY(library.unload());
    }

    void loadAndUnloadManyTimes()
    {
        TestIde ide({QStringLiteral("Standard"), QStringLiteral("Data &Access")});
        const QStringList menuBefore = ide.MainMenuState();
        const QStringList toolbarBefore = ide.ToolbarState();
        for (int i = 0; i < 100; ++i) {
            QLibrary library(QStringLiteral(VORLA_PACKAGE_FILE));
            QVERIFY2(library.load(), qPrintable(library.errorString()));
            auto registerPackage = reinterpret_cast<RegisterFunction>(library.resolve(HOST_PACKAGE_REGISTER_SYMBOL));
            QVERIFY(registerPackage);
            host::ide::beginPackageRegistration(QStringLiteral("VorlaPaletteMenu"));
            registerPackage();
            host::ide::endPackageRegistration();

            // The button of an earlier round goes from the event loop; let it go first.
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            auto* button = ide.toolbar->findChild<QToolButton*>(QStringLiteral("tbPalette"));
            QVERIFY(button);
            QVERIFY(button->menu());
            Q_EMIT button->menu()->aboutToShow(); // built items must go with the package too
            QCOMPARE(ide.MainMenuState().last().left(8), QStringLiteral("P&alette"));

            host::ide::releasePackageWizards(QStringLiteral("VorlaPaletteMenu"));
            QVERIFY2(library.unload(), qPrintable(library.errorString()));
            QCOMPARE(ide.MainMenuState(), menuBefore);
            QCOMPARE(ide.ToolbarState(), toolbarBefore);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
            QVERIFY(!ide.toolbar->findChild<QToolButton*>(QStringLiteral("tbPalette")));
            // The icon stays with the host, under a name the host can still read with the
            // package gone; a reload gives it new pictures rather than a second entry.
            const host::TImageCollection* collection = ide.images->ImageCollection();
            QCOMPARE(collection->Count(), 1);
            QCOMPARE(collection->Name(0), QStringLiteral("VorlaPaletteMenu"));
            QCOMPARE(ide.images->GetIndexByName(QStringLiteral("VorlaPaletteMenu")), 0);
        }
        QVERIFY(ide.reported().isEmpty());
    }
};

QTEST_MAIN(PackageLibraryTest)
#include "tst_packagelibrary.moc"
