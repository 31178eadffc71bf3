#include "host/private/IdeHost.h"

#include <QStandardPaths>

namespace host::ide {

namespace {

QString& registryFileSlot()
{
    static QString path;
    return path;
}

} // namespace

void setRegistryFile(const QString& path)
{
    registryFileSlot() = path;
}

QString registryFile()
{
    const QString& path = registryFileSlot();
    return path.isEmpty() ? defaultRegistryFile() : path;
}

QString defaultRegistryFile()
{
    // GenericConfigLocation is $XDG_CONFIG_HOME, or ~/.config; under test mode, a folder of
    // its own that no real user's store lives in.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/standin-ide/registry.sqlite");
}

} // namespace host::ide
