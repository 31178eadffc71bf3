#include "ErrorReporter.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <cstdio>

namespace standin {

namespace {

void PrintError(const QString& kind, const QString& message)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(kind), qUtf8Printable(message));
    std::fflush(stderr);
}

} // namespace

host::ExceptionReporter StderrReporter()
{
    return PrintError;
}

host::ExceptionReporter MessageBoxReporter(QWidget* parent)
{
    QPointer<QWidget> owner(parent);
    return [owner](const QString& kind, const QString& message) {
        PrintError(kind, message);

        auto* box = new QMessageBox(QMessageBox::Critical, QStringLiteral("Error"), message,
                                    QMessageBox::Ok, owner.data());
        box->setObjectName(QStringLiteral("ErrorBox"));
        box->setInformativeText(kind);
        box->setAttribute(Qt::WA_DeleteOnClose);
        // A box left open must not keep the IDE running after its main window closes.
        box->setAttribute(Qt::WA_QuitOnClose, false);
        box->setWindowModality(Qt::NonModal);
        box->show();
    };
}

} // namespace standin
