#include "package/VlPaletteMenuWizard.h"

#include "palette/VlPaletteMenu.h"

TVlPaletteMenuWizard::TVlPaletteMenuWizard()
{
    VlPaletteMenuWizardDataModule = new TVlPaletteMenuWizardDataModule(nullptr);
}

TVlPaletteMenuWizard::~TVlPaletteMenuWizard()
{
    // The module's shutdown clears VlPaletteMenuWizardDataModule.
    delete VlPaletteMenuWizardDataModule;
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
