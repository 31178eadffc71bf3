#include "editor/CategoriesGrid.h"

#include <QLineEdit>

bool CategoriesGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    const bool open = indexWidget(index) != nullptr;
    if (!QTableView::edit(index, trigger, event))
        return false;
    // The grid selects an editor's whole text when it opens one; a typed key has replaced
    // it by now.
    if (!open && trigger != AnyKeyPressed)
        if (auto* line = qobject_cast<QLineEdit*>(indexWidget(index))) {
            line->deselect();
            line->end(false);
        }
    return true;
}
