#pragma once

#include "host/HostExport.h"
#include "host/Interfaces.h"

#include <QFlags>

namespace host {

// Told of the host's save and destroy events.
class IIDENotifier : public IInterface {
public:
    using Parent = IInterface;
    static QUuid IID() { return QUuid(QStringLiteral("{6A0B3E41-2C57-4E0F-9C1D-5B7A86E2D301}")); }

    virtual void AfterSave() = 0;
    virtual void BeforeSave() = 0;
    virtual void Destroyed() = 0;
    virtual void Modified() = 0;
};

enum class TWizardStateFlag { wsEnabled = 0x1, wsChecked = 0x2 };
Q_DECLARE_FLAGS(TWizardState, TWizardStateFlag)

// A wizard that a package registers with the host.
class IIDEWizard : public IIDENotifier {
public:
    using Parent = IIDENotifier;
    static QUuid IID() { return QUuid(QStringLiteral("{6A0B3E41-2C57-4E0F-9C1D-5B7A86E2D302}")); }

    virtual QString GetIDString() = 0;
    virtual QString GetName() = 0;
    virtual TWizardState GetState() = 0;
    virtual void Execute() = 0;
};

// Hands a wizard to the host, which keeps a reference until it unloads the package that
// registered it, then releases it. Returns the wizard's index among the host's wizards.
HOST_EXPORT int RegisterPackageWizard(const InterfacePtr<IIDEWizard>& wizard);

} // namespace host

Q_DECLARE_OPERATORS_FOR_FLAGS(host::TWizardState)
