// Reference counting, wizard registration, the services object, and how the host reports
// what leaves a package's handler.

#include "tests/common/ReportedExceptions.h"

#include "host/Events.h"
#include "host/Exceptions.h"
#include "host/Interfaces.h"
#include "host/Services.h"
#include "host/Wizards.h"
#include "host/private/IdeHost.h"

#include <QAction>
#include <QMenuBar>
#include <QStandardPaths>
#include <QStatusBar>
#include <QtTest>

#include <memory>
#include <stdexcept>

using namespace host;

namespace {

// A wizard that counts how many of its kind are alive.
class TestWizard final : public TInterfacedObject<IIDEWizard> {
public:
    explicit TestWizard(int* alive, std::function<void()> onDestroy = {})
        : m_alive(alive), m_onDestroy(std::move(onDestroy))
    {
        ++*m_alive;
    }

    void AfterSave() override {}
    void BeforeSave() override {}
    void Destroyed() override {}
    void Modified() override {}
    QString GetIDString() override { return QStringLiteral("Test.Wizard"); }
    QString GetName() override { return QStringLiteral("Test Wizard"); }
    TWizardState GetState() override { return {}; }
    void Execute() override {}

private:
    ~TestWizard() override
    {
        --*m_alive;
        if (m_onDestroy)
            m_onDestroy();
    }

    int* m_alive;
    std::function<void()> m_onDestroy;
};

class UnrelatedInterface : public IInterface {
public:
    using Parent = IInterface;
    static QUuid IID() { return QUuid(QStringLiteral("{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}")); }
};

// A package data module stand-in: its handler does some work, then fails.
class Handlers : public QObject {
public:
    int calls = 0;
    QObject* lastSender = nullptr;

    void ClickHandler(QObject* sender)
    {
        ++calls;
        lastSender = sender;
        throw EFOpenError(QStringLiteral("Cannot open file \"missing.cpc\""));
    }
};

} // namespace

class HostCoreTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void referenceCounting()
    {
        int alive = 0;
        auto* wizard = new TestWizard(&alive);
        QCOMPARE(wizard->RefCount(), 0);
        {
            InterfacePtr<IIDEWizard> first(wizard);
            QCOMPARE(wizard->RefCount(), 1);
            InterfacePtr<IIDEWizard> copy = first;
            QCOMPARE(wizard->RefCount(), 2);
            InterfacePtr<IIDEWizard> moved = std::move(copy);
            QCOMPARE(wizard->RefCount(), 2);
            QVERIFY(!copy);
            InterfacePtr<IIDENotifier> asNotifier = moved; // up the interface chain
            QCOMPARE(wizard->RefCount(), 3);
            moved = first; // assignment releases the old value and counts the new
            QCOMPARE(wizard->RefCount(), 3);
            moved.reset();
            asNotifier.reset();
            QCOMPARE(wizard->RefCount(), 1);
            QCOMPARE(alive, 1);
        }
        QCOMPARE(alive, 0); // the last release destroyed it
    }

    void queryInterfaceChain_data()
    {
        QTest::addColumn<QUuid>("iid");
        QTest::addColumn<bool>("supported");
        QTest::newRow("IInterface") << IInterface::IID() << true;
        QTest::newRow("IIDENotifier") << IIDENotifier::IID() << true;
        QTest::newRow("IIDEWizard") << IIDEWizard::IID() << true;
        QTest::newRow("unrelated") << UnrelatedInterface::IID() << false;
        QTest::newRow("IIDEMainMenuServices") << IIDEMainMenuServices::IID() << false;
        QTest::newRow("IIDEServices") << IIDEServices::IID() << false;
        QTest::newRow("IIDEStatusBarServices") << IIDEStatusBarServices::IID() << false;
    }

    void queryInterfaceChain()
    {
        QFETCH(QUuid, iid);
        QFETCH(bool, supported);
        int alive = 0;
        InterfacePtr<IIDEWizard> wizard(new TestWizard(&alive));
        void* object = reinterpret_cast<void*>(0x1);
        QCOMPARE(wizard->QueryInterface(iid, &object), supported);
        if (supported) {
            QVERIFY(object != nullptr);
            QCOMPARE(static_cast<TestWizard*>(wizard.get())->RefCount(), 2);
            static_cast<IInterface*>(object)->_Release();
        } else {
            QCOMPARE(object, nullptr);
        }
        QCOMPARE(static_cast<TestWizard*>(wizard.get())->RefCount(), 1);
        wizard.reset();
        QCOMPARE(alive, 0);
    }

    void supportsAndInterfaceCast()
    {
        int alive = 0;
        InterfacePtr<IIDEWizard> wizard(new TestWizard(&alive));
        QVERIFY(Supports<IIDENotifier>(wizard.get()));
        QVERIFY(!Supports<UnrelatedInterface>(wizard.get()));
        QVERIFY(!Supports<IIDEWizard>(nullptr));
        try {
            InterfaceCast<UnrelatedInterface>(wizard.get());
            QFAIL("InterfaceCast of an unsupported interface must raise");
        } catch (const EIntfCastError& error) {
            QCOMPARE(error.ClassName(), QStringLiteral("EIntfCastError"));
            QVERIFY2(error.Message().contains(QStringLiteral("{0F1E2D3C-4B5A-6978-8796-A5B4C3D2E1F0}")),
                     qPrintable(error.Message()));
        }
        // The failed casts left no reference behind.
        QCOMPARE(static_cast<TestWizard*>(wizard.get())->RefCount(), 1);
    }

    void wizardsPerPackage()
    {
        int alive = 0;
        ide::beginPackageRegistration(QStringLiteral("PackageA"));
        QCOMPARE(RegisterPackageWizard(InterfacePtr<IIDEWizard>(new TestWizard(&alive))), 0);
        QCOMPARE(RegisterPackageWizard(InterfacePtr<IIDEWizard>(new TestWizard(&alive))), 1);
        ide::endPackageRegistration();
        ide::beginPackageRegistration(QStringLiteral("PackageB"));
        RegisterPackageWizard(InterfacePtr<IIDEWizard>(new TestWizard(&alive)));
        ide::endPackageRegistration();
        RegisterPackageWizard(InterfacePtr<IIDEWizard>(new TestWizard(&alive))); // outside a package

        // The host holds the only references, and keeps them.
        QCOMPARE(alive, 4);
        QCOMPARE(ide::wizardCount(), 4);
        QCOMPARE(ide::packageWizards(QStringLiteral("PackageA")).size(), size_t(2));
        QCOMPARE(ide::packageWizards(QString()).size(), size_t(1));

        ide::releasePackageWizards(QStringLiteral("PackageA"));
        QCOMPARE(alive, 2);
        QCOMPARE(ide::wizardCount(), 2);
        QVERIFY(ide::packageWizards(QStringLiteral("PackageA")).empty());

        ide::releasePackageWizards(QStringLiteral("NoSuchPackage"));
        QCOMPARE(alive, 2);

        ide::releasePackageWizards(QStringLiteral("PackageB"));
        ide::releasePackageWizards(QString());
        QCOMPARE(alive, 0);
        QCOMPARE(ide::wizardCount(), 0);
    }

    void wizardHeldElsewhereOutlivesRelease()
    {
        int alive = 0;
        InterfacePtr<IIDEWizard> kept(new TestWizard(&alive));
        ide::beginPackageRegistration(QStringLiteral("PackageA"));
        RegisterPackageWizard(kept);
        ide::endPackageRegistration();
        ide::releasePackageWizards(QStringLiteral("PackageA"));
        QCOMPARE(alive, 1);
        QCOMPARE(static_cast<TestWizard*>(kept.get())->RefCount(), 1);
        kept.reset();
        QCOMPARE(alive, 0);
    }

    void wizardDestructorMayAskTheHost()
    {
        // A package's wizard tears down its wiring in its destructor, which may call back
        // into the host while the host is releasing it.
        int alive = 0;
        int countSeen = -1;
        ide::beginPackageRegistration(QStringLiteral("PackageA"));
        RegisterPackageWizard(InterfacePtr<IIDEWizard>(new TestWizard(&alive, [&] {
            countSeen = ide::wizardCount();
            ide::packageWizards(QStringLiteral("PackageA"));
        })));
        ide::endPackageRegistration();
        ide::releasePackageWizards(QStringLiteral("PackageA"));
        QCOMPARE(alive, 0);
        QCOMPARE(countSeen, 0);
    }

    void registeringNoWizardRaises()
    {
        QVERIFY_THROWS_EXCEPTION(EPackageError, RegisterPackageWizard(InterfacePtr<IIDEWizard>()));
        QCOMPARE(ide::wizardCount(), 0);
    }

    void servicesLookup()
    {
        IIDEServices* services = IDEServices();
        QVERIFY(services);
        QCOMPARE(IDEServices(), services);
        QVERIFY(Supports<IIDEServices>(services));
        QVERIFY(!Supports<UnrelatedInterface>(services));

        // No main menu yet: the services interface is refused, and the cast raises.
        ide::setMainMenu(nullptr);
        QVERIFY(!Supports<IIDEMainMenuServices>(services));
        QVERIFY_THROWS_EXCEPTION(EIntfCastError, InterfaceCast<IIDEMainMenuServices>(services));

        {
            QMenuBar menu;
            ide::setMainMenu(&menu);
            QCOMPARE(ide::mainMenu(), &menu);
            InterfacePtr<IIDEMainMenuServices> nta = InterfaceCast<IIDEMainMenuServices>(services);
            QCOMPARE(nta->GetMainMenu(), &menu);
            // Its parent interface comes back through the same object.
            QVERIFY(Supports<IIDEServices>(nta.get()));
        }
        // The menu went away: the host no longer hands it out.
        QCOMPARE(ide::mainMenu(), nullptr);
        QVERIFY(!Supports<IIDEMainMenuServices>(services));

        // The status bar likewise, for as long as the IDE has one.
        QVERIFY(!Supports<IIDEStatusBarServices>(services));
        {
            QStatusBar bar;
            ide::setStatusBar(&bar);
            InterfacePtr<IIDEStatusBarServices> status = InterfaceCast<IIDEStatusBarServices>(services);
            status->ShowStatusMessage(QStringLiteral("Exported 3 entries"), 0);
            QCOMPARE(bar.currentMessage(), QStringLiteral("Exported 3 entries"));
        }
        QVERIFY(!Supports<IIDEStatusBarServices>(services));
    }

    void describeException_data()
    {
        QTest::addColumn<int>("which");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("message");
        QTest::newRow("host") << 0 << "Exception"
                              << "plain";
        QTest::newRow("EIntfCastError") << 1 << "EIntfCastError"
                                        << "cast";
        QTest::newRow("ERegistryException") << 2 << "ERegistryException"
                                            << "store";
        QTest::newRow("EFOpenError") << 3 << "EFOpenError"
                                     << "open";
        QTest::newRow("EFCreateError") << 4 << "EFCreateError"
                                       << "create";
        QTest::newRow("EPropertyError") << 5 << "EPropertyError"
                                        << "property";
        QTest::newRow("EPackageError") << 6 << "EPackageError"
                                       << "package \u00e4\u00f6\u00fc";
        QTest::newRow("std::runtime_error") << 7 << "std::runtime_error"
                                            << "standard";
        QTest::newRow("std::out_of_range") << 8 << "std::out_of_range"
                                           << "range";
        QTest::newRow("int") << 9 << "Unknown exception" << QString();
    }

    void describeException()
    {
        QFETCH(int, which);
        QFETCH(QString, kind);
        QFETCH(QString, message);
        std::exception_ptr error;
        try {
            switch (which) {
            case 0: throw Exception(message);
            case 1: throw EIntfCastError(message);
            case 2: throw ERegistryException(message);
            case 3: throw EFOpenError(message);
            case 4: throw EFCreateError(message);
            case 5: throw EPropertyError(message);
            case 6: throw EPackageError(message);
            case 7: throw std::runtime_error(message.toStdString());
            case 8: throw std::out_of_range(message.toStdString());
            default: throw 42;
            }
        } catch (...) {
            error = std::current_exception();
        }
        QString gotKind;
        QString gotMessage;
        DescribeException(error, &gotKind, &gotMessage);
        QCOMPARE(gotKind, kind);
        if (!message.isEmpty())
            QCOMPARE(gotMessage, message);
        else
            QVERIFY(!gotMessage.isEmpty());
    }

    void boundHandlerExceptionIsReported()
    {
        ReportedExceptions reporter;
        QAction action;
        auto* handlers = new Handlers;
        BindEvent(&action, &QAction::triggered, handlers, &Handlers::ClickHandler);

        action.trigger();             // must not throw through Qt
        QCOMPARE(handlers->calls, 1); // the work before the throw stays done
        QCOMPARE(handlers->lastSender, &action);
        QCOMPARE(reporter.reports.size(), 1);
        QCOMPARE(reporter.reports[0].kind, QStringLiteral("EFOpenError"));
        QCOMPARE(reporter.reports[0].message, QStringLiteral("Cannot open file \"missing.cpc\""));

        action.trigger(); // the binding survives a failure
        QCOMPARE(handlers->calls, 2);
        QCOMPARE(reporter.reports.size(), 2);

        delete handlers; // the binding dies with the receiver
        action.trigger();
        QCOMPARE(reporter.reports.size(), 2);
    }

    void boundLambdaGetsSignalArguments()
    {
        ReportedExceptions reporter;
        QAction action;
        action.setCheckable(true);
        QObject context;
        QList<bool> seen;
        BindEvent(&action, &QAction::toggled, &context, [&](bool checked) {
            seen.append(checked);
            throw std::runtime_error("toggle failed");
        });
        action.setChecked(true);
        action.setChecked(false);
        QCOMPARE(seen, (QList<bool>{true, false}));
        QCOMPARE(reporter.reports.size(), 2);
        QCOMPARE(reporter.reports[0].kind, QStringLiteral("std::runtime_error"));
        QCOMPARE(reporter.reports[0].message, QStringLiteral("toggle failed"));
    }

    void failingReporterDoesNotEscape()
    {
        const ExceptionReporter previous = SetExceptionReporter(
            [](const QString&, const QString&) { throw std::logic_error("reporter broke"); });
        RunHandler([] { throw 7; }); // would terminate if anything escaped
        SetExceptionReporter(previous);
    }

    void reporterIsReplacedAndRestored()
    {
        int first = 0;
        int second = 0;
        const ExceptionReporter original = SetExceptionReporter([&](const QString&, const QString&) { ++first; });
        const ExceptionReporter replaced = SetExceptionReporter([&](const QString&, const QString&) { ++second; });
        RunHandler([] { throw Exception(QStringLiteral("x")); });
        SetExceptionReporter(replaced);
        RunHandler([] { throw Exception(QStringLiteral("y")); });
        SetExceptionReporter(original);
        QCOMPARE(first, 1);
        QCOMPARE(second, 1);
    }

    void registryFileDefaultsUnderConfigLocation()
    {
        const QString expected = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
            + QStringLiteral("/standin-ide/registry.sqlite");
        QCOMPARE(ide::defaultRegistryFile(), expected);
        QCOMPARE(ide::registryFile(), expected);
        ide::setRegistryFile(QStringLiteral("/tmp/other.sqlite"));
        QCOMPARE(ide::registryFile(), QStringLiteral("/tmp/other.sqlite"));
        ide::setRegistryFile(QString());
        QCOMPARE(ide::registryFile(), expected);
    }
};

QTEST_MAIN(HostCoreTest)
#include "tst_hostcore.moc"
