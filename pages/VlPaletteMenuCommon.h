#pragma once

#include <QLoggingCategory>
#include <QString>

// s with every "&" removed, each other character kept in order: a menu caption's
// accelerator marks are not part of the page's name ("&&" loses both characters).
QString RemoveAmpersand(const QString& s);

// What the package tells a developer (a host without a tool palette, a store that could not
// take the recent pages): "vorla.palettemenu", warnings shown unless the logging rules say not.
Q_DECLARE_LOGGING_CATEGORY(lcPaletteMenu)
