#pragma once

// Records what the host reports of the exceptions that leave handlers, for as long as the
// object lives; then the reporter installed before is put back.

#include "host/Exceptions.h"

#include <QList>
#include <QString>
#include <QStringList>

struct Report {
    QString kind;
    QString message;
};

class ReportedExceptions {
public:
    ReportedExceptions();
    ~ReportedExceptions();
    ReportedExceptions(const ReportedExceptions&) = delete;
    ReportedExceptions& operator=(const ReportedExceptions&) = delete;

    // Each report as the IDE prints it, "kind: message".
    QStringList lines() const;

    QList<Report> reports;

private:
    host::ExceptionReporter m_previous;
};
