#pragma once

#include <QCoreApplication>

namespace CategoryEditor {

// The category editor's texts, its layout's included: one translation context.
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(CategoryEditor)
};

} // namespace CategoryEditor
