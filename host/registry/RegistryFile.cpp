#include "host/private/IdeHost.h"

#include <QStandardPaths>

namespace host::ide {

namespace {

QString& RegistryFileSlot()
{
    static QString path;
    return path;
}

} // namespace

void SetRegistryFile(const QString& path)
{
    RegistryFileSlot() = path;
}

QString RegistryFile()
{
    const QString& path = RegistryFileSlot();
    return path.isEmpty() ? DefaultRegistryFile() : path;
}

QString DefaultRegistryFile()
{
    // GenericConfigLocation is $XDG_CONFIG_HOME, or ~/.config; under test mode, a folder of
    // its own that no real user's store lives in.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/standin-ide/registry.sqlite");
}

} // namespace host::ide
