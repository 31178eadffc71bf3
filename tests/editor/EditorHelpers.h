#pragma once

// What the category editor's tests share: the package loaded into a test IDE with a palette
// and a store, "Edit Categories..." chosen and the dialog worked from inside its modal loop,
// and the grid read and typed into as a person would.

#include "editor/VlPaletteMenuCategoriesForm.h"
#include "palette/VlPaletteMenu.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/TestIde.h"

#include "host/Registry.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QHelpEvent>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QTextDocumentFragment>
#include <QTimer>
#include <QToolTip>
#include <QtTest>

#include <functional>
#include <map>

namespace editortest {

using Store = QList<QPair<QString, QString>>;
using Edits = QList<QPair<int, QString>>; // row among the pages, text typed in its category cell

inline const QString Key = QStringLiteral("Software\\Vorla\\Palette Menu");
inline const QString Section = QStringLiteral("Categories");

inline Store StoreEntries()
{
    return host::TRegIniFile(Key).ReadSectionEntries(Section);
}

inline QTableView* GridOf(const QWidget* form)
{
    return form->findChild<QTableView*>(QStringLiteral("grdCategories"));
}

// The grid's rows, those its filter hides included.
inline QAbstractItemModel* RowsModelOf(const QTableView* grid)
{
    return static_cast<const QSortFilterProxyModel*>(grid->model())->sourceModel();
}

// The text of a cell of the rows, those the filter hides included.
inline QString CellText(const QTableView* grid, int row, int col)
{
    return RowsModelOf(grid)->index(row, col).data().toString();
}

// The grid's cell that shows a cell of the rows; invalid while the filter hides it.
inline QModelIndex GridCell(const QTableView* grid, int row, int col)
{
    return static_cast<const QSortFilterProxyModel*>(grid->model())->mapFromSource(RowsModelOf(grid)->index(row, col));
}

inline QPushButton* ButtonOf(const QWidget* form, const char* name)
{
    return form->findChild<QPushButton*>(QLatin1String(name));
}

// The grid's rows as "page=categories".
inline QStringList RowsOf(const QWidget* form)
{
    const QTableView* grid = GridOf(form);
    QStringList rows;
    for (int row = 0; row < RowsModelOf(grid)->rowCount(); ++row)
        rows.append(CellText(grid, row, 0) + QLatin1Char('=') + CellText(grid, row, 1));
    return rows;
}

// Opens the category cell's editor and puts text in it, as typing would; the editor stays open.
inline QLineEdit* StartEdit(QTableView* grid, int row, const QString& text)
{
    grid->setCurrentIndex(GridCell(grid, row, 1));
    grid->edit(grid->currentIndex());
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
    if (editor)
        editor->setText(text);
    return editor;
}

// Types text key by key into whatever has the focus, as a person would: the first key
// opens the grid's editor, the others go to it.
inline void Type(const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

// Ends the open edit with Enter; its editor closes once the event loop comes round.
inline void EndEdit(QWidget* editor)
{
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

// Every file of the store (database, journal), as bytes.
inline std::map<QString, QByteArray> StoreFiles(const QString& dir)
{
    std::map<QString, QByteArray> files;
    for (QDirIterator it(dir, QDir::Files | QDir::Hidden); it.hasNext();) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files[file.fileName()] = file.readAll();
    }
    return files;
}

// The category cells' texts, row by row, the rows the filter hides included.
inline QStringList CellsOf(const QWidget* form)
{
    const QTableView* grid = GridOf(form);
    QStringList cells;
    for (int row = 0; row < RowsModelOf(grid)->rowCount(); ++row)
        cells.append(CellText(grid, row, 1));
    return cells;
}

// The object name of the widget that has the keyboard focus, or "".
inline QString FocusName()
{
    const QWidget* focus = QApplication::focusWidget();
    return focus ? focus->objectName() : QString();
}

// Where keys go as a person presses them: to an open list of completions, else to the focus.
inline QWidget* KeyTarget()
{
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    return QApplication::focusWidget();
}

// The tooltip a pointer resting on the cell shows, as plain text; "" for none.
inline QString ToolTipOf(QTableView* grid, int row, int col)
{
    // A tooltip hides a moment after it is told to.
    QToolTip::hideText();
    if (!QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 5000))
        return QStringLiteral("(an earlier tooltip never hid)");
    const QRect cell = grid->visualRect(grid->model()->index(row, col));
    QHelpEvent help(QEvent::ToolTip, cell.center(), grid->viewport()->mapToGlobal(cell.center()));
    QCoreApplication::sendEvent(grid->viewport(), &help);
    return QToolTip::isVisible() ? QTextDocumentFragment::fromHtml(QToolTip::text()).toPlainText() : QString();
}

// Answers the next question the editor asks from inside the current dialog with the button
// of that name; *asked is what it asked.
inline void AnswerNextQuestion(const QString& button, QString* asked = nullptr)
{
    QTimer::singleShot(0, [button, asked] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            if (asked)
                *asked = box->text() + QLatin1Char('\n') + box->informativeText();
            if (auto* answer = box->findChild<QAbstractButton*>(button))
                answer->click();
        }
    });
}

// Answers the next modal dialog opened from inside the current one (an input dialog of the
// editor) with text, and accepts it.
inline void AnswerNextInput(const QString& text)
{
    QTimer::singleShot(0, [text] {
        if (auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
            input->setTextValue(text);
            input->accept();
        }
    });
}

// The package, loaded into a test IDE with the given palette and store.
class Loaded : public LoadedPackage {
public:
    using LoadedPackage::LoadedPackage;

    QString MainMenuGrouping() { return Grouping(module->PaletteMenu(), QLatin1Char('|')); }
    QString ButtonMenuGrouping() { return Grouping(module->PaletteButtonMenu(), QLatin1Char('|')); }

    // Chooses "Edit Categories..." in a menu and runs work on the dialog while it is shown;
    // the dialog is closed afterwards if work left it open. False, with the reason in
    // failure, when the dialog did not show as it should or was not freed.
    bool Edit(const std::function<void(QDialog&)>& work, QMenu* menu = nullptr)
    {
        if (!menu)
            menu = module->PaletteMenu();
        failure = QStringLiteral("the dialog never showed");
        QTimer::singleShot(0, &ide.window, [&] {
            auto* form = qobject_cast<TVlFrmPaletteMenuCategories*>(QApplication::activeModalWidget());
            if (!form)
                return;
            if (!QTest::qWaitForWindowActive(form)) {
                failure = QStringLiteral("the dialog never became active");
                form->reject();
                return;
            }
            failure = form->parentWidget() == &ide.window ? QString() : QStringLiteral("not owned by the application");
            work(*form);
            // Closed by the test, not by the user: nothing asked.
            if (form->isVisible())
                form->done(QDialog::Rejected);
        });
        Q_EMIT menu->aboutToShow();
        if (QAction* item = CommandItem(menu, QStringLiteral("EditCategoriesCommand")))
            item->trigger();
        if (failure.isEmpty() && !ide.window.findChildren<TVlFrmPaletteMenuCategories*>().isEmpty())
            failure = QStringLiteral("the dialog was not freed");
        return failure.isEmpty();
    }

    QString failure;
};

} // namespace editortest
