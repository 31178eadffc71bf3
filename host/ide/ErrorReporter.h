#pragma once

#include "host/Exceptions.h"

#include <QString>

class QWidget;

namespace standin {

// The IDE's way of reporting an exception that left a package's handler: "kind: message"
// on stderr and an error box that does not block, so the IDE keeps running.
// parent owns the boxes (may be nullptr while no window exists yet).
host::ExceptionReporter MessageBoxReporter(QWidget* parent);

// "kind: message" on stderr only.
host::ExceptionReporter StderrReporter();

// text with its control characters escaped ("\n", "\r", "\t", "\x1b", ...), so that a file
// name or an argument printed in a message keeps it on one line and cannot steer the
// terminal.
QString OneLine(const QString& text);

} // namespace standin
