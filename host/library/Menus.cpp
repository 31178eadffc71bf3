#include "host/Menus.h"

#include <QAction>
#include <QMenu>

namespace host {

namespace {

// A menu item's caption as the host's menus know it: a separator's is "-".
QString Caption(const QAction* action)
{
    return action->isSeparator() ? QStringLiteral("-") : action->text();
}

QString WithoutAmpersands(QString text)
{
    return text.remove(QLatin1Char('&'));
}

} // namespace

QAction* FindMenuItem(const QMenu* menu, const QString& caption)
{
    if (!menu)
        return nullptr;
    const QString wanted = WithoutAmpersands(caption);
    // actions() holds every direct item, invisible ones too; a submenu is there as its
    // menu action, whose text is the submenu's title.
    for (QAction* action : menu->actions()) {
        if (QString::compare(WithoutAmpersands(Caption(action)), wanted, Qt::CaseInsensitive) == 0)
            return action;
    }
    return nullptr;
}

} // namespace host
