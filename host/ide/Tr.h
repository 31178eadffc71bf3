#pragma once

#include <QCoreApplication>

namespace standin {

// The stand-in IDE's texts, its executable's included: one translation context.
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(StandinIde)
};

} // namespace standin
