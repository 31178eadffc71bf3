#pragma once

#include <QString>

// s with every "&" removed, each other character kept in order: a menu caption's
// accelerator marks are not part of the page's name ("&&" loses both characters).
QString RemoveAmpersand(const QString& s);
