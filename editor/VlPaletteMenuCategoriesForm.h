#pragma once

#include "editor/CategoryNames.h"

#include "host/Registry.h"
#include "host/Theming.h"

#include <QDialog>
#include <QMetaObject>
#include <QRect>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAction;
class QInputDialog;
class QLineEdit;
class QMenu;
class QPainter;
class QScreen;
class QTableWidget;
class QUndoStack;

namespace Ui {
class TVlFrmPaletteMenuCategories;
}

class CategoriesDelegate;
class CategoryCompleter;

// The category editor: one row per palette page, its name (read-only) beside its category
// list (editable). OK writes every row back to the store as one change and closes the
// dialog; when the store fails, the host shows why and the dialog stays open with every
// edit, so that OK can try again or Cancel give up. Cancel and closing the window leave the
// categories in the store as they were. Neither button is the default or the cancel button,
// so Enter and Escape stay with the cell being edited and never close the dialog.
//
// For everyday work: the names in use complete the one being typed; several rows can be
// selected and a category added to or removed from all of them; a filter shows only the
// rows that contain a text; every change can be undone until the dialog closes. The dialog
// remembers its size and place in the store (section "Editor", never "Categories").
class TVlFrmPaletteMenuCategories : public QDialog {
    Q_OBJECT

public:
    // How a cell is to be drawn. The header row is row 0 of the grid.
    struct TGridDrawState {
        bool selected = false;
        bool focused = false;
    };
    // One category cell's text before and after a change; row counts from 0.
    struct CellChange {
        int row;
        QString before;
        QString after;
    };

    explicit TVlFrmPaletteMenuCategories(QWidget* owner = nullptr);
    ~TVlFrmPaletteMenuCategories() override;

    // The pages to edit, as palette captions, one row each in this order. Give one caption
    // per store entry (UniquePageCaptions, pages/PageOrder.h), or a later row would overwrite an earlier one.
    void SetCategories(const QStringList& list);
    // The page's category list as stored; "" when the page has none.
    QString GetCategory(const QString& page) const;
    // Fills the grid from the pages and the store, and selects the first category cell.
    void UpdateControls();
    // Writes every row to the store as one all-or-nothing change, the cell still being
    // edited and the rows the filter hides included: a list as typed, or no entry for an
    // empty cell.
    void SaveCategories();

    // The grid rows (from 0) whose category cells are selected, in order; rows the filter
    // hides are left out.
    QList<int> SelectedRows() const;
    // Adds name to the list of every selected row that does not file its page under name's
    // submenu already, after the list's other names; a name holding ";" adds each of its
    // names. One step to undo.
    void AddCategory(const QString& name);
    // Takes every name of name's submenu out of the selected rows' lists, keeping the other
    // names in their order. One step to undo.
    void RemoveCategory(const QString& name);

    // The form's events. The form runs them through the host, which reports whatever
    // they throw.
    void FormCreate(QObject* sender);
    void FormDestroy(QObject* sender);
    void FormResize(QObject* sender);
    void FormAfterMonitorDpiChanged(QObject* sender);
    // Draws one cell of the grid; row 0 is the header.
    void grdCategoriesDrawCell(QPainter& canvas, int col, int row, const QRect& rect, TGridDrawState state);
    // Whether a cell may be selected, and so edited: only the category column.
    bool grdCategoriesSelectCell(int col, int row);
    void btnOkClick(QObject* sender);
    void btnAddCategoryClick(QObject* sender);
    void btnRemoveCategoryClick(QObject* sender);
    void edFilterChange(QObject* sender);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void changeEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void done(int result) override;

private:
    friend class CategoriesDelegate;

    // What the filter compares of one row, folded for search; made when first needed.
    struct RowSearchText {
        QString page;
        QString categories;
        bool known = false;
    };

    host::TRegIniFile& Store() const;
    QTableWidget* Grid() const;
    QString CellText(int col, int row) const;
    void DrawCell(QPainter& canvas, int col, int row, const QRect& rect, TGridDrawState state);
    bool CanSelectCell(int col, int row);
    QColor LabelColor(const QColor& text, const QColor& background) const;

    // Edits, undo and redo.
    void CommitCell(int row, const QString& text);
    void ChangeCells(const QString& what, const std::vector<CellChange>& changes);
    void SetCellText(int row, const QString& text);
    void RowsChanged(int first, int last);
    void FinishEdit();
    void UpdateCommands();
    void ShowContextMenu(const QPoint& position);
    // Asks for a category in a dialog of the editor's own; the text, or nothing when the
    // dialog was cancelled or the editor has gone meanwhile.
    std::optional<QString> AskCategory(const char* name, const QString& title, const QString& label,
                                       const std::function<void(QInputDialog&)>& setUp);
    void TabOutOfGrid(bool forward);

    // Names in use, completion, and names that share a submenu with another spelling.
    const CategoryNameIndex& Names();
    void CountNamesSoon();
    void LoadStoreOnlyLists();
    QStringList CompletionsForRow(int row, const QString& typed, const QStringList& others);
    QList<QPair<QString, QString>> SubmenuTwins(const QString& list);
    QString CellToolTip(int col, int row, int width);

    const RowSearchText& SearchText(int row);
    void ApplyFilter(const QString& text);

    void RestorePlacement();
    void WritePlacement();
    void UpdateMinimumSize();
    void WatchScreen(QScreen* screen);
    void ScreenChanged(QScreen* screen);
    void MonitorDpiChanged();
    void CenterOnScreen();

    std::unique_ptr<Ui::TVlFrmPaletteMenuCategories> ui;
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
    QAction* actUndo = nullptr;
    QAction* actRedo = nullptr;
    QAction* actAddCategory = nullptr;
    QAction* actRemoveCategory = nullptr;
    QMenu* pmCategories = nullptr;

    std::optional<CategoryNameIndex> FNames; // made afresh after every change of a row
    QStringList FStoredLists;                // the rows' lists as the store had them
    QStringList FStoreOnlyLists;             // lists of stored pages that have no row
    bool FStoreOnlyLoaded = false;
    // The section as UpdateControls read it whole, until the lists of pages without a row are
    // taken from it; nothing when it was read row by row.
    std::optional<QList<QPair<QString, QString>>> FSectionRead;
    bool FCountingSoon = false;
    std::vector<RowSearchText> FSearchText;

    bool FLaidOut = false; // the layout's widgets are made
    bool FFilling = false; // UpdateControls is filling the grid
    bool FShown = false;
    int FDpi = 0;          // the resolution the form was last laid out for
    QRect FPlacedGeometry; // where the dialog was put when it opened
    bool FPlacedMaximized = false;
    QMetaObject::Connection FScreenDpiWatch;
};
