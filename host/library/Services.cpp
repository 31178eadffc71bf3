#include "host/Services.h"
#include "host/private/IdeHost.h"

#include <QAction>
#include <QMenuBar>
#include <QPointer>

namespace host {

namespace {

QPointer<QMenuBar>& MainMenuSlot()
{
    static QPointer<QMenuBar> menu;
    return menu;
}

// The IDE's services object. It always answers IBorlandIDEServices; it answers INTAServices
// only while the IDE has a main menu to hand out.
class ServicesObject final : public TInterfacedObject<IBorlandIDEServices>, public INTAServices {
public:
    bool QueryInterface(const QUuid& iid, void** object) override
    {
        if (iid == INTAServices::IID()) {
            if (!MainMenuSlot()) {
                *object = nullptr;
                return false;
            }
            *object = static_cast<INTAServices*>(this);
            _AddRef();
            return true;
        }
        return TInterfacedObject<IBorlandIDEServices>::QueryInterface(iid, object);
    }
    int _AddRef() override { return TInterfacedObject<IBorlandIDEServices>::_AddRef(); }
    int _Release() override { return TInterfacedObject<IBorlandIDEServices>::_Release(); }

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

private:
    ~ServicesObject() override = default;
};

} // namespace

IBorlandIDEServices* BorlandIDEServices()
{
    // The host's own reference keeps the object alive for the life of the process.
    static const InterfacePtr<IBorlandIDEServices> services(new ServicesObject);
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

} // namespace ide
} // namespace host
