#pragma once

#include "host/Exceptions.h"

class QWidget;

namespace standin {

// The IDE's way of reporting an exception that left a package's handler: "kind: message"
// on stderr and an error box that does not block, so the IDE keeps running.
// parent owns the boxes (may be nullptr while no window exists yet).
host::ExceptionReporter MessageBoxReporter(QWidget* parent);

// "kind: message" on stderr only.
host::ExceptionReporter StderrReporter();

} // namespace standin
