#pragma once

#include "host/private/StandinOnly.h"

#include <QLocale>
#include <QString>

namespace standin {

// Where the IDE's and its package's translations are: share/standin-ide/translations beside
// the executable's bin/, in the build tree as in an installed one.
QString translationsFolder();

// Installs Qt's own translation and ours for locale, in place of those installed before;
// English, the source language, needs none. Safe to call before any window is made.
void installTranslations(const QLocale& locale = QLocale());

} // namespace standin
