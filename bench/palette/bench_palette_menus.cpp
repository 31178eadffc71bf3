// Opening the palette menus: each build against its floor, the same Qt menu tree built
// straight from a precomputed plan (no store reads, no sorting), and the resident size
// after many openings.
//
//   build-release/bin/bench_palette_menus [--benchmark_filter=...]

#include "bench/common/FloorReporter.h"
#include "pages/PageOrder.h"
#include "palette/VlPaletteMenu.h"
#include "store/CategoryStore.h"
#include "tests/common/InProcessPackage.h"

#include "host/Events.h"
#include "host/Registry.h"

#include <QApplication>
#include <QFile>
#include <QStandardPaths>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <random>

namespace {

constexpr int CategoryCount = 30;

QString PageName(int i)
{
    return QStringLiteral("Page %1").arg((i * 7919) % 100003);
}

QStringList MakePages(int count)
{
    QStringList pages;
    for (int i = 0; i < count; ++i)
        pages.append(PageName(i));
    return pages;
}

// Each page filed under one to three of 30 categories.
LoadedPackage::Entries RandomCategories(int pages)
{
    std::mt19937 random(pages);
    LoadedPackage::Entries entries;
    for (int i = 0; i < pages; ++i) {
        QStringList categories;
        const int count = 1 + int(random() % 3);
        for (int c = 0; c < count; ++c)
            categories.append(QStringLiteral("Category %1").arg(random() % CategoryCount));
        entries.append({PageName(i), categories.join(QLatin1Char(';'))});
    }
    return entries;
}

// Each page with the same category list.
LoadedPackage::Entries SameCategories(int pages, const QString& categories)
{
    LoadedPackage::Entries entries;
    for (int i = 0; i < pages && !categories.isEmpty(); ++i)
        entries.append({PageName(i), categories});
    return entries;
}

// A palette of pages with the package loaded into a test IDE, each page filed under one to
// three of 30 categories, or all under the same list.
class Fixture : public LoadedPackage {
public:
    explicit Fixture(int pages) : LoadedPackage(MakePages(pages), RandomCategories(pages)) {}
    Fixture(int pages, const QString& categories) : LoadedPackage(MakePages(pages), SameCategories(pages, categories))
    {
    }
};

// The menu a build made, as a plan: each submenu's title and its items, in order.
struct Plan {
    std::vector<std::pair<QString, QStringList>> submenus;
};

Plan PlanOf(const QMenu* menu, int skip)
{
    Plan plan;
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = skip; i < items.size(); ++i)
        if (QMenu* submenu = items[i]->menu()) {
            QStringList pages;
            for (QAction* page : submenu->actions())
                pages.append(page->text());
            plan.submenus.emplace_back(submenu->title(), pages);
        }
    return plan;
}

// Receives the floor's item clicks, as the data module receives a build's.
class Receiver : public QObject {
public:
    void Clicked(QObject*) {}
};

// The floor: clear the menu the way a build does, then make the identical tree.
void BuildFromPlan(QMenu* menu, const Plan& plan, Receiver* receiver)
{
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = items.size() - 1; i >= 0; --i) {
        if (QMenu* submenu = items[i]->menu())
            delete submenu;
        else
            delete items[i];
    }
    for (const auto& [title, pages] : plan.submenus) {
        auto* submenu = new QMenu(title, menu);
        menu->addMenu(submenu);
        for (const QString& page : pages) {
            auto* item = new QAction(page, submenu);
            host::BindEvent(item, &QAction::triggered, receiver, &Receiver::Clicked);
            submenu->addAction(item);
        }
    }
    menu->addSeparator();
    for (const char* caption : {"Edit Categories...", "-", "Import...", "Export..."}) {
        if (QByteArray(caption) == "-") {
            menu->addSeparator();
            continue;
        }
        auto* item = new QAction(QString::fromLatin1(caption), menu);
        host::BindEvent(item, &QAction::triggered, receiver, &Receiver::Clicked);
        menu->addAction(item);
    }
}

// One IDE at a time: a second tool palette window would be a second "ToolForm".
std::unique_ptr<Fixture>& CurrentFixture()
{
    static std::unique_ptr<Fixture> fixture;
    return fixture;
}

template <typename... Arguments>
Fixture& FixtureFor(const QString& key, Arguments... arguments)
{
    static QString currentKey;
    auto& fixture = CurrentFixture();
    if (!fixture || key != currentKey) {
        fixture.reset();
        fixture = std::make_unique<Fixture>(arguments...);
        currentKey = key;
    }
    return *fixture;
}

Fixture& FixtureFor(int pages)
{
    return FixtureFor(QString::number(pages), pages);
}

void BM_MainMenuBuild(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    for (auto _ : state)
        Q_EMIT fixture.module->PaletteMenu()->aboutToShow();
    state.SetComplexityN(state.range(0));
}

void BM_ButtonMenuBuild(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    for (auto _ : state)
        Q_EMIT fixture.module->PaletteButtonMenu()->aboutToShow();
    state.SetComplexityN(state.range(0));
}

// Built into the button menu itself, which a build clears as the floor does: the items each
// replaces are where the build finds them, so that both pay alike for giving their memory
// back (a menu of 10,000 pages is some 10 MB).
void BM_Floor(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    QMenu* menu = fixture.module->PaletteButtonMenu();
    Q_EMIT menu->aboutToShow();
    const Plan plan = PlanOf(menu, 0);
    Receiver receiver;
    for (auto _ : state)
        BuildFromPlan(menu, plan, &receiver);
    state.SetComplexityN(state.range(0));
}

// The parts of a build that the floor does not do. Sorting, as a build sorts: the palette is
// the same at every opening, so the order is the one kept from the last.
void BM_SortCaptions(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    CaptionSorter sorter;
    for (auto _ : state)
        benchmark::DoNotOptimize(sorter.Sorted(PaletteCaptions(fixture.ide.palette)));
}

void BM_SortCaptionsAfresh(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    const QStringList captions = PaletteCaptions(fixture.ide.palette);
    for (auto _ : state)
        benchmark::DoNotOptimize(SortedCaptions(captions));
}

void BM_ReadCaptions(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(PaletteCaptions(fixture.ide.palette));
}

void BM_ReadStore(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    const QStringList captions = PaletteCaptions(fixture.ide.palette);
    host::TRegIniFile reg(CategoryStore::Key);
    for (auto _ : state) {
        const CategoryStore::Snapshot snapshot(reg, captions.size());
        for (const QString& caption : captions)
            CategoryStore::ForEachCategoryName(snapshot.GetCategory(caption),
                                               [](const QString& name) { benchmark::DoNotOptimize(name); });
    }
}

// Openings far past what a menu lists: one page whose list is a value of that many ";" (filed
// once more under the empty category for each), and a palette of that many pages on an empty
// store (all under "Other"). Each must open in well under a second.
void BM_OpenValueOfSemicolons(benchmark::State& state)
{
    const int semicolons = int(state.range(0));
    Fixture& fixture = FixtureFor(QStringLiteral("semicolons %1").arg(semicolons), 1,
                                  QString(semicolons, QLatin1Char(';')));
    for (auto _ : state)
        Q_EMIT fixture.module->PaletteMenu()->aboutToShow();
}

void BM_OpenPagesOnEmptyStore(benchmark::State& state)
{
    const int pages = int(state.range(0));
    Fixture& fixture = FixtureFor(QStringLiteral("empty store %1").arg(pages), pages, QString());
    for (auto _ : state)
        Q_EMIT fixture.module->PaletteMenu()->aboutToShow();
}

// The most a build lists: 10 pages each in the same 20,000 categories, so the menu holds as
// many category submenus as it lists, each with 10 pages, 100,000 pages in all.
void BM_OpenMostListed(benchmark::State& state)
{
    QStringList categories;
    for (int i = 0; i < 20000; ++i)
        categories.append(QStringLiteral("c%1").arg(i));
    Fixture& fixture = FixtureFor(QStringLiteral("most listed"), 10, categories.join(QLatin1Char(';')));
    for (auto _ : state)
        Q_EMIT fixture.module->PaletteMenu()->aboutToShow();
}

BENCHMARK(BM_OpenMostListed)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenValueOfSemicolons)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenPagesOnEmptyStore)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK(BM_SortCaptions)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortCaptionsAfresh)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCaptions)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadStore)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_MainMenuBuild)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_ButtonMenuBuild)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_Floor)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

long ResidentKiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLong() * 4 : -1;
}

// The resident size after 10,000 openings of both menus beside the size after 10: the items
// of each build are released at the next, so the two stay the same (target: at most 2 MiB
// more).
void BM_ResidentSize(benchmark::State& state)
{
    constexpr int Openings = 10000;
    Fixture& fixture = FixtureFor(int(state.range(0)));
    const auto open = [&](int times) {
        for (int i = 0; i < times; ++i) {
            Q_EMIT fixture.module->PaletteMenu()->aboutToShow();
            Q_EMIT fixture.module->PaletteButtonMenu()->aboutToShow();
        }
    };
    long after10 = 0;
    long afterMany = 0;
    for (auto _ : state) {
        open(10);
        after10 = ResidentKiB();
        open(Openings - 10);
        afterMany = ResidentKiB();
    }
    state.counters["after10KiB"] = double(after10);
    state.counters["afterManyKiB"] = double(afterMany);
}
BENCHMARK(BM_ResidentSize)->Arg(100)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    FloorReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\nTarget: at most 1.3 x the floor at 100, 1,000 and 10,000 pages.\n");
    for (const char* build : {"BM_MainMenuBuild", "BM_ButtonMenuBuild"})
        reporter.PrintRatios(build, "BM_Floor");
    CurrentFixture().reset();
    benchmark::Shutdown();
    return 0;
}
