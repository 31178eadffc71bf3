// A package for the IDE's tests. Its wizard adds "Test Package Item" and "Throw" to the
// main menu's Tools menu when it is created and takes them away when it is destroyed.
// "Throw" checks "Test Package Item", then raises: the host must report the error and
// leave the check mark.

#include "host/Events.h"
#include "host/Exceptions.h"
#include "host/Interfaces.h"
#include "host/Package.h"
#include "host/Services.h"
#include "host/Wizards.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>

namespace {

QMenu* ToolsMenu()
{
    QMenuBar* menuBar = host::InterfaceCast<host::IIDEMainMenuServices>(host::IDEServices())->GetMainMenu();
    for (QAction* action : menuBar->actions()) {
        if (action->menu() && QString(action->text()).remove(QLatin1Char('&')) == QLatin1String("Tools"))
            return action->menu();
    }
    throw host::Exception(QStringLiteral("The main menu has no Tools menu"));
}

class TestWizard final : public host::TInterfacedObject<host::IIDEWizard> {
public:
    TestWizard()
    {
        QMenu* tools = ToolsMenu();
        m_item = new QAction(QStringLiteral("Test Package Item"), tools);
        m_item->setObjectName(QStringLiteral("TestPackageItem"));
        m_item->setCheckable(true);
        tools->addAction(m_item);

        m_throw = new QAction(QStringLiteral("Throw"), tools);
        m_throw->setObjectName(QStringLiteral("TestPackageThrow"));
        tools->addAction(m_throw);
        QPointer<QAction> item = m_item;
        host::BindEvent(m_throw.data(), &QAction::triggered, m_throw.data(), [item](bool) {
            if (item)
                item->setChecked(true);
            throw host::Exception(QStringLiteral("test failure"));
        });
    }

    void AfterSave() override {}
    void BeforeSave() override {}
    void Destroyed() override {}
    void Modified() override {}
    QString GetIDString() override { return QStringLiteral("Vorla Tests." TEST_PACKAGE_NAME); }
    QString GetName() override { return QStringLiteral(TEST_PACKAGE_NAME); }
    host::TWizardState GetState() override { return {}; }
    void Execute() override {}

private:
    ~TestWizard() override
    {
        delete m_throw;
        delete m_item;
    }

    QPointer<QAction> m_item;
    QPointer<QAction> m_throw;
};

const char* const RequiredPackages[] = {"hostdesign", "hostcontrols", nullptr};

const host::PackageDescription Description = {
    TEST_PACKAGE_NAME, "Test package for the stand-in IDE", "1.2.3.4", true, RequiredPackages,
};

} // namespace

HOST_PACKAGE_EXPORT const host::PackageDescription* PackageDescription()
{
    return &Description;
}

HOST_PACKAGE_EXPORT void Register()
{
    host::RegisterPackageWizard(host::InterfacePtr<host::IIDEWizard>(new TestWizard));
#ifdef TEST_PACKAGE_REGISTER_THROWS
    throw host::Exception(QStringLiteral("register failure"));
#endif
}
