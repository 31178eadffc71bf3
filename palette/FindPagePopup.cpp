#include "palette/FindPagePopup.h"

#include "editor/TextContrast.h"
#include "pages/VlPaletteMenuCommon.h"
#include "palette/Tr.h"

#include <QAccessible>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTextLayout>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

using PaletteMenu::Tr;

namespace {

constexpr int RowsShown = 14;
constexpr int PopupWidth = 560;

// Paints a row: the caption with its matched letters in bold, then the categories in a
// secondary colour (their matched letters in bold too); a heading in bold, the no-match line
// in the secondary colour. Every text keeps the contrast that accessibility guidelines ask
// of text against what it is drawn on: where the theme's highlight is too faint for its
// text, the selected row's is made darker (or lighter).
class FindPageDelegate : public QStyledItemDelegate {
public:
    FindPageDelegate(const FindPageModel* model, QObject* parent) : QStyledItemDelegate(parent), m_model(model) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem item = option;
        initStyleOption(&item, index);
        item.text.clear();
        const bool selected = item.state & QStyle::State_Selected;
        // Headings are drawn as text to read, not as disabled items.
        const QColor text = item.palette.color(QPalette::Active, selected ? QPalette::HighlightedText : QPalette::Text);
        QColor background = item.palette.color(QPalette::Active, selected ? QPalette::Highlight : QPalette::Base);
        if (selected) {
            background = ReadableBackground(background, text);
            item.palette.setColor(QPalette::Highlight, background);
        }
        const QWidget* widget = item.widget;
        QStyle* style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &item, painter, widget);

        const FindPageModel::Shown shown = m_model->RowShown(index.row());
        const QColor secondary = SecondaryTextColor(text, background);
        const QString gap(QStringLiteral("    "));
        const QString line = shown.categories.isEmpty() ? shown.caption : shown.caption + gap + shown.categories;
        const int categoriesStart = static_cast<int>(shown.caption.size() + gap.size());
        QList<QTextLayout::FormatRange> formats;
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        QTextCharFormat plain;
        plain.setForeground(secondary);
        QTextCharFormat boldSecondary = plain;
        boldSecondary.setFontWeight(QFont::Bold);
        if (shown.kind != FindPageModel::RowKind::Page)
            formats.append({0, static_cast<int>(line.size()),
                            shown.kind == FindPageModel::RowKind::Heading ? boldSecondary : plain});
        for (const int position : shown.captionMatches)
            formats.append({position, 1, bold});
        std::size_t next = 0;
        for (int i = 0; i < shown.categories.size(); ++i) {
            const bool matched = next < shown.categoryMatches.size() && shown.categoryMatches[next] == i;
            next += matched ? 1 : 0;
            formats.append({categoriesStart + i, 1, matched ? boldSecondary : plain});
        }

        QTextLayout layout(line, item.font);
        layout.setFormats(formats);
        layout.beginLayout();
        QTextLine textLine = layout.createLine();
        textLine.setLineWidth(1e6);
        layout.endLayout();
        const QRect area = style->subElementRect(QStyle::SE_ItemViewItemText, &item, widget).adjusted(2, 0, -2, 0);
        painter->save();
        painter->setClipRect(area);
        painter->setPen(text);
        layout.draw(painter, QPointF(area.left(), area.top() + (area.height() - textLine.height()) / 2));
        painter->restore();
    }

private:
    const FindPageModel* m_model;
};

} // namespace

// --- FindPageModel ----------------------------------------------------------------------

FindPageModel::FindPageModel(std::vector<FindPageEntry> entries, std::vector<int> recent, QObject* parent)
    : QAbstractListModel(parent), m_entries(std::move(entries))
{
    // A page listed twice, among the recent pages and among all, reads as such under headings.
    m_listed.reserve(recent.size() + m_entries.size() + 2);
    if (!recent.empty()) {
        m_listed.push_back(RecentHeading);
        m_listed.insert(m_listed.end(), recent.begin(), recent.end());
        m_listed.push_back(AllPagesHeading);
    }
    for (int i = 0; i < static_cast<int>(m_entries.size()); ++i)
        m_listed.push_back(i);
}

int FindPageModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    if (m_query.isEmpty())
        return static_cast<int>(m_listed.size());
    return m_hits.empty() ? 1 : static_cast<int>(m_hits.size());
}

int FindPageModel::PageAt(int row) const
{
    const std::size_t at = static_cast<std::size_t>(row);
    if (m_query.isEmpty())
        return m_listed[at];
    return m_hits.empty() ? NoMatchLine : m_hits[at].page;
}

const FindPageEntry* FindPageModel::Entry(int row) const
{
    if (row < 0 || row >= rowCount())
        return nullptr;
    const int page = PageAt(row);
    return page < 0 ? nullptr : &m_entries[static_cast<std::size_t>(page)];
}

int FindPageModel::FirstRow() const
{
    return m_query.isEmpty() && !m_listed.empty() && m_listed.front() == RecentHeading ? 1 : 0;
}

Qt::ItemFlags FindPageModel::flags(const QModelIndex& index) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return Qt::NoItemFlags;
    switch (PageAt(index.row())) {
    case RecentHeading:
    case AllPagesHeading: return Qt::ItemNeverHasChildren;
    case NoMatchLine: return Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
    default: return QAbstractListModel::flags(index);
    }
}

QVariant FindPageModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: return RowShown(index.row()).caption;
    case Qt::AccessibleTextRole: {
        const Shown shown = RowShown(index.row());
        return shown.categories.isEmpty() ? shown.caption : Tr::tr("%1, in %2").arg(shown.caption, shown.categories);
    }
    default: return QVariant();
    }
}

FindPageModel::Shown FindPageModel::RowShown(int row) const
{
    const std::size_t at = static_cast<std::size_t>(row);
    const int page = PageAt(row);
    Shown shown;
    switch (page) {
    case RecentHeading: return {RowKind::Heading, Tr::tr("Recent"), {}, {}, {}};
    case AllPagesHeading: return {RowKind::Heading, Tr::tr("All Pages"), {}, {}, {}};
    case NoMatchLine: return {RowKind::NoMatch, Tr::tr("No page matches \"%1\"").arg(ShownText(m_typed)), {}, {}, {}};
    default: break;
    }
    const FindPageEntry& entry = m_entries[static_cast<std::size_t>(page)];
    // The categories joined only as far as a row shows them: a list at the store's limit
    // names some 260,000.
    QString categories;
    for (const QString& category : entry.categories) {
        if (!categories.isEmpty())
            categories += CategorySeparator;
        categories += category;
        if (categories.size() > MaxShownLength)
            break;
    }
    shown.categories = ShownText(categories);
    if (m_query.isEmpty()) {
        shown.caption = ShownText(MenuText(entry.caption));
        return shown;
    }
    shown.caption = ShownText(m_search->Caption(page).shown);
    const PageSearch::Hit& hit = m_hits[at];
    if (hit.category < 0) {
        shown.captionMatches = MatchedPositions(m_search->Caption(page), m_query, hit.match);
        KeepShown(shown.captionMatches, shown.caption, m_search->Caption(page).shown);
        return shown;
    }
    int offset = 0;
    for (int c = 0; c < hit.category && offset <= MaxShownLength; ++c)
        offset += static_cast<int>(entry.categories[c].size() + CategorySeparator.size());
    if (offset <= MaxShownLength)
        for (const int position : MatchedPositions(m_search->Category(page, hit.category), m_query, hit.match))
            shown.categoryMatches.push_back(offset + position);
    KeepShown(shown.categoryMatches, shown.categories, categories);
    return shown;
}

QString FindPageModel::ShownText(const QString& text)
{
    return CutText(text, MaxShownLength);
}

void FindPageModel::KeepShown(std::vector<int>& positions, const QString& shown, const QString& whole)
{
    // A shortened text ends in "…", which stands for no character of the whole.
    const qsizetype kept = shown.size() == whole.size() ? shown.size() : shown.size() - 1;
    positions.erase(
        std::remove_if(positions.begin(), positions.end(), [kept](int position) { return position >= kept; }),
        positions.end());
}

void FindPageModel::SetQuery(const QString& query)
{
    // The pages are folded for searching at the first letter typed, not when Find Page
    // opens: it opens at once, and is often closed again with a recent page chosen.
    if (!m_search && !query.trimmed().isEmpty()) {
        m_search = std::make_unique<PageSearch>();
        m_search->Reserve(static_cast<int>(m_entries.size()));
        for (const FindPageEntry& entry : m_entries)
            m_search->Add(MenuText(entry.caption), entry.categories);
    }
    beginResetModel();
    m_typed = query.trimmed();
    m_query = m_search ? m_search->FoldQuery(query) : QString();
    // Nothing to find (a lone "¨" folds to a space) lists what nothing typed lists.
    if (IsBlankQuery(m_query))
        m_query.clear();
    m_hits = m_search ? m_search->Find(m_query) : std::vector<PageSearch::Hit>();
    endResetModel();
}

// --- FindPageList -----------------------------------------------------------------------

FindPageList::FindPageList(QWidget* parent) : QListView(parent)
{
    setFocusPolicy(Qt::NoFocus);
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
}

void FindPageList::currentChanged(const QModelIndex& current, const QModelIndex& previous)
{
    QListView::currentChanged(current, previous);
    // The keyboard stays in the line edit, so the view would announce nothing of its own.
    if (current.isValid() && !hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(current.row()); // a list view's accessible children are its rows
        Announcer(&event);
    }
}

// --- FindPagePopup ----------------------------------------------------------------------

FindPagePopup::FindPagePopup(std::vector<FindPageEntry> entries, std::vector<int> recent, QWidget* parent)
    : QFrame(parent, Qt::Popup)
    , m_edit(new QLineEdit(this))
    , m_list(new FindPageList(this))
    , m_model(new FindPageModel(std::move(entries), std::move(recent), this))
{
    setObjectName(QStringLiteral("FindPagePopup"));
    setAccessibleName(Tr::tr("Find Page"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFrameShape(QFrame::StyledPanel);

    m_edit->setObjectName(QStringLiteral("FindPageEdit"));
    m_edit->setAccessibleName(Tr::tr("Find page"));
    m_edit->setPlaceholderText(Tr::tr("Type a page's name or one of its categories"));
    m_edit->setClearButtonEnabled(true);
    m_edit->installEventFilter(this);

    m_list->setObjectName(QStringLiteral("FindPageList"));
    m_list->setAccessibleName(Tr::tr("Pages"));
    m_list->setModel(m_model);
    m_list->setItemDelegate(new FindPageDelegate(m_model, m_list));
    m_list->setCurrentIndex(m_model->index(m_model->FirstRow()));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    layout->addWidget(m_edit);
    layout->addWidget(m_list);

    connect(m_edit, &QLineEdit::textChanged, this, &FindPagePopup::Filter);
    connect(m_list, &QListView::clicked, this, &FindPagePopup::Choose);
    // A pop-up closes on a click elsewhere; this closes it when another program takes the focus.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state != Qt::ApplicationActive)
            close();
    });
}

void FindPagePopup::ShowOver(QWidget* window)
{
    const int rowHeight = qMax(m_list->sizeHintForRow(0), fontMetrics().height() + 4);
    const int height = m_edit->sizeHint().height() + rowHeight * RowsShown + 2 * m_list->frameWidth() + 16;
    QRect area = window ? window->geometry() : QRect();
    QScreen* screen = window ? window->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : area;
    if (area.isEmpty())
        area = available;
    QRect placed(0, 0, qMin(PopupWidth, available.width()), qMin(height, available.height()));
    placed.moveTopLeft(QPoint(area.center().x() - placed.width() / 2, area.top() + qMin(80, area.height() / 8)));
    // Whole on the screen, also over a narrow tool window at the screen's edge.
    placed.moveLeft(qBound(available.left(), placed.left(), available.right() - placed.width() + 1));
    placed.moveTop(qBound(available.top(), placed.top(), available.bottom() - placed.height() + 1));
    setGeometry(placed);
    show();
    m_edit->setFocus(Qt::PopupFocusReason);
}

bool FindPagePopup::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit || event->type() != QEvent::KeyPress)
        return QFrame::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: QCoreApplication::sendEvent(m_list, key); return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: Choose(m_list->currentIndex()); return true;
    case Qt::Key_Escape: close(); return true;
    default: return QFrame::eventFilter(watched, event);
    }
}

void FindPagePopup::Filter(const QString& text)
{
    m_model->SetQuery(text);
    m_list->setCurrentIndex(m_model->index(m_model->FirstRow()));
    m_list->scrollToTop();
}

void FindPagePopup::Choose(const QModelIndex& index)
{
    const FindPageEntry* chosen = m_model->Entry(index.row());
    if (!chosen)
        return;
    const FindPageEntry entry = *chosen;
    close();
    Q_EMIT PageChosen(entry.palettePosition, entry.caption);
}
