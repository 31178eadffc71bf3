// The category editor for everyday work: completion of the name being typed, a name that
// shares its submenu with another spelling, several rows at once, the filter, and undo.

#include "tests/common/ScopedDefaultLocale.h"
#include "tests/editor/EditorHelpers.h"

#include <QAbstractItemView>
#include <QAction>
#include <QMenu>
#include <QStandardPaths>
#include <QToolButton>

using namespace editortest;

namespace {

const QStringList Pages{"Alpha", "Beta", "Café page", "Delta"};

// The rows now in sight, as "0,2".
QString VisibleRows(const QTableView* grid)
{
    QStringList rows;
    for (int row = 0; row < RowsModelOf(grid)->rowCount(); ++row)
        if (GridCell(grid, row, 0).isValid())
            rows.append(QString::number(row));
    return rows.join(QLatin1Char(','));
}

// The list of completions open now, or nothing.
QStringList CompletionsShown()
{
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window->objectName() == QLatin1String("lstCategoryCompletions") && window->isVisible())
            if (auto* list = qobject_cast<QAbstractItemView*>(window)) {
                QStringList names;
                for (int row = 0; row < list->model()->rowCount(); ++row)
                    names.append(list->model()->index(row, 0).data().toString());
                return names;
            }
    return {};
}

// Presses a key as a person does: an open list of completions gets it first.
void Press(const QString& key)
{
    QTest::keySequence(KeyTarget(), QKeySequence(key));
    QCoreApplication::processEvents();
}

} // namespace

class EditorWorkflowTest : public QObject {
    Q_OBJECT

    // Row order and the order of names used as often follow the user's locale.
    const ScopedDefaultLocale m_locale{TestLocale()};

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void completionOffersTheNamesInUse_data()
    {
        QTest::addColumn<Store>("store");
        QTest::addColumn<QString>("typed"); // into the first row's cell, replacing its text
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("keys"); // then pressed, before Enter ends the edit
        QTest::addColumn<QString>("cell");
        QTest::newRow("without regard to case; Tab takes it")
            << Store{{"Beta", "Database"}} << "da" << QStringList{"Database"} << QStringList{"Tab"} << "Database";
        QTest::newRow("without regard to accents; Enter takes it")
            << Store{{"Beta", "Café"}} << "CAFE" << QStringList{"Café"} << QStringList{"Return"} << "Café";
        QTest::newRow("most used first, then in order")
            << Store{{"Beta", "Wizards"}, {"Café page", "Widgets;Web"}, {"Delta", "Web"}} << "w"
            << QStringList{"Web", "Widgets", "Wizards"} << QStringList{"Return"} << "Web";
        QTest::newRow("the name after the last \";\"") << Store{{"Beta", "Database;Web"}} << "Database;w"
                                                       << QStringList{"Web"} << QStringList{"Tab"} << "Database;Web";
        QTest::newRow("names the cell has already are left out")
            << Store{{"Beta", "Web"}, {"Delta", "Widgets"}} << "Web;w" << QStringList{"Widgets"} << QStringList{}
            << "Web;w";
        QTest::newRow("the arrow keys mark another")
            << Store{{"Beta", "Web"}, {"Delta", "Web;Wiki"}} << "w" << QStringList{"Web", "Wiki"}
            << QStringList{"Down", "Tab"} << "Wiki";
        QTest::newRow("Escape closes the list; the edit goes on")
            << Store{{"Beta", "Web"}} << "w" << QStringList{"Web"} << QStringList{"Escape", "x"} << "wx";
        QTest::newRow("pages no longer in the palette count")
            << Store{{"Gone page", "Legacy"}} << "le" << QStringList{"Legacy"} << QStringList{"Tab"} << "Legacy";
        QTest::newRow("a name only the cell itself had is not offered")
            << Store{{"Alpha", "Zebra"}, {"Beta", "Web"}} << "z" << QStringList{} << QStringList{} << "z";
        QTest::newRow("no list for a name typed whole")
            << Store{{"Beta", "Web"}} << "Web" << QStringList{} << QStringList{} << "Web";
        QTest::newRow("after a completion, Tab leaves the cell")
            << Store{{"Beta", "Web"}} << "w" << QStringList{"Web"} << QStringList{"Tab", "Tab"} << "Web";
    }
    void completionOffersTheNamesInUse()
    {
        QFETCH(Store, store);
        QFETCH(QString, typed);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, keys);
        QFETCH(QString, cell);
        Loaded loaded(Pages, store);
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            Type(typed);
            QCOMPARE(CompletionsShown(), shown);
            for (const QString& key : keys) {
                if (key.size() == 1)
                    Type(key);
                else
                    Press(key);
            }
            // Enter on a completion takes it and ends the edit in one press.
            if (keys.value(keys.size() - 1) == QLatin1String("Return"))
                QVERIFY(!qobject_cast<QLineEdit*>(QApplication::focusWidget()));
            if (qobject_cast<QLineEdit*>(QApplication::focusWidget()))
                EndEdit(QApplication::focusWidget());
            QCOMPARE(CompletionsShown(), QStringList());
            QCOMPARE(CellsOf(&form).first(), cell);
        }),
                 qPrintable(loaded.failure));
    }

    void nameSharingASubmenuIsMarked_data()
    {
        QTest::addColumn<Store>("store");
        QTest::addColumn<QString>("typed"); // into the first row's cell
        QTest::addColumn<QString>("tip");   // its tooltip afterwards
        QTest::newRow("another letter case") << Store{{"Beta", "Database"}, {"Delta", "Database"}} << "database"
                                             << "database: one submenu with 'Database'";
        QTest::newRow("an \"&\" more") << Store{{"Beta", "Database"}} << "Data&base;Web"
                                       << "Data&base: one submenu with 'Database'";
        QTest::newRow("another name: no mark") << Store{{"Beta", "Database"}} << "Databases"
                                               << "";
        QTest::newRow("the same spelling: no mark") << Store{{"Beta", "Database"}} << "Database"
                                                    << "";
    }
    void nameSharingASubmenuIsMarked()
    {
        QFETCH(Store, store);
        QFETCH(QString, typed);
        QFETCH(QString, tip);
        Loaded loaded(Pages, store);
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            QTableView* grid = GridOf(&form);
            EndEdit(StartEdit(grid, 0, typed));
            QCOMPARE(ToolTipOf(grid, 0, 1), tip);
            // The spelling most used is the one the others are told of, and is not marked.
            QCOMPARE(ToolTipOf(grid, 1, 1), QString());
        }),
                 qPrintable(loaded.failure));
    }

    void rowsFilterAndUndo_data()
    {
        QTest::addColumn<QStringList>("lists"); // the four pages' categories, stored
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("cells"); // afterwards, row by row
        QTest::addColumn<QString>("visible");   // the rows in sight
        QTest::addColumn<QString>("commands");  // which of undo, redo, add, remove can be used
        const QStringList plain{"A;B", "", "web", "C"};
        QTest::newRow("nothing done: nothing to undo or redo") << plain << QStringList{} << plain << "0,1,2,3"
                                                               << "add remove";
        QTest::newRow("add to several rows, each list's names kept in order")
            << plain << QStringList{"select 0-2", "add Web"} << QStringList{"A;B;Web", "Web", "web", "C"} << "0,1,2,3"
            << "undo add remove";
        QTest::newRow("add from the grid's context menu")
            << plain << QStringList{"select 1-3", "menu add X"} << QStringList{"A;B", "X", "web;X", "C;X"} << "0,1,2,3"
            << "undo add remove";
        QTest::newRow("add names holding \";\": each of them")
            << plain << QStringList{"select 0-0", "add X;A;Y"} << QStringList{"A;B;X;Y", "", "web", "C"} << "0,1,2,3"
            << "undo add remove";
        QTest::newRow("Ctrl+click and Shift+Down select") << plain << QStringList{"ctrl-click 2", "Shift+Down", "add Z"}
                                                          << QStringList{"A;B;Z", "", "web;Z", "C;Z"} << "0,1,2,3"
                                                          << "undo add remove";
        QTest::newRow("remove every spelling of the submenu, the rest kept")
            << QStringList{"A;Web;;B", "web", "C", "W&eb"} << QStringList{"select 0-3", "remove Web"}
            << QStringList{"A;;B", "", "C", ""} << "0,1,2,3"
            << "undo add remove";
        QTest::newRow("remove from the context menu")
            << plain << QStringList{"select 0-0", "menu remove A"} << QStringList{"B", "", "web", "C"} << "0,1,2,3"
            << "undo add remove";
        QTest::newRow("undo an add on every row at once")
            << plain << QStringList{"select 0-2", "add Web", "Ctrl+Z"} << plain << "0,1,2,3"
            << "redo add remove";
        QTest::newRow("redo with Ctrl+Shift+Z")
            << plain << QStringList{"select 0-2", "add Web", "Ctrl+Z", "Ctrl+Shift+Z"}
            << QStringList{"A;B;Web", "Web", "web", "C"} << "0,1,2,3"
            << "undo add remove";
        QTest::newRow("redo with Ctrl+Y") << plain << QStringList{"edit 1 New", "Ctrl+Z", "Ctrl+Y"}
                                          << QStringList{"A;B", "New", "web", "C"} << "0,1,2,3"
                                          << "undo add remove";
        QTest::newRow("undo cell by cell, newest first") << plain << QStringList{"edit 1 New", "edit 3 D", "Ctrl+Z"}
                                                         << QStringList{"A;B", "New", "web", "C"} << "0,1,2,3"
                                                         << "undo redo add remove";
        QTest::newRow("undo with the button, an edit open: that edit is undone")
            << plain << QStringList{"edit 1 New", "type Typed", "undo button"} << QStringList{"A;B", "New", "web", "C"}
            << "0,1,2,3"
            << "undo redo add remove";
        QTest::newRow("filter on page names, case and accent blind")
            << plain << QStringList{"filter CAFE"} << plain << "2"
            << "add remove";
        QTest::newRow("filter on categories") << plain << QStringList{"filter WEB"} << plain << "2"
                                              << "add remove";
        QTest::newRow("filter on either") << plain << QStringList{"filter a"} << plain << "0,1,2,3"
                                          << "add remove";
        QTest::newRow("filter to nothing") << plain << QStringList{"filter zzz"} << plain << ""
                                           << "";
        QTest::newRow("add acts on the selected rows in sight only")
            << plain << QStringList{"select 0-3", "filter ta", "add T", "filter "}
            << QStringList{"A;B", "T", "web", "C;T"} << "0,1,2,3"
            << "undo add remove";
        QTest::newRow("edits in rows the filter hides stay")
            << plain << QStringList{"edit 1 Mine", "filter delta", "edit 3 Yours", "filter "}
            << QStringList{"A;B", "Mine", "web", "Yours"} << "0,1,2,3"
            << "undo add remove";
    }
    void rowsFilterAndUndo()
    {
        QFETCH(QStringList, lists);
        QFETCH(QStringList, steps);
        QFETCH(QStringList, cells);
        QFETCH(QString, visible);
        QFETCH(QString, commands);
        Store store;
        for (int row = 0; row < Pages.size(); ++row)
            if (!lists[row].isEmpty())
                store.append({Pages[row], lists[row]});
        Loaded loaded(Pages, store);
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            QTableView* grid = GridOf(&form);
            const auto cellCentre = [grid](int row) { return grid->visualRect(GridCell(grid, row, 1)).center(); };
            const auto action = [&form](const char* name) { return form.findChild<QAction*>(QLatin1String(name)); };
            for (const QString& step : steps) {
                const QString argument = step.section(QLatin1Char(' '), 1);
                if (step.startsWith(QLatin1String("select "))) {
                    const int first = argument.section(QLatin1Char('-'), 0, 0).toInt();
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre(first));
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                                      cellCentre(argument.section(QLatin1Char('-'), 1).toInt()));
                } else if (step.startsWith(QLatin1String("ctrl-click "))) {
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::ControlModifier,
                                      cellCentre(argument.toInt()));
                } else if (step.startsWith(QLatin1String("add ")) || step.startsWith(QLatin1String("remove "))) {
                    const bool add = step.startsWith(QLatin1String("add "));
                    AnswerNextInput(argument);
                    ButtonOf(&form, add ? "btnAddCategory" : "btnRemoveCategory")->click();
                } else if (step.startsWith(QLatin1String("menu "))) {
                    const bool add = argument.startsWith(QLatin1String("add "));
                    AnswerNextInput(argument.section(QLatin1Char(' '), 1));
                    Q_EMIT grid->customContextMenuRequested(grid->visualRect(grid->currentIndex()).center());
                    auto* menu = form.findChild<QMenu*>(QStringLiteral("pmCategories"));
                    QVERIFY(menu && menu->isVisible());
                    QAction* chosen = action(add ? "actAddCategory" : "actRemoveCategory");
                    QVERIFY(menu->actions().contains(chosen));
                    menu->hide();
                    chosen->trigger();
                } else if (step.startsWith(QLatin1String("edit "))) {
                    EndEdit(StartEdit(grid, argument.section(QLatin1Char(' '), 0, 0).toInt(),
                                      argument.section(QLatin1Char(' '), 1)));
                } else if (step.startsWith(QLatin1String("type "))) {
                    grid->setFocus();
                    Type(argument);
                } else if (step == QLatin1String("undo button")) {
                    QTest::mouseClick(form.findChild<QToolButton*>(QStringLiteral("btnUndo")), Qt::LeftButton);
                } else if (step.startsWith(QLatin1String("filter "))) {
                    QTest::keySequence(grid, QKeySequence(Qt::CTRL | Qt::Key_F));
                    QCOMPARE(FocusName(), QStringLiteral("edFilter"));
                    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
                    QTest::keyClicks(QApplication::focusWidget(), argument);
                    grid->setFocus();
                } else {
                    QTest::keySequence(grid, QKeySequence(step));
                }
                QCoreApplication::processEvents();
            }
            QCOMPARE(CellsOf(&form), cells);
            QCOMPARE(VisibleRows(grid), visible);
            const QList<QPair<const char*, QWidget*>> buttons{
                {"undo", form.findChild<QToolButton*>(QStringLiteral("btnUndo"))},
                {"redo", form.findChild<QToolButton*>(QStringLiteral("btnRedo"))},
                {"add", ButtonOf(&form, "btnAddCategory")},
                {"remove", ButtonOf(&form, "btnRemoveCategory")}};
            QStringList usable;
            for (const auto& [name, button] : buttons)
                if (button->isEnabled())
                    usable.append(QLatin1String(name));
            QCOMPARE(usable.join(QLatin1Char(' ')), commands);

            // OK saves every row, those the filter hides too.
            ButtonOf(&form, "btnOk")->click();
        }),
                 qPrintable(loaded.failure));
        Store saved;
        for (int row = 0; row < Pages.size(); ++row)
            if (!cells[row].isEmpty())
                saved.append({Pages[row], cells[row]});
        Store entries = StoreEntries();
        std::sort(entries.begin(), entries.end());
        std::sort(saved.begin(), saved.end());
        QCOMPARE(entries, saved);
        QCOMPARE(loaded.ide.reported(), QStringList());
    }
};

QTEST_MAIN(EditorWorkflowTest)

#include "tst_editorworkflow.moc"
