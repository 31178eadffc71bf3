#pragma once

// Makes locale the default while the object lives, then puts back the one before. Page order
// follows the user's locale; tests that depend on it say which one they are written for.

#include <QLocale>

class ScopedDefaultLocale {
public:
    explicit ScopedDefaultLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~ScopedDefaultLocale() { QLocale::setDefault(m_previous); }
    ScopedDefaultLocale(const ScopedDefaultLocale&) = delete;
    ScopedDefaultLocale& operator=(const ScopedDefaultLocale&) = delete;

private:
    const QLocale m_previous; // the default when made
};

// The locale the order-dependent tests are written for.
inline QLocale TestLocale()
{
    return QLocale(QLocale::English, QLocale::UnitedStates);
}
