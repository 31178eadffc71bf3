#pragma once

#include "host/HostExport.h"
#include "host/Interfaces.h"

class QAction;
class QMenuBar;
class QString;

namespace host {

// The IDE's services object; ask it for a services interface with Supports or InterfaceCast.
class IIDEServices : public IInterface {
public:
    using Parent = IInterface;
    static QUuid IID() { return QUuid(QStringLiteral("{4D87BA68-CCF4-4BBF-81C7-574780A0EFE7}")); }
};

// The services interface that leads to the IDE's main menu.
class IIDEMainMenuServices : public IInterface {
public:
    using Parent = IInterface;
    static QUuid IID() { return QUuid(QStringLiteral("{BB4A6DEE-FCAA-4915-87E6-9755E71627E7}")); }

    // The IDE's main menu. A top-level entry's click event is its menu's aboutToShow,
    // fired every time the user opens it.
    virtual QMenuBar* GetMainMenu() = 0;

    // Puts action in the IDE's action list: its shortcut works anywhere in the IDE, its tool
    // windows included, except while a modal dialog is open. The action stays the caller's
    // and leaves the list when destroyed.
    virtual void AddAction(QAction* action) = 0;
};

// The services interface that tells the user, in the IDE's status bar, what a command did.
class IIDEStatusBarServices : public IInterface {
public:
    using Parent = IInterface;
    static QUuid IID() { return QUuid(QStringLiteral("{62CC4F79-BF98-4F4B-913A-0A6510435F26}")); }

    // Shows message in the status bar for milliseconds, then what was there before; 0 keeps
    // it until the next message.
    virtual void ShowStatusMessage(const QString& message, int milliseconds) = 0;
};

HOST_EXPORT IIDEServices* IDEServices();

} // namespace host
