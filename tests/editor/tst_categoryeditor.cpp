#include "editor/VlPaletteMenuCategoriesForm.h"
#include "palette/VlPaletteMenu.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/ScopedDefaultLocale.h"
#include "tests/common/StoreLockHolder.h"
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
#include <QPaintEngine>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTableView>
#include <QWindow>
#include <QtTest>

#include <climits>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>

#include "tests/editor/EditorHelpers.h"

using namespace editortest;

namespace {

// The offscreen screens this test runs on, side by side: the usual one, two at other
// resolutions to move the dialog to, and one more at the usual resolution.
constexpr int ScreenWidth = 1280;
constexpr int ScreenHeight = 800;
const int ScreenDpis[] = {96, 144, 132, 96};

// A file that lays out the offscreen platform's screens, one of each resolution, side by
// side, without Qt's own scaling of the screen (dpr 1); its path, or "" when it cannot be written.
QString ScreensFile(const QString& folder, const QList<int>& dpis, QSize size = QSize(ScreenWidth, ScreenHeight))
{
    QStringList list;
    for (int i = 0; i < dpis.size(); ++i)
        list.append(QStringLiteral(R"({"name":"Screen %1","x":%2,"y":0,"width":%3,"height":%4,)"
                                   R"("logicalDpi":%5,"logicalBaseDpi":96,"dpr":1})")
                        .arg(i)
                        .arg(i * size.width())
                        .arg(size.width())
                        .arg(size.height())
                        .arg(dpis[i]));
    QFile screens(QDir(folder).filePath(QStringLiteral("screens.json")));
    if (!screens.open(QIODevice::WriteOnly)
        || screens.write(QStringLiteral(R"({"screens":[%1]})").arg(list.join(QLatin1Char(','))).toUtf8()) < 0)
        return QString();
    return screens.fileName();
}

// A paint device that records what is painted on it: each text with its pen's colour.
class TextRecorder final : public QPaintDevice {
public:
    struct Text {
        QString text;
        QColor color;
    };

    explicit TextRecorder(QSize area) : size(area), m_engine(this) {}
    ~TextRecorder() override = default;
    QPaintEngine* paintEngine() const override { return &m_engine; }

    // Every text painted, joined: a text may be painted in pieces, one per font.
    QString Painted() const
    {
        QString all;
        for (const Text& text : texts)
            all += text.text;
        return all;
    }

    QSize size;
    QList<Text> texts;

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return size.width();
        case PdmHeight: return size.height();
        case PdmWidthMM: return size.width() * 254 / 960;
        case PdmHeightMM: return size.height() * 254 / 960;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmDepth: return 32;
        case PdmNumColors: return INT_MAX;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        }
        return 0;
    }

private:
    class Engine final : public QPaintEngine {
    public:
        explicit Engine(TextRecorder* device) : QPaintEngine(AllFeatures), m_device(device) {}
        bool begin(QPaintDevice*) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState& changed) override
        {
            if (changed.state() & DirtyPen)
                m_pen = changed.pen().color();
        }
        void drawTextItem(const QPointF&, const QTextItem& item) override
        {
            m_device->texts.append({item.text(), m_pen});
        }
        void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
        void drawPolygon(const QPointF*, int, PolygonDrawMode) override {}
        void drawRects(const QRectF*, int) override {}
        void drawPath(const QPainterPath&) override {}
        Type type() const override { return User; }

    private:
        TextRecorder* m_device;
        QColor m_pen;
    };
    mutable Engine m_engine;
};

// WCAG 2 relative luminance and contrast, reckoned here afresh rather than by the editor's own.
double Luminance(const QColor& color)
{
    const auto linear = [](double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); };
    return 0.2126 * linear(color.redF()) + 0.7152 * linear(color.greenF()) + 0.0722 * linear(color.blueF());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a);
    const double lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Run as "--check-layout": the dialog at several sizes, with and without a vertical scroll
// bar, on the screen and at the scale this process was started with. Says what is wrong
// and returns 1, or returns 0.
int CheckLayout()
{
    QStandardPaths::setTestModeEnabled(true);
    host::ide::setTheme(host::ide::Theme::Light);
    TestIde ide;
    QStringList pages;
    for (int i = 0; i < 60; ++i)
        pages.append(QStringLiteral("Page %1").arg(i, 2, 10, QLatin1Char('0')));
    TVlFrmPaletteMenuCategories form(&ide.window);
    form.SetCategories(pages);
    form.UpdateControls();
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        std::puts("the dialog never showed");
        return 1;
    }
    QTableView* grid = GridOf(&form);
    auto* filter = form.findChild<QLineEdit*>(QStringLiteral("edFilter"));
    QStringList problems;
    for (const QSize& size : {form.minimumSize(), QSize(600, 500), QSize(1000, 700)})
        for (const QString& text : {QString(), QStringLiteral("Page 0")}) {
            form.resize(size);
            if (filter)
                filter->setText(text); // ten rows: no scroll bar when the grid is tall enough
            else if (!text.isEmpty())
                problems.append(QStringLiteral("no filter"));
            QTest::qWait(50);
            const int viewport = grid->viewport()->width();
            const QString where = QStringLiteral("at %1x%2, %3 rows, scroll bar %4: ")
                                      .arg(form.width())
                                      .arg(form.height())
                                      .arg(text.isEmpty() ? 60 : 10)
                                      .arg(grid->verticalScrollBar()->isVisible() ? "shown" : "hidden");
            if (grid->columnWidth(0) != 160)
                problems.append(where + QStringLiteral("page column %1 wide").arg(grid->columnWidth(0)));
            if (grid->columnWidth(0) + grid->columnWidth(1) != viewport)
                problems.append(where
                                + QStringLiteral("columns %1 + %2 in a viewport of %3")
                                      .arg(grid->columnWidth(0))
                                      .arg(grid->columnWidth(1))
                                      .arg(viewport));
            if (grid->horizontalHeader()->length() != viewport)
                problems.append(where + QStringLiteral("header %1 long").arg(grid->horizontalHeader()->length()));
            if (grid->horizontalScrollBar()->isVisible())
                problems.append(where + QStringLiteral("a horizontal scroll bar"));
        }
    // The page column widens when its edge is dragged, and the category column takes the rest.
    QHeaderView* header = grid->horizontalHeader();
    const QPoint edge(header->sectionViewportPosition(0) + grid->columnWidth(0) - 1, header->height() / 2);
    QTest::mousePress(header->viewport(), Qt::LeftButton, {}, edge);
    QTest::mouseMove(header->viewport(), edge + QPoint(90, 0));
    QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, edge + QPoint(90, 0));
    if (grid->columnWidth(0) != 250 || grid->columnWidth(0) + grid->columnWidth(1) != grid->viewport()->width())
        problems.append(
            QStringLiteral("dragged 90 wider: columns %1 + %2").arg(grid->columnWidth(0)).arg(grid->columnWidth(1)));
    for (const QString& problem : std::as_const(problems))
        std::puts(qPrintable(problem));
    return problems.isEmpty() ? 0 : 1;
}

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
            << QStringList{"Standard", "Widgets"} << Store{{"Standard", "Common"}, {"Widgets", "Native"}}
            << QStringList{"Standard=Common", "Widgets=Native"} << Edits{{0, ""}} << Store{{"Widgets", "Native"}};
        QTest::newRow("rows in menu order, untouched rows kept")
            << QStringList{"widgets", "Additional", "Standard"} << Store{{"Standard", "Common"}}
            << QStringList{"Additional=", "Standard=Common", "widgets="} << Edits{{2, "Native"}}
            << Store{{"Standard", "Common"}, {"widgets", "Native"}};
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
            QTableView* grid = GridOf(&form);
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
        Loaded loaded({"Standard", "Dialogs", "Widgets"}, {{"Widgets", "Native"}});
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
        const QString expected = QStringLiteral("Common[Dialogs,Standard]|Other[Widgets]|UI[Dialogs]");
        QCOMPARE(loaded.MainMenuGrouping(), expected);
        QCOMPARE(loaded.ButtonMenuGrouping(), expected);
    }

    void leavingWithoutSavingKeepsTheStoreByteForByte_data()
    {
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QString>("leave");
        QTest::addColumn<bool>("asked"); // whether leaving asked before it dropped the edits
        const QStringList pages{"Standard", "Widgets"};
        QTest::newRow("Cancel after edits") << pages << "Cancel" << true;
        QTest::newRow("window closed after edits") << pages << "close" << true;
        QTest::newRow("Escape, then Cancel by keyboard") << pages << "Escape" << true;
        QTest::newRow("Cancel, then keep editing: the dialog stays") << pages << "keep" << true;
        QTest::newRow("Cancel after every edit was undone: nothing asked") << pages << "undo" << false;
        QTest::newRow("no pages: header alone, OK writes nothing") << QStringList{} << "OK" << false;
    }
    void leavingWithoutSavingKeepsTheStoreByteForByte()
    {
        QFETCH(QStringList, pages);
        QFETCH(QString, leave);
        QFETCH(bool, asked);
        Loaded loaded(pages, {{"Standard", "Common"}, {"Other page", "X"}});
        // The package connects to the store when a menu first opens, as a user's would.
        loaded.MainMenuGrouping();
        const auto before = StoreFiles(loaded.ide.store.folder());
        QString question;
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            QTableView* grid = GridOf(&form);
            QCOMPARE(grid->model()->columnCount(), 2);
            QVERIFY(grid->horizontalHeader()->isVisible());
            for (int row = 0; row < grid->model()->rowCount(); ++row)
                EndEdit(StartEdit(grid, row, QStringLiteral("Edited %1").arg(row)));
            if (leave == QLatin1String("undo"))
                for (int row = 0; row < grid->model()->rowCount(); ++row)
                    QTest::keySequence(grid, QKeySequence(Qt::CTRL | Qt::Key_Z));
            AnswerNextQuestion(leave == QLatin1String("keep") ? "btnKeepEditing" : "btnDiscard", &question);
            if (leave == QLatin1String("close")) {
                form.close();
            } else if (leave == QLatin1String("Escape")) {
                QTest::keyClick(grid, Qt::Key_Escape);
                QVERIFY(form.isVisible());
                QTest::keyClick(grid, Qt::Key_Tab);
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget(), ButtonOf(&form, "btnCancel"));
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            } else if (leave == QLatin1String("OK")) {
                ButtonOf(&form, "btnOk")->click();
            } else {
                QTest::mouseClick(ButtonOf(&form, "btnCancel"), Qt::LeftButton);
            }
            QCOMPARE(form.isVisible(), leave == QLatin1String("keep"));
        }),
                 qPrintable(loaded.failure));
        QCOMPARE(!question.isEmpty(), asked);
        QVERIFY(StoreFiles(loaded.ide.store.folder()) == before);
        QCOMPARE(loaded.ide.reported(), QStringList());
    }

    // OK writes the rows the user changed, and only those: what another IDE wrote meanwhile
    // stays. A page that both changed is asked about, naming it and both lists.
    void okWritesOnlyWhatTheUserChanged_data()
    {
        QTest::addColumn<Edits>("edits");
        QTest::addColumn<Store>("other"); // written by another IDE once the dialog is open
        QTest::addColumn<QString>("answer");
        QTest::addColumn<Store>("saved");
        const Store theirs{{"Alpha", "Theirs"}};
        QTest::newRow("no edit: another IDE's change and entry stay")
            << Edits{} << Store{{"Alpha", "Theirs"}, {"Gamma", "New"}} << ""
            << Store{{"Alpha", "Theirs"}, {"Beta", "Old"}, {"Gamma", "New"}};
        QTest::newRow("another row edited")
            << Edits{{1, "Mine"}} << theirs << "" << Store{{"Alpha", "Theirs"}, {"Beta", "Mine"}};
        QTest::newRow("both changed a page: keep mine")
            << Edits{{0, "Mine"}, {1, ""}} << theirs << "btnKeepMine" << Store{{"Alpha", "Mine"}};
        QTest::newRow("both changed a page: keep the stored")
            << Edits{{0, "Mine"}, {1, ""}} << theirs << "btnKeepStored" << Store{{"Alpha", "Theirs"}};
        QTest::newRow("both changed a page: Cancel writes nothing, the dialog stays")
            << Edits{{0, "Mine"}, {1, ""}} << theirs << "btnKeepEditing" << Store{{"Alpha", "Theirs"}, {"Beta", "Old"}};
        QTest::newRow("both made the same change: nothing asked")
            << Edits{{0, "Same"}} << Store{{"Alpha", "Same"}} << "" << Store{{"Alpha", "Same"}, {"Beta", "Old"}};
    }
    void okWritesOnlyWhatTheUserChanged()
    {
        QFETCH(Edits, edits);
        QFETCH(Store, other);
        QFETCH(QString, answer);
        QFETCH(Store, saved);
        Loaded loaded({"Alpha", "Beta"}, {{"Alpha", "Old"}, {"Beta", "Old"}});
        QString asked;
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            for (const auto& [row, text] : edits)
                EndEdit(StartEdit(GridOf(&form), row, text));
            host::TRegIniFile another(Key);
            for (const auto& [page, list] : other)
                another.WriteString(Section, page, list);
            AnswerNextQuestion(answer, &asked);
            ButtonOf(&form, "btnOk")->click();
            QCOMPARE(form.isVisible(), answer == QLatin1String("btnKeepEditing"));
        }),
                 qPrintable(loaded.failure));
        if (answer.isEmpty())
            QCOMPARE(asked, QString());
        else
            for (const char* named : {"\"Alpha\"", "Mine", "Theirs"})
                QVERIFY2(asked.contains(QLatin1String(named)), qPrintable(asked));
        Store entries = StoreEntries();
        std::sort(entries.begin(), entries.end());
        QCOMPARE(entries, saved);
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
            QTableView* grid = GridOf(&form);
            EndEdit(StartEdit(grid, 0, QStringLiteral("new")));
            EndEdit(StartEdit(grid, 1, QString()));
            // More than the store takes in one value (more than can be typed, too): the last
            // row fails.
            RowsModelOf(grid)->setData(RowsModelOf(grid)->index(2, 1),
                                       QString(host::TRegIniFile::MaxValueLength + 1, QLatin1Char('x')));
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
        QTableView* grid = GridOf(&form);
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
                grid->setCurrentIndex(GridCell(grid, words[1].toInt(), words[2].toInt()));
            else
                QTest::keySequence(QApplication::focusWidget(), QKeySequence(words[1]));
        }
        QCOMPARE(grid->currentIndex().row(), row);
        QCOMPARE(grid->currentIndex().column(), col);
        const QModelIndexList selected = grid->selectionModel()->selectedIndexes();
        QCOMPARE(selected.size(), 1);
        QCOMPARE(selected.first().column(), 1);
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
            QTableView* grid = GridOf(&form);
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
            QCOMPARE(CellText(grid, 0, 1), cell);
            QCOMPARE(qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr, editing);
        }),
                 qPrintable(loaded.failure));
        QCOMPARE(StoreEntries(), (Store{{"Standard", "old"}}));
    }

    void failedSaveKeepsTheDialogAndEveryEdit_data()
    {
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("reason"); // a part of the error's text
        QTest::addColumn<bool>("retry");     // OK again once the fault is put right; else Cancel
        QTest::newRow("read-only store, OK again") << "read-only"
                                                   << "read-only" << true;
        QTest::newRow("read-only store, Cancel") << "read-only"
                                                 << "read-only" << false;
        QTest::newRow("store locked by another process, OK again") << "locked"
                                                                   << "locked" << true;
        QTest::newRow("store locked by another process, Cancel") << "locked"
                                                                 << "locked" << false;
    }
    void failedSaveKeepsTheDialogAndEveryEdit()
    {
        QFETCH(QString, fault);
        QFETCH(QString, reason);
        QFETCH(bool, retry);
        const Store stored{{"Alpha", "Old"}};
        Loaded loaded({"Alpha", "Beta", "Gamma"}, stored);
        const QString folder = loaded.ide.store.folder();
        const int busyTimeout = host::ide::registryBusyTimeout();
        const auto restoreTimeout = qScopeGuard([&] { host::ide::setRegistryBusyTimeout(busyTimeout); });
        std::unique_ptr<QProcess> holder;
        QList<QPair<QString, QFile::Permissions>> modes;
        const auto putRight = [&] {
            for (const auto& [path, mode] : std::as_const(modes))
                QFile::setPermissions(path, mode);
            modes.clear();
            if (holder) {
                holder->closeWriteChannel();
                holder->waitForFinished(30000);
                holder.reset();
            }
        };
        const auto putRightOnce = qScopeGuard(putRight);
        const QStringList edited{"Edited 0", "Edited 1", "Edited 2"};

        QVERIFY2(loaded.Edit([&](QDialog& form) {
            QTableView* grid = GridOf(&form);
            for (int row = 0; row < edited.size(); ++row)
                EndEdit(StartEdit(grid, row, edited[row]));
            if (fault == QLatin1String("read-only")) {
                for (const QString& name : QDir(folder).entryList(QDir::Files) + QStringList{QString()}) {
                    const QString path = name.isEmpty() ? folder : QDir(folder).filePath(name);
                    modes.append({path, QFile::permissions(path)});
                    QFile::setPermissions(
                        path,
                        QFile::permissions(path)
                            & ~(QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther | QFile::WriteUser));
                }
            } else {
                host::ide::setRegistryBusyTimeout(300);
                holder = std::make_unique<QProcess>();
                holder->start(QCoreApplication::applicationFilePath(),
                              {QStringLiteral("--hold-write-lock"), loaded.ide.store.file()});
                QVERIFY(holder->waitForReadyRead(30000));
                QCOMPARE(holder->readLine().trimmed(), QByteArray("locked"));
            }

            ButtonOf(&form, "btnOk")->click();
            QVERIFY2(form.isVisible(), "the dialog stays open");
            QCOMPARE(loaded.ide.reported().size(), 1);
            QVERIFY2(loaded.ide.reported().first().startsWith(QLatin1String("ERegistryException: "))
                         && loaded.ide.reported().first().contains(reason),
                     qPrintable(loaded.ide.reported().first()));
            QCOMPARE(CellsOf(&form), edited);
            QVERIFY2(form.findChild<QAction*>(QStringLiteral("actUndo"))->isEnabled(), "the edits can still be undone");

            putRight();
            AnswerNextQuestion(QStringLiteral("btnDiscard"));
            ButtonOf(&form, retry ? "btnOk" : "btnCancel")->click();
            QVERIFY(!form.isVisible());
        }),
                 qPrintable(loaded.failure));
        QCOMPARE(loaded.ide.reported().size(), 1);
        if (!retry) {
            QCOMPARE(StoreEntries(), stored);
            return;
        }
        QCOMPARE(StoreEntries(), (Store{{"Alpha", "Edited 0"}, {"Beta", "Edited 1"}, {"Gamma", "Edited 2"}}));
        const QString grouping = QStringLiteral("Edited 0[Alpha]|Edited 1[Beta]|Edited 2[Gamma]");
        QCOMPARE(loaded.MainMenuGrouping(), grouping);
        QCOMPARE(loaded.ButtonMenuGrouping(), grouping);
    }

    void keysInAndOutOfAnEdit_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QString>("cell");
        QTest::addColumn<QString>("focus"); // the control that has the focus afterwards
        const QString ok = QStringLiteral("btnOk");
        const QString grid = QStringLiteral("grdCategories");
        QTest::newRow("Tab ends an edit and goes to OK") << QStringList{"type X", "Tab"} << "X" << ok;
        QTest::newRow("Shift+Tab ends an edit and goes to the filter") << QStringList{"type X", "Shift+Tab"} << "X"
                                                                       << "edFilter";
        QTest::newRow("Tab from the grid goes to OK") << QStringList{"Tab"} << "old" << ok;
        QTest::newRow("F2, then Tab: the text kept, on to OK") << QStringList{"F2", "Tab"} << "old" << ok;
        QTest::newRow("F2 keeps the text, the caret at its end")
            << QStringList{"F2", "type Y", "Enter"} << "oldY" << grid;
        QTest::newRow("Enter keeps the text, the caret at its end")
            << QStringList{"Enter", "type Y", "Enter"} << "oldY" << grid;
        QTest::newRow("a double-click keeps the text")
            << QStringList{"double-click", "type Y", "Enter"} << "oldY" << grid;
        QTest::newRow("a click on the selected cell keeps the text")
            << QStringList{"click", "type Y", "Enter"} << "oldY" << grid;
        QTest::newRow("typing on a selected cell replaces its text") << QStringList{"type Y", "Enter"} << "Y" << grid;
    }
    void keysInAndOutOfAnEdit()
    {
        QFETCH(QStringList, steps);
        QFETCH(QString, cell);
        QFETCH(QString, focus);
        Loaded loaded({"Standard"}, {{"Standard", "old"}});
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            QTableView* grid = GridOf(&form);
            const QPoint centre = grid->visualRect(grid->model()->index(0, 1)).center();
            for (const QString& step : steps) {
                if (step.startsWith(QLatin1String("type "))) {
                    Type(step.mid(5));
                } else if (step == QLatin1String("double-click")) {
                    // A double-click is the second press of two, as the mouse sends it.
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre);
                    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, centre);
                } else if (step == QLatin1String("click")) {
                    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, centre);
                    // The grid waits a double-click's time before it edits after a click.
                    QTRY_VERIFY(qobject_cast<QLineEdit*>(QApplication::focusWidget()));
                } else {
                    QTest::keySequence(QApplication::focusWidget(), QKeySequence(step));
                }
                QCoreApplication::processEvents(); // an ended edit closes its editor afterwards
            }
            QCOMPARE(CellText(grid, 0, 1), cell);
            QCOMPARE(FocusName(), focus);
        }),
                 qPrintable(loaded.failure));
    }

    void categoryColumnFillsTheGrid_data()
    {
        QTest::addColumn<QByteArray>("scale"); // QT_SCALE_FACTOR; empty: Qt's scaling off
        QTest::addColumn<int>("dpi");
        QTest::newRow("100 %") << QByteArray("1") << 96;
        QTest::newRow("125 %") << QByteArray("1.25") << 96;
        QTest::newRow("150 %") << QByteArray("1.5") << 96;
        QTest::newRow("200 %") << QByteArray("2") << 96;
        QTest::newRow("Qt's scaling off, 96 dpi") << QByteArray() << 96;
        QTest::newRow("Qt's scaling off, 144 dpi") << QByteArray() << 144;
    }
    void categoryColumnFillsTheGrid()
    {
        // A scale is chosen when a process starts: each is a copy of this test, which checks
        // the dialog at several sizes and says what was wrong.
        QFETCH(QByteArray, scale);
        QFETCH(int, dpi);
        QTemporaryDir dir;
        QProcess check;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"),
                           QStringLiteral("offscreen:configfile=") + ScreensFile(dir.path(), {dpi}));
        if (scale.isEmpty()) {
            environment.insert(QStringLiteral("QT_ENABLE_HIGHDPI_SCALING"), QStringLiteral("0"));
        } else {
            environment.insert(QStringLiteral("QT_ENABLE_HIGHDPI_SCALING"), QStringLiteral("1"));
            environment.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(scale));
        }
        check.setProcessEnvironment(environment);
        check.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--check-layout")});
        QVERIFY(check.waitForFinished(60000));
        const QString said = QString::fromUtf8(check.readAllStandardOutput() + check.readAllStandardError());
        QVERIFY2(check.exitStatus() == QProcess::NormalExit && check.exitCode() == 0, qPrintable(said));
    }

    void fontFollowsTheResolutionOnly_data()
    {
        QTest::addColumn<int>("screen");
        QTest::addColumn<bool>("rescaled");
        QTest::newRow("to a screen of 144 dpi: the theme's size at 144 dpi") << 1 << true;
        QTest::newRow("to a screen of 132 dpi: the theme's size at 132 dpi") << 2 << true;
        QTest::newRow("to another screen of 96 dpi: unchanged") << 3 << false;
    }
    void fontFollowsTheResolutionOnly()
    {
        QFETCH(int, screen);
        QFETCH(bool, rescaled);
        TestIde ide;
        TVlFrmPaletteMenuCategories form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QFont before = form.font();
        // Onto the screen, the way a window dragged to another monitor goes.
        form.move(screen * ScreenWidth + 40, 40);
        QTRY_COMPARE(form.screen(), QGuiApplication::screens().at(screen));
        QCOMPARE(form.logicalDpiX(), ScreenDpis[screen]);
        if (rescaled) {
            const double pixels = host::TIDEThemeMetrics::Font::Size() * ScreenDpis[screen] / 72.0;
            QCOMPARE(form.font().pixelSize(), int(std::floor(pixels + 0.5)));
        } else {
            QCOMPARE(form.font(), before);
        }
        // The column still fills the grid at the new resolution.
        form.resize(600, 600);
        QTRY_COMPARE(form.width(), 600);
        QTableView* grid = GridOf(&form);
        QTRY_COMPARE(grid->columnWidth(0) + grid->columnWidth(1), grid->viewport()->width());
        QCOMPARE(grid->columnWidth(0), 160);
    }

    void longTextIsCutShortAndShownWhole_data()
    {
        QTest::addColumn<int>("col");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("cut");
        const QString list = QStringLiteral("Controls;Legacy;Reporting;System;Database;Internet;Networking;Dialogs");
        QTest::newRow("a long category list") << 1 << list << true;
        QTest::newRow("a short category list") << 1 << QStringLiteral("Controls") << false;
        QTest::newRow("a page name the column widens for")
            << 0 << QStringLiteral("Legacy Reporting Controls And Dialogs") << false;
        QTest::newRow("a page name wider than a third of the screen")
            << 0 << QStringLiteral("Legacy Reporting Controls And Dialogs ").repeated(4) << true;
        QTest::newRow("a short page name") << 0 << QStringLiteral("Page") << false;
        QTest::newRow("a list of 524,288 \";\"")
            << 1 << QString(host::TRegIniFile::MaxValueLength, QLatin1Char(';')) << true;
        QTest::newRow("cut between the halves of a character beyond the BMP")
            << 1 << QString(600, QChar(0xD83D)).replace(QChar(0xD83D), QStringLiteral("\U0001F600")) << true;
    }
    void longTextIsCutShortAndShownWhole()
    {
        QFETCH(int, col);
        QFETCH(QString, text);
        QFETCH(bool, cut);
        TestIde ide;
        const QString page = col == 0 ? text : QStringLiteral("Page");
        host::TRegIniFile(Key).WriteString(Section, page, col == 1 ? text : QStringLiteral("Short"));
        TVlFrmPaletteMenuCategories form(&ide.window);
        form.SetCategories({page});
        form.UpdateControls();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTableView* grid = GridOf(&form);

        TextRecorder recorder(grid->visualRect(grid->model()->index(0, col)).size());
        {
            QPainter canvas(&recorder);
            form.grdCategoriesDrawCell(canvas, col, 0, QRect(QPoint(), recorder.size), {});
        }
        const QString drawn = recorder.Painted();
        QCOMPARE(drawn.endsWith(QChar(0x2026)), cut);
        QVERIFY2(text.startsWith(cut ? drawn.chopped(1) : drawn), qPrintable(drawn));
        QVERIFY2(!drawn.isEmpty() && !drawn.at(drawn.size() - (cut ? 2 : 1)).isHighSurrogate(), "no half character");

        const QString tip = ToolTipOf(grid, 0, col);
        if (!cut)
            QCOMPARE(tip, QString());
        else if (text.size() <= 2000)
            QCOMPARE(tip, text);
        else
            QCOMPARE(tip, text.left(2000) + QChar(0x2026));
    }

    void sizeAndPlaceAreRemembered_data()
    {
        QTest::addColumn<QString>("stored"); // the editor's section holds this before the first opening
        QTest::addColumn<QString>("change"); // what the user does at the first opening
        QTest::addColumn<bool>("ok");        // closed with OK, else with Cancel
        QTest::addColumn<QRect>("expected"); // where the next opening puts it; null: centred
        QTest::addColumn<bool>("maximized");
        QTest::addColumn<bool>("written"); // whether the store keeps it for the next IDE session
        const QRect placed(100, 80, 500, 600);
        QTest::newRow("moved and sized, OK") << QString() << "geometry" << true << placed << false << true;
        QTest::newRow("moved and sized, Cancel: this session only")
            << QString() << "geometry" << false << placed << false << false;
        QTest::newRow("maximised, OK") << QString() << "maximize" << true << QRect() << true << true;
        QTest::newRow("never moved, OK: centred, nothing written")
            << QString() << QString() << true << QRect() << false << false;
        QTest::newRow("an earlier version's: centred") << "Left=100" << QString() << false << QRect() << false << false;
        QTest::newRow("not a placement: centred") << "Geometry=eHl6" << QString() << false << QRect() << false << false;
    }
    void sizeAndPlaceAreRemembered()
    {
        QFETCH(QString, stored);
        QFETCH(QString, change);
        QFETCH(bool, ok);
        QFETCH(QRect, expected);
        QFETCH(bool, maximized);
        QFETCH(bool, written);
        const Store categories{{"Alpha", "Common"}};
        Loaded loaded({"Alpha"}, categories);
        const QString editor = QStringLiteral("Editor");
        if (!stored.isEmpty())
            host::TRegIniFile(Key).WriteString(editor, stored.section(QLatin1Char('='), 0, 0),
                                               stored.section(QLatin1Char('='), 1));
        const Store editorBefore = host::TRegIniFile(Key).ReadSectionEntries(editor);
        QVERIFY2(loaded.Edit([&](QDialog& form) {
            if (change == QLatin1String("geometry"))
                form.setGeometry(expected);
            else if (change == QLatin1String("maximize"))
                form.showMaximized();
            QTRY_VERIFY(change != QLatin1String("geometry") || form.geometry() == expected);
            ButtonOf(&form, ok ? "btnOk" : "btnCancel")->click();
        }),
                 qPrintable(loaded.failure));
        QCOMPARE(StoreEntries(), categories);
        QCOMPARE(host::TRegIniFile(Key).ReadSectionEntries(editor) != editorBefore, written);

        const auto opensAt = [&](QWidget& form, const QRect& where) {
            QCOMPARE(form.isMaximized(), maximized);
            if (maximized)
                return;
            if (!where.isNull()) {
                QCOMPARE(form.geometry(), where);
                return;
            }
            QCOMPARE(form.size(), form.minimumSize());
            const QPoint centre = loaded.ide.window.screen()->availableGeometry().center();
            QVERIFY2((form.frameGeometry().center() - centre).manhattanLength() <= 2,
                     qPrintable(QStringLiteral("%1,%2")
                                    .arg(form.frameGeometry().center().x())
                                    .arg(form.frameGeometry().center().y())));
        };
        // Opened again in this session; then as in the next, from the store alone.
        QVERIFY2(loaded.Edit([&](QDialog& form) { opensAt(form, expected); }), qPrintable(loaded.failure));
        TVlFrmPaletteMenuCategories next(&loaded.ide.window);
        next.show();
        QVERIFY(QTest::qWaitForWindowExposed(&next));
        if (written)
            opensAt(next, expected);
        QCOMPARE(loaded.ide.reported(), QStringList());
    }

    void colorsFollowTheTheme_data()
    {
        QTest::addColumn<host::ide::Theme>("theme");
        // header, cell, text, selected cell, selected text; none: the grid's own. Page names
        // are a grey made for each look, checked for its contrast.
        QTest::addColumn<QList<QColor>>("colors");
        QTest::newRow("light") << host::ide::Theme::Light
                               << QList<QColor>{QColor(0xEFEFEF), Qt::white, Qt::black, QColor(48, 140, 198),
                                                Qt::white};
        QTest::newRow("dark") << host::ide::Theme::Dark
                              << QList<QColor>{QColor(0x353535), QColor(0x252526), QColor(0xE8E8E8), QColor(0x2A82DA),
                                               Qt::white};
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
        QTableView* grid = GridOf(&form);

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

        // Page names read as secondary (between text and background), yet at the contrast
        // that accessibility guidelines ask of text.
        QVERIFY2(Contrast(label.text, label.background) >= 4.5,
                 qPrintable(QStringLiteral("%1 on %2: %3:1")
                                .arg(label.text.name(), label.background.name())
                                .arg(Contrast(label.text, label.background), 0, 'f', 2)));
        QVERIFY(Contrast(label.text, label.background) < Contrast(ordinary.text, ordinary.background));
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
        QCOMPARE(ordinary.text, colors[2]);
        QCOMPARE(selected.background, colors[3]);
        QCOMPARE(selected.text, colors[4]);
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
        // Each button tells a screen reader what it does, not only its caption.
        const QList<QPair<const char*, const char*>> buttons{
            {"btnOk", "Save the categories and close; if the store fails, the dialog stays open with every edit"},
            {"btnCancel", "Close without saving"},
            {"btnAddCategory", "Add a category to every selected page"},
            {"btnRemoveCategory", "Remove a category from every selected page"}};
        for (const auto& [button, description] : buttons)
            QCOMPARE(QAccessible::queryAccessibleInterface(ButtonOf(&form, button))->text(QAccessible::Description),
                     QLatin1String(description));
        const QList<QPair<const char*, QString>> controls{
            {"edFilter", "Filter pages or categories"}, {"btnUndo", "Undo"}, {"btnRedo", "Redo"}};
        for (const auto& [name, accessible] : controls) {
            QWidget* control = form.findChild<QWidget*>(QLatin1String(name));
            QVERIFY2(control, name);
            QCOMPARE(QAccessible::queryAccessibleInterface(control)->text(QAccessible::Name), accessible);
        }
    }
};

int main(int argc, char** argv)
{
    if (argc == 3 && qstrcmp(argv[1], "--hold-write-lock") == 0)
        return HoldStoreWriteLock(argv[2]);
    if (argc == 2 && qstrcmp(argv[1], "--check-layout") == 0) {
        QApplication app(argc, argv);
        return CheckLayout();
    }
    // Screens side by side at 96, 144, 132 and 96 dpi, without Qt's own scaling, so that the
    // dialog sees each one's resolution as on a real monitor of that resolution.
    QTemporaryDir dir;
    const QString screens = ScreensFile(dir.path(), QList<int>(std::begin(ScreenDpis), std::end(ScreenDpis)));
    if (screens.isEmpty())
        return 1;
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(screens));
    qputenv("QT_ENABLE_HIGHDPI_SCALING", "0");

    QApplication app(argc, argv);
    CategoryEditorTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_categoryeditor.moc"
