// Libraries that the IDE must refuse to load as packages, one per definition:
// BAD_REQUIRES requires a host package the IDE does not provide, NO_REGISTER has no
// Register, NAMELESS describes itself without a name. None of them may register anything.

#include "host/Exceptions.h"
#include "host/Package.h"

namespace {

#if defined(BAD_REQUIRES)
const char* const RequiredPackages[] = {"hostdesign", "nonexistent999", "hostcontrols", nullptr};
const host::PackageDescription Description = {"BadRequiresPackage", "Requires what no IDE provides", "1.0.0.0", true,
                                              RequiredPackages};
#elif defined(NO_REGISTER)
const char* const RequiredPackages[] = {"hostcontrols", nullptr};
const host::PackageDescription Description = {"NoRegisterPackage", "Exports no Register", "1.0.0.0", true,
                                              RequiredPackages};
#elif defined(NAMELESS)
const char* const RequiredPackages[] = {nullptr};
const host::PackageDescription Description = {"", "Has no name", "1.0.0.0", true, RequiredPackages};
#endif

} // namespace

HOST_PACKAGE_EXPORT const host::PackageDescription* PackageDescription()
{
    return &Description;
}

#if !defined(NO_REGISTER)
HOST_PACKAGE_EXPORT void Register()
{
    throw host::Exception(QStringLiteral("a refused package was registered"));
}
#endif
