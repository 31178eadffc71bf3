// Prints the benchmark table from the JSON reports that the benchmarks write
// (--benchmark_out=DIR/NAME.json): a summary line, then one Markdown table of each figure
// beside its floor from the same run, their ratio, the target and whether it is met (rows
// with a target first), then the rows kept for reference under their own heading, each with
// a sentence on what it shows. scripts/bench.sh runs every benchmark, then this.
//
//   bench_table DIR [LOAD [CORES]]   LOAD: the machine's load average, named in the summary;
//                                    above one per CORES, the targets missed narrowly are named
//
// A figure is the median over repetitions when the run was repeated, else the one run's
// time per iteration (real time: what a person waits for).

#include <QDir>
#include <QFile>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QRegularExpression>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

namespace {

enum class Unit { Seconds, KiB };

// One measured value: a run of a report, and the field of it (its real time by default).
struct Figure {
    const char* run;
    const char* field = "real_time";
};

// The floor a figure is set beside; scale multiplies it (a smaller size's time grown
// linearly to the larger size).
struct Floor {
    const char* label;
    Figure figure;
    double scale = 1;
};

struct Target {
    enum Kind { MaxRatio, MaxValue, MaxGrowth } kind;
    double limit = 0; // times the floor, seconds, or KiB above the floor
    const char* text = "";
};

struct Row {
    const char* report;
    const char* label;
    Figure figure;
    std::vector<Floor> floors;
    std::vector<Target> targets;
    Unit unit = Unit::Seconds;
};

// A figure kept for reference beside a floor that no target speaks of.
struct Reference {
    Row row;
    const char* shows; // one sentence on what it shows
};

const std::vector<Target> AtMost1_5{{Target::MaxRatio, 1.5, "at most 1.5 x floor"}};
const std::vector<Target> AtMost1_3{{Target::MaxRatio, 1.3, "at most 1.3 x floor"}};
const std::vector<Target> AtMost1_2{{Target::MaxRatio, 1.2, "at most 1.2 x floor"}};
const std::vector<Target> UnderASecond{{Target::MaxValue, 1.0, "under 1 s"}};
const std::vector<Target> AtMost2{{Target::MaxRatio, 2, "at most 2 x floor"}};
// Against the smaller size's time grown in proportion: quadratic growth would show as 4 x
// and 10 x.
const std::vector<Target> Linear{{Target::MaxRatio, 1.5, "linear: at most 1.5 x"}};

std::vector<Row> Rows()
{
    const Floor menuFloor100{"same menu tree from a plan", {"BM_Floor/100"}};
    const Floor menuFloor1000{"same menu tree from a plan", {"BM_Floor/1000"}};
    const Floor menuFloor10000{"same menu tree from a plan", {"BM_Floor/10000"}};
    std::vector<Row> rows = {
        {"bench_store",
         "store: read one entry, section of 100",
         {"ReadOne/Store/100"},
         {{"raw SQLite statement", {"ReadOne/SQLite/100"}}},
         AtMost1_5},
        {"bench_store",
         "store: read one entry, section of 10,000",
         {"ReadOne/Store/10000"},
         {{"raw SQLite statement", {"ReadOne/SQLite/10000"}}},
         AtMost1_5},
        {"bench_store",
         "store: read a section of 100",
         {"ReadSection/Store/100"},
         {{"raw SQLite statement", {"ReadSection/SQLite/100"}}},
         AtMost1_2},
        {"bench_store",
         "store: read a section of 10,000",
         {"ReadSection/Store/10000"},
         {{"raw SQLite statement", {"ReadSection/SQLite/10000"}}},
         AtMost1_2},
        {"bench_store",
         "store: write one entry as a change of its own",
         {"WriteOne/Store/1"},
         {{"raw SQLite statement, same rollback journal", {"WriteOne/SQLite/1"}}},
         AtMost1_5},
        {"bench_store",
         "store: write 10,000 entries as one change",
         {"WriteAll/Store/10000"},
         {{"raw SQLite statements, one transaction", {"WriteAll/SQLite/10000"}}},
         AtMost1_5},
        {"bench_palette_menus", "main menu, 100 pages", {"BM_MainMenuBuild/100"}, {menuFloor100}, AtMost1_3},
        {"bench_palette_menus", "button menu, 100 pages", {"BM_ButtonMenuBuild/100"}, {menuFloor100}, AtMost1_3},
        {"bench_palette_menus", "main menu, 1,000 pages", {"BM_MainMenuBuild/1000"}, {menuFloor1000}, AtMost1_3},
        {"bench_palette_menus", "button menu, 1,000 pages", {"BM_ButtonMenuBuild/1000"}, {menuFloor1000}, AtMost1_3},
        {"bench_palette_menus", "main menu, 10,000 pages", {"BM_MainMenuBuild/10000"}, {menuFloor10000}, AtMost1_3},
        {"bench_palette_menus", "button menu, 10,000 pages", {"BM_ButtonMenuBuild/10000"}, {menuFloor10000}, AtMost1_3},
        // Opening reads the palette and the store, as a menu build does; its floor reads the
        // same (the store by raw statements) and fills the same list in menu order from a plan.
        {"bench_palette_menus",
         "Find Page: open, 1,000 pages",
         {"BM_FindPageOpen/1000"},
         {{"same rows read raw, same list", {"BM_FindPageOpenFloor/1000"}}},
         AtMost2},
        {"bench_palette_menus",
         "Find Page: open, 10,000 pages",
         {"BM_FindPageOpen/10000"},
         {{"same rows read raw, same list", {"BM_FindPageOpenFloor/10000"}}},
         AtMost2},
        {"bench_palette_menus",
         "Find Page: a keystroke, 1,000 pages",
         {"BM_FindPageKeystroke/1000"},
         {{"substring filter, same list", {"BM_FindPageKeystrokeFloor/1000"}}},
         AtMost2},
        {"bench_palette_menus",
         "Find Page: a keystroke, 10,000 pages",
         {"BM_FindPageKeystroke/10000"},
         {{"substring filter, same list", {"BM_FindPageKeystrokeFloor/10000"}}},
         {{Target::MaxRatio, 2, "at most 2 x floor"}, {Target::MaxValue, 0.016, "under 16 ms"}}},
        // A query with a slip matches no page exactly: every page is also looked at for it.
        {"bench_palette_menus",
         "Find Page: a keystroke with a slip, 10,000 pages",
         {"BM_FindPageSlipKeystroke/10000"},
         {{"substring filter, same list", {"BM_FindPageKeystrokeFloor/10000"}}},
         {{Target::MaxRatio, 2, "at most 2 x floor"}, {Target::MaxValue, 0.016, "under 16 ms"}}},
        // The first letter folds every page for the search.
        {"bench_palette_menus",
         "Find Page: the first keystroke, 10,000 pages",
         {"BM_FindPageFirstKeystroke/10000"},
         {},
         {{Target::MaxValue, 0.016, "under 16 ms"}}},
    };
    const std::vector<Row> rest = {
        // Where a build's time goes beyond its floor, at 1,000 pages.
        {"bench_palette_menus", "menu, 1,000 pages: reading the section once", {"BM_ReadStore/1000"}, {}, {}},
        {"bench_palette_menus",
         "menu, 1,000 pages: reading and sorting the captions, palette unchanged",
         {"BM_SortCaptions/1000"},
         {},
         {}},
        {"bench_palette_menus",
         "menu, 1,000 pages: sorting the captions afresh",
         {"BM_SortCaptionsAfresh/1000"},
         {},
         {}},
        {"bench_palette_menus", "menu, 1,000 pages: reading the captions", {"BM_ReadCaptions/1000"}, {}, {}},
        {"bench_palette_menus",
         "menu: one page filed 100,000 times under one category",
         {"BM_OpenPageFiledManyTimes/100000"},
         {},
         UnderASecond},
        {"bench_palette_menus",
         "menu: 100,000 pages on an empty store",
         {"BM_OpenPagesOnEmptyStore/100000"},
         {},
         UnderASecond},
        {"bench_palette_menus",
         "menu: the most it lists, 10,000 submenus of 10",
         {"BM_OpenMostListed"},
         {},
         UnderASecond},
        {"bench_palette_menus",
         "resident size after 10,000 openings",
         {"BM_ResidentSize/100", "afterManyKiB"},
         {{"after 10 openings", {"BM_ResidentSize/100", "after10KiB"}}},
         {{Target::MaxGrowth, 2048, "at most 2 MiB more"}},
         Unit::KiB},
        {"bench_category_file",
         "import 10,000 lines",
         {"Import/10000"},
         {{"parsing the same bytes + raw SQLite statements in one transaction", {"ImportFloor/10000"}}},
         {{Target::MaxRatio, 1.5, "at most 1.5 x floor"}, {Target::MaxValue, 0.5, "under 500 ms"}}},
        {"bench_category_file",
         "import 1,000,000 lines",
         {"Import/1000000"},
         {{"parsing the same bytes + raw SQLite statements in one transaction", {"ImportFloor/1000000"}}},
         {{Target::MaxRatio, 1.5, "at most 1.5 x floor"}, {Target::MaxValue, 10, "under 10 s"}}},
        {"bench_category_file",
         "import, 10,000 lines: the file alone, read, checked and collapsed",
         {"ImportFileOnly/10000"},
         {},
         {}},
        {"bench_category_file",
         "import, 1,000,000 lines: the file alone, read, checked and collapsed",
         {"ImportFileOnly/1000000"},
         {},
         {}},
        {"bench_category_file",
         "import, 1,000,000 lines: its progress shown after",
         {"ImportProgress/1000000", "shownAfterS"},
         {},
         {{Target::MaxValue, 0.6, "at most 0.6 s (shown past 0.5 s)"}}},
        {"bench_category_file",
         "import, 1,000,000 lines: longest wait between progress reports (the store's commit)",
         {"ImportProgress/1000000", "longestGapS"},
         {},
         {}},
        {"bench_category_file",
         "import over a section of 1,000,000 entries: its progress shown after",
         {"ImportOverLargeSection/1000000", "shownAfterS"},
         {},
         {{Target::MaxValue, 0.6, "at most 0.6 s (shown past 0.5 s)"}}},
        {"bench_category_file",
         "import over a section of 1,000,000 entries: Cancel, pressed then, done after",
         {"ImportOverLargeSection/1000000", "cancelTookS"},
         {},
         {{Target::MaxValue, 1, "under 1 s"}}},
        {"bench_category_file",
         "import, 16 MiB of line breaks: memory at its peak",
         {"ImportMemory/0", "peakKiB"},
         {{"the file's size", {"ImportMemory/0", "fileKiB"}}},
         {{Target::MaxRatio, 10, "at most 10 x the file's size"}},
         Unit::KiB},
        {"bench_category_file",
         "import, 1,000,000 lines: memory at its peak",
         {"ImportMemory/1", "peakKiB"},
         {{"the file's size", {"ImportMemory/1", "fileKiB"}}},
         {{Target::MaxRatio, 10, "at most 10 x the file's size"}},
         Unit::KiB},
        {"bench_category_file",
         "export 10,000 entries",
         {"Export/10000"},
         {{"writing the bytes safely", {"ExportFloor/10000"}}},
         {}},
        {"bench_category_file",
         "export: the file alone, made and written",
         {"ExportFileOnly/10000"},
         {{"writing the bytes safely", {"ExportFloor/10000"}}},
         {}},
        {"bench_category_editor",
         "editor: open, 100 pages",
         {"BM_Open/100"},
         {{"same dialog, plain model, rows read raw", {"BM_OpenFloor/100"}}},
         AtMost1_5},
        {"bench_category_editor",
         "editor: open, 1,000 pages",
         {"BM_Open/1000"},
         {{"same dialog, plain model, rows read raw", {"BM_OpenFloor/1000"}}},
         AtMost1_5},
        {"bench_category_editor",
         "editor: open, 10,000 pages",
         {"BM_Open/10000"},
         {{"same dialog, plain model, rows read raw", {"BM_OpenFloor/10000"}}},
         AtMost1_5},
        {"bench_category_editor", "editor: its page list, 1,000 pages", {"BM_PageList/1000"}, {}, {}},
        {"bench_category_editor",
         "editor: filter keystroke, 10,000 pages",
         {"BM_FilterKeystroke/10000"},
         {{"plain substring hide and show", {"BM_FilterKeystrokeFloor/10000"}}},
         {{Target::MaxRatio, 2, "at most 2 x floor"}, {Target::MaxValue, 0.016, "under 16 ms"}}},
        {"bench_category_editor",
         "editor: completion list, 1,000 names",
         {"BM_CompletionKeystroke/1000"},
         {},
         {{Target::MaxValue, 0.005, "under 5 ms"}}},
        {"bench_category_editor",
         "editor: save, 100 pages",
         {"BM_Save/100"},
         {{"section read, rows written raw", {"BM_SaveFloor/100"}}},
         AtMost1_5},
        {"bench_category_editor",
         "editor: save, 1,000 pages",
         {"BM_Save/1000"},
         {{"section read, rows written raw", {"BM_SaveFloor/1000"}}},
         {{Target::MaxRatio, 1.5, "at most 1.5 x floor"}, {Target::MaxValue, 0.1, "under 100 ms"}}},
        {"bench_category_editor",
         "editor: save, 10,000 pages",
         {"BM_Save/10000"},
         {{"section read, rows written raw", {"BM_SaveFloor/10000"}}},
         AtMost1_5},
        {"bench_category_editor",
         "editor: Add Category, 20,000 rows selected",
         {"BM_EditSelectedRows/0"},
         {},
         {{Target::MaxValue, 0.1, "under 100 ms"}}},
        {"bench_category_editor",
         "editor: Remove Category, 20,000 rows selected",
         {"BM_EditSelectedRows/1"},
         {},
         {{Target::MaxValue, 0.1, "under 100 ms"}}},
        {"bench_category_editor",
         "editor: Undo of Add Category, 20,000 rows",
         {"BM_EditSelectedRows/2"},
         {},
         {{Target::MaxValue, 0.1, "under 100 ms"}}},
        {"bench_category_editor",
         "editor: Redo of Add Category, 20,000 rows",
         {"BM_EditSelectedRows/3"},
         {},
         {{Target::MaxValue, 0.1, "under 100 ms"}}},
        {"bench_hostile_content",
         "hostile: editor shown over a store of 1,000,000 entries, longest stall",
         {"BM_EditorLongestStall/5", "longestStallS"},
         {},
         {{Target::MaxValue, 0.05, "under 50 ms"}}},
        {"bench_ide_startup",
         "IDE start, one page of 320,000 components",
         {"BM_StartWithComponentsOnOnePage/320000"},
         {{"80,000 components x 4", {"BM_StartWithComponentsOnOnePage/80000"}, 4}},
         Linear},
        {"bench_ide_startup",
         "IDE start, 100,000 pages",
         {"BM_StartWithPages/100000"},
         {{"10,000 pages x 10", {"BM_StartWithPages/10000"}, 10}},
         Linear},
        {"bench_hostile_content",
         "hostile: main menu, a store of 100,000 entries, 80 pages",
         {"BM_OpenMainMenu/0"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: button menu, a store of 100,000 entries, 80 pages",
         {"BM_OpenButtonMenu/0"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: editor, a store of 100,000 entries, 80 pages",
         {"BM_OpenEditor/0"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: main menu, 10 pages, names and lists at the store's limits",
         {"BM_OpenMainMenu/1"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: button menu, 10 pages, names and lists at the store's limits",
         {"BM_OpenButtonMenu/1"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: editor, 10 pages, names and lists at the store's limits",
         {"BM_OpenEditor/1"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: main menu, a list of 100,000 \";\"",
         {"BM_OpenMainMenu/2"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: button menu, a list of 100,000 \";\"",
         {"BM_OpenButtonMenu/2"},
         {},
         UnderASecond},
        {"bench_hostile_content", "hostile: editor, a list of 100,000 \";\"", {"BM_OpenEditor/2"}, {}, UnderASecond},
        {"bench_hostile_content",
         "hostile: main menu, a list of 524,288 \";\"",
         {"BM_OpenMainMenu/3"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: button menu, a list of 524,288 \";\"",
         {"BM_OpenButtonMenu/3"},
         {},
         UnderASecond},
        {"bench_hostile_content", "hostile: editor, a list of 524,288 \";\"", {"BM_OpenEditor/3"}, {}, UnderASecond},
        {"bench_hostile_content",
         "hostile: main menu, 1,000 pages beyond the BMP",
         {"BM_OpenMainMenu/4"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: button menu, 1,000 pages beyond the BMP",
         {"BM_OpenButtonMenu/4"},
         {},
         UnderASecond},
        {"bench_hostile_content", "hostile: editor, 1,000 pages beyond the BMP", {"BM_OpenEditor/4"}, {}, UnderASecond},
        {"bench_hostile_content",
         "hostile: main menu, a store of 1,000,000 entries, 80 pages",
         {"BM_OpenMainMenu/5"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: button menu, a store of 1,000,000 entries, 80 pages",
         {"BM_OpenButtonMenu/5"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: editor, a store of 1,000,000 entries, 80 pages",
         {"BM_OpenEditor/5"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: main menu, a list of distinct names, 524,288 characters",
         {"BM_OpenMainMenu/6"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: button menu, a list of distinct names, 524,288 characters",
         {"BM_OpenButtonMenu/6"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: editor, a list of distinct names, 524,288 characters",
         {"BM_OpenEditor/6"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: Find Page, a store of 100,000 entries, 80 pages",
         {"BM_OpenFindPage/0"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: Find Page, 10 pages, names and lists at the store's limits",
         {"BM_OpenFindPage/1"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: Find Page, a list of 100,000 \";\"",
         {"BM_OpenFindPage/2"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: Find Page, a list of 524,288 \";\"",
         {"BM_OpenFindPage/3"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: Find Page, 1,000 pages beyond the BMP",
         {"BM_OpenFindPage/4"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: Find Page, a store of 1,000,000 entries, 80 pages",
         {"BM_OpenFindPage/5"},
         {},
         UnderASecond},
        {"bench_hostile_content",
         "hostile: Find Page, a list of distinct names, 524,288 characters",
         {"BM_OpenFindPage/6"},
         {},
         UnderASecond},
    };
    rows.insert(rows.end(), rest.begin(), rest.end());
    // Those with a target first, each group in the order above.
    std::stable_partition(rows.begin(), rows.end(), [](const Row& row) { return !row.targets.empty(); });
    return rows;
}

std::vector<Reference> ReferenceRows()
{
    return {
        {{"bench_store",
          "store: read one entry, section of 100",
          {"ReadOne/Store/100"},
          {{"hash map", {"ReadOne/HashMap/100"}}},
          {}},
         "What a lookup costs with no file at all: the price of keeping the grouping on disk, shared between IDEs."},
        {{"bench_store",
          "store: read one entry, section of 10,000",
          {"ReadOne/Store/10000"},
          {{"hash map", {"ReadOne/HashMap/10000"}}},
          {}},
         "The same in a section a hundred times larger: the file's index grows, the hash map's cost barely."},
        {{"bench_store",
          "store: read a section of 100",
          {"ReadSection/Store/100"},
          {{"hash map", {"ReadSection/HashMap/100"}}},
          {}},
         "Copying a small section out of memory against reading it from the file, as a menu build does."},
        {{"bench_store",
          "store: read a section of 10,000",
          {"ReadSection/Store/10000"},
          {{"hash map", {"ReadSection/HashMap/10000"}}},
          {}},
         "The same for a large section: most of the store's time is making the strings, which memory needs too."},
        {{"bench_store",
          "store: write 10,000 entries as one change",
          {"WriteAll/Store/10000"},
          {{"hash map", {"WriteAll/HashMap/10000"}}},
          {}},
         "An import held in memory only: what durability (one sync of the file) and the indexes cost."},
    };
}

// A run's name without the suffixes its registration adds ("/iterations:3", "/repeats:1").
QString BaseName(QString name)
{
    static const QRegularExpression suffixes(QStringLiteral("(/(iterations|repeats|min_time):[^/]*)+$"));
    return name.remove(suffixes);
}

double Seconds(double value, const QString& unit)
{
    if (unit == QLatin1String("ns"))
        return value * 1e-9;
    if (unit == QLatin1String("us"))
        return value * 1e-6;
    if (unit == QLatin1String("ms"))
        return value * 1e-3;
    return value;
}

// Every report's runs, by report and base run name: the median when there is one.
class Reports {
public:
    explicit Reports(const QDir& folder) : m_folder(folder) {}

    std::optional<double> Value(const char* report, const Figure& figure)
    {
        const QHash<QString, QJsonObject>& runs = Load(QString::fromLatin1(report));
        const auto it = runs.constFind(QString::fromLatin1(figure.run));
        if (it == runs.cend())
            return std::nullopt;
        const QJsonValue value = it->value(QLatin1String(figure.field));
        if (!value.isDouble())
            return std::nullopt;
        if (QLatin1String(figure.field) == QLatin1String("real_time"))
            return Seconds(value.toDouble(), it->value(QLatin1String("time_unit")).toString());
        return value.toDouble();
    }

private:
    const QHash<QString, QJsonObject>& Load(const QString& report)
    {
        if (const auto it = m_runs.constFind(report); it != m_runs.cend())
            return *it;
        QHash<QString, QJsonObject>& runs = m_runs[report];
        QFile file(m_folder.filePath(report + QStringLiteral(".json")));
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "bench_table: no report %s\n", qPrintable(file.fileName()));
            return runs;
        }
        const QJsonArray benchmarks =
            QJsonDocument::fromJson(file.readAll()).object().value(QLatin1String("benchmarks")).toArray();
        for (const QJsonValue& entry : benchmarks) {
            const QJsonObject run = entry.toObject();
            const QString type = run.value(QLatin1String("run_type")).toString();
            const QString name = BaseName(run.value(QLatin1String("run_name")).toString());
            if (run.value(QLatin1String("error_occurred")).toBool())
                continue;
            if (type == QLatin1String("aggregate")
                && run.value(QLatin1String("aggregate_name")).toString() == QLatin1String("median"))
                runs.insert(name, run);
            else if (type == QLatin1String("iteration") && !runs.contains(name))
                runs.insert(name, run);
        }
        return runs;
    }

    QDir m_folder;
    QHash<QString, QHash<QString, QJsonObject>> m_runs;
};

QString Number(double value)
{
    const int decimals = value < 10 ? 2 : value < 100 ? 1 : 0;
    return QLocale(QLocale::English).toString(value, 'f', decimals);
}

QString Format(double value, Unit unit)
{
    if (unit == Unit::KiB)
        return Number(value / 1024) + QStringLiteral(" MiB");
    if (value < 1e-3)
        return Number(value * 1e6) + QStringLiteral(" µs");
    if (value < 1)
        return Number(value * 1e3) + QStringLiteral(" ms");
    return Number(value) + QStringLiteral(" s");
}

// Whether value meets target, given slack times its limit.
bool Met(const Target& target, double value, std::optional<double> floor, double slack = 1)
{
    switch (target.kind) {
    case Target::MaxRatio: return floor && value <= slack * target.limit * *floor;
    case Target::MaxValue: return value <= slack * target.limit;
    case Target::MaxGrowth: return floor && value - *floor <= slack * target.limit;
    }
    return false;
}

// A target missed by no more than this share of its limit may be the load's doing.
constexpr double SmallMargin = 1.25;

// The targets' text, and "yes" or "no" for all of them together ("" when there are none).
QStringList Targets(const std::vector<Target>& targets, double value, std::optional<double> floor)
{
    QStringList texts;
    bool met = true;
    for (const Target& target : targets) {
        texts.append(QString::fromUtf8(target.text));
        met = Met(target, value, floor) && met;
    }
    if (targets.empty())
        return {QString(), QString()};
    return {texts.join(QStringLiteral("; ")), met ? QStringLiteral("yes") : QStringLiteral("no")};
}

void Print(const QStringList& cells)
{
    std::printf("| %s |\n", qUtf8Printable(cells.join(QStringLiteral(" | "))));
}

// The table's lines for row (one per floor), and how many of its targets were met; a row with
// no figure counts none of them met.
struct Printed {
    QList<QStringList> lines;
    int targets = 0;
    int met = 0;
    bool missing = false;
    bool missedNarrowly = false; // a target missed, each within SmallMargin
};

Printed PrintedRow(Reports& reports, const Row& row)
{
    Printed printed;
    printed.targets = int(row.targets.size());
    const QString label = QString::fromUtf8(row.label);
    const std::optional<double> value = reports.Value(row.report, row.figure);
    if (!value) {
        printed.missing = true;
        printed.lines.append({label, QStringLiteral("not run"), {}, {}, {}, Targets(row.targets, 0, {}).value(0), {}});
        return printed;
    }
    const QString time = Format(*value, row.unit);
    std::optional<double> first;
    if (!row.floors.empty()) {
        first = reports.Value(row.report, row.floors.front().figure);
        if (first)
            *first *= row.floors.front().scale;
    }
    for (const Target& target : row.targets)
        printed.met += Met(target, *value, first) ? 1 : 0;
    printed.missedNarrowly = printed.met < printed.targets
        && std::all_of(row.targets.cbegin(), row.targets.cend(),
                       [&](const Target& target) { return Met(target, *value, first, SmallMargin); });
    if (row.floors.empty()) {
        printed.lines.append(QStringList{label, time, {}, {}, {}} + Targets(row.targets, *value, std::nullopt));
        return printed;
    }
    bool isFirst = true;
    for (const Floor& floor : row.floors) {
        std::optional<double> base = reports.Value(row.report, floor.figure);
        if (base)
            *base *= floor.scale;
        const QString ratio = base && *base > 0 ? Number(*value / *base) + QStringLiteral(" x") : QString();
        // The targets speak of the first floor; the others are there to compare.
        printed.lines.append(QStringList{isFirst ? label : QString(), isFirst ? time : QString(),
                                         QString::fromUtf8(floor.label),
                                         base ? Format(*base, row.unit) : QStringLiteral("not run"), ratio}
                             + (isFirst ? Targets(row.targets, *value, base) : QStringList{QString(), QString()}));
        isFirst = false;
    }
    return printed;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 4) {
        std::fprintf(stderr, "usage: bench_table DIR [LOAD [CORES]] (DIR: the benchmarks' JSON reports)\n");
        return 2;
    }
    Reports reports{QDir(QString::fromLocal8Bit(argv[1]))};
    const QString load = argc >= 3 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral("not measured");
    const int cores = argc == 4 ? std::atoi(argv[3]) : QThread::idealThreadCount();

    std::vector<Printed> printed;
    int targets = 0;
    int met = 0;
    QStringList missing;
    QStringList narrowly;
    for (const Row& row : Rows()) {
        printed.push_back(PrintedRow(reports, row));
        targets += printed.back().targets;
        met += printed.back().met;
        if (printed.back().missing)
            missing.append(QString::fromUtf8(row.label));
        if (printed.back().missedNarrowly)
            narrowly.append(QString::fromUtf8(row.label));
    }
    std::printf("%d of %d targets met on this run; load %s\n\n", met, targets, qUtf8Printable(load));
    // On a busy machine a figure moves more than its floor (scripts/bench.sh says so first).
    bool measured = false;
    const double perCore = load.toDouble(&measured) / std::max(1, cores);
    if (measured && perCore > 1 && !narrowly.isEmpty())
        std::printf("Missed by no more than %.0f %% of the target, which the load alone may explain: %s.\n\n",
                    (SmallMargin - 1) * 100, qUtf8Printable(narrowly.join(QStringLiteral("; "))));

    Print({QStringLiteral("work"), QStringLiteral("time"), QStringLiteral("floor"), QStringLiteral("floor time"),
           QStringLiteral("ratio"), QStringLiteral("target"), QStringLiteral("met")});
    Print({QStringLiteral("---"), QStringLiteral("---:"), QStringLiteral("---"), QStringLiteral("---:"),
           QStringLiteral("---:"), QStringLiteral("---"), QStringLiteral("---")});
    for (const Printed& row : printed)
        for (const QStringList& line : row.lines)
            Print(line);

    std::printf("\n#### Kept for reference\n\n");
    Print({QStringLiteral("work"), QStringLiteral("time"), QStringLiteral("floor"), QStringLiteral("floor time"),
           QStringLiteral("ratio"), QStringLiteral("what it shows")});
    Print({QStringLiteral("---"), QStringLiteral("---:"), QStringLiteral("---"), QStringLiteral("---:"),
           QStringLiteral("---:"), QStringLiteral("---")});
    for (const Reference& reference : ReferenceRows()) {
        const Printed row = PrintedRow(reports, reference.row);
        if (row.missing)
            missing.append(QString::fromUtf8(reference.row.label) + QStringLiteral(" (reference)"));
        for (const QStringList& line : row.lines)
            Print(line.mid(0, 5) + QStringList{QString::fromUtf8(reference.shows)});
    }
    if (!missing.isEmpty()) {
        std::fprintf(stderr, "bench_table: no figure for %lld rows: %s\n", static_cast<long long>(missing.size()),
                     qUtf8Printable(missing.join(QStringLiteral("; "))));
        return 1;
    }
    return 0;
}
