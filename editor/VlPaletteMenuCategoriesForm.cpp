#include "editor/VlPaletteMenuCategoriesForm.h"
#include "ui_VlPaletteMenuCategoriesForm.h"

#include "editor/CategoryCompleter.h"
#include "editor/TextContrast.h"
#include "editor/Tr.h"
#include "grouping/CategoryList.h"
#include "pages/VlPaletteMenuCommon.h"
#include "store/CategoryStore.h"

#include "host/Events.h"
#include "host/Exceptions.h"
#include "host/Registry.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QHash>
#include <QHeaderView>
#include <QHelpEvent>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPen>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUndoStack>
#include <QWindow>

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <utility>

using CategoryEditor::Tr;

namespace {

using DrawState = TVlFrmPaletteMenuCategories::TGridDrawState;
using DrawCellFunction = std::function<void(QPainter&, int col, int row, const QRect&, DrawState)>;
using ListChange = CategoriesModel::ListChange;

constexpr int PageColumn = CategoriesModel::PageColumn;
constexpr int CategoryColumn = CategoriesModel::CategoryColumn;
constexpr int DefaultColumnWidth = 160;
constexpr int RowHeight = 18;
// Text sits this far right of and below a cell's corner, in pixels at any scale, and keeps
// as much room on the right.
constexpr int TextOffset = 2;
// The corner mark of a name that shares its submenu with another spelling.
constexpr int MarkSize = 6;
// A tooltip shows this much of a list at most: stored lists may hold half a million characters.
constexpr int MaxToolTipLength = 2000;
// A question about a list shows this much of it.
constexpr int MaxQuestionLength = 200;
// The client area as designed; the filter line and the panel's buttons may need more.
constexpr QSize DesignClientSize(359, 461);
// The names in use of stored pages without a row are read this many entries at a time, for
// about this long between two looks at the event loop: a store of a million entries takes a
// second or two to read, and the dialog answers meanwhile.
constexpr qsizetype NamesPart = 2048;
constexpr qint64 NamesTimeSliceMs = 10;

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
    return Tr::tr("the %n selected pages", nullptr, int(count));
}

} // namespace

// Draws the grid's cells through the form, fits each editor with completion, and ends an
// edit with Tab by leaving the grid, as the grid's own Tab does. What is typed reaches the
// rows through the model, as one step to undo.
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
        m_form->DrawCell(*painter, index.column(), m_form->RowOf(index), option.rect, state);
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
            const int row = form->RowOf(index);
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
        host::RunHandler([&] { QStyledItemDelegate::setModelData(editor, model, index); });
    }

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override
    {
        if (event->type() != QEvent::ToolTip || !index.isValid())
            return QStyledItemDelegate::helpEvent(event, view, option, index);
        QString tip;
        host::RunHandler([&] { tip = m_form->CellToolTip(index.column(), m_form->RowOf(index), option.rect.width()); });
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

// The grid's header, drawn by the form like every other cell, with the grid's lines; its
// captions are the model's.
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
        m_draw(*painter, logicalIndex, TVlFrmPaletteMenuCategories::HeaderRow, rect.adjusted(0, 0, -1, -1),
               DrawState());
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
    : QDialog(owner), ui(std::make_unique<Ui::CategoryEditor>())
{
    ui->setupUi(this);
    FLaidOut = true;
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    setBackgroundRole(QPalette::Button);

    // Undo and redo of every change made in the dialog, until it closes; the rows change
    // only through it.
    FUndo = new QUndoStack(this);
    FRows = new CategoriesModel(FUndo, this);
    FFilter = new CategoriesFilter(this);
    FFilter->setSourceModel(FRows);

    QTableView* grid = Grid();
    auto* header = new CategoriesHeader([this](QPainter& canvas, int col, int row, const QRect& rect,
                                               DrawState state) { DrawCell(canvas, col, row, rect, state); },
                                        grid);
    grid->setHorizontalHeader(header);
    grid->setModel(FFilter);
    header->setSectionsClickable(false);
    header->setHighlightSections(false);
    header->setStretchLastSection(false);
    header->setMinimumSectionSize(0);
    header->setDefaultSectionSize(DefaultColumnWidth);
    // The page column can be widened for long names; the category column takes what is left.
    header->setSectionResizeMode(PageColumn, QHeaderView::Interactive);
    header->setSectionResizeMode(CategoryColumn, QHeaderView::Fixed);
    header->setFixedHeight(RowHeight);
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    host::BindEvent(header, &QHeaderView::sectionResized, this, [this](int section, int, int) {
        if (section == PageColumn)
            FormResize(this);
    });

    FDelegate = new CategoriesDelegate(this, grid);
    grid->setItemDelegate(FDelegate);

    QItemSelectionModel* gridSelection = grid->selectionModel();
    grid->setSelectionModel(new CellSelection(
        FFilter, [this](const QModelIndex& index) { return CanSelectCell(index.column(), RowOf(index)); }, grid));
    delete gridSelection;

    grid->installEventFilter(this);
    grid->viewport()->installEventFilter(this);
    host::BindEvent(FRows, &QAbstractItemModel::dataChanged, this,
                    [this](const QModelIndex&, const QModelIndex&, const QList<int>&) { RowsChanged(); });
    host::BindEvent(FRows, &CategoriesModel::Revisited, this, [this](int row) { Reveal(row); });
    host::BindEvent(grid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                    [this](const QItemSelection&, const QItemSelection&) { UpdateCommands(); });

    const auto command = [this](const char* name, const QString& text, const QList<QKeySequence>& keys) {
        auto* action = new QAction(text, this);
        action->setObjectName(QLatin1String(name));
        action->setShortcuts(keys);
        addAction(action);
        return action;
    };
    actUndo = command("actUndo", Tr::tr("Undo"), {QKeySequence(Qt::CTRL | Qt::Key_Z)});
    actRedo = command("actRedo", Tr::tr("Redo"),
                      {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    QAction* actFilter = command("actFilter", Tr::tr("Filter"), {QKeySequence(Qt::CTRL | Qt::Key_F)});
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
        action->setToolTip(what.isEmpty() ? Tr::tr("%1 (%2)").arg(verb, keys)
                                          : Tr::tr("%1 %2 (%3)").arg(verb, what, keys));
    };
    const QString undoKeys = QKeySequence(Qt::CTRL | Qt::Key_Z).toString(QKeySequence::NativeText);
    const QString redoKeys = Tr::tr("%1 or %2")
                                 .arg(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z).toString(QKeySequence::NativeText),
                                      QKeySequence(Qt::CTRL | Qt::Key_Y).toString(QKeySequence::NativeText));
    // The stack says so when it goes with the form too: the actions, not the form, are told.
    connect(FUndo, &QUndoStack::undoTextChanged, actUndo, [action = actUndo, describe, undoKeys](const QString& what) {
        describe(action, Tr::tr("Undo"), undoKeys, what);
    });
    connect(FUndo, &QUndoStack::redoTextChanged, actRedo, [action = actRedo, describe, redoKeys](const QString& what) {
        describe(action, Tr::tr("Redo"), redoKeys, what);
    });
    connect(FUndo, &QUndoStack::canUndoChanged, actUndo, &QAction::setEnabled);
    connect(FUndo, &QUndoStack::canRedoChanged, actRedo, &QAction::setEnabled);
    actUndo->setEnabled(false);
    actRedo->setEnabled(false);
    describe(actUndo, Tr::tr("Undo"), undoKeys, QString());
    describe(actRedo, Tr::tr("Redo"), redoKeys, QString());

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
    // The grid, the rows and the undo stack go with the form's children, once the form is no
    // longer itself: nothing they say on the way may reach it.
    disconnect(FRows, nullptr, this, nullptr);
    disconnect(Grid()->selectionModel(), nullptr, this, nullptr);
    delete FUndo;
    FUndo = nullptr;
}

QTableView* TVlFrmPaletteMenuCategories::Grid() const
{
    return ui->grdCategories;
}

int TVlFrmPaletteMenuCategories::RowOf(const QModelIndex& cell) const
{
    return FFilter->mapToSource(cell).row();
}

QModelIndex TVlFrmPaletteMenuCategories::CellOf(int row, int col) const
{
    return FFilter->mapFromSource(FRows->index(row, col));
}

host::TRegIniFile& TVlFrmPaletteMenuCategories::Store() const
{
    if (!FReg)
        throw host::ERegistryException(Tr::tr("The category editor has no store open: \"%1\"").arg(CategoryStore::Key));
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
    QTableView* grid = Grid();
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
    std::vector<CategoriesModel::Row> rows;
    rows.reserve(std::size_t(FCategories.size()));
    for (const QString& caption : std::as_const(FCategories)) {
        QString page = RemoveAmpersand(caption);
        QString list = stored.GetCategory(page);
        rows.push_back({std::move(page), list, list});
    }
    FUndo->clear();
    FRows->SetRows(std::move(rows));
    FSectionRead.reset();
    if (const auto* entries = stored.Entries())
        FSectionRead = *entries;
    // Fitted to the names when the dialog shows, in the font it shows them in.
    if (FShown)
        FitPageColumn();
    if (!ui->edFilter->text().isEmpty())
        ApplyFilter(ui->edFilter->text());
    if (FFilter->rowCount() > 0)
        Grid()->setCurrentIndex(FFilter->index(0, CategoryColumn));
    UpdateCommands();
}

void TVlFrmPaletteMenuCategories::FitPageColumn()
{
    // Wide enough for the longest page name, up to a third of the screen; never narrower
    // than designed. The user may widen or narrow it from there.
    const QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen();
    const int most = screen ? screen->availableGeometry().width() / 3 : DefaultColumnWidth;
    // Laying out every name would cost more than the rest of an opening of 10,000 pages:
    // each is first reckoned by its characters' widths, and only the widest few are laid out.
    const QFontMetrics metrics(font(), Grid()->viewport());
    std::array<int, 128> ascii;
    ascii.fill(-1);
    QHash<char16_t, int> others;
    const auto advance = [&](QChar c) {
        if (c.unicode() < ascii.size()) {
            int& known = ascii[c.unicode()];
            if (known < 0)
                known = metrics.horizontalAdvance(c);
            return known;
        }
        auto known = others.constFind(c.unicode());
        if (known == others.constEnd())
            known = others.insert(c.unicode(), metrics.horizontalAdvance(c));
        return known.value();
    };
    std::vector<std::pair<int, int>> reckoned; // width, row
    reckoned.reserve(std::size_t(FRows->Rows()));
    for (int row = 0; row < FRows->Rows(); ++row) {
        int width = 0;
        for (const QChar c : FRows->At(row).page)
            if ((width += advance(c)) > most)
                break;
        reckoned.emplace_back(width, row);
    }
    constexpr std::size_t WidestFew = 16;
    const auto few = reckoned.begin() + std::ptrdiff_t(std::min(WidestFew, reckoned.size()));
    std::partial_sort(reckoned.begin(), few, reckoned.end(), std::greater<>());
    const QFontMetricsF exact(font(), Grid()->viewport());
    int longest = 0;
    for (auto it = reckoned.begin(); it != few && longest < most; ++it)
        longest = std::max(longest, int(std::ceil(exact.horizontalAdvance(CutText(FRows->At(it->second).page, most)))));
    // The text's room on both sides, and the grid's line.
    Grid()->setColumnWidth(
        PageColumn, std::clamp(longest + 2 * TextOffset + 1, DefaultColumnWidth, std::max(most, DefaultColumnWidth)));
    FormResize(this);
}

bool TVlFrmPaletteMenuCategories::SaveCategories()
{
    FDelegate->CommitOpenEditor();
    std::vector<int> edited = FRows->EditedRows();
    QList<CategoryStore::ListEdit> edits;
    edits.reserve(qsizetype(edited.size()));
    for (const int row : edited)
        edits.append({FRows->At(row).page, FRows->At(row).read, FRows->At(row).list});
    bool forAll = false;
    std::optional<bool> keepMine;
    for (;;) {
        const QList<CategoryStore::ListConflict> conflicts = CategoryStore::WriteEditedLists(Store(), edits);
        if (conflicts.isEmpty())
            break;
        // Another IDE changed some of these pages since the dialog read them: each is asked
        // about (or all as the first), then everything is tried again as one change.
        for (qsizetype i = 0; i < conflicts.size(); ++i) {
            CategoryStore::ListEdit& edit = edits[conflicts[i].edit];
            if (!forAll) {
                keepMine = AskWhichToKeep(edit.page, edit.edited, conflicts[i].stored, int(conflicts.size() - i - 1),
                                          &forAll);
                if (!keepMine)
                    return false;
            }
            // Theirs: the page is written as it is now; mine: over what it is now.
            if (!*keepMine)
                edit.edited = conflicts[i].stored;
            edit.read = conflicts[i].stored;
        }
    }
    // The rows now hold what the store holds.
    for (qsizetype i = 0; i < edits.size(); ++i) {
        const int row = edited[std::size_t(i)];
        if (FRows->At(row).list != edits[i].edited)
            FRows->ApplyLists({{row, FRows->At(row).list, edits[i].edited}}, true);
    }
    FRows->Saved(edited);
    return true;
}

std::optional<bool> TVlFrmPaletteMenuCategories::AskWhichToKeep(const QString& page, const QString& mine,
                                                                const QString& stored, int more, bool* forAll)
{
    const auto shown = [](const QString& list) {
        return list.isEmpty() ? Tr::tr("(no category)") : CutText(list, MaxQuestionLength);
    };
    QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Question, Tr::tr("Categories Changed Meanwhile"),
                                                Tr::tr("The categories of page \"%1\" were changed in another window "
                                                       "since this dialog opened.")
                                                    .arg(CutText(page, MaxQuestionLength)),
                                                QMessageBox::Cancel, this);
    const auto freeBox = qScopeGuard([&box] { delete box.data(); });
    box->setObjectName(QStringLiteral("dlgKeepWhich"));
    box->setInformativeText(Tr::tr("Yours: %1\nStored now: %2").arg(shown(mine), shown(stored)));
    QPushButton* keepMine = box->addButton(Tr::tr("Keep Mine"), QMessageBox::AcceptRole);
    QPushButton* keepStored = box->addButton(Tr::tr("Keep Stored"), QMessageBox::RejectRole);
    keepMine->setObjectName(QStringLiteral("btnKeepMine"));
    keepStored->setObjectName(QStringLiteral("btnKeepStored"));
    box->button(QMessageBox::Cancel)->setObjectName(QStringLiteral("btnKeepEditing"));
    box->setDefaultButton(keepMine);
    if (more > 0)
        box->setCheckBox(new QCheckBox(Tr::tr("Do the same for the other pages changed meanwhile")));
    box->exec();
    if (!box)
        return std::nullopt;
    if (forAll && box->checkBox())
        *forAll = box->checkBox()->isChecked();
    if (box->clickedButton() == keepMine)
        return true;
    if (box->clickedButton() == keepStored)
        return false;
    return std::nullopt;
}

void TVlFrmPaletteMenuCategories::btnOkClick(QObject* /*sender*/)
{
    // Saved while the dialog is still open: when the store fails, the host reports it on
    // the way out of this handler and the dialog stays, every edit in place.
    if (!SaveCategories())
        return;
    WritePlacement();
    accept();
}

void TVlFrmPaletteMenuCategories::reject()
{
    FinishEdit();
    if (!FRows->EditedRows().empty()) {
        QPointer<QMessageBox> box = new QMessageBox(QMessageBox::Question, windowTitle(),
                                                    Tr::tr("Discard the changes you made to the categories?"),
                                                    QMessageBox::Discard | QMessageBox::Cancel, this);
        const auto freeBox = qScopeGuard([&box] { delete box.data(); });
        box->setObjectName(QStringLiteral("dlgDiscardChanges"));
        box->button(QMessageBox::Discard)->setObjectName(QStringLiteral("btnDiscard"));
        box->button(QMessageBox::Cancel)->setObjectName(QStringLiteral("btnKeepEditing"));
        box->setDefaultButton(QMessageBox::Cancel);
        if (box->exec() != QMessageBox::Discard || !box)
            return;
    }
    QDialog::reject();
}

QString TVlFrmPaletteMenuCategories::CellText(int col, int row) const
{
    if (row == HeaderRow)
        return FRows->headerData(col, Qt::Horizontal).toString();
    if (row < 0 || row >= FRows->Rows())
        return QString();
    return col == PageColumn ? FRows->At(row).page : FRows->At(row).list;
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
    if (row == HeaderRow)
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
    if (row != HeaderRow && col == CategoryColumn && FRows->NamesCounted()
        && !SubmenuTwins(CellText(col, row)).isEmpty()) {
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

void TVlFrmPaletteMenuCategories::RowsChanged()
{
    // Another row's names may now share a submenu with a changed one: its mark is drawn afresh.
    Grid()->viewport()->update();
    UpdateCommands();
}

void TVlFrmPaletteMenuCategories::Reveal(int row)
{
    const QModelIndex cell = CellOf(row, CategoryColumn);
    if (cell.isValid())
        Grid()->scrollTo(cell);
}

void TVlFrmPaletteMenuCategories::FinishEdit()
{
    FDelegate->FinishOpenEditor();
}

QList<int> TVlFrmPaletteMenuCategories::SelectedRows() const
{
    QList<int> rows;
    // While the filter shows every row, the grid's rows are the rows.
    const bool all = FFilter->rowCount() == FRows->Rows();
    for (const QItemSelectionRange& range : Grid()->selectionModel()->selection())
        if (range.left() <= CategoryColumn && CategoryColumn <= range.right())
            for (int row = range.top(); row <= range.bottom(); ++row)
                rows.append(all ? row : RowOf(FFilter->index(row, CategoryColumn)));
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    return rows;
}

void TVlFrmPaletteMenuCategories::UpdateCommands()
{
    const QList<int> rows = SelectedRows();
    const bool any = !rows.isEmpty();
    const bool named = std::any_of(rows.cbegin(), rows.cend(),
                                   [this](int row) { return !CellText(CategoryColumn, row).isEmpty(); });
    actAddCategory->setEnabled(any);
    ui->btnAddCategory->setEnabled(any);
    actRemoveCategory->setEnabled(named);
    ui->btnRemoveCategory->setEnabled(named);
}

void TVlFrmPaletteMenuCategories::AddCategory(const QString& name)
{
    std::vector<ListChange> changes;
    for (const int row : SelectedRows()) {
        const QString& before = FRows->At(row).list;
        QString after = AddCategories(before, name);
        if (after != before)
            changes.push_back({row, before, std::move(after)});
    }
    FRows->ChangeLists(Tr::tr("Add Category \"%1\"").arg(name), std::move(changes));
}

void TVlFrmPaletteMenuCategories::RemoveCategory(const QString& name)
{
    std::vector<ListChange> changes;
    for (const int row : SelectedRows()) {
        const QString& before = FRows->At(row).list;
        QString after = ::RemoveCategory(before, name);
        if (after != before)
            changes.push_back({row, before, std::move(after)});
    }
    FRows->ChangeLists(Tr::tr("Remove Category \"%1\"").arg(name), std::move(changes));
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
        "dlgAddCategory", Tr::tr("Add Category"),
        Tr::tr("Category to add to %1:").arg(SelectedPagesPhrase(rows.size())), [self](QInputDialog& dialog) {
            dialog.setInputMode(QInputDialog::TextInput);
            auto* line = dialog.findChild<QLineEdit*>();
            if (!line)
                return;
            line->setMaxLength(host::TRegIniFile::MaxValueLength);
            line->setAccessibleName(Tr::tr("Category to add"));
            auto* completer = new CategoryCompleter(&dialog);
            completer->Attach(line, [self](const QString& typed, const QStringList& others) {
                QStringList names;
                if (self)
                    host::RunHandler([&] { names = self->FRows->Names().Completions(typed, QString(), others); });
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
        inSelection.AddList(CellText(CategoryColumn, row));
    const QStringList names = inSelection.Completions(QString());
    if (names.isEmpty())
        return;
    const std::optional<QString> name = AskCategory(
        "dlgRemoveCategory", Tr::tr("Remove Category"),
        Tr::tr("Category to remove from %1:").arg(SelectedPagesPhrase(rows.size())), [&names](QInputDialog& dialog) {
            dialog.setComboBoxItems(names);
            dialog.setComboBoxEditable(false);
        });
    if (name)
        RemoveCategory(*name);
}

void TVlFrmPaletteMenuCategories::ShowContextMenu(const QPoint& position)
{
    QTableView* grid = Grid();
    const QModelIndex at = grid->indexAt(position);
    if (at.isValid()) {
        // A row outside the selection becomes the selection, as in any list.
        const QModelIndex cell = FFilter->index(at.row(), CategoryColumn);
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

void TVlFrmPaletteMenuCategories::ReadNamesInUse()
{
    FRows->Names();
    // Stored pages that the palette no longer has still name categories in use: from the
    // section as the rows were read from it, when it was read whole; else read a part at a
    // time, so that a store of a million entries never holds the dialog up.
    if (FSectionRead) {
        QSet<QString> pages;
        pages.reserve(FRows->Rows());
        for (int row = 0; row < FRows->Rows(); ++row)
            pages.insert(host::RegistryNameKey(FRows->At(row).page));
        QStringList lists;
        for (const auto& [page, list] : std::as_const(*FSectionRead))
            if (!pages.contains(host::RegistryNameKey(page)))
                lists.append(list);
        FSectionRead.reset();
        FRows->AddStoredListsWithoutRow(lists);
        Grid()->viewport()->update();
        return;
    }
    if (FReadingNames)
        return;
    FReadingNames = true;
    FNamesPosition = 0;
    FRowPages.clear();
    FRowPages.reserve(FRows->Rows());
    for (int row = 0; row < FRows->Rows(); ++row)
        FRowPages.insert(host::RegistryNameKey(FRows->At(row).page));
    QTimer::singleShot(0, this, &TVlFrmPaletteMenuCategories::ReadNamesPart);
}

void TVlFrmPaletteMenuCategories::ReadNamesPart()
{
    QElapsedTimer spent;
    spent.start();
    try {
        for (;;) {
            const QList<QPair<QString, QString>> part = Store().ReadSectionPart(CategoryStore::Section, FNamesPosition,
                                                                                NamesPart);
            QStringList lists;
            for (const auto& [page, list] : part)
                if (!FRowPages.contains(host::RegistryNameKey(page)))
                    lists.append(list);
            FRows->AddStoredListsWithoutRow(lists);
            if (part.size() < NamesPart)
                break;
            if (spent.elapsed() >= NamesTimeSliceMs) {
                QTimer::singleShot(0, this, &TVlFrmPaletteMenuCategories::ReadNamesPart);
                return;
            }
        }
    } catch (const host::ERegistryException& error) {
        // Completion offers the names read so far; the rows themselves were read already.
        qCWarning(lcPaletteMenu, "Vorla Palette Menu: the names in use were not all read: %s",
                  qUtf8Printable(error.Message()));
    }
    FReadingNames = false;
    FRowPages.clear();
    Grid()->viewport()->update();
}

QStringList TVlFrmPaletteMenuCategories::CompletionsForRow(int row, const QString& typed, const QStringList& others)
{
    // The cell's own text before this edit: names only it uses are not offered.
    return FRows->Names().Completions(typed, FRows->At(row).list, others);
}

QList<QPair<QString, QString>> TVlFrmPaletteMenuCategories::SubmenuTwins(const QString& list)
{
    QList<QPair<QString, QString>> twins;
    if (list.isEmpty())
        return twins;
    const CategoryNameIndex& names = FRows->Names();
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
    if (row == HeaderRow)
        return QString();
    const QString text = CellText(col, row);
    QStringList lines;
    if (FittedText(text, QFontMetrics(font(), Grid()->viewport()), width - 2 * TextOffset) != text)
        lines.append(CutText(text, MaxToolTipLength + 1)); // the first MaxToolTipLength characters, and "…"
    if (col == CategoryColumn)
        for (const auto& [name, known] : SubmenuTwins(text))
            lines.append(Tr::tr("%1: one submenu with '%2'").arg(name, known));
    return lines.join(QLatin1Char('\n'));
}

// --- The filter --------------------------------------------------------------------------

void TVlFrmPaletteMenuCategories::edFilterChange(QObject* /*sender*/)
{
    ApplyFilter(ui->edFilter->text());
}

void TVlFrmPaletteMenuCategories::ApplyFilter(const QString& text)
{
    // Rows the filter hides keep their text, and are saved with the others; they leave the
    // selection with the view. The current cell stays where it was while in sight, else it
    // goes to the first row in sight, selected when nothing else is.
    QTableView* grid = Grid();
    const int current = grid->currentIndex().isValid() ? RowOf(grid->currentIndex()) : -1;
    FFilter->SetText(text);
    const QModelIndex kept = current >= 0 ? CellOf(current, CategoryColumn) : QModelIndex();
    if (!kept.isValid() && FFilter->rowCount() > 0) {
        QItemSelectionModel* selection = grid->selectionModel();
        selection->setCurrentIndex(FFilter->index(0, CategoryColumn),
                                   selection->hasSelection() ? QItemSelectionModel::NoUpdate
                                                             : QItemSelectionModel::ClearAndSelect);
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

QByteArray TVlFrmPaletteMenuCategories::Placement() const
{
    return FShown ? saveGeometry() : FPlacement;
}

void TVlFrmPaletteMenuCategories::RestorePlacement()
{
    try {
        FStoredPlacement = CategoryStore::ReadEditorPlacement(Store());
    } catch (const host::ERegistryException& error) {
        qCWarning(lcPaletteMenu, "Vorla Palette Menu: the editor's size and place were not read: %s",
                  qUtf8Printable(error.Message()));
    }
    // Where it was left in this session, else where the store says. Qt keeps a window it
    // restores on a screen that is there.
    const QByteArray placement = FPlacement.isEmpty() ? FStoredPlacement : FPlacement;
    FPlacedBefore = !placement.isEmpty() && restoreGeometry(placement);
    if (!FPlacedBefore) {
        // As wide as the page column grew for long names, so that the category column keeps
        // the width it was designed with.
        resize(width() + std::max(0, Grid()->columnWidth(PageColumn) - DefaultColumnWidth), height());
        CenterOnScreen();
    }
    FOpenedPlacement = saveGeometry();
}

void TVlFrmPaletteMenuCategories::WritePlacement()
{
    FPlacement = Placement();
    // Written only once the user has placed it: a dialog opened and closed where it opens
    // by itself, or where the store has it, leaves the store as it was.
    if (FPlacement == FStoredPlacement || (!FPlacedBefore && FPlacement == FOpenedPlacement))
        return;
    try {
        CategoryStore::WriteEditorPlacement(FPlacement);
        FStoredPlacement = FPlacement;
    } catch (const host::ERegistryException& error) {
        // The categories are saved; a store that cannot take the placement now (locked by
        // another IDE, read-only) is not worth a word to the user.
        qCWarning(lcPaletteMenu, "Vorla Palette Menu: the editor's size and place were not kept: %s",
                  qUtf8Printable(error.Message()));
    }
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
    FDpi = logicalDpiX();
    FitPageColumn();
    RestorePlacement();
    FShown = true;
    if (QWindow* window = windowHandle()) {
        host::BindEvent(window, &QWindow::screenChanged, this, [this](QScreen* screen) { ScreenChanged(screen); });
        WatchScreen(window->screen());
    }
    // The names in use (of stored pages that have no row too) are read once the dialog is in
    // sight.
    host::RunHandler([this] { ReadNamesInUse(); });
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
    QTableView* grid = Grid();
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
