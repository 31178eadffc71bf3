// Libraries that the IDE must refuse to load as packages, one per definition:
// BAD_REQUIRES requires a host package the IDE does not provide, NO_REGISTER has no
// Register, NAMELESS describes itself without a name. None of them may register anything.

#include "host/Exceptions.h"
#include "host/Package.h"

namespace {

#if defined(BAD_REQUIRES)
const char* const kRequires[] = {"designide370", "nonexistent999", "vcl370", nullptr};
const host::PackageDescription kDescription = {"BadRequiresPackage", "Requires what no IDE provides", "1.0.0.0",
                                               true, kRequires};
#elif defined(NO_REGISTER)
const char* const kRequires[] = {"vcl370", nullptr};
const host::PackageDescription kDescription = {"NoRegisterPackage", "Exports no Register", "1.0.0.0", true,
                                               kRequires};
#elif defined(NAMELESS)
const char* const kRequires[] = {nullptr};
const host::PackageDescription kDescription = {"", "Has no name", "1.0.0.0", true, kRequires};
#endif

} // namespace

HOST_PACKAGE_EXPORT const host::PackageDescription* PackageDescription()
{
    return &kDescription;
}

#if !defined(NO_REGISTER)
HOST_PACKAGE_EXPORT void Register()
{
    throw host::Exception(QStringLiteral("a refused package was registered"));
}
#endif
