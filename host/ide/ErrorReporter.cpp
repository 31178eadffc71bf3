#include "host/ide/ErrorReporter.h"

#include "host/ide/Tr.h"

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QPointer>
#include <QStyle>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace standin {

namespace {

const QString ErrorBoxName = QStringLiteral("ErrorBox");

void printError(const QString& kind, const QString& message)
{
    std::fprintf(stderr, "%s: %s\n", qUtf8Printable(oneLine(kind)), qUtf8Printable(oneLine(message)));
    std::fflush(stderr);
}

bool isErrorBox(const QWidget* window)
{
    return window && window->objectName() == ErrorBoxName;
}

// The window the box is modal to: the active modal dialog, else the active window, else
// fallback. Never another error box: it closes on its own and would take this one along.
QWidget* boxOwner(QWidget* fallback)
{
    QWidget* window = QApplication::activeModalWidget();
    if (!window)
        window = QApplication::activeWindow();
    while (isErrorBox(window))
        window = window->parentWidget() ? window->parentWidget()->window() : nullptr;
    return window ? window : fallback;
}

// Steps the box past every open error box it would hide; Qt centres each on its owner.
void cascade(QWidget* box)
{
    const int step = box->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, box) + 4;
    for (bool moved = true; moved;) {
        moved = false;
        for (const QWidget* other : QApplication::topLevelWidgets()) {
            if (other == box || !isErrorBox(other) || !other->isVisible())
                continue;
            const QPoint offset = other->pos() - box->pos();
            if (std::abs(offset.x()) < step && std::abs(offset.y()) < step) {
                box->move(box->pos() + QPoint(step, step));
                moved = true;
            }
        }
    }
}

// The newest open error box of window, or nullptr.
QWidget* newestBox(const QWidget* window)
{
    const QList<QWidget*> children = window->findChildren<QWidget*>(ErrorBoxName, Qt::FindDirectChildrenOnly);
    for (auto it = children.crbegin(); it != children.crend(); ++it)
        if ((*it)->isVisible())
            return *it;
    return nullptr;
}

// Passes the activation of the box's owner on to its newest open box, as a window with a
// modal box does: without a window manager nothing else would, and a box shown while the
// IDE starts could lose the focus to the main window that it blocks.
class ActivationToBox final : public QObject {
public:
    explicit ActivationToBox(QWidget* box) : QObject(box) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowActivate)
            if (QWidget* box = newestBox(static_cast<QWidget*>(watched)))
                box->activateWindow();
        return false;
    }
};

} // namespace

QString oneLine(const QString& text)
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

host::ExceptionReporter stderrReporter()
{
    return printError;
}

host::ExceptionReporter messageBoxReporter(QWidget* parent)
{
    QPointer<QWidget> owner(parent);
    return [owner](const QString& kind, const QString& message) {
        printError(kind, message);

        auto* box = new QMessageBox(QMessageBox::Critical, standin::Tr::tr("Error"), message, QMessageBox::Ok,
                                    boxOwner(owner.data()));
        box->setObjectName(ErrorBoxName);
        // The message speaks to the user; the exception's class is for whoever reports the fault.
        box->setDetailedText(kind);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
        box->setAttribute(Qt::WA_DeleteOnClose);
        // A box left open must not keep the IDE running after its main window closes.
        box->setAttribute(Qt::WA_QuitOnClose, false);
        // Modal to its owner, as the IDE's own boxes are, but not waited for: the handler
        // that failed has already returned to the IDE.
        box->setWindowModality(Qt::WindowModal);
        if (QWidget* window = box->parentWidget()) {
            window->installEventFilter(new ActivationToBox(box));
            // The focus goes back where it came from: to the owner, or its next box.
            QObject::connect(box, &QDialog::finished, window, [window] { window->activateWindow(); });
        }
        box->show();
        cascade(box);
        box->raise();
        box->activateWindow();
    };
}

} // namespace standin
