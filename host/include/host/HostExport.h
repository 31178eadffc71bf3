#pragma once

#include <QtCore/qglobal.h>

// The host library is shared between the IDE and every package it loads.
#if defined(VORLA_HOST_LIBRARY)
#define HOST_EXPORT Q_DECL_EXPORT
#else
#define HOST_EXPORT Q_DECL_IMPORT
#endif
