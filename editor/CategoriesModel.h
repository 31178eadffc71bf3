#pragma once

#include "editor/CategoryNames.h"

#include <QAbstractTableModel>
#include <QSortFilterProxyModel>
#include <QString>
#include <QStringList>

#include <vector>

class QUndoStack;

// The category editor's rows: one per palette page, its name and its category list, as the
// store held it when the editor read it and as edited since. Every edit goes through the
// undo stack, one step per edit of a cell and per Add or Remove Category on many rows. The
// names in use, of the rows and of stored pages without a row, follow every change.
class CategoriesModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { PageColumn, CategoryColumn, ColumnCount };

    struct Row {
        QString page; // the store entry's name: the caption without "&"
        QString read; // the list as read from the store
        QString list; // the list as edited
    };
    // One row's list before and after a change.
    struct ListChange {
        int row;
        QString before;
        QString after;
    };

    CategoriesModel(QUndoStack* undo, QObject* parent);

    // Replaces every row, as read from the store; nothing to undo.
    void SetRows(std::vector<Row> rows);
    int Rows() const { return static_cast<int>(m_rows.size()); }
    const Row& At(int row) const { return m_rows[static_cast<std::size_t>(row)]; }

    // Changes lists as one step to undo, named what; nothing when changes is empty.
    void ChangeLists(const QString& what, std::vector<ListChange> changes);
    // Sets each changed row's list to its after (or, undoing, its before) text.
    void ApplyLists(const std::vector<ListChange>& changes, bool after);
    // The rows whose list differs from the one read, in order.
    std::vector<int> EditedRows() const;
    // The lists of rows as saved: what the store now holds for them.
    void Saved(const std::vector<int>& rows);

    // The names in use: the rows' lists and those of stored pages that have no row. Counted
    // at the first call, once the editor is in sight, rather than while it opens.
    const CategoryNameIndex& Names() const;
    bool NamesCounted() const { return m_namesCounted; }
    void AddStoredListsWithoutRow(const QStringList& lists);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // A category cell set to value: one step to undo, "Edit Cell".
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

Q_SIGNALS:
    // A step was undone or done again: its first row, to be brought into sight.
    void Revisited(int row);

private:
    std::vector<Row> m_rows;
    QUndoStack* m_undo;
    mutable CategoryNameIndex m_names;
    mutable bool m_namesCounted = false;
};

// The rows whose page name or list holds a text, folded for search. Rows stay as they are
// while they are edited: only a change of the text filters afresh.
class CategoriesFilter final : public QSortFilterProxyModel {
    Q_OBJECT

public:
    explicit CategoriesFilter(QObject* parent);

    void SetText(const QString& text);
    void setSourceModel(QAbstractItemModel* model) override;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    // What the filter compares of one row, folded; made when first needed.
    struct Folded {
        QString page;
        QString list;
        bool known = false;
    };
    mutable std::vector<Folded> m_folded; // by source row
    QString m_needle;
};
