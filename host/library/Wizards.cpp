#include "host/Wizards.h"
#include "host/Exceptions.h"
#include "host/library/Tr.h"
#include "host/private/IdeHost.h"

#include <QCoreApplication>
#include <QString>

#include <utility>
#include <vector>

namespace host {

namespace {

struct RegisteredWizard {
    QString package;
    InterfacePtr<IIDEWizard> wizard;
};

// The host's wizards in registration order, and the package whose Register is running.
struct WizardRegistry {
    std::vector<RegisteredWizard> wizards;
    QString currentPackage;
};

WizardRegistry& Registry()
{
    static WizardRegistry registry;
    return registry;
}

} // namespace

int RegisterPackageWizard(const InterfacePtr<IIDEWizard>& wizard)
{
    if (!wizard)
        throw EPackageError(Tr::tr("RegisterPackageWizard was given no wizard"));
    WizardRegistry& registry = Registry();
    registry.wizards.push_back({registry.currentPackage, wizard});
    return static_cast<int>(registry.wizards.size()) - 1;
}

namespace ide {

void beginPackageRegistration(const QString& package)
{
    Registry().currentPackage = package;
}

void endPackageRegistration()
{
    Registry().currentPackage.clear();
}

void releasePackageWizards(const QString& package)
{
    // Take the package's wizards out of the list before releasing them: a wizard's
    // destructor runs package code, which may well ask the host about its wizards.
    std::vector<InterfacePtr<IIDEWizard>> released;
    std::vector<RegisteredWizard>& wizards = Registry().wizards;
    for (auto it = wizards.begin(); it != wizards.end();) {
        if (it->package == package) {
            released.push_back(std::move(it->wizard));
            it = wizards.erase(it);
        } else {
            ++it;
        }
    }
    // Newest first, the reverse of registration.
    while (!released.empty())
        released.pop_back();
}

int wizardCount()
{
    return static_cast<int>(Registry().wizards.size());
}

std::vector<InterfacePtr<IIDEWizard>> packageWizards(const QString& package)
{
    std::vector<InterfacePtr<IIDEWizard>> result;
    for (const RegisteredWizard& registered : Registry().wizards) {
        if (registered.package == package)
            result.push_back(registered.wizard);
    }
    return result;
}

} // namespace ide
} // namespace host
