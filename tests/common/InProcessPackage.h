#pragma once

// The package's code linked into a test: registered and released the way the IDE does it for
// a loaded library, so that its data module can be watched in-process.

#include "host/private/IdeHost.h"
#include "package/VlPaletteMenuWizard.h"

#include <QString>

inline QString InProcessPackageName()
{
    return QStringLiteral("VorlaPaletteMenu");
}

inline void LoadPackageInProcess()
{
    host::ide::beginPackageRegistration(InProcessPackageName());
    RegisterVorlaPaletteMenu();
    host::ide::endPackageRegistration();
}

inline void UnloadPackageInProcess()
{
    host::ide::releasePackageWizards(InProcessPackageName());
}
