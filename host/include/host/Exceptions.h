#pragma once

#include "host/HostExport.h"

#include <QString>

#include <exception>
#include <functional>
#include <stdexcept>

namespace host {

// The host library's exception. Every failure of a host operation (store, file, user
// interface, interface cast) raises one of these; the host reports whatever leaves a
// package's handler.
class HOST_EXPORT Exception : public std::runtime_error {
public:
    explicit Exception(const QString& message);
    ~Exception() override;

    QString Message() const;
    // The kind shown beside the message when the host reports it.
    virtual QString ClassName() const;
};

#define HOST_DECLARE_EXCEPTION(Name)            \
    class HOST_EXPORT Name : public Exception { \
    public:                                     \
        using Exception::Exception;             \
        ~Name() override;                       \
        QString ClassName() const override;     \
    };

HOST_DECLARE_EXCEPTION(EIntfCastError)     // an interface the object does not support
HOST_DECLARE_EXCEPTION(ERegistryException) // the per-user store
HOST_DECLARE_EXCEPTION(EFOpenError)        // a file that cannot be opened for reading
HOST_DECLARE_EXCEPTION(EFCreateError)      // a file that cannot be created or written
HOST_DECLARE_EXCEPTION(EPropertyError)     // a property read by name that does not exist
HOST_DECLARE_EXCEPTION(EPackageError)      // a package that cannot be loaded or unloaded

#undef HOST_DECLARE_EXCEPTION

// Reports an exception that left an event handler: its message and kind go to the user
// (the IDE shows a message box) and to stderr. Never throws.
HOST_EXPORT void HandleException(std::exception_ptr error) noexcept;

// Who receives reported exceptions. The IDE installs its message box; tests record them.
// Returns the reporter that was installed before.
using ExceptionReporter = std::function<void(const QString& kind, const QString& message)>;
HOST_EXPORT ExceptionReporter SetExceptionReporter(ExceptionReporter reporter);

// The kind and message of any exception, host or not, as the host reports them.
HOST_EXPORT void DescribeException(std::exception_ptr error, QString* kind, QString* message);

} // namespace host
