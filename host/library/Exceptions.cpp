#include "host/Exceptions.h"
#include "host/library/Tr.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cxxabi.h>
#include <memory>
#include <typeinfo>
#include <utility>

namespace host {

Exception::Exception(const QString& message) : std::runtime_error(message.toStdString()) {}
Exception::~Exception() = default;

QString Exception::Message() const
{
    return QString::fromStdString(what());
}

QString Exception::ClassName() const
{
    return QStringLiteral("Exception");
}

// Out-of-line destructors anchor each class's type information in the host library, so a
// package catches exactly the types the host throws.
#define HOST_DEFINE_EXCEPTION(Name)   \
    Name::~Name() = default;          \
    QString Name::ClassName() const   \
    {                                 \
        return QStringLiteral(#Name); \
    }

HOST_DEFINE_EXCEPTION(EIntfCastError)
HOST_DEFINE_EXCEPTION(ERegistryException)
HOST_DEFINE_EXCEPTION(EFOpenError)
HOST_DEFINE_EXCEPTION(EFCreateError)
HOST_DEFINE_EXCEPTION(EPropertyError)
HOST_DEFINE_EXCEPTION(EPackageError)

#undef HOST_DEFINE_EXCEPTION

namespace {

void WriteToStderr(const QString& kind, const QString& message) noexcept
{
    const QByteArray line = (kind + QStringLiteral(": ") + message + QLatin1Char('\n')).toLocal8Bit();
    std::fwrite(line.constData(), 1, static_cast<size_t>(line.size()), stderr);
    std::fflush(stderr);
}

ExceptionReporter& InstalledReporter()
{
    static ExceptionReporter reporter;
    return reporter;
}

QString DemangledName(const std::type_info& type)
{
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(abi::__cxa_demangle(type.name(), nullptr, nullptr, &status),
                                                     &std::free);
    return QString::fromLatin1(status == 0 && name ? name.get() : type.name());
}

} // namespace

void DescribeException(std::exception_ptr error, QString* kind, QString* message)
{
    QString k;
    QString m;
    try {
        if (error)
            std::rethrow_exception(error);
        k = Tr::tr("Unknown exception");
        m = Tr::tr("No exception was given.");
    } catch (const Exception& e) {
        k = e.ClassName();
        m = e.Message();
    } catch (const std::exception& e) {
        k = DemangledName(typeid(e));
        m = QString::fromUtf8(e.what());
    } catch (...) {
        k = Tr::tr("Unknown exception");
        m = Tr::tr("An exception of an unknown type was raised.");
    }
    if (kind)
        *kind = k;
    if (message)
        *message = m;
}

ExceptionReporter SetExceptionReporter(ExceptionReporter reporter)
{
    return std::exchange(InstalledReporter(), std::move(reporter));
}

void HandleException(std::exception_ptr error) noexcept
{
    QString kind;
    QString message;
    try {
        DescribeException(error, &kind, &message);
    } catch (...) {
        // Describing failed (out of memory): say at least that something went wrong.
        std::fputs("Exception: an exception could not be described\n", stderr);
        return;
    }
    const ExceptionReporter& reporter = InstalledReporter();
    if (!reporter) {
        WriteToStderr(kind, message);
        return;
    }
    try {
        reporter(kind, message);
    } catch (...) {
        // A reporter that fails must not take the IDE down; the report still reaches stderr.
        WriteToStderr(kind, message);
    }
}

} // namespace host
