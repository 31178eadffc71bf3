// Starting the stand-in IDE: its main window made and shown, with a palette whose one page
// holds many components, or with many pages. Start-up must grow linearly with either.
//
//   build-release/bin/bench_ide_startup [--benchmark_filter=...]

#include "tests/common/TemporaryStore.h"

#include "host/ide/MainWindow.h"
#include "host/ide/PaletteFile.h"

#include <QApplication>
#include <QStandardPaths>

#include <benchmark/benchmark.h>

namespace {

void Start(benchmark::State& state, const standin::Palette& palette)
{
    for (auto _ : state) {
        standin::MainWindow window(palette);
        window.show();
        QApplication::processEvents();
    }
    state.SetComplexityN(state.range(0));
}

void BM_StartWithComponentsOnOnePage(benchmark::State& state)
{
    standin::PalettePage page{QStringLiteral("Basic Controls"), {}};
    for (int i = 0; i < state.range(0); ++i)
        page.components.append(QStringLiteral("Component%1").arg(i));
    Start(state, {page});
}

void BM_StartWithPages(benchmark::State& state)
{
    standin::Palette palette;
    for (int i = 0; i < state.range(0); ++i)
        palette.append({QStringLiteral("Page %1").arg(i), {QStringLiteral("PushButton"), QStringLiteral("TextField")}});
    Start(state, palette);
}

BENCHMARK(BM_StartWithComponentsOnOnePage)
    ->Arg(20000)
    ->Arg(80000)
    ->Arg(320000)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(BM_StartWithPages)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Complexity();

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    const TemporaryStore store;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
