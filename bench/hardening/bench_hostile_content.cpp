// Opening the palette menus, the category editor and Find Page on hostile store content: a store of
// 100,000 entries and one of 1,000,000 (an import of that many); pages whose names and lists
// are at the store's limits (so categories named by 524,288 characters); one list of
// 100,000 ";" and one of 524,288 (the longest value); 1,000 pages whose names and categories
// lie beyond the Basic Multilingual Plane; one list of distinct names as long as a value may
// be. Each case is one IDE with the package loaded on a store of its own. Opening a menu is
// its pop-up event and the menu painted as shown; opening the editor is the form made,
// filled from the store and painted once; opening Find Page is the same. Then the editor shown
// over a store of 1,000,000 entries, and the longest the event loop waited between two turns
// while the names in use were read.
//
//   build-release/bin/bench_hostile_content [--benchmark_filter=...]

#include "editor/VlPaletteMenuCategoriesForm.h"
#include "pages/PageOrder.h"
#include "palette/FindPagePopup.h"
#include "palette/VlPaletteMenu.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/TestIde.h"

#include "host/Registry.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QStandardPaths>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <memory>

namespace {

using Entries = QList<QPair<QString, QString>>;

struct Case {
    const char* name;
    QStringList pages;
    Entries store;
};

// A string of count characters from beyond the BMP, chosen by seed.
QString BeyondBmp(int seed, int count)
{
    QString text;
    for (int i = 0; i < count; ++i) {
        const char32_t c = 0x1F300 + char32_t((seed * 31 + i * 7) % 0x300);
        text += QString::fromUcs4(&c, 1);
    }
    return text;
}

Case MakeCase(int index)
{
    Case made;
    switch (index) {
    case 0:
        made.name = "store of 100,000 entries, 80 pages";
        for (int i = 0; i < 100000; ++i)
            made.store.append({QStringLiteral("Page %1").arg(i), QStringLiteral("Category %1;All").arg(i % 30)});
        for (int i = 0; i < 80; ++i)
            made.pages.append(QStringLiteral("Page %1").arg(i * 1249));
        break;
    case 1:
        made.name = "10 pages, names and lists at the store's limits";
        for (int i = 0; i < 10; ++i) {
            const QString page = QString(host::TRegIniFile::MaxValueNameLength - 1, QChar(u'A' + i)) + QLatin1Char('!');
            made.pages.append(page);
            made.store.append({page, QString(host::TRegIniFile::MaxValueLength, QChar(u'a' + i))});
        }
        break;
    case 2:
        made.name = "a list of 100,000 \";\"";
        made.pages = {QStringLiteral("Standard")};
        made.store = {{QStringLiteral("Standard"), QString(100000, QLatin1Char(';'))}};
        break;
    case 3:
        made.name = "a list of 524,288 \";\" (the longest value)";
        made.pages = {QStringLiteral("Standard")};
        made.store = {{QStringLiteral("Standard"), QString(host::TRegIniFile::MaxValueLength, QLatin1Char(';'))}};
        break;
    case 5:
        made.name = "store of 1,000,000 entries, 80 pages";
        for (int i = 0; i < 1000000; ++i)
            made.store.append({QStringLiteral("Page %1").arg(i), QStringLiteral("Category %1;All").arg(i % 30)});
        for (int i = 0; i < 80; ++i)
            made.pages.append(QStringLiteral("Page %1").arg(i * 12497));
        break;
    case 6: {
        made.name = "a list of distinct names, 524,288 characters";
        made.pages = {QStringLiteral("Standard")};
        QString list;
        for (int i = 0; list.size() < host::TRegIniFile::MaxValueLength; ++i)
            list += QStringLiteral("c%1;").arg(i);
        list.truncate(host::TRegIniFile::MaxValueLength);
        made.store = {{QStringLiteral("Standard"), list}};
        break;
    }
    default:
        made.name = "1,000 pages beyond the BMP";
        for (int i = 0; i < 1000; ++i) {
            made.pages.append(BeyondBmp(i, 10));
            made.store.append({made.pages.last(), BeyondBmp(i % 30, 4) + QLatin1Char(';') + BeyondBmp(i % 7, 3)});
        }
        break;
    }
    return made;
}

constexpr int CaseCount = 7;

class Fixture {
public:
    explicit Fixture(const Case& made) : ide(made.pages)
    {
        host::TRegIniFile reg(QStringLiteral("Software\\Vorla\\Palette Menu"));
        reg.Transaction([&] {
            for (const auto& [name, value] : made.store)
                reg.WriteString(QStringLiteral("Categories"), name, value);
        });
        LoadPackageInProcess();
        module = VlPaletteMenuWizardDataModule;
        captions = CaptionSorter().Sorted(UniquePageCaptions(made.pages));
    }
    ~Fixture() { UnloadPackageInProcess(); }

    TestIde ide;
    TVlPaletteMenuWizardDataModule* module = nullptr;
    QStringList captions;
};

std::unique_ptr<Fixture>& CurrentFixture()
{
    static std::unique_ptr<Fixture> fixture;
    return fixture;
}

// One IDE at a time: a second tool palette window would be a second "ToolForm".
Fixture& FixtureFor(int index, benchmark::State& state)
{
    std::unique_ptr<Fixture>& fixture = CurrentFixture();
    static int current = -1;
    const Case made = MakeCase(index);
    if (index != current) {
        fixture.reset();
        fixture = std::make_unique<Fixture>(made);
        current = index;
    }
    state.SetLabel(made.name);
    return *fixture;
}

void BM_OpenMainMenu(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)), state);
    for (auto _ : state) {
        Q_EMIT fixture.module->PaletteMenu()->aboutToShow();
        benchmark::DoNotOptimize(fixture.module->PaletteMenu()->grab());
    }
}

void BM_OpenButtonMenu(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)), state);
    for (auto _ : state) {
        Q_EMIT fixture.module->PaletteButtonMenu()->aboutToShow();
        benchmark::DoNotOptimize(fixture.module->PaletteButtonMenu()->grab());
    }
}

void BM_OpenEditor(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)), state);
    for (auto _ : state) {
        TVlFrmPaletteMenuCategories form;
        form.SetCategories(fixture.captions);
        form.UpdateControls();
        benchmark::DoNotOptimize(form.grab());
    }
}

// Find Page opened over the palette, painted once, then closed.
void BM_OpenFindPage(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)), state);
    for (auto _ : state) {
        fixture.module->FindPage(nullptr);
        FindPagePopup* popup = fixture.module->FindPageWindow();
        benchmark::DoNotOptimize(popup->grab());
        delete popup;
    }
}

// The editor shown, and the event loop run for a while with a timer that fires at every turn:
// the longest time between two turns is the longest the dialog could not answer.
void BM_EditorLongestStall(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)), state);
    for (auto _ : state) {
        TVlFrmPaletteMenuCategories form;
        form.SetCategories(fixture.captions);
        form.UpdateControls();
        form.show();
        QElapsedTimer clock;
        clock.start();
        qint64 last = 0;
        qint64 longest = 0;
        QTimer turn;
        QObject::connect(&turn, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            longest = std::max(longest, now - last);
            last = now;
        });
        turn.start(0);
        // Long enough for a million entries to be read.
        while (clock.elapsed() < 8000)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        state.counters["longestStallS"] = double(longest) / 1e9;
    }
}

BENCHMARK(BM_OpenMainMenu)->DenseRange(0, CaseCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenButtonMenu)->DenseRange(0, CaseCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenEditor)->DenseRange(0, CaseCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFindPage)->DenseRange(0, CaseCount - 1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EditorLongestStall)->Arg(5)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    CurrentFixture().reset();
    benchmark::Shutdown();
    return 0;
}
