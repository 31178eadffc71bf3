#pragma once

#include "host/Wizards.h"

#include <memory>

class TVlPaletteMenuWizardDataModule;

// The package's one wizard. It exists to own the data module for as long as the host keeps
// it: created by Register, released by the host when the package unloads.
class TVlPaletteMenuWizard final : public host::TInterfacedObject<host::IIDEWizard> {
public:
    // Creates the data module, which wires the package into the IDE.
    TVlPaletteMenuWizard();

    void AfterSave() override;
    void BeforeSave() override;
    void Destroyed() override;
    void Modified() override;

    QString GetIDString() override;
    QString GetName() override;
    host::TWizardState GetState() override;
    void Execute() override;

    // The data module it owns, for tests.
    TVlPaletteMenuWizardDataModule* DataModule() const { return FDataModule.get(); }

protected:
    // Frees the data module, whose shutdown undoes its wiring.
    ~TVlPaletteMenuWizard() override;

private:
    std::unique_ptr<TVlPaletteMenuWizardDataModule> FDataModule;
};

// Creates the wizard and hands it to the host.
void RegisterVorlaPaletteMenu();
