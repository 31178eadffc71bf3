// Import and export of a category file of 10,000 entries against the floor: reading, or
// safely writing, the same bytes with no store and no conversion. Also the file alone, read
// and checked (ReadFile) and made from lines (EncodeLines), to show where the time goes.
// After the runs it prints each figure over its floor.
//
//   build-release/bin/bench_category_file [--benchmark_filter=...] [--benchmark_repetitions=N]
//
// The store and the files live in a temporary folder (TMPDIR). An import commits once and
// an export replaces its file once, each synced to disk, so the figures depend on that disk.

#include "store/CategoryFile.h"
#include "store/CategoryStore.h"

#include "host/private/IdeHost.h"
#include "host/Registry.h"

#include <QCoreApplication>
#include <QFile>
#include <QSaveFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr int EntryCount = 10000;

struct Fixture {
    Fixture()
    {
        host::ide::setRegistryFile(folder.filePath(QStringLiteral("registry.sqlite")));
        reg = std::make_unique<host::TRegIniFile>(CategoryStore::Key);
        reg->Transaction([&] {
            for (int i = 0; i < EntryCount; ++i) {
                // Names as palettes give them, some beyond ASCII but within Windows-1252.
                const QString name = QStringLiteral("%1 Page %2").arg(i % 5 ? QStringLiteral("Data") : QStringLiteral("Über")).arg(i);
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

    QTemporaryDir folder;
    QString file = folder.filePath(QStringLiteral("grouping.cpc"));
    QString written = folder.filePath(QStringLiteral("written.cpc"));
    std::unique_ptr<host::TRegIniFile> reg;
    QStringList lines;
    QByteArray bytes;
};

Fixture* TheFixture = nullptr;

void Import(benchmark::State& state)
{
    for (auto _ : state)
        CategoryFile::Import(*TheFixture->reg, TheFixture->file);
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

void ImportFileOnly(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(CategoryFile::ReadFile(TheFixture->file));
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

void ImportFloor(benchmark::State& state)
{
    for (auto _ : state) {
        QFile file(TheFixture->file);
        file.open(QIODevice::ReadOnly);
        benchmark::DoNotOptimize(file.readAll());
    }
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

void Export(benchmark::State& state)
{
    for (auto _ : state)
        CategoryFile::Export(*TheFixture->reg, TheFixture->written);
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

void ExportFileOnly(benchmark::State& state)
{
    for (auto _ : state)
        CategoryFile::WriteFile(TheFixture->written, CategoryFile::EncodeLines(TheFixture->lines));
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

void ExportFloor(benchmark::State& state)
{
    for (auto _ : state) {
        QSaveFile file(TheFixture->written);
        file.open(QIODevice::WriteOnly);
        file.write(TheFixture->bytes);
        file.commit();
    }
    state.SetItemsProcessed(state.iterations() * EntryCount);
}

// Reports as the console does and keeps each run's real time per iteration for the ratios.
class FloorReporter : public benchmark::ConsoleReporter {
public:
    // In colour on a terminal only.
    FloorReporter() : ConsoleReporter(::isatty(::fileno(stdout)) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const bool kept = run.run_type == Run::RT_Iteration ||
                              (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median");
            if (kept && !run.error_occurred && run.iterations > 0)
                m_seconds[run.run_name.function_name] = run.real_accumulated_time / double(run.iterations);
        }
    }

    void PrintRatios() const
    {
        std::printf("\n%-22s %11s %11s %9s\n", "work", "time", "floor", "ratio");
        for (const char* work : {"Import", "Import/FileOnly", "Export", "Export/FileOnly"}) {
            const std::string name = work;
            const std::string floor = name.substr(0, name.find('/')) + "/Floor";
            const auto it = m_seconds.find(name);
            const auto base = m_seconds.find(floor);
            if (it != m_seconds.end() && base != m_seconds.end())
                std::printf("%-22s %8.2f ms %8.2f ms %8.1fx\n", work, it->second * 1e3, base->second * 1e3,
                            it->second / base->second);
        }
        if (const auto import = m_seconds.find("Import"); import != m_seconds.end())
            std::printf("10,000-line import: %.0f ms (target: under 500 ms)\n", import->second * 1e3);
    }

private:
    std::map<std::string, double> m_seconds;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    Fixture fixture;
    TheFixture = &fixture;
    for (const auto& [name, run] : std::vector<std::pair<const char*, void (*)(benchmark::State&)>>{
             {"Import", Import},
             {"Import/FileOnly", ImportFileOnly},
             {"Import/Floor", ImportFloor},
             {"Export", Export},
             {"Export/FileOnly", ExportFileOnly},
             {"Export/Floor", ExportFloor}})
        benchmark::RegisterBenchmark(name, run)->Unit(benchmark::kMillisecond);
    FloorReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatios();
    benchmark::Shutdown();
    return 0;
}
