#include "editor/CategoryCompleter.h"

#include "editor/Tr.h"
#include "grouping/CategoryList.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QStringListModel>
#include <QWindow>

using CategoryEditor::Tr;

CategoryCompleter::CategoryCompleter(QObject* owner)
    : QObject(owner), m_completer(new QCompleter(this)), m_names(new QStringListModel(this))
{
    // The list is made here, not by the completer, which matches the whole text only and
    // neither case- nor accent-blind; the completer shows it and follows the keys.
    m_completer->setModel(m_names);
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    QAbstractItemView* popup = m_completer->popup();
    popup->setObjectName(QStringLiteral("lstCategoryCompletions"));
    popup->setAccessibleName(Tr::tr("Category names"));
    if (auto* list = qobject_cast<QListView*>(popup))
        list->setUniformItemSizes(true); // a list of a thousand names is laid out at once
    // After the completer's own filter, so this one sees the keys first.
    popup->installEventFilter(this);
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this, &CategoryCompleter::Take);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &CategoryCompleter::ListActivated);
}

void CategoryCompleter::Attach(QLineEdit* line, Source source)
{
    disconnect(m_edited);
    m_completer->popup()->hide();
    m_line = line;
    m_lineObject = line;
    m_window = line->window();
    m_source = std::move(source);
    m_completer->setWidget(line);
    m_edited = connect(line, &QLineEdit::textEdited, this, &CategoryCompleter::Update);
    // The list goes with the edit it belongs to.
    line->installEventFilter(this);
    connect(line, &QObject::destroyed, m_completer->popup(), &QWidget::hide);
}

QStringList CategoryCompleter::Shown() const
{
    return m_completer->popup()->isVisible() ? m_names->stringList() : QStringList();
}

void CategoryCompleter::Update()
{
    if (m_taking || !m_line)
        return;
    QAbstractItemView* popup = m_completer->popup();
    const CategoryAtCaret part = CategoryTypedAt(m_line->text(), m_line->cursorPosition());
    const QStringList names = part.typed.isEmpty() ? QStringList() : m_source(part.typed, part.others);
    // Nothing to offer, or only what is typed already.
    if (names.isEmpty() || (names.size() == 1 && names.first() == part.typed)) {
        popup->hide();
        return;
    }
    m_names->setStringList(names);
    m_completer->complete();
    popup->setCurrentIndex(m_names->index(0));
}

void CategoryCompleter::Take(const QString& name)
{
    m_completer->popup()->hide();
    if (!m_line)
        return;
    const CategoryAtCaret part = CategoryTypedAt(m_line->text(), m_line->cursorPosition());
    // As if typed: the line edit's own undo takes it back.
    m_taking = true;
    m_line->setSelection(int(part.start), int(part.end - part.start));
    m_line->insert(name);
    m_taking = false;
}

void CategoryCompleter::ListActivated()
{
    // A platform that makes the list the active window when it opens (the offscreen one
    // does, and only once events are next processed) may do so after it has closed: the
    // work goes on in the window it was opened for.
    QAbstractItemView* popup = m_completer->popup();
    if (popup->isVisible() || QGuiApplication::focusWindow() != popup->windowHandle())
        return;
    if (m_window && m_window->isVisible())
        m_window->activateWindow();
    else if (QWidget* modal = QApplication::activeModalWidget())
        modal->activateWindow();
}

bool CategoryCompleter::eventFilter(QObject* watched, QEvent* event)
{
    QAbstractItemView* popup = m_completer->popup();
    // Compared as an object only: a line edit being destroyed is hidden on the way, when it
    // is a line edit no more.
    if (event->type() == QEvent::Hide && watched == m_lineObject)
        popup->hide();
    if (watched != popup || event->type() != QEvent::KeyPress || !popup->isVisible())
        return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab: {
        const QModelIndex marked = popup->currentIndex();
        Take(marked.isValid() ? marked.data().toString() : m_names->stringList().value(0));
        // Enter then does in the line edit what it does there: it ends the edit in a cell,
        // and presses a dialog's default button.
        if (key->key() != Qt::Key_Tab && m_line) {
            QKeyEvent again(key->type(), key->key(), key->modifiers(), key->text());
            QCoreApplication::sendEvent(m_line, &again);
        }
        return true;
    }
    case Qt::Key_Escape:
    case Qt::Key_Backtab:
        // Closes the list only: the edit goes on.
        popup->hide();
        return true;
    default: return false;
    }
}
