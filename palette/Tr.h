#pragma once

#include <QCoreApplication>

namespace PaletteMenu {

// The texts of the palette menus, Find Page and the file commands: one translation context.
struct Tr {
    Q_DECLARE_TR_FUNCTIONS(PaletteMenu)
};

} // namespace PaletteMenu
