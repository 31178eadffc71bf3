// The package VorlaPaletteMenu: what it says of itself, and its registration procedure.

#include "package/VlPaletteMenuWizard.h"

#include "host/Package.h"

namespace {

const char* const RequiredPackages[] = {"hostdesign", "hostcontrols", nullptr};

const host::PackageDescription Description = {
    "VorlaPaletteMenu", "Vorla Palette Menu " VORLA_VERSION, VORLA_FILE_VERSION, true, RequiredPackages,
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
