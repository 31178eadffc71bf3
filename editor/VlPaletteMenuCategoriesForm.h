#pragma once

#include "host/Registry.h"
#include "host/Theming.h"

#include <QDialog>
#include <QMetaObject>
#include <QStringList>

#include <memory>

class QPainter;
class QRect;
class QScreen;
class QTableWidget;

namespace Ui {
class TVlFrmPaletteMenuCategories;
}

class CategoriesDelegate;

// The category editor: one row per palette page, its name (read-only) beside its category
// list (editable). OK writes every row back to the store as one change; Cancel and closing
// the window leave the store as it was. Neither button is the default or the cancel button,
// so Enter and Escape stay with the cell being edited and never close the dialog.
class TVlFrmPaletteMenuCategories : public QDialog {
    Q_OBJECT

public:
    // How a cell is to be drawn. The header row is row 0 of the grid.
    struct TGridDrawState {
        bool selected = false;
        bool focused = false;
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
    // edited included: a list as typed, or no entry for an empty cell.
    void SaveCategories();

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

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    host::TRegIniFile& Store() const;
    QTableWidget* Grid() const;
    QString CellText(int col, int row) const;
    void DrawCell(QPainter& canvas, int col, int row, const QRect& rect, TGridDrawState state);
    bool CanSelectCell(int col, int row);
    void WatchScreen(QScreen* screen);
    void MonitorDpiChanged();
    void CenterOnScreen();

    std::unique_ptr<Ui::TVlFrmPaletteMenuCategories> ui;
    CategoriesDelegate* FDelegate = nullptr; // owned by the grid

    host::TColor FPanelColor = 0;
    host::TColor FEditColor = 0;
    host::TColor FFontColor = 0;
    host::TColor FLabelColor = 0;
    host::TColor FHighlightColor = 0;
    host::TColor FHighlightTextColor = 0;
    bool FStyleColors = false; // the colours above came from the IDE's style
    QStringList FCategories;
    std::unique_ptr<host::TRegIniFile> FReg;

    bool FShown = false;
    QMetaObject::Connection FScreenDpiWatch;
};
