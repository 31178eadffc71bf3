// The package VorlaPaletteMenu: what it says of itself, and its registration procedure.

#include "package/VlPaletteMenuWizard.h"

#include "host/Package.h"

namespace {

const char* const RequiredPackages[] = {"designide370", "vcl370", nullptr};

const host::PackageDescription Description = {
    "VorlaPaletteMenu", "Vorla Palette Menu 4.0.1", "4.0.0.0", true, RequiredPackages,
};

} // namespace

HOST_PACKAGE_EXPORT const host::PackageDescription* PackageDescription()
{
    return &Description;
}

HOST_PACKAGE_EXPORT void Register()
{
    RegisterVorlaPaletteMenu();
}
