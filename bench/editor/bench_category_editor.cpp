// The category editor: opening it (filling the grid from the store, and its first paint)
// and saving it, for palettes of 100, 1,000 and 10,000 pages, each beside its floor in the
// same run: the dialog's widgets as its layout makes them, showing the same strings from a
// plain model, read by a raw prepared SQLite statement, and painted; and the section read and
// the same rows written by raw prepared statements in one transaction on the store's file.
// Then the everyday keystrokes: one in the filter at 10,000 rows, beside the same rows of a
// plain table hidden and shown by a plain substring test, and one in a cell with 1,000
// category names to complete from. Then Add Category, Remove Category, Undo and Redo over
// 20,000 selected rows, each with the grid painted afterwards. The ratios are printed last.
//
//   build-release/bin/bench_category_editor [--benchmark_filter=...]

#include "bench/common/FloorReporter.h"
#include "bench/common/RawSqlite.h"
#include "editor/VlPaletteMenuCategoriesForm.h"
#include "grouping/CategoryList.h"
#include "pages/PageOrder.h"
#include "store/CategoryStore.h"
#include "tests/common/TemporaryStore.h"
#include "ui_VlPaletteMenuCategoriesForm.h"

#include "host/Registry.h"
#include "host/private/IdeHost.h"

#include <QAbstractTableModel>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPixmap>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <functional>
#include <memory>
#include <random>

namespace {

// A palette of pages, two in three of them filed under one to three of 30 categories, the
// rest under none, in a store of its own.
class Fixture {
public:
    explicit Fixture(int pages)
    {
        std::mt19937 random(pages);
        for (int i = 0; i < pages; ++i)
            captions.append(QStringLiteral("Page %1").arg((i * 7919) % 100003));
        captions = SortedCaptions(UniquePageCaptions(captions));
        for (const QString& page : captions) {
            QStringList categories;
            if (random() % 3 != 0)
                for (int c = 0, count = 1 + int(random() % 3); c < count; ++c)
                    categories.append(QStringLiteral("Category %1").arg(random() % 30));
            rows.append({page, categories.join(QLatin1Char(';'))});
        }
        host::TRegIniFile reg(CategoryStore::Key);
        reg.Transaction([&] {
            for (const auto& [page, list] : rows)
                if (!list.isEmpty())
                    reg.WriteString(CategoryStore::Section, page, list);
        });
    }

    TemporaryStore store;
    QStringList captions;                // in grid order
    QList<QPair<QString, QString>> rows; // what the grid shows, row by row
};

std::unique_ptr<Fixture>& CurrentFixture()
{
    static std::unique_ptr<Fixture> fixture;
    return fixture;
}

Fixture& FixtureFor(int pages)
{
    auto& fixture = CurrentFixture();
    if (!fixture || fixture->captions.size() != pages) {
        fixture.reset();
        fixture = std::make_unique<Fixture>(pages);
    }
    return *fixture;
}

// The size of the form's grid when the form opens.
QSize FormGridSize()
{
    TVlFrmPaletteMenuCategories form;
    form.grab();
    return form.findChild<QTableView*>(QStringLiteral("grdCategories"))->size();
}

// The least a grid's rows can be: the strings, two to a row, as a plain table model.
class PlainRows final : public QAbstractTableModel {
public:
    explicit PlainRows(QList<QPair<QString, QString>> rows) : m_rows(std::move(rows)) {}
    int rowCount(const QModelIndex& = QModelIndex()) const override { return int(m_rows.size()); }
    int columnCount(const QModelIndex& = QModelIndex()) const override { return 2; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return QVariant();
        const auto& [page, list] = m_rows[index.row()];
        return index.column() == 0 ? page : list;
    }

private:
    QList<QPair<QString, QString>> m_rows;
};

// A plain table widget with the fixture's strings, drawn as the form's grid is: no row
// numbers, rows as high as the form's, at its size.
void FillPlainTable(QTableWidget& table, const Fixture& fixture, QSize size)
{
    table.verticalHeader()->hide();
    table.verticalHeader()->setDefaultSectionSize(18);
    table.resize(size);
    for (int row = 0; row < fixture.rows.size(); ++row) {
        table.setItem(row, 0, new QTableWidgetItem(fixture.rows[row].first));
        table.setItem(row, 1, new QTableWidgetItem(fixture.rows[row].second));
    }
}

void BM_Open(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    for (auto _ : state) {
        TVlFrmPaletteMenuCategories form;
        form.SetCategories(fixture.captions);
        form.UpdateControls();
        benchmark::DoNotOptimize(form.grab());
    }
    state.SetComplexityN(state.range(0));
}

// The least opening could cost: the dialog's widgets as its layout makes them, with no
// logic of the form's; the rows' lists read from the store as one raw SQLite statement, as
// the form reads them; the grid showing the same strings from a plain model and the dialog
// painted.
void BM_OpenFloor(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    RawSqlite raw(fixture.store.file());
    const QString section = FoldedPath(CategoryStore::Key, CategoryStore::Section);
    for (auto _ : state) {
        QDialog dialog;
        Ui::CategoryEditor ui;
        ui.setupUi(&dialog);
        QHash<QString, QString> lists;
        for (const auto& [page, list] : raw.ReadSection(section))
            lists.insert(page, list);
        QList<QPair<QString, QString>> rows;
        rows.reserve(fixture.captions.size());
        for (const QString& page : fixture.captions)
            rows.append({page, lists.value(page)});
        PlainRows model(std::move(rows));
        ui.grdCategories->setModel(&model);
        benchmark::DoNotOptimize(dialog.grab());
    }
    state.SetComplexityN(state.range(0));
}

// Every row edited (a category added, then taken out again), then saved: OK writes only the
// rows changed, so each save here writes them all, once it has compared each with the store.
void BM_Save(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    TVlFrmPaletteMenuCategories form;
    form.SetCategories(fixture.captions);
    form.UpdateControls();
    form.findChild<QTableView*>(QStringLiteral("grdCategories"))->selectAll();
    bool added = false;
    for (auto _ : state) {
        state.PauseTiming();
        if (added)
            form.RemoveCategory(QStringLiteral("Saved"));
        else
            form.AddCategory(QStringLiteral("Saved"));
        added = !added;
        state.ResumeTiming();
        form.SaveCategories();
    }
    state.SetComplexityN(state.range(0));
}

// The least a save could cost: the section read, as a save reads what the rows hold now to
// find those another IDE changed meanwhile; then the same rows, names already in the form the
// store matches them by, written as raw statements in one transaction.
void BM_SaveFloor(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    // The rows as BM_Save leaves them in turn: with the category added, and without.
    std::array<QList<std::array<QString, 3>>, 2> rows;
    for (const auto& [page, list] : fixture.rows) {
        rows[0].append({page, host::RegistryNameKey(page), AddCategories(list, u"Saved")});
        rows[1].append({page, host::RegistryNameKey(page), list});
    }
    RawSqlite raw(fixture.store.file());
    const sqlite3_int64 key = raw.KeyId(FoldedPath(CategoryStore::Key, CategoryStore::Section));
    if (key == 0)
        qFatal("the store has no section to save into");
    const QString section = FoldedPath(CategoryStore::Key, CategoryStore::Section);
    std::size_t next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(raw.ReadSection(section));
        raw.WriteRows(key, rows[next++ % 2]);
    }
    state.SetComplexityN(state.range(0));
}

// What "Edit Categories..." does before the form: one caption per store entry, sorted.
void BM_PageList(benchmark::State& state)
{
    QStringList captions;
    for (int i = 0; i < state.range(0); ++i)
        captions.append(QStringLiteral("Page %1").arg((i * 7919) % 100003));
    CaptionSorter sorter;
    for (auto _ : state)
        benchmark::DoNotOptimize(sorter.Sorted(UniquePageCaptions(captions)));
}

// What a person types into the filter and takes back, one keystroke an iteration.
const QStringList FilterKeystrokes{"c",          "ca",          "cat",        "cate",     "categ", "category",
                                   "category 1", "category 12", "category 1", "category", "categ", "cate",
                                   "cat",        "ca",          "c",          ""};

// A keystroke in the filter, and the grid painted afresh, as the user sees it.
void BM_FilterKeystroke(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    TVlFrmPaletteMenuCategories form;
    form.SetCategories(fixture.captions);
    form.UpdateControls();
    form.show();
    auto* filter = form.findChild<QLineEdit*>(QStringLiteral("edFilter"));
    QCoreApplication::processEvents();
    qsizetype next = 0;
    for (auto _ : state) {
        filter->setText(FilterKeystrokes[next++ % FilterKeystrokes.size()]);
        QCoreApplication::processEvents();
    }
    state.SetComplexityN(state.range(0));
}

// The floor: a plain table of the same rows and size, each row hidden or shown by a plain
// substring test (of either letter case, so that the same rows are hidden), and painted.
void BM_FilterKeystrokeFloor(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    QTableWidget table(int(fixture.rows.size()), 2);
    FillPlainTable(table, fixture, FormGridSize());
    table.show();
    QCoreApplication::processEvents();
    qsizetype next = 0;
    for (auto _ : state) {
        const QString& needle = FilterKeystrokes[next++ % FilterKeystrokes.size()];
        for (int row = 0; row < fixture.rows.size(); ++row) {
            const auto& [page, list] = fixture.rows[row];
            const bool hide = !page.contains(needle, Qt::CaseInsensitive)
                && !list.contains(needle, Qt::CaseInsensitive);
            if (table.isRowHidden(row) != hide)
                table.setRowHidden(row, hide);
        }
        QCoreApplication::processEvents();
    }
    state.SetComplexityN(state.range(0));
}

// A keystroke in a cell while 1,000 category names are in use, every one of them starting
// with what is typed: the list made, shown and painted.
void BM_CompletionKeystroke(benchmark::State& state)
{
    const int names = int(state.range(0));
    TemporaryStore store;
    QStringList captions;
    {
        host::TRegIniFile reg(CategoryStore::Key);
        reg.Transaction([&] {
            for (int i = 0; i < names; ++i) {
                const QString page = QStringLiteral("Page %1").arg(i, 4, 10, QLatin1Char('0'));
                captions.append(page);
                // Used once or twice, so that the most used come first.
                reg.WriteString(CategoryStore::Section, page,
                                QStringLiteral("Category %1;Category %2").arg(i).arg((i * 7) % names));
            }
        });
    }
    TVlFrmPaletteMenuCategories form;
    form.SetCategories(captions);
    form.UpdateControls();
    form.show();
    auto* grid = form.findChild<QTableView*>(QStringLiteral("grdCategories"));
    grid->setFocus();
    QCoreApplication::processEvents();
    const auto press = [](QWidget* target, int key, const QString& text) {
        QKeyEvent down(QEvent::KeyPress, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &down);
        QKeyEvent up(QEvent::KeyRelease, key, Qt::NoModifier, text);
        QCoreApplication::sendEvent(target, &up);
    };
    // The first key opens the cell's editor, and the names in use are counted once.
    press(grid, Qt::Key_C, QStringLiteral("c"));
    QCoreApplication::processEvents();
    auto* line = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    if (!line) {
        state.SkipWithError("no editor opened");
        return;
    }
    bool longer = true;
    for (auto _ : state) {
        // "c" and "ca" in turn: each is the start of every name.
        if (longer)
            press(line, Qt::Key_A, QStringLiteral("a"));
        else
            press(line, Qt::Key_Backspace, QString());
        longer = !longer;
        QCoreApplication::processEvents();
    }
}

// One of Add Category, Remove Category, Undo and Redo over every row of a 20,000-page
// palette, all selected, and the grid painted afterwards; the steps around it are not timed.
enum class Step { Add, Remove, Undo, Redo };

void BM_EditSelectedRows(benchmark::State& state)
{
    const auto step = Step(state.range(0));
    Fixture& fixture = FixtureFor(20000);
    TVlFrmPaletteMenuCategories form;
    form.SetCategories(fixture.captions);
    form.UpdateControls();
    form.show();
    form.findChild<QTableView*>(QStringLiteral("grdCategories"))->selectAll();
    QCoreApplication::processEvents();
    QAction* undo = form.findChild<QAction*>(QStringLiteral("actUndo"));
    QAction* redo = form.findChild<QAction*>(QStringLiteral("actRedo"));
    const QString name = QStringLiteral("Selected");
    const auto timed = [&](benchmark::State& timing, const std::function<void()>& work) {
        timing.ResumeTiming();
        work();
        QCoreApplication::processEvents();
        timing.PauseTiming();
    };
    for (auto _ : state) {
        state.PauseTiming();
        switch (step) {
        case Step::Add:
            timed(state, [&] { form.AddCategory(name); });
            undo->trigger();
            break;
        case Step::Remove:
            form.AddCategory(name);
            timed(state, [&] { form.RemoveCategory(name); });
            undo->trigger();
            undo->trigger();
            break;
        case Step::Undo:
            form.AddCategory(name);
            timed(state, [&] { undo->trigger(); });
            break;
        case Step::Redo:
            form.AddCategory(name);
            undo->trigger();
            timed(state, [&] { redo->trigger(); });
            undo->trigger();
            break;
        }
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
    const char* labels[] = {"add", "remove", "undo", "redo"};
    state.SetLabel(labels[state.range(0)]);
}

BENCHMARK(BM_Open)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_OpenFloor)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_Save)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_SaveFloor)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_PageList)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterKeystroke)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterKeystrokeFloor)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompletionKeystroke)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditSelectedRows)->DenseRange(0, 3)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    host::ide::setTheme(host::ide::Theme::Light);
    benchmark::Initialize(&argc, argv);
    FloorReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTargets: at most 1.5 x each floor; saving 1,000 rows under 100 ms; a filter keystroke\n"
                "at 10,000 rows under 16 ms and at most 2 x its floor; a completion list under 5 ms;\n"
                "Add Category, Remove Category, Undo and Redo over 20,000 selected rows each under 100 ms.\n");
    reporter.PrintRatios("BM_Open", "BM_OpenFloor");
    reporter.PrintRatios("BM_Save", "BM_SaveFloor");
    reporter.PrintRatios("BM_FilterKeystroke", "BM_FilterKeystrokeFloor");
    if (const double save = reporter.RealTime("BM_Save/1000"); save >= 0)
        std::printf("\nsaving 1,000 rows: %.1f ms\n", save * 1e3);
    CurrentFixture().reset();
    benchmark::Shutdown();
    return 0;
}
