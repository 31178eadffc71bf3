#include "editor/VlPaletteMenuCategoriesForm.h"
#include "ui_VlPaletteMenuCategoriesForm.h"

#include "pages/VlPaletteMenuCommon.h"
#include "store/CategoryStore.h"

#include "host/Events.h"
#include "host/Exceptions.h"

#include <QApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPen>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <functional>
#include <utility>

namespace {

using DrawState = TVlFrmPaletteMenuCategories::TGridDrawState;
using DrawCellFunction = std::function<void(QPainter&, int col, int row, const QRect&, DrawState)>;

constexpr int PageColumn = 0;
constexpr int CategoryColumn = 1;
constexpr int DefaultColumnWidth = 160;
constexpr int RowHeight = 18;
// Text sits this far right of and below a cell's corner, in pixels at any scale.
constexpr int TextOffset = 2;
// The form's outer size less its client size, as designed: widths are reckoned on the
// outer size whatever frame the window manager draws.
constexpr int DesignFrameWidth = 16;
// Outer width that column 1 leaves to column 0, the margins and the scroll bar, at 96 dpi.
constexpr int FixedWidthAtDesignDpi = 220;
constexpr int DesignDpi = 96;
// Page names are written in a fixed grey, whatever the theme.
constexpr host::TColor LabelGrey = 0x808080;

bool IsEnterKey(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

// Draws the grid's cells through the form, and tells it about the editor it opens, so
// that OK can keep what is typed in a cell still being edited.
class CategoriesDelegate final : public QStyledItemDelegate {
public:
    CategoriesDelegate(DrawCellFunction draw, QObject* parent) : QStyledItemDelegate(parent), m_draw(std::move(draw)) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        DrawState state;
        state.selected = option.state.testFlag(QStyle::State_Selected);
        state.focused = option.state.testFlag(QStyle::State_HasFocus);
        m_draw(*painter, index.column(), index.row() + 1, option.rect, state);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        // A line edit keeps 32,767 characters by default: a longer stored list would be cut
        // on the next OK merely by opening its cell.
        if (auto* line = qobject_cast<QLineEdit*>(editor))
            line->setMaxLength(host::TRegIniFile::MaxValueLength);
        m_editor = editor;
        return editor;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (editor == m_editor)
            m_editor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    // Puts the open editor's text into its cell, as Enter would, and leaves it open.
    void CommitOpenEditor()
    {
        if (m_editor)
            Q_EMIT commitData(m_editor);
    }

private:
    DrawCellFunction m_draw;
    mutable QPointer<QWidget> m_editor;
};

namespace {

// The grid's header row, drawn by the form like every other cell, with the grid's lines.
class CategoriesHeader final : public QHeaderView {
public:
    CategoriesHeader(DrawCellFunction draw, QWidget* parent)
        : QHeaderView(Qt::Horizontal, parent), m_draw(std::move(draw))
    {
    }

protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override
    {
        // The table keeps the right and bottom pixel of each cell for its grid lines.
        m_draw(*painter, logicalIndex, 0, rect.adjusted(0, 0, -1, -1), DrawState());
        QStyleOptionViewItem option;
        option.initFrom(this);
        const auto lineColor = static_cast<QRgb>(style()->styleHint(QStyle::SH_Table_GridLineColor, &option, this));
        painter->setPen(QColor::fromRgba(lineColor));
        painter->drawLine(rect.topRight(), rect.bottomRight());
        painter->drawLine(rect.bottomLeft(), rect.bottomRight());
    }

private:
    DrawCellFunction m_draw;
};

// Lets the current cell and the selection go only where the form allows: every way the
// grid moves them (mouse, keys, code) passes through here.
class CellSelection final : public QItemSelectionModel {
public:
    CellSelection(QAbstractItemModel* model, std::function<bool(const QModelIndex&)> allowed, QObject* parent)
        : QItemSelectionModel(model, parent), m_allowed(std::move(allowed))
    {
    }

    using QItemSelectionModel::select;

    void setCurrentIndex(const QModelIndex& index, QItemSelectionModel::SelectionFlags command) override
    {
        if (index.isValid() && !m_allowed(index))
            return;
        QItemSelectionModel::setCurrentIndex(index, command);
    }

    void select(const QItemSelection& selection, QItemSelectionModel::SelectionFlags command) override
    {
        QItemSelection allowed;
        for (const QItemSelectionRange& range : selection)
            for (const QModelIndex& index : range.indexes())
                if (m_allowed(index))
                    allowed.select(index, index);
        // Selecting nothing but refused cells (which the grid leaves out before asking)
        // leaves the selection as it was, rather than clearing it: a grid always has a cell.
        if (allowed.isEmpty() && command.testAnyFlags(QItemSelectionModel::Select | QItemSelectionModel::Toggle))
            return;
        QItemSelectionModel::select(allowed, command);
    }

private:
    std::function<bool(const QModelIndex&)> m_allowed;
};

} // namespace

TVlFrmPaletteMenuCategories::TVlFrmPaletteMenuCategories(QWidget* owner)
    : QDialog(owner), ui(std::make_unique<Ui::TVlFrmPaletteMenuCategories>())
{
    ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setBackgroundRole(QPalette::Button);

    QTableWidget* grid = Grid();
    const DrawCellFunction draw = [this](QPainter& canvas, int col, int row, const QRect& rect, DrawState state) {
        DrawCell(canvas, col, row, rect, state);
    };
    auto* header = new CategoriesHeader(draw, grid);
    grid->setHorizontalHeader(header);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setDefaultSectionSize(DefaultColumnWidth);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setFixedHeight(RowHeight);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    FDelegate = new CategoriesDelegate(draw, grid);
    grid->setItemDelegate(FDelegate);

    QItemSelectionModel* gridSelection = grid->selectionModel();
    grid->setSelectionModel(new CellSelection(
        grid->model(), [this](const QModelIndex& index) { return CanSelectCell(index.column(), index.row() + 1); },
        grid));
    delete gridSelection;

    grid->installEventFilter(this);

    host::RunHandler([this] { FormCreate(this); });
}

TVlFrmPaletteMenuCategories::~TVlFrmPaletteMenuCategories()
{
    host::RunHandler([this] { FormDestroy(this); });
}

QTableWidget* TVlFrmPaletteMenuCategories::Grid() const
{
    return ui->grdCategories;
}

host::TRegIniFile& TVlFrmPaletteMenuCategories::Store() const
{
    if (!FReg)
        throw host::ERegistryException(
            QStringLiteral("The category editor has no store open: \"%1\"").arg(CategoryStore::Key));
    return *FReg;
}

void TVlFrmPaletteMenuCategories::FormCreate(QObject* /*sender*/)
{
    FCategories.clear();
    FReg = std::make_unique<host::TRegIniFile>(CategoryStore::Key);

    if (host::TIDEThemeMetrics::Font::Enabled())
        setFont(host::TIDEThemeMetrics::Font::GetFont());

    host::IOTAIDEThemingServices* theming = host::ThemeProperties();
    if (!theming)
        return;
    host::IDEThemeManager()->RegisterFormClass(staticMetaObject);
    theming->ApplyTheme(this);
    host::TIDETitleBarService::AddTitleBar(this, nullptr, false);
    const host::TCustomStyleServices* style = theming->StyleServices();
    if (!style)
        return;
    FPanelColor = style->GetStyleColor(host::scPanel);
    FEditColor = style->GetSystemColor(host::clWindow);
    FFontColor = style->GetSystemColor(host::clWindowText);
    FHighlightColor = style->GetSystemColor(host::clHighlight);
    FHighlightTextColor = style->GetSystemColor(host::clHighlightText);
    FLabelColor = LabelGrey;
    FStyleColors = true;
}

void TVlFrmPaletteMenuCategories::FormDestroy(QObject* /*sender*/)
{
    FCategories.clear();
    FReg.reset();
}

void TVlFrmPaletteMenuCategories::FormResize(QObject* /*sender*/)
{
    const double scale = double(logicalDpiX()) / DesignDpi;
    // Halves round to even, as the host rounds.
    const int fixed = static_cast<int>(std::nearbyint(scale * FixedWidthAtDesignDpi));
    Grid()->setColumnWidth(CategoryColumn, std::max(0, width() + DesignFrameWidth - fixed));
}

void TVlFrmPaletteMenuCategories::FormAfterMonitorDpiChanged(QObject* /*sender*/)
{
    QFont scaled = font();
    host::TIDEThemeMetrics::Font::AdjustDPISize(scaled, host::TIDEThemeMetrics::Font::Size(), logicalDpiX());
    setFont(scaled);
}

void TVlFrmPaletteMenuCategories::SetCategories(const QStringList& list)
{
    FCategories = list;
}

QString TVlFrmPaletteMenuCategories::GetCategory(const QString& page) const
{
    return CategoryStore::GetCategory(Store(), page);
}

void TVlFrmPaletteMenuCategories::UpdateControls()
{
    // One read of the section answers every row as reading each page would.
    const CategoryStore::Snapshot stored(Store());
    QTableWidget* grid = Grid();
    grid->setRowCount(0);
    grid->setRowCount(static_cast<int>(FCategories.size()));
    for (int row = 0; row < FCategories.size(); ++row) {
        const QString page = RemoveAmpersand(FCategories[row]);
        // Flags are set before the item joins the grid, which then sees it once.
        auto* name = new QTableWidgetItem(page);
        name->setFlags(Qt::ItemIsEnabled);
        auto* categories = new QTableWidgetItem(stored.GetCategory(page));
        categories->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
        grid->setItem(row, PageColumn, name);
        grid->setItem(row, CategoryColumn, categories);
    }
    if (grid->rowCount() > 0)
        grid->setCurrentCell(0, CategoryColumn);
}

void TVlFrmPaletteMenuCategories::SaveCategories()
{
    FDelegate->CommitOpenEditor();
    const int rows = Grid()->rowCount();
    if (rows == 0)
        return;
    host::TRegIniFile& reg = Store();
    const QString section = CategoryStore::Section;
    // All or nothing: a failure on any row leaves the store as it was, not half saved.
    reg.Transaction([&] {
        for (int row = 1; row <= rows; ++row) {
            const QString page = CellText(PageColumn, row);
            const QString categories = CellText(CategoryColumn, row);
            if (categories.isEmpty())
                reg.DeleteKey(section, page);
            else
                reg.WriteString(section, page, categories);
        }
    });
}

QString TVlFrmPaletteMenuCategories::CellText(int col, int row) const
{
    QTableWidget* grid = Grid();
    const QTableWidgetItem* item = row == 0 ? grid->horizontalHeaderItem(col) : grid->item(row - 1, col);
    return item ? item->text() : QString();
}

void TVlFrmPaletteMenuCategories::DrawCell(QPainter& canvas, int col, int row, const QRect& rect, TGridDrawState state)
{
    host::RunHandler([&] { grdCategoriesDrawCell(canvas, col, row, rect, state); });
}

void TVlFrmPaletteMenuCategories::grdCategoriesDrawCell(QPainter& canvas, int col, int row, const QRect& rect,
                                                        TGridDrawState state)
{
    // Without the IDE's style the colour fields would be black on black: the grid's own
    // palette stands in.
    const QPalette& palette = Grid()->palette();
    const auto color = [&](host::TColor styled, QPalette::ColorRole role) {
        return FStyleColors ? host::ColorToQColor(styled) : palette.color(role);
    };
    QColor fontColor = color(FFontColor, QPalette::Text);
    QColor brushColor = color(FEditColor, QPalette::Base);
    if (row == 0)
        brushColor = color(FPanelColor, QPalette::Button);
    else if (col == PageColumn)
        fontColor = color(FLabelColor, QPalette::PlaceholderText);
    if (state.selected) {
        brushColor = color(FHighlightColor, QPalette::Highlight);
        fontColor = color(FHighlightTextColor, QPalette::HighlightedText);
    }

    canvas.save();
    canvas.setFont(font());
    canvas.fillRect(rect, brushColor);
    canvas.setClipRect(rect);
    canvas.setPen(fontColor);
    canvas.drawText(rect.adjusted(TextOffset, TextOffset, 0, 0), Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    CellText(col, row));
    if (state.focused) {
        // A dotted frame in the text's colour: the style's own focus frame may be drawn in
        // the highlight colour, and so vanish on the selected cell.
        canvas.setPen(QPen(fontColor, 1, Qt::DotLine));
        canvas.setBrush(Qt::NoBrush);
        canvas.drawRect(rect.adjusted(0, 0, -1, -1));
    }
    canvas.restore();
}

bool TVlFrmPaletteMenuCategories::CanSelectCell(int col, int row)
{
    // A handler that fails refuses the cell: the selection stays where it was.
    bool allowed = false;
    host::RunHandler([&] { allowed = grdCategoriesSelectCell(col, row); });
    return allowed;
}

bool TVlFrmPaletteMenuCategories::grdCategoriesSelectCell(int col, int /*row*/)
{
    return col == CategoryColumn;
}

void TVlFrmPaletteMenuCategories::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    host::RunHandler([this] { FormResize(this); });
}

void TVlFrmPaletteMenuCategories::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    CenterOnScreen();
    if (QWindow* window = windowHandle()) {
        host::BindEvent(window, &QWindow::screenChanged, this, [this](QScreen* screen) {
            WatchScreen(screen);
            MonitorDpiChanged();
        });
        WatchScreen(window->screen());
    }
}

void TVlFrmPaletteMenuCategories::WatchScreen(QScreen* screen)
{
    disconnect(FScreenDpiWatch);
    if (screen)
        FScreenDpiWatch = host::BindEvent(screen, &QScreen::logicalDotsPerInchChanged, this,
                                          [this](qreal) { MonitorDpiChanged(); });
}

void TVlFrmPaletteMenuCategories::MonitorDpiChanged()
{
    FormAfterMonitorDpiChanged(this);
    // The column's width depends on the scale, which has just changed with the resolution.
    FormResize(this);
}

void TVlFrmPaletteMenuCategories::CenterOnScreen()
{
    const QWidget* owner = parentWidget();
    QScreen* screen = owner ? owner->screen() : this->screen();
    if (!screen)
        return;
    QRect frame(QPoint(), frameGeometry().size());
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
}

void TVlFrmPaletteMenuCategories::keyPressEvent(QKeyEvent* event)
{
    // Enter and Escape that the grid leaves over never close the dialog; Enter presses a
    // button only when that button has the focus.
    if (IsEnterKey(event)) {
        if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
            button->click();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TVlFrmPaletteMenuCategories::eventFilter(QObject* watched, QEvent* event)
{
    // Enter on the grid itself opens the current cell's editor; in an open editor it ends
    // the edit (the grid's delegate sees to that), and the key reaches the grid only then.
    QTableWidget* grid = Grid();
    if (watched == grid && event->type() == QEvent::KeyPress && IsEnterKey(static_cast<QKeyEvent*>(event))
        && QApplication::focusWidget() == grid) {
        const QModelIndex current = grid->currentIndex();
        if (current.isValid() && current.flags().testFlag(Qt::ItemIsEditable))
            grid->edit(current);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
