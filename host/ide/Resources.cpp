#include "host/ide/Resources.h"

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

} // namespace standin
