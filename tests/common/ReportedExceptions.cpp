#include "tests/common/ReportedExceptions.h"

ReportedExceptions::ReportedExceptions()
    : m_previous(host::SetExceptionReporter([this](const QString& kind, const QString& message) {
        reports.append({kind, message});
    }))
{
}

ReportedExceptions::~ReportedExceptions()
{
    host::SetExceptionReporter(m_previous);
}

QStringList ReportedExceptions::lines() const
{
    QStringList lines;
    for (const Report& report : reports)
        lines.append(report.kind + QStringLiteral(": ") + report.message);
    return lines;
}
