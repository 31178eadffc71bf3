#pragma once

#include <QTableView>

// The category editor's grid (grdCategories). An edit begun by typing replaces the cell's
// text with what is typed; any other (F2, Enter, a double-click, a click on the selected
// cell) keeps the text, with the caret at its end and nothing selected, so that the next key
// adds to it.
class CategoriesGrid final : public QTableView {
    Q_OBJECT

public:
    using QTableView::QTableView;

protected:
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
};
