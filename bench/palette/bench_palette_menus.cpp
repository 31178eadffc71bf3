// Opening the palette menus: each build against its floor, the same Qt menu tree built
// straight from a precomputed plan (no store reads, no sorting), and the resident size
// after many openings. Find Page: opening it and each keystroke (also of a query with a slip of
// the finger), against the same list view filled from a plan, and a plain case-insensitive
// substring filter into it.
//
//   build-release/bin/bench_palette_menus [--benchmark_filter=...]

#include "bench/common/FloorReporter.h"
#include "bench/common/RawSqlite.h"
#include "grouping/CategoryList.h"
#include "pages/PageOrder.h"
#include "palette/VlPaletteMenu.h"
#include "store/CategoryStore.h"
#include "tests/common/InProcessPackage.h"

#include "host/Events.h"
#include "host/Registry.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QStringListModel>
#include <QVBoxLayout>

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

// The menu a build made, as a plan: each submenu's title and its items (caption and the
// page each holds), in order; then the commands (separators as empty names).
struct Plan {
    struct Command {
        QString name;
        QString caption;
        QKeySequence shortcut;
    };
    std::vector<std::pair<QString, std::vector<std::pair<QString, QVariant>>>> submenus;
    std::vector<Command> commands;
};

Plan PlanOf(const QMenu* menu, int skip)
{
    Plan plan;
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = skip; i < items.size(); ++i) {
        if (QMenu* submenu = items[i]->menu()) {
            std::vector<std::pair<QString, QVariant>> pages;
            for (QAction* page : submenu->actions())
                pages.emplace_back(page->text(), page->data());
            plan.submenus.emplace_back(submenu->title(), pages);
        } else if (items[i]->isSeparator() || !items[i]->objectName().isEmpty()) {
            plan.commands.push_back({items[i]->objectName(), items[i]->text(), items[i]->shortcut()});
        }
    }
    return plan;
}

// Receives the floor's item clicks, as the data module receives a build's.
class Receiver : public QObject {
public:
    void Clicked(QObject*) {}
};

// The floor: clear the menu the way a build does, then make the identical tree.
// Not inlined, so that a profiler can tell its calls apart.
[[gnu::noinline]] void BuildFromPlan(QMenu* menu, const Plan& plan, Receiver* receiver)
{
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = items.size() - 1; i >= 0; --i) {
        if (QMenu* submenu = items[i]->menu())
            delete submenu;
        else if (items[i]->parent() == menu)
            delete items[i];
        else // the module's commands, made once and listed by every build
            menu->removeAction(items[i]);
    }
    for (const auto& [title, pages] : plan.submenus) {
        auto* submenu = new QMenu(title, menu);
        menu->addMenu(submenu);
        for (const auto& [page, position] : pages) {
            auto* item = new QAction(page, submenu);
            item->setData(position);
            host::BindEvent(item, &QAction::triggered, receiver, &Receiver::Clicked);
            submenu->addAction(item);
        }
    }
    for (const Plan::Command& command : plan.commands) {
        if (command.name.isEmpty()) {
            menu->addSeparator();
            continue;
        }
        auto* item = new QAction(command.caption, menu);
        item->setObjectName(command.name);
        if (!command.shortcut.isEmpty()) {
            item->setShortcut(command.shortcut);
            item->setShortcutContext(Qt::WidgetShortcut);
        }
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
            ForEachCategory(snapshot.GetCategory(caption), [](QStringView name) { benchmark::DoNotOptimize(name); });
    }
}

// Openings far past what a menu lists: one page whose list names one category that many
// times (filed once more under it for each), and a palette of that many pages on an empty
// store (all under "Other"). Each must open in well under a second.
void BM_OpenPageFiledManyTimes(benchmark::State& state)
{
    const int times = int(state.range(0));
    Fixture& fixture = FixtureFor(QStringLiteral("filed %1 times").arg(times), 1,
                                  QStringList(times, QStringLiteral("x")).join(QLatin1Char(';')));
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
BENCHMARK(BM_OpenPageFiledManyTimes)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OpenPagesOnEmptyStore)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK(BM_SortCaptions)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SortCaptionsAfresh)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadCaptions)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadStore)->Arg(1000)->Unit(benchmark::kMillisecond);

BENCHMARK(BM_MainMenuBuild)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_ButtonMenuBuild)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(BM_Floor)->Arg(100)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->Complexity();

// --- Find Page ---------------------------------------------------------------------------

// What one keystroke after another makes the query: the first letters of a page, on to its
// number; every page's caption matches the first ones.
const QStringList Typing = {"p", "pa", "pag", "page", "page ", "page 1", "page 12", "page 1", "page"};

// The same typing with a slip of the finger: no page matches exactly, every page by a swap.
const QStringList TypingWithASlip = {"pgae", "pgae ", "pgae 1", "pgae 12", "pgae 1", "pgae"};

// Opening Find Page over the palette, painted once, then closing it.
void BM_FindPageOpen(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    for (auto _ : state) {
        fixture.module->FindPage(nullptr);
        FindPagePopup* popup = fixture.module->FindPageWindow();
        popup->List()->viewport()->repaint();
        delete popup;
    }
}

// One keystroke in an open Find Page: the list filtered, ranked and painted anew.
void Keystrokes(benchmark::State& state, const QStringList& typing)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    fixture.module->FindPage(nullptr);
    FindPagePopup* popup = fixture.module->FindPageWindow();
    qsizetype typed = 0;
    for (auto _ : state) {
        popup->Edit()->setText(typing[typed++ % typing.size()]);
        popup->List()->viewport()->repaint();
    }
    delete popup;
}

void BM_FindPageKeystroke(benchmark::State& state)
{
    Keystrokes(state, Typing);
}

// Each keystroke of the typing with a slip: every page is looked at for it.
void BM_FindPageSlipKeystroke(benchmark::State& state)
{
    Keystrokes(state, TypingWithASlip);
}

// The first letter typed into a Find Page just opened: the pages folded for the search, then
// filtered, ranked and painted.
void BM_FindPageFirstKeystroke(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        fixture.module->FindPage(nullptr);
        FindPagePopup* popup = fixture.module->FindPageWindow();
        popup->List()->viewport()->repaint();
        state.ResumeTiming();
        popup->Edit()->setText(Typing.front());
        popup->List()->viewport()->repaint();
        state.PauseTiming();
        delete popup;
        state.ResumeTiming();
    }
}

// The floors: the same list view in the same frame, filled with the captions in menu order
// (known from a plan) and their categories as read from the live palette and store; and a
// case-insensitive substring filter of the captions into it.
class FloorPopup : public QFrame {
public:
    explicit FloorPopup(const QStringList& captions) : QFrame(nullptr, Qt::Popup)
    {
        m_model->setStringList(captions);
        Show(m_model);
    }
    // Shows rows, which it takes.
    explicit FloorPopup(QAbstractListModel* rows) : QFrame(nullptr, Qt::Popup)
    {
        rows->setParent(this);
        Show(rows);
    }

    void Filter(const QStringList& captions, const QString& text)
    {
        QStringList found;
        for (const QString& caption : captions)
            if (caption.contains(text, Qt::CaseInsensitive))
                found.append(caption);
        m_model->setStringList(found);
        m_list->setCurrentIndex(m_model->index(0));
    }

    FindPageList* List() const { return m_list; }

private:
    void Show(QAbstractListModel* rows)
    {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(m_edit);
        layout->addWidget(m_list);
        m_list->setUniformItemSizes(true);
        m_list->setModel(rows);
        m_list->setCurrentIndex(rows->index(0));
        resize(560, 400);
        show();
    }

    QLineEdit* m_edit = new QLineEdit(this);
    FindPageList* m_list = new FindPageList(this);
    QStringListModel* m_model = new QStringListModel(this);
};

QStringList MenuOrder(Fixture& fixture)
{
    return SortedCaptions(PaletteCaptions(fixture.ide.palette));
}

// Rows made as the view asks for them (it asks only for those it shows): a caption and its
// stored list.
class FloorRows : public QAbstractListModel {
public:
    FloorRows(const QStringList& captions, QHash<QString, QString> lists)
        : m_captions(captions), m_lists(std::move(lists))
    {
    }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(m_captions.size());
    }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return QVariant();
        const QString& caption = m_captions[index.row()];
        return QString(caption + QLatin1String("    ") + m_lists.value(caption));
    }

private:
    QStringList m_captions;
    QHash<QString, QString> m_lists;
};

// What opening must read to list the same rows: the palette's captions, the categories and
// the recent pages, the store's two sections as raw SQLite statements; each row shown then
// shows its caption and its stored list.
void BM_FindPageOpenFloor(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    const QStringList captions = MenuOrder(fixture);
    RawSqlite raw(host::TRegIniFile(CategoryStore::Key).StoreLocation());
    const QString categories = FoldedPath(CategoryStore::Key, CategoryStore::Section);
    const QString recent = FoldedPath(CategoryStore::Key, CategoryStore::RecentSection);
    for (auto _ : state) {
        benchmark::DoNotOptimize(PaletteCaptions(fixture.ide.palette));
        QHash<QString, QString> lists;
        for (const auto& [page, list] : raw.ReadSection(categories))
            lists.insert(page, list);
        benchmark::DoNotOptimize(raw.ReadSection(recent));
        FloorPopup popup(new FloorRows(captions, std::move(lists)));
        popup.List()->viewport()->repaint();
    }
}

void BM_FindPageKeystrokeFloor(benchmark::State& state)
{
    Fixture& fixture = FixtureFor(int(state.range(0)));
    const QStringList captions = MenuOrder(fixture);
    FloorPopup popup(captions);
    qsizetype typed = 0;
    for (auto _ : state) {
        popup.Filter(captions, Typing[typed++ % Typing.size()]);
        popup.List()->viewport()->repaint();
    }
}

BENCHMARK(BM_FindPageOpen)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPageOpenFloor)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPageKeystroke)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPageSlipKeystroke)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPageFirstKeystroke)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindPageKeystrokeFloor)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

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
    std::printf("\nFind Page. Target: at most 2 x the floor; a keystroke under 16 ms at 10,000 pages.\n");
    reporter.PrintRatios("BM_FindPageOpen", "BM_FindPageOpenFloor");
    reporter.PrintRatios("BM_FindPageKeystroke", "BM_FindPageKeystrokeFloor");
    reporter.PrintRatios("BM_FindPageSlipKeystroke", "BM_FindPageKeystrokeFloor");
    CurrentFixture().reset();
    benchmark::Shutdown();
    return 0;
}
