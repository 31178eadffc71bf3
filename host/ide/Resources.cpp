#include "host/ide/Resources.h"

#include <QDir>
#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void initStandinResources()
{
    Q_INIT_RESOURCE(standin);
}

namespace standin {

void initResources()
{
    static const bool done = (initStandinResources(), true);
    Q_UNUSED(done);
}

QIcon applicationIcon()
{
    initResources();
    QIcon icon;
    const QDir sizes(QStringLiteral(":/standin/icons/application"));
    for (const QString& file : sizes.entryList(QDir::Files))
        icon.addFile(sizes.filePath(file));
    return icon;
}

} // namespace standin
