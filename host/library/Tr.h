#pragma once

#include <QCoreApplication>

namespace host {

// The host library's texts: one translation context.
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(Host)
};

} // namespace host
