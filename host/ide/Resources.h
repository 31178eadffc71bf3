#pragma once

#include "host/private/StandinOnly.h"

#include <QIcon>

namespace standin {

// Registers the IDE's built-in resources (default palette, tool bar images). A static
// library's resources are not registered on their own; call before using any.
void initResources();

// The IDE's own icon, at every size it has; every window of the IDE, the packages' forms
// included, carries it.
QIcon applicationIcon();

} // namespace standin
