#pragma once

// RemoveAmpersand, with the grouping's other rules of names (SubmenuKey).
#include "grouping/CategoryList.h"

#include <QLoggingCategory>
#include <QString>

// text as it is when it has at most longest characters; else cut to fewer, never leaving
// half a character, and ended with "…" so that it is longest characters at most.
QString CutText(const QString& text, qsizetype longest);

// What the package tells a developer (a host without a tool palette, a store that could not
// take the recent pages): "vorla.palettemenu", warnings shown unless the logging rules say not.
Q_DECLARE_LOGGING_CATEGORY(lcPaletteMenu)
