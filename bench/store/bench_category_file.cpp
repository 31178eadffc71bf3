// Import and export of a category file of 10,000 entries against the floor: reading, or
// safely writing, the same bytes with no store and no conversion. Also the file alone, read
// and checked (ReadFile) and made from lines (EncodeLines), to show where the time goes.
// After the runs it prints each figure over its floor.
//
//   build-release/bin/bench_category_file [--benchmark_filter=...] [--benchmark_repetitions=N]
//
// The store and the files live in a temporary folder (TMPDIR). An import commits once and
// an export replaces its file once, each synced to disk, so the figures depend on that disk.

#include "bench/common/FloorReporter.h"
#include "store/CategoryFile.h"
#include "store/CategoryStore.h"
#include "tests/common/TemporaryStore.h"

#include "host/Registry.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int EntryCount = 10000;

struct Fixture {
    Fixture()
    {
        reg = std::make_unique<host::TRegIniFile>(CategoryStore::Key);
        reg->Transaction([&] {
            for (int i = 0; i < EntryCount; ++i) {
                // Names as palettes give them, some beyond ASCII but within Windows-1252.
                const QString name =
                    QStringLiteral("%1 Page %2").arg(i % 5 ? QStringLiteral("Data") : QStringLiteral("Über")).arg(i);
                const QString list = QStringLiteral("Category %1;Category %2").arg(i % 30).arg(i % 7);
                reg->WriteString(CategoryStore::Section, name, list);
                lines.append(name + QLatin1Char('=') + list);
            }
        });
        CategoryFile::Export(*reg, file);
        QFile read(file);
        read.open(QIODevice::ReadOnly);
        bytes = read.readAll();
    }

    TemporaryStore store;
    QString file = store.filePath(QStringLiteral("grouping.cpc"));
    QString written = store.filePath(QStringLiteral("written.cpc"));
    std::unique_ptr<host::TRegIniFile> reg;
    QStringList lines;
    QByteArray bytes;
};

Fixture& TheFixture()
{
    static Fixture fixture;
    return fixture;
}

void Import(benchmark::State& state)
{
    for (auto _ : state)
        CategoryFile::Import(*TheFixture().reg, TheFixture().file);
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

void ImportFileOnly(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(CategoryFile::ReadFile(TheFixture().file));
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

void ImportFloor(benchmark::State& state)
{
    for (auto _ : state) {
        QFile file(TheFixture().file);
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(file.readAll());
    }
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

void Export(benchmark::State& state)
{
    for (auto _ : state)
        CategoryFile::Export(*TheFixture().reg, TheFixture().written);
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

void ExportFileOnly(benchmark::State& state)
{
    for (auto _ : state)
        CategoryFile::WriteFile(TheFixture().written, CategoryFile::EncodeLines(TheFixture().lines));
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

void ExportFloor(benchmark::State& state)
{
    for (auto _ : state) {
        QSaveFile file(TheFixture().written);
        file.open(QIODevice::WriteOnly);
        file.write(TheFixture().bytes);
        file.commit();
    }
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!InitializeBenchmarks(&argc, argv))
        return 1;
    TheFixture(); // made before any run is timed
    for (const auto& [name, run] :
         std::vector<std::pair<const char*, void (*)(benchmark::State&)>>{{"Import", Import},
                                                                          {"ImportFileOnly", ImportFileOnly},
                                                                          {"ImportFloor", ImportFloor},
                                                                          {"Export", Export},
                                                                          {"ExportFileOnly", ExportFileOnly},
                                                                          {"ExportFloor", ExportFloor}})
        benchmark::RegisterBenchmark(name, run)->Arg(EntryCount)->Unit(benchmark::kMillisecond);
    FloorReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* work : {"Import", "ImportFileOnly"})
        reporter.PrintRatios(work, "ImportFloor");
    for (const char* work : {"Export", "ExportFileOnly"})
        reporter.PrintRatios(work, "ExportFloor");
    if (const double import = reporter.RealTime("Import/10000"); import >= 0)
        std::printf("10,000-line import: %.0f ms (target: under 500 ms)\n", import * 1e3);
    benchmark::Shutdown();
    return 0;
}
