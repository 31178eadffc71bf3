#include "editor/VlPaletteMenuCategoriesForm.h"
#include "palette/VlPaletteMenu.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/ScopedDefaultLocale.h"
#include "tests/common/TestIde.h"

#include "host/Registry.h"
#include "host/Theming.h"
#include "host/private/IdeHost.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStandardPaths>
#include <QTableWidget>
#include <QWindow>
#include <QtTest>

#include <cmath>
#include <functional>
#include <map>

namespace {

using Store = QList<QPair<QString, QString>>;
using Edits = QList<QPair<int, QString>>; // row among the pages, text typed in its category cell

const QString Key = QStringLiteral("Software\\Vorla\\Palette Menu");
const QString Section = QStringLiteral("Categories");

// The offscreen screens this test runs on: the usual one, and two at other resolutions
// to move the dialog to.
constexpr int ScreenWidth = 1280;
const int ScreenDpis[] = {96, 144, 132};

Store StoreEntries()
{
    return host::TRegIniFile(Key).ReadSectionEntries(Section);
}

QTableWidget* GridOf(const QWidget* form)
{
    return form->findChild<QTableWidget*>(QStringLiteral("grdCategories"));
}

QPushButton* ButtonOf(const QWidget* form, const char* name)
{
    return form->findChild<QPushButton*>(QLatin1String(name));
}

// The grid's rows as "page=categories".
QStringList RowsOf(const QWidget* form)
{
    const QTableWidget* grid = GridOf(form);
    QStringList rows;
    for (int row = 0; row < grid->rowCount(); ++row)
        rows.append(grid->item(row, 0)->text() + QLatin1Char('=') + grid->item(row, 1)->text());
    return rows;
}

// Opens the category cell's editor and puts text in it, as typing would; the editor stays open.
QLineEdit* StartEdit(QTableWidget* grid, int row, const QString& text)
{
    grid->setCurrentCell(row, 1);
    grid->edit(grid->currentIndex());
    auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(grid->currentIndex()));
    if (editor)
        editor->setText(text);
    return editor;
}

// Types text key by key into whatever has the focus, as a person would: the first key
// opens the grid's editor, the others go to it.
void Type(const QString& text)
{
    for (const QChar c : text)
        QTest::keyClick(QApplication::focusWidget(), c.toLatin1());
}

// Ends the open edit with Enter; its editor closes once the event loop comes round.
void EndEdit(QWidget* editor)
{
    QTest::keyClick(editor, Qt::Key_Return);
    QCoreApplication::processEvents();
}

// Every file of the store (database, journal), as bytes.
std::map<QString, QByteArray> StoreFiles(const QString& dir)
{
    std::map<QString, QByteArray> files;
    for (QDirIterator it(dir, QDir::Files | QDir::Hidden); it.hasNext();) {
        QFile file(it.next());
        if (file.open(QIODevice::ReadOnly))
            files[file.fileName()] = file.readAll();
    }
    return files;
}

// The package, loaded into a test IDE with the given palette and store.
class Loaded : public LoadedPackage {
public:
    using LoadedPackage::LoadedPackage;

    QString MainMenuGrouping() { return Grouping(module->PaletteMenu(), QLatin1Char('|')); }
    QString ButtonMenuGrouping() { return Grouping(module->PaletteButtonMenu(), QLatin1Char('|')); }

    // Chooses "Edit Categories..." in a menu and runs work on the dialog while it is shown;
    // the dialog is cancelled afterwards if work left it open. False, with the reason in
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
            if (form->isVisible())
                form->reject();
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

// A colour in the middle of a cell's text or of its background, read off the screen.
struct CellColors {
    QColor background;
    QColor text;
};

} // namespace

class CategoryEditorTest : public QObject {
    Q_OBJECT

    // Row order follows the user's locale; these cases are written for English.
    const ScopedDefaultLocale m_locale{TestLocale()};

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QCOMPARE(QGuiApplication::screens().size(), qsizetype(std::size(ScreenDpis)));
    }
    void cleanup() { host::ide::setTheme(host::ide::Theme::None); }

    void okSavesTheGrid_data()
    {
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<Store>("store");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<Edits>("edits");
        QTest::addColumn<Store>("saved");

        QTest::newRow("typed list stored as typed, untrimmed")
            << QStringList{"Standard"} << Store{} << QStringList{"Standard="} << Edits{{0, " Visual ;;Web "}}
            << Store{{"Standard", " Visual ;;Web "}};
        QTest::newRow("cleared cell deletes the entry")
            << QStringList{"Standard", "Win32"} << Store{{"Standard", "Common"}, {"Win32", "Native"}}
            << QStringList{"Standard=Common", "Win32=Native"} << Edits{{0, ""}} << Store{{"Win32", "Native"}};
        QTest::newRow("rows in menu order, untouched rows kept")
            << QStringList{"win32", "Additional", "Standard"} << Store{{"Standard", "Common"}}
            << QStringList{"Additional=", "Standard=Common", "win32="} << Edits{{2, "Native"}}
            << Store{{"Standard", "Common"}, {"win32", "Native"}};
        QTest::newRow("& removed in the grid and in the store")
            << QStringList{"Data &Access", "R&&D"} << Store{} << QStringList{"Data Access=", "RD="}
            << Edits{{0, "DB"}, {1, "Lab"}} << Store{{"Data Access", "DB"}, {"RD", "Lab"}};
        QTest::newRow("stored under another case: shown, and replaced in place")
            << QStringList{"Standard"} << Store{{"STANDARD", "Common"}} << QStringList{"Standard=Common"}
            << Edits{{0, "Mine"}} << Store{{"STANDARD", "Mine"}};
        QTest::newRow("duplicate captions: one row")
            << QStringList{"Standard", "Standard"} << Store{} << QStringList{"Standard="} << Edits{{0, "A"}}
            << Store{{"Standard", "A"}};
        QTest::newRow("case twins: one row, named by the first in palette order")
            << QStringList{"data", "Data", "DATA"} << Store{} << QStringList{"data="} << Edits{{0, "A"}}
            << Store{{"data", "A"}};
        QTest::newRow("&-twins: one row, named by the first in palette order")
            << QStringList{"da&ta", "Data", "D&ata"} << Store{} << QStringList{"data="} << Edits{{0, "A"}}
            << Store{{"data", "A"}};
        QTest::newRow("two store entries, two rows")
            << QStringList{"Straße", "Strasse"} << Store{} << QStringList{"Strasse=", "Straße="}
            << Edits{{0, "ss"}, {1, "ß"}} << Store{{"Strasse", "ss"}, {"Straße", "ß"}};
    }
    void okSavesTheGrid()
    {
        QFETCH(QStringList, pages);
        QFETCH(Store, store);
        QFETCH(QStringList, rows);
        QFETCH(Edits, edits);
        QFETCH(Store, saved);

        Loaded loaded(pages, store);
        QStringList shown;
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            shown = RowsOf(&form);
            QTableWidget* grid = GridOf(&form);
            for (const auto& [row, text] : edits)
                EndEdit(StartEdit(grid, row, text));
            ButtonOf(&form, "btnOk")->click();
        }),
                 qPrintable(loaded.failure));
        QCOMPARE(shown, rows);
        Store entries = StoreEntries();
        std::sort(entries.begin(), entries.end());
        QCOMPARE(entries, saved);
        QCOMPARE(loaded.ide.reported(), QStringList());
    }

    void okRegroupsBothMenus_data()
    {
        QTest::addColumn<bool>("fromButtonMenu");
        QTest::newRow("from the main menu") << false;
        QTest::newRow("from the button menu") << true;
    }
    void okRegroupsBothMenus()
    {
        QFETCH(bool, fromButtonMenu);
        Loaded loaded({"Standard", "Dialogs", "Win32"}, {{"Win32", "Native"}});
        QVERIFY2(loaded.Edit(
                     [](QDialog& form) {
                         // By keyboard, as a person: type over the first cell, Enter, down,
                         // type, Enter, down, clear the last one with F2, then OK by mouse.
                         Type(QStringLiteral("UI;Common"));
                         EndEdit(QApplication::focusWidget());
                         QTest::keyClick(GridOf(&form), Qt::Key_Down);
                         Type(QStringLiteral("Common"));
                         EndEdit(QApplication::focusWidget());
                         QTest::keyClick(GridOf(&form), Qt::Key_Down);
                         QTest::keyClick(GridOf(&form), Qt::Key_F2);
                         QTest::keySequence(QApplication::focusWidget(), QKeySequence::SelectAll);
                         QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backspace);
                         QTest::mouseClick(ButtonOf(&form, "btnOk"), Qt::LeftButton);
                     },
                     fromButtonMenu ? loaded.module->PaletteButtonMenu() : loaded.module->PaletteMenu()),
                 qPrintable(loaded.failure));
        const QString expected = QStringLiteral("Common[Dialogs,Standard]|Other[Win32]|UI[Dialogs]");
        QCOMPARE(loaded.MainMenuGrouping(), expected);
        QCOMPARE(loaded.ButtonMenuGrouping(), expected);
    }

    void leavingWithoutSavingKeepsTheStoreByteForByte_data()
    {
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QString>("leave");
        const QStringList pages{"Standard", "Win32"};
        QTest::newRow("Cancel after edits") << pages << "Cancel";
        QTest::newRow("window closed after edits") << pages << "close";
        QTest::newRow("Escape, then Cancel by keyboard") << pages << "Escape";
        QTest::newRow("no pages: header alone, OK writes nothing") << QStringList{} << "OK";
    }
    void leavingWithoutSavingKeepsTheStoreByteForByte()
    {
        QFETCH(QStringList, pages);
        QFETCH(QString, leave);
        Loaded loaded(pages, {{"Standard", "Common"}, {"Other page", "X"}});
        // The package connects to the store when a menu first opens, as a user's would.
        loaded.MainMenuGrouping();
        const auto before = StoreFiles(loaded.ide.store.folder());
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            QTableWidget* grid = GridOf(&form);
            QCOMPARE(grid->columnCount(), 2);
            QVERIFY(grid->horizontalHeader()->isVisible());
            for (int row = 0; row < grid->rowCount(); ++row)
                EndEdit(StartEdit(grid, row, QStringLiteral("Edited %1").arg(row)));
            if (leave == QLatin1String("Cancel")) {
                QTest::mouseClick(ButtonOf(&form, "btnCancel"), Qt::LeftButton);
            } else if (leave == QLatin1String("close")) {
                form.close();
            } else if (leave == QLatin1String("Escape")) {
                QTest::keyClick(grid, Qt::Key_Escape);
                QVERIFY(form.isVisible());
                QTest::keyClick(grid, Qt::Key_Tab);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), ButtonOf(&form, "btnCancel"));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            } else {
                ButtonOf(&form, "btnOk")->click();
            }
            QVERIFY(!form.isVisible());
        }),
                 qPrintable(loaded.failure));
        QVERIFY(StoreFiles(loaded.ide.store.folder()) == before);
        QCOMPARE(loaded.ide.reported(), QStringList());
    }

    void cellStillInEditIsSaved_data()
    {
        QTest::addColumn<bool>("byOk");
        QTest::newRow("OK clicked with the mouse") << true;
        QTest::newRow("saved while the editor is open") << false;
    }
    void cellStillInEditIsSaved()
    {
        QFETCH(bool, byOk);
        Loaded loaded({"Standard"});
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            QVERIFY(StartEdit(GridOf(&form), 0, QStringLiteral("Typed")));
            if (byOk)
                QTest::mouseClick(ButtonOf(&form, "btnOk"), Qt::LeftButton);
            else
                static_cast<TVlFrmPaletteMenuCategories&>(form).SaveCategories();
        }),
                 qPrintable(loaded.failure));
        QCOMPARE(StoreEntries(), (Store{{"Standard", "Typed"}}));
    }

    void storeFailureWhileSavingIsReportedAndChangesNothing()
    {
        const Store store{{"A", "old"}, {"B", "kept"}};
        Loaded loaded({"A", "B", "C"}, store);
        QVERIFY2(loaded.Edit([](QDialog& form) {
            QTableWidget* grid = GridOf(&form);
            EndEdit(StartEdit(grid, 0, QStringLiteral("new")));
            EndEdit(StartEdit(grid, 1, QString()));
            // More than the store takes in one value (more than can be typed, too): the last
            // row fails.
            grid->item(2, 1)->setText(QString(host::TRegIniFile::MaxValueLength + 1, QLatin1Char('x')));
            ButtonOf(&form, "btnOk")->click();
        }),
                 qPrintable(loaded.failure));
        QCOMPARE(loaded.ide.reported().size(), 1);
        QVERIFY2(loaded.ide.reported().first().startsWith(QLatin1String("ERegistryException: ")),
                 qPrintable(loaded.ide.reported().first()));
        QCOMPARE(StoreEntries(), store);
    }

    void onlyTheCategoryColumnCanBeSelected_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("col");
        QTest::newRow("on opening") << "" << 0 << 1;
        QTest::newRow("click on a page name") << "click 1 0" << 0 << 1;
        QTest::newRow("double-click on a page name") << "double-click 1 0" << 0 << 1;
        QTest::newRow("click on a category") << "click 2 1" << 2 << 1;
        QTest::newRow("Left") << "key Left" << 0 << 1;
        QTest::newRow("Home") << "key Home" << 0 << 1;
        QTest::newRow("Down, then Ctrl+Home") << "key Down|key Ctrl+Home" << 1 << 1;
        QTest::newRow("Down, Down") << "key Down|key Down" << 2 << 1;
        QTest::newRow("from code") << "code 1 0" << 0 << 1;
    }
    void onlyTheCategoryColumnCanBeSelected()
    {
        QFETCH(QString, action);
        QFETCH(int, row);
        QFETCH(int, col);
        TestIde ide;
        TVlFrmPaletteMenuCategories form(&ide.window);
        form.SetCategories({"Alpha", "Beta", "Gamma"});
        form.UpdateControls();
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        QTableWidget* grid = GridOf(&form);
        grid->setFocus();
        for (const QString& step : action.split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
            const QStringList words = step.split(QLatin1Char(' '));
            const auto cellCentre = [&] {
                return grid->visualRect(grid->model()->index(words[1].toInt(), words[2].toInt())).center();
            };
            if (words[0] == QLatin1String("click"))
                QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cellCentre());
            else if (words[0] == QLatin1String("double-click"))
                QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cellCentre());
            else if (words[0] == QLatin1String("code"))
                grid->setCurrentCell(words[1].toInt(), words[2].toInt());
            else
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(words[1]));
        }
        QCOMPARE(grid->currentRow(), row);
        QCOMPARE(grid->currentColumn(), col);
        const QList<QTableWidgetItem*> selected = grid->selectedItems();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first()->column(), 1);
        QVERIFY2(!qobject_cast<QLineEdit*>(QApplication::focusWidget()), "no page name is edited");
    }

    void enterAndEscapeStayInTheGrid_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<bool>("editing");
        QTest::newRow("Escape cancels an edit") << QStringList{"type Typed", "Escape"} << "old" << false;
        QTest::newRow("Enter ends an edit") << QStringList{"type Typed", "Enter"} << "Typed" << false;
        QTest::newRow("Enter on the keypad ends an edit")
            << QStringList{"type Typed", "KeypadEnter"} << "Typed" << false;
        QTest::newRow("Escape outside an edit") << QStringList{"Escape", "Escape"} << "old" << false;
        QTest::newRow("Enter opens the editor") << QStringList{"Enter"} << "old" << true;
        QTest::newRow("Enter, Enter") << QStringList{"Enter", "Enter"} << "old" << false;
    }
    void enterAndEscapeStayInTheGrid()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, cell);
        QFETCH(bool, editing);
        Loaded loaded({"Standard"}, {{"Standard", "old"}});
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            QTableWidget* grid = GridOf(&form);
            for (const QString& step : steps) {
                QWidget* focus = QApplication::focusWidget();
                if (step.startsWith(QLatin1String("type ")))
                    Type(step.mid(5));
                else if (step == QLatin1String("Enter"))
                    QTest::keyClick(focus, Qt::Key_Return);
                else if (step == QLatin1String("KeypadEnter"))
                    QTest::keyClick(focus, Qt::Key_Enter, Qt::KeypadModifier);
                else
                    QTest::keyClick(focus, Qt::Key_Escape);
                QCoreApplication::processEvents(); // an ended edit closes its editor afterwards
                QVERIFY(form.isVisible());
            }
            QCOMPARE(grid->item(0, 1)->text(), cell);
            QCOMPARE(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr, editing);
        }),
                 qPrintable(loaded.failure));
        QCOMPARE(StoreEntries(), (Store{{"Standard", "old"}}));
    }

    void categoryColumnFollowsWidthAndResolution_data()
    {
        QTest::addColumn<int>("screen");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("column");
        QTest::newRow("96 dpi, minimum width") << 0 << 359 << 155;
        QTest::newRow("96 dpi, wider") << 0 << 500 << 296;
        QTest::newRow("144 dpi, minimum width") << 1 << 359 << 375 - 330;
        QTest::newRow("144 dpi, wider") << 1 << 700 << 716 - 330;
        QTest::newRow("132 dpi: 302.5 rounds to even") << 2 << 600 << 616 - 302;
    }
    void categoryColumnFollowsWidthAndResolution()
    {
        QFETCH(int, screen);
        QFETCH(int, width);
        QFETCH(int, column);
        host::ide::setTheme(host::ide::Theme::Light);
        TestIde ide;
        TVlFrmPaletteMenuCategories form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.minimumSize(), QSize(359, 461));
        QCOMPARE(form.size(), QSize(359, 461));
        const QFont before = form.font();
        // Onto the screen, the way a window dragged to another monitor goes.
        form.move(screen * ScreenWidth + 40, 40);
        QTRY_COMPARE(form.screen(), QGuiApplication::screens().at(screen));
        form.resize(width, 500);
        QTRY_COMPARE(form.width(), width);
        QCOMPARE(form.logicalDpiX(), ScreenDpis[screen]);
        QCOMPARE(GridOf(&form)->columnWidth(0), 160);
        QCOMPARE(GridOf(&form)->columnWidth(1), column);
        if (screen == 0) {
            QCOMPARE(form.font(), before);
        } else {
            // The IDE theme's font size, at the new screen's resolution.
            const double pixels = host::TIDEThemeMetrics::Font::Size() * ScreenDpis[screen] / 72.0;
            QCOMPARE(form.font().pixelSize(), int(std::floor(pixels + 0.5)));
        }
    }

    void colorsFollowTheTheme_data()
    {
        QTest::addColumn<host::ide::Theme>("theme");
        // header, cell, page name, text, selected cell, selected text; invalid: the grid's own
        QTest::addColumn<QList<QColor>>("colors");
        QTest::newRow("light") << host::ide::Theme::Light
                               << QList<QColor>{QColor(0xEFEFEF),     Qt::white, QColor(0x808080), Qt::black,
                                                QColor(48, 140, 198), Qt::white};
        QTest::newRow("dark") << host::ide::Theme::Dark
                              << QList<QColor>{QColor(0x353535), QColor(0x252526), QColor(0x808080),
                                               QColor(0xE8E8E8), QColor(0x2A82DA), Qt::white};
        QTest::newRow("none") << host::ide::Theme::None << QList<QColor>{};
    }
    void colorsFollowTheTheme()
    {
        QFETCH(host::ide::Theme, theme);
        QFETCH(QList<QColor>, colors);
        host::ide::setTheme(theme);
        TestIde ide;
        // Full blocks: their middle is the text's colour, exactly.
        host::TRegIniFile(Key).WriteString(Section, QStringLiteral("\u2588\u2588 1"), QStringLiteral("\u2588\u2588"));
        host::TRegIniFile(Key).WriteString(Section, QStringLiteral("\u2588\u2588 2"), QStringLiteral("\u2588\u2588"));
        TVlFrmPaletteMenuCategories form(&ide.window);
        form.SetCategories({QStringLiteral("\u2588\u2588 1"), QStringLiteral("\u2588\u2588 2")});
        form.UpdateControls();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTableWidget* grid = GridOf(&form);

        const QImage header = grid->horizontalHeader()->grab().toImage();
        const QImage cells = grid->viewport()->grab().toImage();
        const auto sample = [&](int row, int col) {
            const QRect rect = grid->visualRect(grid->model()->index(row, col));
            return CellColors{cells.pixelColor(rect.right() - 6, rect.center().y()),
                              cells.pixelColor(rect.left() + 5, rect.top() + 8)};
        };
        const CellColors label = sample(1, 0);
        const CellColors ordinary = sample(1, 1);
        const CellColors selected = sample(0, 1);
        const QColor headerColor = header.pixelColor(grid->columnWidth(0) + grid->columnWidth(1) - 6, 9);

        if (theme == host::ide::Theme::None) {
            // The grid's own palette, never black on black; page names a grey between text and ground.
            const QPalette palette = grid->palette();
            QCOMPARE(headerColor, palette.color(QPalette::Button));
            QCOMPARE(ordinary.background, palette.color(QPalette::Base));
            QCOMPARE(ordinary.text, palette.color(QPalette::Text));
            QCOMPARE(selected.background, palette.color(QPalette::Highlight));
            QCOMPARE(selected.text, palette.color(QPalette::HighlightedText));
            QCOMPARE(label.background, palette.color(QPalette::Base));
            QVERIFY(label.text.lightness() > ordinary.text.lightness() + 40);
            QVERIFY(label.text.lightness() < ordinary.background.lightness() - 40);
            QVERIFY(!form.property("ideTitleBar").toBool());
            return;
        }
        QCOMPARE(headerColor, colors[0]);
        QCOMPARE(ordinary.background, colors[1]);
        QCOMPARE(label.background, colors[1]);
        QCOMPARE(label.text, colors[2]);
        QCOMPARE(ordinary.text, colors[3]);
        QCOMPARE(selected.background, colors[4]);
        QCOMPARE(selected.text, colors[5]);
        QVERIFY(host::IDEThemeManager()->IsRegistered(form.staticMetaObject));
        QVERIFY(form.property("ideTitleBar").toBool());
        QCOMPARE(form.font(), host::TIDEThemeMetrics::Font::GetFont());
    }

    void cellsAndButtonsAreNamedForScreenReaders()
    {
        TestIde ide;
        host::TRegIniFile(Key).WriteString(Section, QStringLiteral("Standard"), QStringLiteral("Common;UI"));
        TVlFrmPaletteMenuCategories form(&ide.window);
        form.SetCategories({QStringLiteral("&Standard")});
        form.UpdateControls();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QAccessibleInterface* table = QAccessible::queryAccessibleInterface(GridOf(&form));
        QVERIFY(table && table->tableInterface());
        QVERIFY(!table->text(QAccessible::Name).isEmpty());
        QCOMPARE(table->tableInterface()->columnCount(), 2);
        QAccessibleTableCellInterface* page = table->tableInterface()->cellAt(0, 0)->tableCellInterface();
        QAccessibleTableCellInterface* categories = table->tableInterface()->cellAt(0, 1)->tableCellInterface();
        QCOMPARE(table->tableInterface()->cellAt(0, 0)->text(QAccessible::Name), QStringLiteral("Standard"));
        QCOMPARE(table->tableInterface()->cellAt(0, 1)->text(QAccessible::Name), QStringLiteral("Common;UI"));
        const auto headerName = [](QAccessibleTableCellInterface* cell) {
            // Qt makes header cells afresh for each call and leaves them to the caller, who
            // can free them only through Qt's registry of interfaces.
            const QList<QAccessibleInterface*> headers = cell->columnHeaderCells();
            const QString name = headers.isEmpty() ? QString() : headers.first()->text(QAccessible::Name);
            for (QAccessibleInterface* header : headers)
                QAccessible::deleteAccessibleInterface(QAccessible::registerAccessibleInterface(header));
            return name;
        };
        QCOMPARE(headerName(page), QStringLiteral("Palette Page"));
        QCOMPARE(headerName(categories), QStringLiteral("Category"));
        for (const char* button : {"btnOk", "btnCancel"}) {
            QAccessibleInterface* named = QAccessible::queryAccessibleInterface(ButtonOf(&form, button));
            QCOMPARE(named->text(QAccessible::Name), ButtonOf(&form, button)->text());
            QVERIFY(named->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));
        }
    }
};

int main(int argc, char** argv)
{
    // Screens side by side at 96, 144 and 132 dpi, without Qt's own scaling, so that the
    // dialog sees each one's resolution as on a real monitor of that resolution.
    QTemporaryDir dir;
    QFile screens(dir.filePath(QStringLiteral("screens.json")));
    QStringList list;
    for (std::size_t i = 0; i < std::size(ScreenDpis); ++i)
        list.append(QStringLiteral(R"({"name":"Screen %1","x":%2,"y":0,"width":%3,"height":800,)"
                                   R"("logicalDpi":%4,"logicalBaseDpi":96,"dpr":1})")
                        .arg(i)
                        .arg(int(i) * ScreenWidth)
                        .arg(ScreenWidth)
                        .arg(ScreenDpis[i]));
    if (!screens.open(QIODevice::WriteOnly)
        || screens.write(QStringLiteral(R"({"screens":[%1]})").arg(list.join(QLatin1Char(','))).toUtf8()) < 0)
        return 1;
    screens.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens.fileName()));
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");

    QApplication app(argc, argv);
    CategoryEditorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_categoryeditor.moc"
