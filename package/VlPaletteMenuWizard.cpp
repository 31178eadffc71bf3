#include "package/VlPaletteMenuWizard.h"

#include "palette/VlPaletteMenu.h"

TVlPaletteMenuWizard::TVlPaletteMenuWizard() : FDataModule(std::make_unique<TVlPaletteMenuWizardDataModule>(nullptr))
{
    // The unit's variable only refers to the module; the wizard owns it.
    VlPaletteMenuWizardDataModule = FDataModule.get();
}

TVlPaletteMenuWizard::~TVlPaletteMenuWizard()
{
    // The module's shutdown clears VlPaletteMenuWizardDataModule.
    FDataModule.reset();
}

void TVlPaletteMenuWizard::AfterSave() {}
void TVlPaletteMenuWizard::BeforeSave() {}
void TVlPaletteMenuWizard::Destroyed() {}
void TVlPaletteMenuWizard::Modified() {}

QString TVlPaletteMenuWizard::GetIDString()
{
    return QLatin1String("Vorla Software.Component Palette Menu");
}

QString TVlPaletteMenuWizard::GetName()
{
    return QLatin1String("Component Palette Menu");
}

host::TWizardState TVlPaletteMenuWizard::GetState()
{
    return {};
}

void TVlPaletteMenuWizard::Execute() {}

void RegisterVorlaPaletteMenu()
{
    host::RegisterPackageWizard(host::InterfacePtr<host::IIDEWizard>(new TVlPaletteMenuWizard));
}
