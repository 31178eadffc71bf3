#include "editor/VlPaletteMenuCategoriesForm.h"
#include "ui_VlPaletteMenuCategoriesForm.h"

#include "editor/CategoryCompleter.h"
#include "editor/TextContrast.h"
#include "grouping/CategoryList.h"
#include "grouping/SearchFolding.h"
#include "pages/VlPaletteMenuCommon.h"
#include "store/CategoryStore.h"

#include "host/Events.h"
#include "host/Exceptions.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPen>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSet>
#include <QStyledItemDelegate>
#include <QTableWidget>
#include <QTextDocument>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUndoStack>
#include <QWindow>

#include <algorithm>
#include <functional>
#include <utility>

namespace {

using DrawState = TVlFrmPaletteMenuCategories::TGridDrawState;
using DrawCellFunction = std::function<void(QPainter&, int col, int row, const QRect&, DrawState)>;
using CellChange = TVlFrmPaletteMenuCategories::CellChange;

constexpr int PageColumn = 0;
constexpr int CategoryColumn = 1;
constexpr int DefaultColumnWidth = 160;
constexpr int RowHeight = 18;
// Text sits this far right of and below a cell's corner, in pixels at any scale, and keeps
// as much room on the right.
constexpr int TextOffset = 2;
// The corner mark of a name that shares its submenu with another spelling.
constexpr int MarkSize = 6;
// A tooltip shows this much of a list at most: stored lists may hold half a million characters.
constexpr int MaxToolTipLength = 2000;
// The client area as designed; the filter line and the panel's buttons may need more.
constexpr QSize DesignClientSize(359, 461);

// The editor's size and place, under the package's key beside the categories.
constexpr QLatin1String LeftValue("Left");
constexpr QLatin1String TopValue("Top");
constexpr QLatin1String WidthValue("Width");
constexpr QLatin1String HeightValue("Height");
constexpr QLatin1String MaximizedValue("Maximized");

bool IsEnterKey(const QKeyEvent* key)
{
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

host::TColor ToColor(const QColor& color)
{
    const QColor rgb = color.toRgb();
    return host::TColor(rgb.red()) | host::TColor(rgb.green()) << 8 | host::TColor(rgb.blue()) << 16;
}

// text as it fits in width: cut short with "…" when it does not. Only the start of a very
// long text is laid out: no cell shows more than a few hundred characters.
QString FittedText(const QString& text, const QFontMetrics& metrics, int width)
{
    const qsizetype laidOut = 2 * qsizetype(std::max(width, 0)) + 16;
    return metrics.elidedText(CutText(text, laidOut), Qt::ElideRight, width);
}

// Lines of plain text as a tooltip: rich text, so that no "<" in a name is taken for markup
// and a long list wraps, while a short line stays whole.
QString ToolTipHtml(const QString& text)
{
    constexpr qsizetype ShortLine = 80;
    QString html;
    for (const QString& line : text.split(QLatin1Char('\n')))
        html += (line.size() > ShortLine ? QStringLiteral("<p>") : QStringLiteral("<p style=\"white-space:pre\">"))
            + line.toHtmlEscaped() + QStringLiteral("</p>");
    return html;
}

// "the selected page", or "the 7 selected pages".
QString SelectedPagesPhrase(qsizetype count)
{
    return count == 1 ? TVlFrmPaletteMenuCategories::tr("the selected page")
                      : TVlFrmPaletteMenuCategories::tr("the %1 selected pages").arg(count);
}

// One step of the undo stack: the texts of one or more category cells changed together.
class CellsCommand final : public QUndoCommand {
public:
    using SetText = std::function<void(int row, const QString& text)>;
    using Reveal = std::function<void(int row)>;

    CellsCommand(const QString& what, std::vector<CellChange> changes, SetText set, Reveal reveal)
        : QUndoCommand(what), m_changes(std::move(changes)), m_set(std::move(set)), m_reveal(std::move(reveal))
    {
    }

    void redo() override
    {
        for (const CellChange& change : m_changes)
            m_set(change.row, change.after);
        // Done the first time where the user is; undone and redone where it may be out of sight.
        if (!m_first)
            m_reveal(m_changes.front().row);
        m_first = false;
    }

    void undo() override
    {
        for (auto it = m_changes.crbegin(); it != m_changes.crend(); ++it)
            m_set(it->row, it->before);
        m_reveal(m_changes.front().row);
    }

private:
    std::vector<CellChange> m_changes;
    SetText m_set;
    Reveal m_reveal;
    bool m_first = true;
};

} // namespace

// Draws the grid's cells through the form, hands the form what is typed in a cell (so that
// it can be undone), fits each editor with completion, and ends an edit with Tab by leaving
// the grid, as the grid's own Tab does.
class CategoriesDelegate final : public QStyledItemDelegate {
public:
    CategoriesDelegate(TVlFrmPaletteMenuCategories* form, QObject* parent) : QStyledItemDelegate(parent), m_form(form)
    {
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        DrawState state;
        state.selected = option.state.testFlag(QStyle::State_Selected);
        state.focused = option.state.testFlag(QStyle::State_HasFocus);
        m_form->DrawCell(*painter, index.column(), index.row() + 1, option.rect, state);
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            // A line edit keeps 32,767 characters by default: a longer stored list would be cut
            // on the next OK merely by opening its cell.
            line->setMaxLength(host::TRegIniFile::MaxValueLength);
            line->setObjectName(QStringLiteral("edCategories"));
            TVlFrmPaletteMenuCategories* form = m_form;
            const int row = index.row();
            // Made for the first edit: a dialog merely opened and closed needs none.
            if (!form->FCompleter)
                form->FCompleter = new CategoryCompleter(form);
            form->FCompleter->Attach(line, [form, row](const QString& typed, const QStringList& others) {
                QStringList names;
                host::RunHandler([&] { names = form->CompletionsForRow(row, typed, others); });
                return names;
            });
        }
        m_editor = editor;
        return editor;
    }

    void destroyEditor(QWidget* editor, const QModelIndex& index) const override
    {
        if (editor == m_editor)
            m_editor = nullptr;
        QStyledItemDelegate::destroyEditor(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override
    {
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            host::RunHandler([&] { m_form->CommitCell(index.row(), line->text()); });
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QString tip;
        host::RunHandler([&] { tip = m_form->CellToolTip(index.column(), index.row() + 1, option.rect.width()); });
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(event->globalPos(), ToolTipHtml(tip), view, option.rect);
        return true;
    }

    // Puts the open editor's text into its cell, as Enter would, and leaves it open.
    void CommitOpenEditor()
    {
        if (m_editor)
            Q_EMIT commitData(m_editor);
    }

    // Puts the open editor's text into its cell and closes it.
    void FinishOpenEditor()
    {
        if (QWidget* editor = m_editor) {
            Q_EMIT commitData(editor);
            Q_EMIT closeEditor(editor, NoHint);
        }
    }

protected:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        // Tab and Shift+Tab end the edit, keeping the text, and move on from the grid.
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const bool tab = key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab;
            if (tab && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
                auto* editor = qobject_cast<QWidget*>(object);
                const bool forward = key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier);
                Q_EMIT commitData(editor);
                Q_EMIT closeEditor(editor, NoHint);
                m_form->TabOutOfGrid(forward);
                return true;
            }
        }
        return QStyledItemDelegate::eventFilter(object, event);
    }

private:
    TVlFrmPaletteMenuCategories* m_form;
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
        // Each cell is asked, and the cells allowed are taken in runs down each column: a
        // range per cell would make selecting thousands of rows slow in every later step.
        QItemSelection allowed;
        for (const QItemSelectionRange& range : selection) {
            const QAbstractItemModel* model = range.model();
            for (int col = range.left(); col <= range.right(); ++col) {
                int runStart = -1;
                for (int row = range.top(); row <= range.bottom() + 1; ++row) {
                    const bool ok = row <= range.bottom() && m_allowed(model->index(row, col, range.parent()));
                    if (ok && runStart < 0)
                        runStart = row;
                    if (!ok && runStart >= 0) {
                        allowed.append(QItemSelectionRange(model->index(runStart, col, range.parent()),
                                                           model->index(row - 1, col, range.parent())));
                        runStart = -1;
                    }
                }
            }
        }
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
    FLaidOut = true;
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setBackgroundRole(QPalette::Button);

    QTableWidget* grid = Grid();
    auto* header = new CategoriesHeader([this](QPainter& canvas, int col, int row, const QRect& rect,
                                               DrawState state) { DrawCell(canvas, col, row, rect, state); },
                                        grid);
    grid->setHorizontalHeader(header);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setDefaultSectionSize(DefaultColumnWidth);
    header->setSectionResizeMode(QHeaderView::Fixed);
    header->setFixedHeight(RowHeight);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);

    FDelegate = new CategoriesDelegate(this, grid);
    grid->setItemDelegate(FDelegate);

    QItemSelectionModel* gridSelection = grid->selectionModel();
    grid->setSelectionModel(new CellSelection(
        grid->model(), [this](const QModelIndex& index) { return CanSelectCell(index.column(), index.row() + 1); },
        grid));
    delete gridSelection;

    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    host::BindEvent(grid->model(), &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex& first, const QModelIndex& last, const QList<int>&) {
                        RowsChanged(first.row(), last.row());
                    });
    host::BindEvent(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                    [this](const QItemSelection&, const QItemSelection&) { UpdateCommands(); });

    // Undo and redo of every change made in the dialog, until it closes.
    FUndo = new QUndoStack(this);
    const auto command = [this](const char* name, const QString& text, const QList<QKeySequence>& keys) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        addAction(action);
        return action;
    };
    actUndo = command("actUndo", tr("Undo"), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    actRedo = command("actRedo", tr("Redo"),
                      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    QAction* actFilter = command("actFilter", tr("Filter"), {QKeySequence(Qt::CTRL | Qt::Key_F)});
    actAddCategory = new QAction(ui->btnAddCategory->text(), this);
    actAddCategory->setObjectName(QStringLiteral("actAddCategory"));
    actRemoveCategory = new QAction(ui->btnRemoveCategory->text(), this);
    actRemoveCategory->setObjectName(QStringLiteral("actRemoveCategory"));
    ui->btnUndo->setDefaultAction(actUndo);
    ui->btnRedo->setDefaultAction(actRedo);
    const auto undoRedo = [this](bool undo) {
        FinishEdit();
        if (undo)
            FUndo->undo();
        else
            FUndo->redo();
    };
    host::BindEvent(actUndo, &QAction::triggered, this, [undoRedo](bool) { undoRedo(true); });
    host::BindEvent(actRedo, &QAction::triggered, this, [undoRedo](bool) { undoRedo(false); });
    const auto describe = [](QAction* action, const QString& verb, const QString& keys, const QString& what) {
        action->setToolTip(what.isEmpty() ? tr("%1 (%2)").arg(verb, keys) : tr("%1 %2 (%3)").arg(verb, what, keys));
    };
    const QString undoKeys = QKeySequence(Qt::CTRL | Qt::Key_Z).toString(QKeySequence::NativeText);
    const QString redoKeys = tr("%1 or %2")
                                 .arg(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z).toString(QKeySequence::NativeText),
                                      QKeySequence(Qt::CTRL | Qt::Key_Y).toString(QKeySequence::NativeText));
    // The stack says so when it goes with the form too: the actions, not the form, are told.
    connect(FUndo, &QUndoStack::undoTextChanged, actUndo, [action = actUndo, describe, undoKeys](const QString& what) {
        describe(action, tr("Undo"), undoKeys, what);
    });
    connect(FUndo, &QUndoStack::redoTextChanged, actRedo, [action = actRedo, describe, redoKeys](const QString& what) {
        describe(action, tr("Redo"), redoKeys, what);
    });
    connect(FUndo, &QUndoStack::canUndoChanged, actUndo, &QAction::setEnabled);
    connect(FUndo, &QUndoStack::canRedoChanged, actRedo, &QAction::setEnabled);
    actUndo->setEnabled(false);
    actRedo->setEnabled(false);
    describe(actUndo, tr("Undo"), undoKeys, QString());
    describe(actRedo, tr("Redo"), redoKeys, QString());

    host::BindEvent(actFilter, &QAction::triggered, this, [this](bool) {
        ui->edFilter->setFocus(Qt::ShortcutFocusReason);
        ui->edFilter->selectAll();
    });
    host::BindEvent(ui->edFilter, &QLineEdit::textChanged, this, &TVlFrmPaletteMenuCategories::edFilterChange);
    host::BindEvent(ui->btnOk, &QPushButton::clicked, this, &TVlFrmPaletteMenuCategories::btnOkClick);
    host::BindEvent(ui->btnAddCategory, &QPushButton::clicked, this, &TVlFrmPaletteMenuCategories::btnAddCategoryClick);
    host::BindEvent(ui->btnRemoveCategory, &QPushButton::clicked, this,
                    &TVlFrmPaletteMenuCategories::btnRemoveCategoryClick);
    host::BindEvent(actAddCategory, &QAction::triggered, this, &TVlFrmPaletteMenuCategories::btnAddCategoryClick);
    host::BindEvent(actRemoveCategory, &QAction::triggered, this, &TVlFrmPaletteMenuCategories::btnRemoveCategoryClick);

    grid->setContextMenuPolicy(Qt::CustomContextMenu);
    host::BindEvent(grid, &QWidget::customContextMenuRequested, this,
                    [this](const QPoint& position) { ShowContextMenu(position); });
    UpdateCommands();

    host::RunHandler([this] { FormCreate(this); });
    UpdateMinimumSize();
    resize(minimumSize());
    // The dialog opens in the grid, ready for typing, though the filter comes first in the
    // tab order.
    grid->setFocus();
}

TVlFrmPaletteMenuCategories::~TVlFrmPaletteMenuCategories()
{
    host::RunHandler([this] { FormDestroy(this); });
    // The grid and the undo stack go with the form's children, once the form is no longer
    // itself: nothing they say on the way may reach it.
    disconnect(Grid()->model(), nullptr, this, nullptr);
    disconnect(Grid()->selectionModel(), nullptr, this, nullptr);
    delete FUndo;
    FUndo = nullptr;
}

QTableWidget* TVlFrmPaletteMenuCategories::Grid() const
{
    return ui->grdCategories;
}

host::TRegIniFile& TVlFrmPaletteMenuCategories::Store() const
{
    if (!FReg)
        throw host::ERegistryException(tr("The category editor has no store open: \"%1\"").arg(CategoryStore::Key));
    return *FReg;
}

void TVlFrmPaletteMenuCategories::FormCreate(QObject* /*sender*/)
{
    FCategories.clear();
    FReg = std::make_unique<host::TRegIniFile>(CategoryStore::Key);

    if (host::TIDEThemeMetrics::Font::Enabled())
        setFont(host::TIDEThemeMetrics::Font::GetFont());

    host::IIDEThemingServices* theming = host::ThemeProperties();
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
    // Page names read as secondary to the categories, yet as readable as guidelines ask of
    // text: a grey made for the theme's own text and background.
    FLabelColor = ToColor(SecondaryTextColor(host::ColorToQColor(FFontColor), host::ColorToQColor(FEditColor)));
    FStyleColors = true;
}

void TVlFrmPaletteMenuCategories::FormDestroy(QObject* /*sender*/)
{
    FCategories.clear();
    FReg.reset();
}

void TVlFrmPaletteMenuCategories::FormResize(QObject* /*sender*/)
{
    // The category column takes what the page column leaves of the grid's viewport, exactly:
    // widths here are device-independent at every scale, and the viewport narrows when the
    // vertical scroll bar shows.
    QTableWidget* grid = Grid();
    const int width = std::max(0, grid->viewport()->width() - grid->columnWidth(PageColumn));
    if (grid->columnWidth(CategoryColumn) != width)
        grid->setColumnWidth(CategoryColumn, width);
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
    // One read of the section answers every row as reading each page would; a section far
    // larger than the palette (an import of a million entries) is read only for its rows.
    const CategoryStore::Snapshot stored(Store(), FCategories.size());
    QTableWidget* grid = Grid();
    {
        // Filling the grid is no edit.
        FFilling = true;
        const auto filled = qScopeGuard([this] { FFilling = false; });
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
    }
    grid->viewport()->update();
    FUndo->clear();
    FNames.reset();
    FStoredLists.clear();
    FStoredLists.reserve(grid->rowCount());
    for (int row = 1; row <= grid->rowCount(); ++row)
        FStoredLists.append(CellText(CategoryColumn, row));
    FStoreOnlyLists.clear();
    FStoreOnlyLoaded = false;
    FSectionRead.reset();
    if (const auto* entries = stored.Entries())
        FSectionRead = *entries;
    FSearchText.assign(std::size_t(grid->rowCount()), RowSearchText());
    if (!ui->edFilter->text().isEmpty())
        ApplyFilter(ui->edFilter->text());
    if (grid->rowCount() > 0)
        grid->setCurrentCell(0, CategoryColumn);
    UpdateCommands();
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

void TVlFrmPaletteMenuCategories::btnOkClick(QObject* /*sender*/)
{
    // Saved while the dialog is still open: when the store fails, the host reports it on
    // the way out of this handler and the dialog stays, every edit in place.
    SaveCategories();
    accept();
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

QColor TVlFrmPaletteMenuCategories::LabelColor(const QColor& text, const QColor& background) const
{
    return FStyleColors ? host::ColorToQColor(FLabelColor) : SecondaryTextColor(text, background);
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
        fontColor = LabelColor(fontColor, brushColor);
    if (state.selected) {
        brushColor = color(FHighlightColor, QPalette::Highlight);
        fontColor = color(FHighlightTextColor, QPalette::HighlightedText);
    }

    canvas.save();
    canvas.setFont(font());
    canvas.fillRect(rect, brushColor);
    canvas.setClipRect(rect);
    canvas.setPen(fontColor);
    // Text too long for its cell ends in "…"; the tooltip shows it whole.
    const QRect textRect = rect.adjusted(TextOffset, TextOffset, -TextOffset, 0);
    canvas.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                    FittedText(CellText(col, row), canvas.fontMetrics(), textRect.width()));
    // The names in use are counted once the dialog is in sight, not for its first picture:
    // until then no cell is marked.
    if (row > 0 && col == CategoryColumn && FNames && !SubmenuTwins(CellText(col, row)).isEmpty()) {
        // A name that the menus file under one submenu with another spelling: a corner
        // mark, explained by the cell's tooltip.
        const QPoint corner = rect.topRight();
        const QPoint mark[] = {corner, corner + QPoint(-MarkSize, 0), corner + QPoint(0, MarkSize)};
        canvas.setPen(Qt::NoPen);
        canvas.setBrush(fontColor);
        canvas.drawPolygon(mark, int(std::size(mark)));
    }
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

// --- Edits, undo and redo -------------------------------------------------------------

void TVlFrmPaletteMenuCategories::CommitCell(int row, const QString& text)
{
    const QString before = CellText(CategoryColumn, row + 1);
    if (text != before)
        ChangeCells(tr("Edit Cell"), {{row, before, text}});
}

void TVlFrmPaletteMenuCategories::ChangeCells(const QString& what, const std::vector<CellChange>& changes)
{
    if (changes.empty() || !FUndo)
        return;
    FUndo->push(new CellsCommand(
        what, changes, [this](int row, const QString& text) { SetCellText(row, text); },
        [this](int row) {
            if (QTableWidgetItem* item = Grid()->item(row, CategoryColumn); item && !Grid()->isRowHidden(row))
                Grid()->scrollToItem(item);
        }));
}

void TVlFrmPaletteMenuCategories::SetCellText(int row, const QString& text)
{
    if (QTableWidgetItem* item = Grid()->item(row, CategoryColumn))
        item->setText(text);
}

void TVlFrmPaletteMenuCategories::RowsChanged(int first, int last)
{
    if (FFilling)
        return;
    for (int row = std::max(first, 0); row <= last && std::size_t(row) < FSearchText.size(); ++row)
        FSearchText[std::size_t(row)].known = false;
    // The names in use are counted afresh, for the marks once the change is drawn.
    FNames.reset();
    CountNamesSoon();
    UpdateCommands();
}

void TVlFrmPaletteMenuCategories::CountNamesSoon()
{
    if (FCountingSoon)
        return;
    FCountingSoon = true;
    QTimer::singleShot(0, this, [this] {
        FCountingSoon = false;
        host::RunHandler([this] {
            LoadStoreOnlyLists();
            Names();
            Grid()->viewport()->update();
        });
    });
}

void TVlFrmPaletteMenuCategories::FinishEdit()
{
    FDelegate->FinishOpenEditor();
}

QList<int> TVlFrmPaletteMenuCategories::SelectedRows() const
{
    QTableWidget* grid = Grid();
    QList<int> rows;
    for (const QItemSelectionRange& range : grid->selectionModel()->selection())
        if (range.left() <= CategoryColumn && CategoryColumn <= range.right())
            for (int row = range.top(); row <= range.bottom(); ++row)
                if (!grid->isRowHidden(row))
                    rows.append(row);
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void TVlFrmPaletteMenuCategories::UpdateCommands()
{
    const QList<int> rows = SelectedRows();
    const bool any = !rows.isEmpty();
    const bool named = std::any_of(rows.cbegin(), rows.cend(),
                                   [this](int row) { return !CellText(CategoryColumn, row + 1).isEmpty(); });
    actAddCategory->setEnabled(any);
    ui->btnAddCategory->setEnabled(any);
    actRemoveCategory->setEnabled(named);
    ui->btnRemoveCategory->setEnabled(named);
}

void TVlFrmPaletteMenuCategories::AddCategory(const QString& name)
{
    std::vector<CellChange> changes;
    for (const int row : SelectedRows()) {
        const QString before = CellText(CategoryColumn, row + 1);
        const QString after = AddCategories(before, name);
        if (after != before)
            changes.push_back({row, before, after});
    }
    ChangeCells(tr("Add Category \"%1\"").arg(name), changes);
}

void TVlFrmPaletteMenuCategories::RemoveCategory(const QString& name)
{
    std::vector<CellChange> changes;
    for (const int row : SelectedRows()) {
        const QString before = CellText(CategoryColumn, row + 1);
        const QString after = ::RemoveCategory(before, name);
        if (after != before)
            changes.push_back({row, before, after});
    }
    ChangeCells(tr("Remove Category \"%1\"").arg(name), changes);
}

std::optional<QString> TVlFrmPaletteMenuCategories::AskCategory(const char* name, const QString& title,
                                                                const QString& label,
                                                                const std::function<void(QInputDialog&)>& setUp)
{
    const QPointer<TVlFrmPaletteMenuCategories> self(this);
    QPointer<QInputDialog> dialog = new QInputDialog(this);
    const auto freeDialog = qScopeGuard([&dialog] { delete dialog.data(); });
    dialog->setObjectName(QLatin1String(name));
    dialog->setWindowTitle(title);
    dialog->setLabelText(label);
    setUp(*dialog);
    const bool accepted = dialog->exec() == QDialog::Accepted && dialog;
    if (!self)
        return std::nullopt;
    // Back to the editor, on every platform, whether the window system does it or not.
    activateWindow();
    if (!accepted)
        return std::nullopt;
    return dialog->textValue();
}

void TVlFrmPaletteMenuCategories::btnAddCategoryClick(QObject* /*sender*/)
{
    FinishEdit();
    const QList<int> rows = SelectedRows();
    if (rows.isEmpty())
        return;
    const QPointer<TVlFrmPaletteMenuCategories> self(this);
    const std::optional<QString> name = AskCategory(
        "dlgAddCategory", tr("Add Category"), tr("Category to add to %1:").arg(SelectedPagesPhrase(rows.size())),
        [self](QInputDialog& dialog) {
            dialog.setInputMode(QInputDialog::TextInput);
            auto* line = dialog.findChild<QLineEdit*>();
            if (!line)
                return;
            line->setMaxLength(host::TRegIniFile::MaxValueLength);
            line->setAccessibleName(tr("Category to add"));
            auto* completer = new CategoryCompleter(&dialog);
            completer->Attach(line, [self](const QString& typed, const QStringList& others) {
                QStringList names;
                if (self)
                    host::RunHandler([&] {
                        self->LoadStoreOnlyLists();
                        names = self->Names().Completions(typed, QString(), others);
                    });
                return names;
            });
        });
    if (name)
        AddCategory(*name);
}

void TVlFrmPaletteMenuCategories::btnRemoveCategoryClick(QObject* /*sender*/)
{
    FinishEdit();
    const QList<int> rows = SelectedRows();
    // The names the selected rows use, one spelling per submenu, most used first.
    CategoryNameIndex inSelection;
    for (const int row : rows)
        inSelection.AddList(CellText(CategoryColumn, row + 1));
    const QStringList names = inSelection.Completions(QString());
    if (names.isEmpty())
        return;
    const std::optional<QString> name = AskCategory(
        "dlgRemoveCategory", tr("Remove Category"),
        tr("Category to remove from %1:").arg(SelectedPagesPhrase(rows.size())), [&names](QInputDialog& dialog) {
            dialog.setComboBoxItems(names);
            dialog.setComboBoxEditable(false);
        });
    if (name)
        RemoveCategory(*name);
}

void TVlFrmPaletteMenuCategories::ShowContextMenu(const QPoint& position)
{
    QTableWidget* grid = Grid();
    const QModelIndex at = grid->indexAt(position);
    if (at.isValid()) {
        // A row outside the selection becomes the selection, as in any list.
        const QModelIndex cell = grid->model()->index(at.row(), CategoryColumn);
        if (!grid->selectionModel()->isSelected(cell))
            grid->setCurrentIndex(cell);
    }
    if (!pmCategories) {
        pmCategories = new QMenu(this);
        pmCategories->setObjectName(QStringLiteral("pmCategories"));
        pmCategories->addAction(actAddCategory);
        pmCategories->addAction(actRemoveCategory);
    }
    pmCategories->popup(grid->viewport()->mapToGlobal(position));
}

void TVlFrmPaletteMenuCategories::TabOutOfGrid(bool forward)
{
    Grid()->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    focusNextPrevChild(forward);
}

// --- Names in use -----------------------------------------------------------------------

const CategoryNameIndex& TVlFrmPaletteMenuCategories::Names()
{
    if (!FNames) {
        FNames.emplace();
        // The spellings stored first: one typed anew is the one told of the stored one.
        for (const QString& list : std::as_const(FStoredLists))
            FNames->Introduce(list);
        for (const QString& list : std::as_const(FStoreOnlyLists))
            FNames->Introduce(list);
        for (int row = 1; row <= Grid()->rowCount(); ++row)
            FNames->AddList(CellText(CategoryColumn, row));
        for (const QString& list : std::as_const(FStoreOnlyLists))
            FNames->AddList(list);
    }
    return *FNames;
}

void TVlFrmPaletteMenuCategories::LoadStoreOnlyLists()
{
    if (FStoreOnlyLoaded)
        return;
    FStoreOnlyLoaded = true;
    // Stored pages that the palette no longer has still name categories in use.
    QSet<QString> pages;
    pages.reserve(Grid()->rowCount());
    for (int row = 1; row <= Grid()->rowCount(); ++row)
        pages.insert(PageKey(CellText(PageColumn, row)));
    // The section as the rows were read from it, when it was read whole; else read now.
    const QList<QPair<QString, QString>> section = FSectionRead ? *std::exchange(FSectionRead, std::nullopt)
                                                                : Store().ReadSectionEntries(CategoryStore::Section);
    QStringList lists;
    for (const auto& [page, list] : section)
        if (!pages.contains(PageKey(page)))
            lists.append(list);
    if (lists.isEmpty())
        return;
    FStoreOnlyLists = lists;
    FNames.reset();
    Grid()->viewport()->update();
}

QStringList TVlFrmPaletteMenuCategories::CompletionsForRow(int row, const QString& typed, const QStringList& others)
{
    LoadStoreOnlyLists();
    return Names().Completions(typed, CellText(CategoryColumn, row + 1), others);
}

QList<QPair<QString, QString>> TVlFrmPaletteMenuCategories::SubmenuTwins(const QString& list)
{
    QList<QPair<QString, QString>> twins;
    if (list.isEmpty())
        return twins;
    const CategoryNameIndex& names = Names();
    ForEachCategory(list, [&](QStringView name) {
        const QString spelling = name.toString();
        const QString known = names.SubmenuSpelling(spelling);
        if (!known.isEmpty() && !twins.contains({spelling, known}))
            twins.append({spelling, known});
    });
    return twins;
}

QString TVlFrmPaletteMenuCategories::CellToolTip(int col, int row, int width)
{
    if (row == 0)
        return QString();
    const QString text = CellText(col, row);
    QStringList lines;
    if (FittedText(text, QFontMetrics(font(), Grid()->viewport()), width - 2 * TextOffset) != text)
        lines.append(CutText(text, MaxToolTipLength + 1)); // the first MaxToolTipLength characters, and "…"
    if (col == CategoryColumn)
        for (const auto& [name, known] : SubmenuTwins(text))
            lines.append(tr("%1: one submenu with '%2'").arg(name, known));
    return lines.join(QLatin1Char('\n'));
}

// --- The filter --------------------------------------------------------------------------

void TVlFrmPaletteMenuCategories::edFilterChange(QObject* /*sender*/)
{
    ApplyFilter(ui->edFilter->text());
}

const TVlFrmPaletteMenuCategories::RowSearchText& TVlFrmPaletteMenuCategories::SearchText(int row)
{
    RowSearchText& text = FSearchText[std::size_t(row)];
    if (!text.known) {
        text.page = FoldForSearch(CellText(PageColumn, row + 1));
        text.categories = FoldForSearch(CellText(CategoryColumn, row + 1));
        text.known = true;
    }
    return text;
}

void TVlFrmPaletteMenuCategories::ApplyFilter(const QString& text)
{
    QTableWidget* grid = Grid();
    const int rows = grid->rowCount();
    FSearchText.resize(std::size_t(rows));
    const QString needle = FoldForSearch(text);
    for (int row = 0; row < rows; ++row) {
        bool hide = false;
        if (!needle.isEmpty()) {
            const RowSearchText& search = SearchText(row);
            hide = !search.page.contains(needle) && !search.categories.contains(needle);
        }
        // Hidden rows keep their text, and are saved with the others.
        if (grid->isRowHidden(row) != hide)
            grid->setRowHidden(row, hide);
    }

    // What the filter hides is no longer selected, and the current cell is one in sight.
    QItemSelectionModel* selection = grid->selectionModel();
    QItemSelection hidden;
    for (const QItemSelectionRange& range : selection->selection())
        for (int row = range.top(); row <= range.bottom(); ++row)
            if (grid->isRowHidden(row))
                hidden.select(grid->model()->index(row, range.left()), grid->model()->index(row, range.right()));
    if (!hidden.isEmpty())
        selection->select(hidden, QItemSelectionModel::Deselect);
    const QModelIndex current = grid->currentIndex();
    if (!current.isValid() || grid->isRowHidden(current.row())) {
        int first = 0;
        while (first < rows && grid->isRowHidden(first))
            ++first;
        if (first < rows) {
            const QModelIndex cell = grid->model()->index(first, CategoryColumn);
            selection->setCurrentIndex(
                cell, selection->hasSelection() ? QItemSelectionModel::NoUpdate : QItemSelectionModel::ClearAndSelect);
        }
    }
    UpdateCommands();
}

// --- Size, place and resolution ----------------------------------------------------------

void TVlFrmPaletteMenuCategories::UpdateMinimumSize()
{
    // As designed, grown by the filter line above the grid, and as wide as the panel's
    // buttons need.
    const QMargins filterMargins = ui->layFilter->contentsMargins();
    const int filterHeight = ui->layFilter->sizeHint().height() - filterMargins.bottom();
    const int buttonsWidth = ui->layButtons->minimumSize().width();
    setMinimumSize(std::max(DesignClientSize.width(), buttonsWidth), DesignClientSize.height() + filterHeight);
}

void TVlFrmPaletteMenuCategories::RestorePlacement()
{
    const host::TRegIniFile& reg = Store();
    const QString section = CategoryStore::EditorSection;
    bool valid = true;
    const auto number = [&](QLatin1String name) {
        bool ok = false;
        const int value = reg.ReadString(section, name, QString()).toInt(&ok);
        valid = valid && ok;
        return value;
    };
    QRect saved(number(LeftValue), number(TopValue), number(WidthValue), number(HeightValue));
    if (!valid || saved.width() <= 0 || saved.height() <= 0) {
        CenterOnScreen();
        return;
    }
    saved.setSize(saved.size().expandedTo(minimumSize()));
    const QList<QScreen*> screens = QGuiApplication::screens();
    const bool fits = std::any_of(screens.cbegin(), screens.cend(), [&saved](const QScreen* screen) {
        return screen->availableGeometry().contains(saved);
    });
    if (fits) {
        setGeometry(saved);
    } else {
        // The screen it was on has gone or shrunk: centred as on a first opening, at the
        // size it had when that still fits.
        const QWidget* owner = parentWidget();
        const QScreen* screen = owner ? owner->screen() : this->screen();
        if (screen && screen->availableGeometry().size().expandedTo(saved.size()) == screen->availableGeometry().size())
            resize(saved.size());
        CenterOnScreen();
    }
    if (reg.ReadString(section, MaximizedValue, QString()) == QLatin1String("1"))
        setWindowState(windowState() | Qt::WindowMaximized);
}

void TVlFrmPaletteMenuCategories::WritePlacement()
{
    if (!FShown)
        return;
    const bool maximized = isMaximized();
    const QRect placed = maximized ? normalGeometry() : geometry();
    // Written only when the user moved or sized it: a dialog merely opened and closed
    // leaves the store as it was.
    if (placed == FPlacedGeometry && maximized == FPlacedMaximized)
        return;
    host::TRegIniFile& reg = Store();
    const QString section = CategoryStore::EditorSection;
    reg.Transaction([&] {
        reg.WriteString(section, LeftValue, QString::number(placed.x()));
        reg.WriteString(section, TopValue, QString::number(placed.y()));
        reg.WriteString(section, WidthValue, QString::number(placed.width()));
        reg.WriteString(section, HeightValue, QString::number(placed.height()));
        reg.WriteString(section, MaximizedValue, maximized ? QStringLiteral("1") : QStringLiteral("0"));
    });
    FPlacedGeometry = placed;
    FPlacedMaximized = maximized;
}

void TVlFrmPaletteMenuCategories::done(int result)
{
    host::RunHandler([this] { WritePlacement(); });
    QDialog::done(result);
}

void TVlFrmPaletteMenuCategories::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    host::RunHandler([this] { FormResize(this); });
}

void TVlFrmPaletteMenuCategories::changeEvent(QEvent* event)
{
    QDialog::changeEvent(event);
    // Captions in another font need another width.
    if (event->type() == QEvent::FontChange && FLaidOut)
        UpdateMinimumSize();
}

void TVlFrmPaletteMenuCategories::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (FShown)
        return;
    FShown = true;
    FDpi = logicalDpiX();
    host::RunHandler([this] { RestorePlacement(); });
    FPlacedGeometry = isMaximized() ? normalGeometry() : geometry();
    FPlacedMaximized = isMaximized();
    if (QWindow* window = windowHandle()) {
        host::BindEvent(window, &QWindow::screenChanged, this, [this](QScreen* screen) { ScreenChanged(screen); });
        WatchScreen(window->screen());
    }
    // The names in use (of stored pages that have no row too) are counted once the dialog
    // is in sight.
    CountNamesSoon();
}

void TVlFrmPaletteMenuCategories::WatchScreen(QScreen* screen)
{
    disconnect(FScreenDpiWatch);
    if (screen)
        FScreenDpiWatch = host::BindEvent(screen, &QScreen::logicalDotsPerInchChanged, this,
                                          [this](qreal) { MonitorDpiChanged(); });
}

void TVlFrmPaletteMenuCategories::ScreenChanged(QScreen* screen)
{
    WatchScreen(screen);
    // Another screen of the same resolution changes nothing.
    if (logicalDpiX() != FDpi)
        MonitorDpiChanged();
}

void TVlFrmPaletteMenuCategories::MonitorDpiChanged()
{
    FDpi = logicalDpiX();
    FormAfterMonitorDpiChanged(this);
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
    QTableWidget* grid = Grid();
    // The viewport narrows and widens with the vertical scroll bar, not only with the form.
    if (watched == grid->viewport() && event->type() == QEvent::Resize) {
        host::RunHandler([this] { FormResize(this); });
        return false;
    }
    // Enter on the grid itself opens the current cell's editor; in an open editor it ends
    // the edit (the grid's delegate sees to that), and the key reaches the grid only then.
    if (watched == grid && event->type() == QEvent::KeyPress && IsEnterKey(static_cast<QKeyEvent*>(event))
        && QApplication::focusWidget() == grid) {
        const QModelIndex current = grid->currentIndex();
        if (current.isValid() && current.flags().testFlag(Qt::ItemIsEditable))
            grid->edit(current);
        return true;
    }
    return QDialog::eventFilter(watched, event);
}
