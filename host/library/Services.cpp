#include "host/Services.h"
#include "host/private/IdeHost.h"

#include <QAction>
#include <QMenuBar>
#include <QPointer>
#include <QStatusBar>

namespace host {

namespace {

QPointer<QMenuBar>& MainMenuSlot()
{
    static QPointer<QMenuBar> menu;
    return menu;
}

QPointer<QStatusBar>& StatusBarSlot()
{
    static QPointer<QStatusBar> bar;
    return bar;
}

// The IDE's services object. It always answers IIDEServices; it answers each services
// interface only while the IDE has what that interface hands out (a main menu, a status bar).
class ServicesObject final : public TInterfacedObject<IIDEServices>,
                             public IIDEMainMenuServices,
                             public IIDEStatusBarServices {
public:
    bool QueryInterface(const QUuid& iid, void** object) override
    {
        if (iid == IIDEMainMenuServices::IID())
            return Answer(static_cast<IIDEMainMenuServices*>(this), MainMenuSlot(), object);
        if (iid == IIDEStatusBarServices::IID())
            return Answer(static_cast<IIDEStatusBarServices*>(this), StatusBarSlot(), object);
        return TInterfacedObject<IIDEServices>::QueryInterface(iid, object);
    }
    int _AddRef() override { return TInterfacedObject<IIDEServices>::_AddRef(); }
    int _Release() override { return TInterfacedObject<IIDEServices>::_Release(); }

    QMenuBar* GetMainMenu() override { return MainMenuSlot(); }

    void AddAction(QAction* action) override
    {
        QMenuBar* menu = MainMenuSlot();
        if (!action || !menu)
            return;
        // Held by the main window, seen from every window of the application; a modal
        // dialog still shuts it out.
        action->setShortcutContext(Qt::ApplicationShortcut);
        menu->window()->addAction(action);
    }

    void ShowStatusMessage(const QString& message, int milliseconds) override
    {
        if (QStatusBar* bar = StatusBarSlot())
            bar->showMessage(message, milliseconds);
    }

private:
    ~ServicesObject() override = default;

    template <typename Interface, typename Object>
    bool Answer(Interface* answer, const QPointer<Object>& object, void** result)
    {
        if (!object) {
            *result = nullptr;
            return false;
        }
        *result = answer;
        _AddRef();
        return true;
    }
};

} // namespace

IIDEServices* IDEServices()
{
    // The host's own reference keeps the object alive for the life of the process.
    static const InterfacePtr<IIDEServices> services(new ServicesObject);
    return services.get();
}

namespace ide {

void setMainMenu(QMenuBar* menu)
{
    MainMenuSlot() = menu;
}

QMenuBar* mainMenu()
{
    return MainMenuSlot();
}

void setStatusBar(QStatusBar* bar)
{
    StatusBarSlot() = bar;
}

} // namespace ide
} // namespace host
