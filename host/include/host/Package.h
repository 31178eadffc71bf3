#pragma once

// What a package exports. A package is a shared library with two C entry points:
//
//   HOST_PACKAGE_EXPORT const host::PackageDescription* PackageDescription();
//   HOST_PACKAGE_EXPORT void Register();
//
// The host reads the description, checks that it provides every required package, then
// calls Register once. No code of the package may run when the library loads or unloads.

#include <QtCore/qglobal.h>

namespace host {

struct PackageDescription {
    const char* name;        // e.g. "VorlaPaletteMenu"
    const char* description; // shown in the IDE's package list
    const char* version;     // file version, "major.minor.release.build"
    bool designTimeOnly;
    const char* const* requiredPackages; // host packages, ended by nullptr
};

} // namespace host

#define HOST_PACKAGE_EXPORT extern "C" Q_DECL_EXPORT

// Entry point names the host looks up.
#define HOST_PACKAGE_DESCRIPTION_SYMBOL "PackageDescription"
#define HOST_PACKAGE_REGISTER_SYMBOL "Register"
