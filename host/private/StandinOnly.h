#pragma once

// Included first by every header of the stand-in IDE's own (host/private, host/registry,
// host/ide). A package talks to the host through the host interface (host/include/host) only:
// its targets do not link standin_private, which alone defines VORLA_STANDIN_PRIVATE, so a
// package source that includes one of these headers stops here.
#ifndef VORLA_STANDIN_PRIVATE
#error "This header is the stand-in IDE's own; a package includes only the host interface (host/include/host)."
#endif
