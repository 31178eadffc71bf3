#pragma once

#include "host/HostExport.h"
#include "host/Interfaces.h"

class QAction;
class QMenuBar;

namespace host {

// The IDE's services object; ask it for a services interface with Supports or InterfaceCast.
class IBorlandIDEServices : public IInterface {
public:
    using Parent = IInterface;
    static QUuid IID() { return QUuid(QStringLiteral("{6A0B3E41-2C57-4E0F-9C1D-5B7A86E2D310}")); }
};

// The services interface that leads to the IDE's main menu.
class INTAServices : public IInterface {
public:
    using Parent = IInterface;
    static QUuid IID() { return QUuid(QStringLiteral("{8209041F-F37F-4570-88B8-6C310FFFF81A}")); }

    // The IDE's main menu. A top-level entry's click event is its menu's aboutToShow,
    // fired every time the user opens it.
    virtual QMenuBar* GetMainMenu() = 0;

    // Puts action in the IDE's action list: its shortcut works anywhere in the IDE, its tool
    // windows included, except while a modal dialog is open. The action stays the caller's
    // and leaves the list when destroyed.
    virtual void AddAction(QAction* action) = 0;
};

HOST_EXPORT IBorlandIDEServices* BorlandIDEServices();

} // namespace host
