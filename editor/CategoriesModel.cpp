#include "editor/CategoriesModel.h"

#include "editor/Tr.h"
#include "grouping/SearchFolding.h"

#include <QCoreApplication>
#include <QUndoStack>

#include <algorithm>
#include <utility>

using CategoryEditor::Tr;

namespace {

constexpr const char* Headers[] = {QT_TRANSLATE_NOOP("CategoryEditor", "Palette Page"),
                                   QT_TRANSLATE_NOOP("CategoryEditor", "Category")};

// One step of the undo stack: the lists of one or more rows changed together.
class ListsCommand final : public QUndoCommand {
public:
    ListsCommand(CategoriesModel* model, const QString& what, std::vector<CategoriesModel::ListChange> changes)
        : QUndoCommand(what), m_model(model), m_changes(std::move(changes))
    {
    }

    void redo() override
    {
        m_model->ApplyLists(m_changes, true);
        // Done the first time where the user is; undone and redone where it may be out of sight.
        if (!m_first)
            Q_EMIT m_model->Revisited(m_changes.front().row);
        m_first = false;
    }

    void undo() override
    {
        m_model->ApplyLists(m_changes, false);
        Q_EMIT m_model->Revisited(m_changes.front().row);
    }

private:
    CategoriesModel* m_model;
    std::vector<CategoriesModel::ListChange> m_changes;
    bool m_first = true;
};

} // namespace

CategoriesModel::CategoriesModel(QUndoStack* undo, QObject* parent) : QAbstractTableModel(parent), m_undo(undo) {}

void CategoriesModel::SetRows(std::vector<Row> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    m_names = CategoryNameIndex();
    m_namesCounted = false;
    endResetModel();
}

const CategoryNameIndex& CategoriesModel::Names() const
{
    if (!m_namesCounted) {
        // The spellings stored first: one typed anew is the one told of the stored one.
        for (const Row& row : m_rows)
            m_names.Introduce(row.read);
        for (const Row& row : m_rows)
            m_names.AddList(row.list);
        m_namesCounted = true;
    }
    return m_names;
}

void CategoriesModel::ChangeLists(const QString& what, std::vector<ListChange> changes)
{
    if (!changes.empty())
        m_undo->push(new ListsCommand(this, what, std::move(changes)));
}

void CategoriesModel::ApplyLists(const std::vector<ListChange>& changes, bool after)
{
    if (changes.empty())
        return;
    int first = Rows();
    int last = -1;
    for (const ListChange& change : changes) {
        QString& list = m_rows[static_cast<std::size_t>(change.row)].list;
        const QString& next = after ? change.after : change.before;
        if (m_namesCounted)
            m_names.ReplaceList(list, next);
        list = next;
        first = std::min(first, change.row);
        last = std::max(last, change.row);
    }
    Q_EMIT dataChanged(index(first, CategoryColumn), index(last, CategoryColumn), {Qt::DisplayRole, Qt::EditRole});
}

std::vector<int> CategoriesModel::EditedRows() const
{
    std::vector<int> edited;
    for (int row = 0; row < Rows(); ++row)
        if (m_rows[static_cast<std::size_t>(row)].list != m_rows[static_cast<std::size_t>(row)].read)
            edited.push_back(row);
    return edited;
}

void CategoriesModel::Saved(const std::vector<int>& rows)
{
    for (const int row : rows)
        m_rows[static_cast<std::size_t>(row)].read = m_rows[static_cast<std::size_t>(row)].list;
}

void CategoriesModel::AddStoredListsWithoutRow(const QStringList& lists)
{
    Names();
    for (const QString& list : lists)
        m_names.Introduce(list);
    for (const QString& list : lists)
        m_names.AddList(list);
}

int CategoriesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : Rows();
}

int CategoriesModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant CategoriesModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole))
        return QVariant();
    const Row& row = At(index.row());
    return index.column() == PageColumn ? row.page : row.list;
}

QVariant CategoriesModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return QVariant();
    return Tr::tr(Headers[section]);
}

Qt::ItemFlags CategoriesModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Page names are shown only; the lists are edited.
    return index.column() == PageColumn ? Qt::ItemIsEnabled
                                        : Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool CategoriesModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.column() != CategoryColumn || role != Qt::EditRole)
        return false;
    const QString before = At(index.row()).list;
    const QString after = value.toString();
    if (after != before)
        ChangeLists(Tr::tr("Edit Cell"), {{index.row(), before, after}});
    return true;
}

// --- The filter --------------------------------------------------------------------------

CategoriesFilter::CategoriesFilter(QObject* parent) : QSortFilterProxyModel(parent)
{
    // An edited row stays in sight until the filter's text changes.
    setDynamicSortFilter(false);
}

void CategoriesFilter::setSourceModel(QAbstractItemModel* model)
{
    QSortFilterProxyModel::setSourceModel(model);
    m_folded.clear();
    connect(model, &QAbstractItemModel::modelReset, this, [this] { m_folded.clear(); });
    connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex& first, const QModelIndex& last) {
        for (int row = first.row(); row <= last.row() && std::size_t(row) < m_folded.size(); ++row)
            m_folded[std::size_t(row)].known = false;
    });
}

void CategoriesFilter::SetText(const QString& text)
{
    const QString needle = FoldForSearch(text);
    if (needle == m_needle)
        return;
    m_needle = needle;
    invalidateFilter();
}

bool CategoriesFilter::filterAcceptsRow(int sourceRow, const QModelIndex& /*sourceParent*/) const
{
    if (m_needle.isEmpty())
        return true;
    const auto* rows = static_cast<const CategoriesModel*>(sourceModel());
    if (m_folded.size() != std::size_t(rows->Rows()))
        m_folded.assign(std::size_t(rows->Rows()), Folded());
    Folded& folded = m_folded[std::size_t(sourceRow)];
    if (!folded.known) {
        folded.page = FoldForSearch(rows->At(sourceRow).page);
        folded.list = FoldForSearch(rows->At(sourceRow).list);
        folded.known = true;
    }
    return folded.page.contains(m_needle) || folded.list.contains(m_needle);
}
