#pragma once

#include "host/private/StandinOnly.h"

#include <QLocale>
#include <QString>

namespace standin {

// Where the IDE's and its package's translations are: share/standin-ide/translations beside
// the executable's bin/, in the build tree as in an installed one.
QString translationsFolder();

// Installs Qt's own translation and ours for locale, in place of those installed before;
// the English ones, which hold only the forms of texts with a count, where none fits the
// locale. Safe to call before any window is made.
void installTranslations(const QLocale& locale = QLocale());

} // namespace standin
