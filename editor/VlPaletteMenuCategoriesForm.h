#pragma once

#include "editor/CategoriesModel.h"

#include "host/Registry.h"
#include "host/Theming.h"

#include <QDialog>
#include <QMetaObject>
#include <QSet>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QInputDialog;
class QMenu;
class QPainter;
class QScreen;
class QTableView;
class QUndoStack;

namespace Ui {
class CategoryEditor;
}

class CategoriesDelegate;
class CategoryCompleter;

// The category editor: one row per palette page, its name (read-only) beside its category
// list (editable). OK writes the rows the user changed back to the store as one change and
// closes the dialog; a row another IDE changed meanwhile is asked about first. When the store
// fails, the host shows why and the dialog stays open with every edit, so that OK can try
// again or Cancel give up. Cancel and closing the window ask before they drop edits, and
// write nothing. Neither button is the default or the cancel button, so Enter and Escape stay
// with the cell being edited and never close the dialog.
//
// For everyday work: the names in use complete the one being typed; several rows can be
// selected and a category added to or removed from all of them; a filter shows only the
// rows that contain a text; every change can be undone until the dialog closes. The rows are
// a model (CategoriesModel), the grid a view of it through the filter. The dialog's size and
// place are kept in the store when it closes with OK.
class TVlFrmPaletteMenuCategories : public QDialog {
    Q_OBJECT

public:
    // How a cell is to be drawn.
    struct TGridDrawState {
        bool selected = false;
        bool focused = false;
    };
    // The row that grdCategoriesDrawCell draws for the grid's header.
    static constexpr int HeaderRow = -1;

    explicit TVlFrmPaletteMenuCategories(QWidget* owner = nullptr);
    ~TVlFrmPaletteMenuCategories() override;

    // The pages to edit, as palette captions, one row each in this order. Give one caption
    // per store entry (UniquePageCaptions, pages/PageOrder.h), or a later row would overwrite an earlier one.
    void SetCategories(const QStringList& list);
    // The page's category list as stored; "" when the page has none.
    QString GetCategory(const QString& page) const;
    // Fills the grid from the pages and the store, and selects the first category cell.
    void UpdateControls();
    // Writes the rows changed since they were read (the cell still being edited and rows the
    // filter hides included) as one all-or-nothing change: a list as typed, or no entry for
    // an empty cell. When another writer changed one of those pages meanwhile, asks which
    // list to keep; false when the user cancelled that question and nothing was written.
    bool SaveCategories();

    // The rows (from 0) whose category cells are selected, in order; rows the filter hides
    // are left out.
    QList<int> SelectedRows() const;
    // Adds name to the list of every selected row that does not file its page under name's
    // submenu already, after the list's other names; a name holding ";" adds each of its
    // names. One step to undo.
    void AddCategory(const QString& name);
    // Takes every name of name's submenu out of the selected rows' lists, keeping the other
    // names as written. One step to undo.
    void RemoveCategory(const QString& name);

    // The size and place to open at, as Placement() gave them (kept by the caller for this
    // session); without one, the dialog opens where the store says, else centred.
    void SetPlacement(const QByteArray& placement) { FPlacement = placement; }
    QByteArray Placement() const;

    // The form's events. The form runs them through the host, which reports whatever
    // they throw.
    void FormCreate(QObject* sender);
    void FormDestroy(QObject* sender);
    void FormResize(QObject* sender);
    void FormAfterMonitorDpiChanged(QObject* sender);
    // Draws one cell of the grid: row counts the pages from 0, or is HeaderRow.
    void grdCategoriesDrawCell(QPainter& canvas, int col, int row, const QRect& rect, TGridDrawState state);
    // Whether a cell may be selected, and so edited: only the category column.
    bool grdCategoriesSelectCell(int col, int row);
    void btnOkClick(QObject* sender);
    void btnAddCategoryClick(QObject* sender);
    void btnRemoveCategoryClick(QObject* sender);
    void edFilterChange(QObject* sender);

public Q_SLOTS:
    // Asks first when rows were edited, and stays when the user keeps them.
    void reject() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class CategoriesDelegate;

    host::TRegIniFile& Store() const;
    QTableView* Grid() const;
    // The row of the rows (the model's) that a cell of the grid shows.
    int RowOf(const QModelIndex& cell) const;
    QModelIndex CellOf(int row, int col) const;
    QString CellText(int col, int row) const;
    void DrawCell(QPainter& canvas, int col, int row, const QRect& rect, TGridDrawState state);
    bool CanSelectCell(int col, int row);
    QColor LabelColor(const QColor& text, const QColor& background) const;

    // Edits, undo and redo.
    void RowsChanged();
    void Reveal(int row);
    void FinishEdit();
    void UpdateCommands();
    void ShowContextMenu(const QPoint& position);
    // Asks for a category in a dialog of the editor's own; the text, or nothing when the
    // dialog was cancelled or the editor has gone meanwhile.
    std::optional<QString> AskCategory(const char* name, const QString& title, const QString& label,
                                       const std::function<void(QInputDialog&)>& setUp);
    void TabOutOfGrid(bool forward);
    // Which list to keep of a page that another writer changed: true for the user's.
    std::optional<bool> AskWhichToKeep(const QString& page, const QString& mine, const QString& stored, int more,
                                       bool* forAll);

    // The names of stored pages without a row, read a part at a time between events.
    void ReadNamesInUse();
    void ReadNamesPart();
    QStringList CompletionsForRow(int row, const QString& typed, const QStringList& others);
    QList<QPair<QString, QString>> SubmenuTwins(const QString& list);
    QString CellToolTip(int col, int row, int width);

    void ApplyFilter(const QString& text);

    void FitPageColumn();
    void RestorePlacement();
    void WritePlacement();
    void UpdateMinimumSize();
    void WatchScreen(QScreen* screen);
    void ScreenChanged(QScreen* screen);
    void MonitorDpiChanged();
    void CenterOnScreen();

    std::unique_ptr<Ui::CategoryEditor> ui;
    CategoriesDelegate* FDelegate = nullptr; // owned by the grid
    CategoryCompleter* FCompleter = nullptr; // completes in each cell edited in turn

    host::TColor FPanelColor = 0;
    host::TColor FEditColor = 0;
    host::TColor FFontColor = 0;
    host::TColor FLabelColor = 0;
    host::TColor FHighlightColor = 0;
    host::TColor FHighlightTextColor = 0;
    bool FStyleColors = false; // the colours above came from the IDE's style
    QStringList FCategories;
    std::unique_ptr<host::TRegIniFile> FReg;

    QUndoStack* FUndo = nullptr;
    CategoriesModel* FRows = nullptr;
    CategoriesFilter* FFilter = nullptr;
    QAction* actUndo = nullptr;
    QAction* actRedo = nullptr;
    QAction* actAddCategory = nullptr;
    QAction* actRemoveCategory = nullptr;
    QMenu* pmCategories = nullptr;

    // The section as UpdateControls read it whole, until the names of pages without a row are
    // taken from it; nothing when it was read row by row.
    std::optional<QList<QPair<QString, QString>>> FSectionRead;
    qint64 FNamesPosition = 0; // where the next part of the section starts
    bool FReadingNames = false;
    QSet<QString> FRowPages; // the rows' page keys, while names are read

    bool FLaidOut = false; // the layout's widgets are made
    bool FShown = false;
    int FDpi = 0;                // the resolution the form was last laid out for
    QByteArray FPlacement;       // where to open, then where it closed
    QByteArray FStoredPlacement; // what the store holds
    QByteArray FOpenedPlacement; // where it opened
    bool FPlacedBefore = false;  // opened where the user left it before
    QMetaObject::Connection FScreenDpiWatch;
};
