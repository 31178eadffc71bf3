#include "ErrorReporter.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

#include <cstdio>

namespace standin {

namespace {

void PrintError(const QString& kind, const QString& message)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(OneLine(kind)), qUtf8Printable(OneLine(message)));
    std::fflush(stderr);
}

} // namespace

QString OneLine(const QString& text)
{
    QString line;
    line.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\n')
            line += QLatin1String("\\n");
        else if (code == u'\r')
            line += QLatin1String("\\r");
        else if (code == u'\t')
            line += QLatin1String("\\t");
        else if (code < 0x20 || (code >= 0x7f && code <= 0x9f))
            line += QStringLiteral("\\x%1").arg(uint(code), 2, 16, QLatin1Char('0'));
        else
            line += c;
    }
    return line;
}

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
