#include "host/CategoryButtons.h"
#include "host/library/Tr.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QCoreApplication>
#include <QHeaderView>
#include <QTreeWidget>
#include <QTreeWidgetItem>
#include <QVBoxLayout>

namespace host {

// --- TButtonCategory ----------------------------------------------------------------------

// The item belongs to the palette's view; the category only refers to it. Categories and
// items go together through TButtonCategories::Clear.
TButtonCategory::TButtonCategory(TCategoryButtons* owner, QTreeWidgetItem* item) : m_owner(owner), m_item(item) {}

TButtonCategory::~TButtonCategory() = default;

QString TButtonCategory::Caption() const
{
    return m_item->text(0);
}

void TButtonCategory::SetCaption(const QString& caption)
{
    m_item->setText(0, caption);
}

bool TButtonCategory::Collapsed() const
{
    return !m_item->isExpanded();
}

void TButtonCategory::SetCollapsed(bool collapsed)
{
    m_item->setExpanded(!collapsed);
}

void TButtonCategory::ScrollIntoView()
{
    // The header goes to the top, so that as much of an expanded category as fits shows.
    m_owner->View()->scrollToItem(m_item, QAbstractItemView::PositionAtTop);
}

bool TButtonCategory::Visible() const
{
    return !m_item->isHidden();
}

QStringList TButtonCategory::Components() const
{
    QStringList components;
    components.reserve(m_item->childCount());
    for (int i = 0; i < m_item->childCount(); ++i)
        components.append(m_item->child(i)->text(0));
    return components;
}

// --- TButtonCategories --------------------------------------------------------------------

TButtonCategories::TButtonCategories(TCategoryButtons* owner) : QObject(owner), m_owner(owner) {}

TButtonCategories::~TButtonCategories() = default;

int TButtonCategories::Count() const
{
    return static_cast<int>(m_items.size());
}

TButtonCategory* TButtonCategories::GetItem(int index) const
{
    if (index < 0 || index >= Count())
        return nullptr;
    return m_items[static_cast<size_t>(index)];
}

TButtonCategory* TButtonCategories::Add(const QString& caption, const QStringList& components)
{
    QTreeWidget* view = m_owner->View();
    auto* item = new QTreeWidgetItem(QStringList{caption});
    // Only the categories open and close; a category without components still shows its
    // expander, as the palette's category headers do.
    item->setChildIndicatorPolicy(QTreeWidgetItem::ShowIndicator);
    QList<QTreeWidgetItem*> children;
    children.reserve(components.size());
    for (const QString& component : components) {
        auto* child = new QTreeWidgetItem(QStringList{component});
        child->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren);
        children.append(child);
    }
    item->addChildren(children);
    view->addTopLevelItem(item); // the view owns the item from here on

    auto* category = new TButtonCategory(m_owner, item);
    category->setParent(this);
    m_items.push_back(category);
    return category;
}

void TButtonCategories::Clear()
{
    // Items first, all at once: removing them one by one would cost a model update each.
    m_owner->View()->clear();
    for (TButtonCategory* category : m_items)
        delete category;
    m_items.clear();
}

// --- TCategoryButtons ---------------------------------------------------------------------

TCategoryButtons::TCategoryButtons(QWidget* parent)
    : QWidget(parent), m_view(new QTreeWidget(this)), m_categories(nullptr)
{
    m_categories = new TButtonCategories(this);

    m_view->setObjectName(QStringLiteral("PaletteView"));
    m_view->setColumnCount(1);
    m_view->setHeaderHidden(true);
    m_view->header()->setStretchLastSection(true);
    m_view->setRootIsDecorated(true);
    // Every row is one line of text: lets the view skip measuring rows, which matters for
    // palettes of thousands of categories.
    m_view->setUniformRowHeights(true);
    m_view->setSelectionMode(QAbstractItemView::SingleSelection);
    m_view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_view->setAccessibleName(Tr::tr("Tool Palette"));
    setAccessibleName(Tr::tr("Tool Palette"));

    // Focus given to the palette goes to its list, where the keys work.
    setFocusProxy(m_view);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_view);
}

TCategoryButtons::~TCategoryButtons()
{
    // The categories refer to the view's items; let them go before the view does.
    delete m_categories;
    m_categories = nullptr;
}

TButtonCategories* TCategoryButtons::Categories() const
{
    return m_categories;
}

QTreeWidget* TCategoryButtons::View() const
{
    return m_view;
}

QString TCategoryButtons::Filter() const
{
    return m_filter;
}

void TCategoryButtons::SetFilter(const QString& text)
{
    const bool changed = text != m_filter;
    m_filter = text;
    ApplyFilter();
    if (changed)
        Q_EMIT FilterChanged(m_filter);
}

void TCategoryButtons::ApplyFilter()
{
    // Hides what does not match in the view only: the categories themselves stay. Rows are
    // reached by position, and only a row whose state changes is touched: hiding an item
    // through the item looks it up among its siblings first, quadratic over one page of many
    // components.
    const QString needle = m_filter.trimmed();
    const QAbstractItemModel* model = m_view->model();
    const auto setHidden = [this](int row, const QModelIndex& parent, bool hidden) {
        if (m_view->isRowHidden(row, parent) != hidden)
            m_view->setRowHidden(row, parent, hidden);
    };
    for (int i = 0; i < m_view->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* page = m_view->topLevelItem(i);
        const QModelIndex pageIndex = model->index(i, 0);
        int shown = 0;
        for (int j = 0; j < page->childCount(); ++j) {
            const bool match = needle.isEmpty() || page->child(j)->text(0).contains(needle, Qt::CaseInsensitive);
            setHidden(j, pageIndex, !match);
            shown += match ? 1 : 0;
        }
        setHidden(i, QModelIndex(), !needle.isEmpty() && shown == 0);
        if (!needle.isEmpty() && shown > 0)
            m_view->expand(pageIndex);
    }
}

TButtonCategory* TCategoryButtons::FocusedItem() const
{
    // Categories and the view's top-level items are added and cleared together, in order.
    return m_categories->GetItem(m_view->indexOfTopLevelItem(m_view->currentItem()));
}

void TCategoryButtons::SetFocusedItem(TButtonCategory* category)
{
    if (!category || category->m_owner != this)
        return;
    m_view->setCurrentItem(category->m_item);
}

} // namespace host
