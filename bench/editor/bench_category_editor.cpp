// The category editor: opening it (filling the grid from the store, and its first paint)
// and saving it, for palettes of 100, 1,000 and 10,000 pages, each beside its floor in the
// same run: a plain QTableWidget filled with the same strings and painted at the same size,
// and the same rows written by raw prepared SQLite statements in one transaction on the
// store's file. The ratios are printed last.
//
//   build-release/bin/bench_category_editor [--benchmark_filter=...]

#include "bench/common/FloorReporter.h"
#include "bench/common/RawSqlite.h"
#include "editor/VlPaletteMenuCategoriesForm.h"
#include "pages/PageOrder.h"
#include "store/CategoryStore.h"
#include "tests/common/TemporaryStore.h"

#include "host/Registry.h"
#include "host/private/IdeHost.h"

#include <QApplication>
#include <QHeaderView>
#include <QPixmap>
#include <QStandardPaths>
#include <QTableWidget>

#include <benchmark/benchmark.h>

#include <cstdio>
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

void BM_OpenFloor(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    // The form's grid at the form's first size.
    QSize gridSize;
    {
        TVlFrmPaletteMenuCategories form;
        form.grab();
        gridSize = form.findChild<QTableWidget*>(QStringLiteral("grdCategories"))->size();
    }
    for (auto _ : state) {
        QTableWidget table(int(fixture.rows.size()), 2);
        // The same picture: no row numbers, rows as high as the form's.
        table.verticalHeader()->hide();
        table.verticalHeader()->setDefaultSectionSize(18);
        table.resize(gridSize);
        for (int row = 0; row < fixture.rows.size(); ++row) {
            table.setItem(row, 0, new QTableWidgetItem(fixture.rows[row].first));
            table.setItem(row, 1, new QTableWidgetItem(fixture.rows[row].second));
        }
        benchmark::DoNotOptimize(table.grab());
    }
    state.SetComplexityN(state.range(0));
}

void BM_Save(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    TVlFrmPaletteMenuCategories form;
    form.SetCategories(fixture.captions);
    form.UpdateControls();
    for (auto _ : state)
        form.SaveCategories();
    state.SetComplexityN(state.range(0));
}

// The least a save could cost: the same rows, names already in the form the store matches
// them by, as raw statements in one transaction.
void BM_SaveFloor(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    QList<std::array<QString, 3>> rows;
    for (const auto& [page, list] : fixture.rows)
        rows.append({page, host::RegistryNameKey(page), list});
    RawSqlite raw(fixture.store.file());
    const sqlite3_int64 key = raw.KeyId(FoldedPath(CategoryStore::Key, CategoryStore::Section));
    if (key == 0)
        qFatal("the store has no section to save into");
    for (auto _ : state)
        raw.WriteRows(key, rows);
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

BENCHMARK(BM_Open)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_OpenFloor)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_Save)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_SaveFloor)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_PageList)->Arg(1000)->Unit(benchmark::kMillisecond);

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
    std::printf("\nTargets: at most 1.5 x each floor; saving 1,000 rows under 100 ms.\n");
    reporter.PrintRatios("BM_Open", "BM_OpenFloor");
    reporter.PrintRatios("BM_Save", "BM_SaveFloor");
    if (const double save = reporter.RealTime("BM_Save/1000"); save >= 0)
        std::printf("\nsaving 1,000 rows: %.1f ms\n", save * 1e3);
    CurrentFixture().reset();
    benchmark::Shutdown();
    return 0;
}
