#pragma once

#include <QCoreApplication>

namespace CategoryStore {

// The texts of the category store and the category file: one translation context.
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(CategoryStore)
};

} // namespace CategoryStore
