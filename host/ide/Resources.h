#pragma once

#include "host/private/StandinOnly.h"

namespace standin {

// Registers the IDE's built-in resources (default palette, tool bar images). A static
// library's resources are not registered on their own; call before using any.
void initResources();

} // namespace standin
