#include "host/ide/Resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitStandinResources()
{
    Q_INIT_RESOURCE(standin);
}

namespace standin {

void InitResources()
{
    static const bool done = (InitStandinResources(), true);
    Q_UNUSED(done);
}

} // namespace standin
