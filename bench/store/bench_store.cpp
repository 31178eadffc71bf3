// The per-user store (TRegIniFile on its SQLite file) against two floors doing the same work:
// the same queries through raw prepared SQLite statements on the same file (what SQLite
// itself costs), and an in-memory hash map with the same name matching and creation order.
// The work: reading one entry from a section of 100 and of 10,000 entries, reading a whole
// section, writing one entry as a change of its own (as choosing a page remembers it), and
// writing 10,000 entries as one all-or-nothing change (erase the section, then write every
// entry, as an import does). Every change goes through a rollback journal, made and deleted
// with it, and is synced, in the store and its floor alike. After the runs it prints each
// store figure over each floor.
//
//   build-release/bin/bench_store [--benchmark_filter=...] [--benchmark_repetitions=N]
//
// The store lives in a temporary folder (TMPDIR); every change is synced to disk when it
// commits, so the write figure depends on that disk.

#include "bench/common/FloorReporter.h"
#include "bench/common/RawSqlite.h"
#include "tests/common/TemporaryStore.h"

#include "host/Registry.h"

#include <QCoreApplication>
#include <QFile>
#include <QHash>

#include <sqlite3.h>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

using Entries = QList<QPair<QString, QString>>;

const QString Key = QStringLiteral("Software\\Vorla\\Palette Menu");
constexpr int WriteCount = 10000;

QString SectionOf(int size)
{
    return QStringLiteral("Categories %1").arg(size);
}

// Entries as an import would bring them: page names and category lists.
Entries MakeEntries(int count)
{
    Entries entries;
    entries.reserve(count);
    for (int i = 0; i < count; ++i)
        entries.append({QStringLiteral("Page %1").arg((i * 7919) % 100003),
                        QStringLiteral("Category %1;Category %2").arg(i % 30).arg(i % 7)});
    return entries;
}

// The names to look up, in a shuffled order, so that reads do not walk the file in order.
QStringList LookupOrder(const Entries& entries)
{
    QStringList names;
    for (const auto& entry : entries)
        names.append(entry.first);
    std::shuffle(names.begin(), names.end(), std::mt19937(42));
    return names;
}

// The floor: a section held in memory, matching names as the store does.
class MapSection {
public:
    void Write(const QString& name, const QString& value)
    {
        const QString key = host::RegistryNameKey(name);
        if (const auto found = m_index.constFind(key); found != m_index.cend()) {
            m_entries[*found].second = value;
        } else {
            m_index.insert(key, m_entries.size());
            m_entries.append({name, value});
        }
    }
    QString Read(const QString& name, const QString& defaultValue) const
    {
        const auto found = m_index.constFind(host::RegistryNameKey(name));
        return found == m_index.cend() ? defaultValue : m_entries[*found].second;
    }
    Entries ReadAll() const
    {
        Entries entries;
        entries.reserve(m_entries.size());
        for (const auto& entry : m_entries)
            entries.append(entry);
        return entries;
    }
    void Erase()
    {
        m_index.clear();
        m_entries.clear();
    }

private:
    QHash<QString, qsizetype> m_index;
    Entries m_entries;
};

const QString RawSection = QStringLiteral("Imported raw");

// One store file for the whole run, with a section of each size filled once.
struct Fixture {
    Fixture()
    {
        reg = std::make_unique<host::TRegIniFile>(Key);
        for (const int size : {100, 10000}) {
            const Entries entries = MakeEntries(size);
            reg->Transaction([&] {
                for (const auto& [name, value] : entries)
                    reg->WriteString(SectionOf(size), name, value);
            });
            for (const auto& [name, value] : entries)
                maps[size].Write(name, value);
        }
        // The raw floor writes into a section of its own, made by the store.
        reg->WriteString(RawSection, QStringLiteral("made"), QStringLiteral("by the store"));
        raw = std::make_unique<RawSqlite>(store.file());
        // A floor must give the same result as the work it stands under.
        for (const int size : {100, 10000}) {
            if (raw->ReadSection(FoldedPath(Key, SectionOf(size))) != reg->ReadSectionEntries(SectionOf(size)))
                qFatal("the raw statements read another section of %d than the store", size);
        }
    }

    TemporaryStore store;
    std::unique_ptr<host::TRegIniFile> reg;
    std::unique_ptr<RawSqlite> raw;
    std::map<int, MapSection> maps;
};

Fixture* TheFixture = nullptr;

void StoreReadOne(benchmark::State& state)
{
    const int size = int(state.range(0));
    const QString section = SectionOf(size);
    const QStringList names = LookupOrder(MakeEntries(size));
    qsizetype next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TheFixture->reg->ReadString(section, names[next], QString()));
        next = (next + 1) % names.size();
    }
}

void MapReadOne(benchmark::State& state)
{
    const MapSection& map = TheFixture->maps.at(int(state.range(0)));
    const QStringList names = LookupOrder(MakeEntries(int(state.range(0))));
    qsizetype next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.Read(names[next], QString()));
        next = (next + 1) % names.size();
    }
}

// The name is folded as the store folds it, at each read: a lookup by the name as given,
// without regard to case, cannot cost less.
void SqliteReadOne(benchmark::State& state)
{
    const int size = int(state.range(0));
    const QString path = FoldedPath(Key, SectionOf(size));
    const QStringList names = LookupOrder(MakeEntries(size));
    qsizetype next = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(TheFixture->raw->Read(path, host::RegistryNameKey(names[next])));
        next = (next + 1) % names.size();
    }
}

void StoreReadSection(benchmark::State& state)
{
    const QString section = SectionOf(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(TheFixture->reg->ReadSectionEntries(section));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void SqliteReadSection(benchmark::State& state)
{
    const QString path = FoldedPath(Key, SectionOf(int(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(TheFixture->raw->ReadSection(path));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void MapReadSection(benchmark::State& state)
{
    const MapSection& map = TheFixture->maps.at(int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(map.ReadAll());
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// One entry written again and again, its value changed each time, so that every write is a
// change synced to disk.
void StoreWriteOne(benchmark::State& state)
{
    host::TRegIniFile& reg = *TheFixture->reg;
    int next = 0;
    for (auto _ : state)
        reg.WriteString(QStringLiteral("Written"), QStringLiteral("Page"), QString::number(++next));
}

void SqliteWriteOne(benchmark::State& state)
{
    RawSqlite& raw = *TheFixture->raw;
    const sqlite3_int64 key = raw.KeyId(FoldedPath(Key, RawSection));
    int next = 0;
    for (auto _ : state)
        raw.WriteOne(key, QStringLiteral("Page"), QString::number(++next));
}

void MapWriteOne(benchmark::State& state)
{
    MapSection map;
    int next = 0;
    for (auto _ : state) {
        map.Write(QStringLiteral("Page"), QString::number(++next));
        benchmark::ClobberMemory();
    }
}

void StoreWriteAll(benchmark::State& state)
{
    const Entries entries = MakeEntries(int(state.range(0)));
    const QString section = QStringLiteral("Imported");
    host::TRegIniFile& reg = *TheFixture->reg;
    for (auto _ : state) {
        reg.Transaction([&] {
            reg.EraseSection(section);
            for (const auto& [name, value] : entries)
                reg.WriteString(section, name, value);
        });
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

// Each name folded as the store folds it, within the change, as the import's floor does.
void SqliteWriteAll(benchmark::State& state)
{
    const Entries entries = MakeEntries(int(state.range(0)));
    RawSqlite& raw = *TheFixture->raw;
    const sqlite3_int64 key = raw.KeyId(FoldedPath(Key, RawSection));
    for (auto _ : state)
        raw.WriteAll(key, entries);
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void MapWriteAll(benchmark::State& state)
{
    const Entries entries = MakeEntries(int(state.range(0)));
    MapSection map;
    for (auto _ : state) {
        map.Erase();
        for (const auto& [name, value] : entries)
            map.Write(name, value);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

void Register()
{
    const auto sizes = [](benchmark::internal::Benchmark* b) { b->Arg(100)->Arg(10000); };
    benchmark::RegisterBenchmark("ReadOne/Store", StoreReadOne)->Apply(sizes);
    benchmark::RegisterBenchmark("ReadOne/SQLite", SqliteReadOne)->Apply(sizes);
    benchmark::RegisterBenchmark("ReadOne/HashMap", MapReadOne)->Apply(sizes);
    benchmark::RegisterBenchmark("ReadSection/Store", StoreReadSection)->Apply(sizes)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ReadSection/SQLite", SqliteReadSection)->Apply(sizes)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("ReadSection/HashMap", MapReadSection)->Apply(sizes)->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("WriteOne/Store", StoreWriteOne)->Arg(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("WriteOne/SQLite", SqliteWriteOne)->Arg(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("WriteOne/HashMap", MapWriteOne)->Arg(1)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("WriteAll/Store", StoreWriteAll)->Arg(WriteCount)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("WriteAll/SQLite", SqliteWriteAll)->Arg(WriteCount)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("WriteAll/HashMap", MapWriteAll)->Arg(WriteCount)->Unit(benchmark::kMillisecond);
}

// Each store figure over its two floors: raw SQLite on the same file, and the hash map.
void PrintRatios(FloorReporter& reporter)
{
    for (const char* floor : {"/SQLite", "/HashMap"})
        for (const char* work : {"ReadOne", "ReadSection", "WriteOne", "WriteAll"})
            reporter.PrintRatios(std::string(work) + "/Store", std::string(work) + floor);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (!InitializeBenchmarks(&argc, argv))
        return 1;
    Fixture fixture;
    TheFixture = &fixture;
    Register();
    FloorReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintRatios(reporter);
    benchmark::Shutdown();
    return 0;
}
