#pragma once

#include "host/private/StandinOnly.h"

#include "host/Exceptions.h"

#include <QString>

class QWidget;

namespace standin {

// The IDE's way of reporting an exception that left a package's handler: "kind: message"
// on stderr and an error box. The box is modal to the window that is active, a modal dialog
// included, and takes the focus, so that Enter or Escape closes it; the call returns at
// once. parent owns the boxes when no window is active (may be nullptr while no window
// exists yet).
host::ExceptionReporter messageBoxReporter(QWidget* parent);

// "kind: message" on stderr only.
host::ExceptionReporter stderrReporter();

// text with its control characters escaped ("\n", "\r", "\t", "\x1b", ...), so that a file
// name or an argument printed in a message keeps it on one line and cannot steer the
// terminal.
QString oneLine(const QString& text);

} // namespace standin
