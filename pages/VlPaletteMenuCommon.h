#pragma once

#include <QLoggingCategory>
#include <QString>

// s with every "&" removed, each other character kept in order: a menu caption's
// accelerator marks are not part of the page's name ("&&" loses both characters).
QString RemoveAmpersand(const QString& s);

// The submenu a category name files its pages under: the menus take names that differ only
// in letter case or "&" for one submenu.
QString SubmenuKey(const QString& name);

// text as it is when it has at most longest characters; else cut to fewer, never leaving
// half a character, and ended with "…" so that it is longest characters at most.
QString CutText(const QString& text, qsizetype longest);

// What the package tells a developer (a host without a tool palette, a store that could not
// take the recent pages): "vorla.palettemenu", warnings shown unless the logging rules say not.
Q_DECLARE_LOGGING_CATEGORY(lcPaletteMenu)
