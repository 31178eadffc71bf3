// Import and export of category files against their floors. An import of 10,000 and of
// 1,000,000 lines is set beside parsing the same bytes, read from the file, plus writing the
// same entries as raw prepared SQLite statements in one transaction on the same store (what
// SQLite itself costs); "the file alone" shows what reading, checking and collapsing the file
// takes. An export of 10,000 entries is set beside writing its bytes safely. The 1,000,000-line
// import also tells when its progress would show (the first report past half a second) and the
// longest wait between two reports, and an import over a section of 1,000,000 entries when its
// progress would show and how long Cancel then takes; two more imports, each in a process of its own, tell the
// memory an import takes at its peak against the file's size. After the runs it prints each figure over its floor.
//
//   build-release/bin/bench_category_file [--benchmark_filter=...] [--benchmark_repetitions=N]
//
// The store and the files live in a temporary folder (TMPDIR). An import commits once and
// an export replaces its file once, each synced to disk, so the figures depend on that disk.

#include "bench/common/FloorReporter.h"
#include "bench/common/RawSqlite.h"
#include "store/CategoryFile.h"
#include "store/CategoryStore.h"
#include "tests/common/TemporaryStore.h"

#include "host/Registry.h"
#include "host/private/IdeHost.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSaveFile>

#include <sqlite3.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int EntryCount = 10000;
constexpr int ManyLines = 1000000;

// The section the raw floor writes: made by the store, beside the one the import replaces.
const QString RawSection = QStringLiteral("Imported raw");

// The floor's writing: the store's own table, the section's entries replaced in one
// transaction by raw prepared statements, names folded as the store matches them, and the
// change synced as the store syncs it.
class RawWriter {
public:
    explicit RawWriter(const QString& file)
        : m_raw(file), m_key(m_raw.KeyId(FoldedPath(CategoryStore::Key.toString(), RawSection)))
    {
        if (m_key == 0)
            qFatal("the raw floor's section is missing");
    }

    void ReplaceAll(const CategoryFile::Entries& entries) { m_raw.WriteAll(m_key, entries); }

private:
    RawSqlite m_raw;
    sqlite3_int64 m_key;
};

QByteArray ReadAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
}

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
        CategoryFile::Export(*reg, files[EntryCount]);
        bytes = ReadAll(files[EntryCount]);
        // A million distinct short lines: as many entries as a file within the limit holds.
        QByteArray many;
        many.reserve(ManyLines * 12);
        for (int i = 0; i < ManyLines; ++i)
            many += "P" + QByteArray::number(i) + "=C" + QByteArray::number(i % 10) + "\r\n";
        WriteAll(files[ManyLines], many);
        WriteAll(lineBreaks, QByteArray(CategoryFile::MaxFileSize, '\n'));
        reg->WriteString(RawSection, QStringLiteral("made"), QStringLiteral("by the store"));
        raw = std::make_unique<RawWriter>(store.file());
    }

    TemporaryStore store;
    std::map<int, QString> files{{EntryCount, store.filePath(QStringLiteral("grouping.cpc"))},
                                 {ManyLines, store.filePath(QStringLiteral("million.cpc"))}};
    QString lineBreaks = store.filePath(QStringLiteral("line-breaks.cpc"));
    QString written = store.filePath(QStringLiteral("written.cpc"));
    std::unique_ptr<host::TRegIniFile> reg;
    std::unique_ptr<RawWriter> raw;
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
    const QString& file = TheFixture().files.at(int(state.range(0)));
    for (auto _ : state)
        CategoryFile::Import(*TheFixture().reg, file);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// The import's own part: the file read, checked and collapsed, with no store.
void ImportFileOnly(benchmark::State& state)
{
    const QString& file = TheFixture().files.at(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(CategoryFile::ParseBytesCollapsed(ReadAll(file), file));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void ImportFloor(benchmark::State& state)
{
    const QString& file = TheFixture().files.at(int(state.range(0)));
    for (auto _ : state)
        TheFixture().raw->ReplaceAll(CategoryFile::ParseBytesCollapsed(ReadAll(file), file));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// When the 1,000,000-line import's progress shows (its first report past the half second
// after which the IDE shows it), and the longest wait between two reports: the store's erasing
// of the old section and its commit are single calls that cannot report.
void ImportProgress(benchmark::State& state)
{
    double shownAfter = 0;
    double longestGap = 0;
    for (auto _ : state) {
        QElapsedTimer started;
        started.start();
        double last = 0;
        shownAfter = -1;
        longestGap = 0;
        CategoryFile::Import(*TheFixture().reg, TheFixture().files.at(ManyLines), [&](int) {
            const double now = double(started.nsecsElapsed()) * 1e-9;
            longestGap = std::max(longestGap, now - last);
            last = now;
            if (shownAfter < 0 && now >= 0.5)
                shownAfter = now;
        });
        longestGap = std::max(longestGap, double(started.nsecsElapsed()) * 1e-9 - last);
    }
    state.counters["shownAfterS"] = shownAfter;
    state.counters["longestGapS"] = longestGap;
}

// An import of 10,000 lines over a section of 1,000,000 entries, with as many kept for Undo
// Import (the state after two such imports): when its progress would show, and how long Cancel,
// pressed then, takes to leave the store as it was. The erasing of what was kept before is the
// long part; it reports as it goes.
void ImportOverLargeSection(benchmark::State& state)
{
    host::TRegIniFile& reg = *TheFixture().reg;
    for (int i = 0; i < 2; ++i)
        CategoryFile::Import(reg, TheFixture().files.at(ManyLines));
    double shownAfter = -1;
    double cancelTook = -1;
    for (auto _ : state) {
        QElapsedTimer started;
        started.start();
        shownAfter = -1;
        try {
            CategoryFile::Import(reg, TheFixture().files.at(EntryCount), [&](int) {
                const double now = double(started.nsecsElapsed()) * 1e-9;
                if (now >= 0.5) {
                    shownAfter = now;
                    throw CategoryFile::Cancelled();
                }
            });
        } catch (const CategoryFile::Cancelled&) {
            cancelTook = double(started.nsecsElapsed()) * 1e-9 - shownAfter;
        }
    }
    if (shownAfter < 0 || reg.SectionSize(CategoryStore::Section) != ManyLines)
        state.SkipWithError("the import was not cancelled, or the section changed");
    state.counters["shownAfterS"] = shownAfter;
    state.counters["cancelTookS"] = cancelTook;
}

qint64 StatusKiB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLongLong();
    return -1;
}

// "--import-memory STORE FILE": imports FILE into STORE in this fresh process and prints how
// far its resident size rose above what it was just before, in KiB. A process of its own, so
// that memory freed by earlier runs cannot hide what the import takes.
int ImportMemoryChild(const char* store, const char* file)
{
    host::ide::setRegistryFile(QFile::decodeName(store));
    host::TRegIniFile reg(CategoryStore::Key);
    const qint64 before = StatusKiB("VmRSS:");
    CategoryFile::Import(reg, QFile::decodeName(file));
    std::printf("%lld\n", static_cast<long long>(StatusKiB("VmHWM:") - before));
    return 0;
}

// What an import takes in memory at its peak, beside the file's size.
void ImportMemory(benchmark::State& state)
{
    const QString& file = state.range(0) == 0 ? TheFixture().lineBreaks : TheFixture().files.at(ManyLines);
    qint64 peak = 0;
    for (auto _ : state) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--import-memory"), TheFixture().store.file(), file});
        if (!child.waitForFinished(600000) || child.exitCode() != 0)
            state.SkipWithError("the importing process failed");
        peak = child.readAllStandardOutput().trimmed().toLongLong();
    }
    state.counters["peakKiB"] = double(peak);
    state.counters["fileKiB"] = double(QFile(file).size()) / 1024;
}

void Export(benchmark::State& state)
{
    // The section as the fixture made it: the imports before left a million entries.
    CategoryFile::Import(*TheFixture().reg, TheFixture().files.at(EntryCount));
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
    if (argc == 4 && std::strcmp(argv[1], "--import-memory") == 0)
        return ImportMemoryChild(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    if (!InitializeBenchmarks(&argc, argv))
        return 1;
    TheFixture(); // made before any run is timed
    using Run = void (*)(benchmark::State&);
    for (const auto& [name, run] : std::vector<std::pair<const char*, Run>>{
             {"Import", Import}, {"ImportFileOnly", ImportFileOnly}, {"ImportFloor", ImportFloor}}) {
        benchmark::RegisterBenchmark(name, run)->Arg(EntryCount)->Unit(benchmark::kMillisecond);
        // Seconds each: one run a repetition.
        benchmark::RegisterBenchmark(name, run)->Arg(ManyLines)->Iterations(1)->Unit(benchmark::kMillisecond);
    }
    benchmark::RegisterBenchmark("ImportProgress", ImportProgress)->Arg(ManyLines)->Iterations(1);
    benchmark::RegisterBenchmark("ImportOverLargeSection", ImportOverLargeSection)->Arg(ManyLines)->Iterations(1);
    // 0: 16 MiB of line breaks; 1: the 1,000,000 distinct lines.
    benchmark::RegisterBenchmark("ImportMemory", ImportMemory)->Arg(0)->Arg(1)->Iterations(1);
    for (const auto& [name, run] : std::vector<std::pair<const char*, Run>>{
             {"Export", Export}, {"ExportFileOnly", ExportFileOnly}, {"ExportFloor", ExportFloor}})
        benchmark::RegisterBenchmark(name, run)->Arg(EntryCount)->Unit(benchmark::kMillisecond);
    FloorReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    for (const char* work : {"Import", "ImportFileOnly"})
        reporter.PrintRatios(work, "ImportFloor");
    for (const char* work : {"Export", "ExportFileOnly"})
        reporter.PrintRatios(work, "ExportFloor");
    if (const double import = reporter.RealTime("Import/1000000/iterations:1"); import >= 0)
        std::printf("1,000,000-line import: %.1f s (target: under 10 s)\n", import);
    benchmark::Shutdown();
    return 0;
}
