#pragma once

#include <QCoreApplication>

namespace host {

// The store's texts, the reasons and actions its messages name: one translation context.
struct RegistryTr {
    Q_DECLARE_TR_FUNCTIONS(Registry)
};

} // namespace host
