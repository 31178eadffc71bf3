#include "tests/common/ScopedDefaultLocale.h"

#include "pages/PageOrder.h"
#include "pages/PageSearch.h"
#include "pages/VlPaletteMenuCommon.h"

#include <QProcess>
#include <QtTest>

#include <cstdio>

namespace {

// Run as a child process: prints the captions given after the option as sorted under the
// locale settings of the child's environment, one line joined by "|".
constexpr char SortOption[] = "--sort";

int PrintSorted(int argc, char** argv)
{
    QStringList captions;
    for (int i = 2; i < argc; ++i)
        captions.append(QString::fromUtf8(argv[i]));
    std::fputs(SortedCaptions(captions).join(QLatin1Char('|')).toUtf8().constData(), stdout);
    return 0;
}

// Text with its matched characters in brackets, a run of them in one pair.
QString Marked(const QString& text, const std::vector<int>& positions)
{
    QString marked;
    std::size_t next = 0;
    for (int i = 0; i < text.size(); ++i) {
        const bool matched = next < positions.size() && positions[next] == i;
        next += matched ? 1 : 0;
        const bool previous = marked.endsWith(QLatin1Char(']')) && matched;
        if (previous)
            marked.chop(1);
        else if (matched)
            marked += QLatin1Char('[');
        marked += text.at(i);
        if (matched)
            marked += QLatin1Char(']');
    }
    return marked;
}

} // namespace

class PagesTest : public QObject {
    Q_OBJECT

    // Page order follows the user's locale; these cases are written for English.
    const ScopedDefaultLocale m_locale{TestLocale()};

private Q_SLOTS:

    void removeAmpersand_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("none") << "Standard"
                              << "Standard";
        QTest::newRow("accelerator") << "&Standard"
                                     << "Standard";
        QTest::newRow("several") << "A&b&c&"
                                 << "Abc";
        QTest::newRow("doubled loses both") << "R&&D"
                                            << "RD";
        QTest::newRow("only ampersands") << "&&&"
                                         << "";
        QTest::newRow("non-ASCII kept") << "Ä&ö σ"
                                        << "Äö σ";
    }
    void removeAmpersand()
    {
        QFETCH(QString, input);
        QFETCH(QString, expected);
        QCOMPARE(RemoveAmpersand(input), expected);
    }

    void pageOrder_data()
    {
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("case ignored") << QStringList{"beta", "Alpha", "gamma"} << QStringList{"Alpha", "beta", "gamma"};
        QTest::newRow("equal captions keep palette order")
            << QStringList{"b", "Tools", "a", "tools", "TOOLS"} << QStringList{"a", "b", "Tools", "tools", "TOOLS"};
        QTest::newRow("accented letters among their base letters")
            << QStringList{"Zeta", "Ärger", "Apfel"} << QStringList{"Apfel", "Ärger", "Zeta"};
        QTest::newRow("duplicates stay") << QStringList{"x", "x"} << QStringList{"x", "x"};
    }
    void pageOrder()
    {
        QFETCH(QStringList, captions);
        QFETCH(QStringList, expected);
        QCOMPARE(SortedCaptions(captions), expected);
    }

    // Equal captions keep their palette order also where the sort is not an insertion sort
    // (libstdc++ sorts fewer than 16 items by insertion, which is stable anyway).
    void manyEqualCaptionsKeepPaletteOrder()
    {
        QStringList captions{QStringLiteral("zulu")};
        QStringList equal;
        const QString word = QStringLiteral("palette");
        for (int i = 0; i < 48; ++i) {
            // 48 different spellings of one word, differing only in letter case.
            QString spelling = word;
            const int capitals = (i * 37) % 128;
            for (int letter = 0; letter < word.size(); ++letter)
                if (capitals & (1 << letter))
                    spelling[letter] = spelling[letter].toUpper();
            equal.append(spelling);
            captions.append(spelling);
            if (i == 20)
                captions.append(QStringLiteral("alpha"));
        }
        QCOMPARE(SortedCaptions(captions),
                 QStringList{QStringLiteral("alpha")} + equal + QStringList{QStringLiteral("zulu")});
    }

    // The order is the user's collation setting's, whatever the language: LC_ALL over
    // LC_COLLATE over LANG, as the C library reads them. A C or POSIX collation gets the fixed
    // English order even under another language.
    void orderFollowsTheCollationSetting_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QString>("expected");
        const QString german = QStringLiteral("Apfel|ofen|Öl|zebra");
        const QString swedish = QStringLiteral("Apfel|ofen|zebra|Öl"); // Ö is a letter after Z

        QTest::newRow("German language") << QStringList{"LANG=de_DE.UTF-8"} << german;
        QTest::newRow("Swedish language") << QStringList{"LANG=sv_SE.UTF-8"} << swedish;
        QTest::newRow("German language, Swedish collation")
            << QStringList{"LANG=de_DE.UTF-8", "LC_COLLATE=sv_SE.UTF-8"} << swedish;
        QTest::newRow("Swedish language, German collation")
            << QStringList{"LANG=sv_SE.UTF-8", "LC_COLLATE=de_DE.UTF-8"} << german;
        QTest::newRow("LC_ALL over LC_COLLATE")
            << QStringList{"LC_ALL=sv_SE.UTF-8", "LC_COLLATE=de_DE.UTF-8"} << swedish;
        QTest::newRow("Swedish collation, C language") << QStringList{"LANG=C", "LC_COLLATE=sv_SE.UTF-8"} << swedish;
        QTest::newRow("C collation, Swedish language") << QStringList{"LANG=sv_SE.UTF-8", "LC_COLLATE=C"} << german;
        QTest::newRow("POSIX collation, Swedish language")
            << QStringList{"LANG=sv_SE.UTF-8", "LC_COLLATE=POSIX"} << german;
    }
    void orderFollowsTheCollationSetting()
    {
        QFETCH(QStringList, environment);
        QFETCH(QString, expected);
        QProcessEnvironment child = QProcessEnvironment::systemEnvironment();
        for (const QString& name : child.keys())
            if (name == QLatin1String("LANG") || name == QLatin1String("LANGUAGE")
                || name.startsWith(QLatin1String("LC_")))
                child.remove(name);
        for (const QString& assignment : environment)
            child.insert(assignment.section(QLatin1Char('='), 0, 0), assignment.section(QLatin1Char('='), 1));
        QProcess process;
        process.setProcessEnvironment(child);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QCoreApplication::applicationFilePath(),
                      {QLatin1String(SortOption), QStringLiteral("zebra"), QStringLiteral("Öl"),
                       QStringLiteral("Apfel"), QStringLiteral("ofen")});
        QVERIFY(process.waitForFinished(30000));
        QCOMPARE(process.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(process.readAllStandardOutput()), expected);
    }

    // Pages as "Caption" or "Caption[category;category]", in menu order; what Find Page lists
    // for the query, best first, the matched letters in brackets, a category match after "/".
    void findPage_data()
    {
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("found");

        QTest::newRow("case: whole captions, then a prefix")
            << QStringList{"standards", "STANDARD", "Standard"} << "Standard"
            << QStringList{"[STANDARD]", "[Standard]", "[standard]s"};
        QTest::newRow("accents in the caption")
            << QStringList{"Café Tools", "Cafeteria"} << "cafe" << QStringList{"[Café] Tools", "[Cafe]teria"};
        QTest::newRow("accents in the query")
            << QStringList{"Resume", "Résumé"} << "RÉSUME" << QStringList{"[Resume]", "[Résumé]"};
        QTest::newRow("sharp s and ligatures") << QStringList{"Straße", "Oﬃce"} << "STRASSE" << QStringList{"[Straße]"};
        QTest::newRow("a ligature matched by its letters")
            << QStringList{"Oﬃce", "Oficina"} << "office" << QStringList{"[Oﬃce]"};
        QTest::newRow("& in the caption")
            << QStringList{"Data &Access", "R&&D"} << "access" << QStringList{"Data [Access]"};
        QTest::newRow("& shown, not matched")
            << QStringList{"R&&D", "Reads"} << "r&d" << QStringList{"[R]&[D]", "[R]ea[d]s"};
        QTest::newRow("whole, prefix, word start, substring, letters in order")
            << QStringList{"Xdata", "Dxaxtxa", "Big Data", "Data Tools", "Data", "Other"} << "data"
            << QStringList{"[Data]", "[Data] Tools", "Big [Data]", "X[data]", "[D]x[a]x[t]x[a]"};
        QTest::newRow("word starts inside a word: capitals, digits")
            << QStringList{"Monkey", "TouchKeyboard", "Tab32", "Base32x"} << "key"
            << QStringList{"Touch[Key]board", "Mon[key]"};
        QTest::newRow("digits begin a word")
            << QStringList{"Base32x", "Tab32"} << "32" << QStringList{"Base[32]x", "Tab[32]"};
        QTest::newRow("letters in order, spaces in the query aside")
            << QStringList{"Data Access", "Dialogs"} << "dt ac" << QStringList{"[D]a[ta] A[c]cess"};
        QTest::newRow("categories after every caption, by how they match")
            << QStringList{"Grid[Database]", "Database Tools[Other]", "Editors[Cloud;Data]", "Maps[Geodata]"} << "data"
            << QStringList{"[Data]base Tools", "Editors / [Data]", "Grid / [Data]base", "Maps / Geo[data]"};
        QTest::newRow("a caption match before its own category's")
            << QStringList{"Dialogs[Data]", "Data Access[Data]"} << "data"
            << QStringList{"[Data] Access", "Dialogs / [Data]"};
        QTest::newRow("ties in menu order") << QStringList{"Zeta Data", "Alpha Data", "Beta Data"} << "data"
                                            << QStringList{"Zeta [Data]", "Alpha [Data]", "Beta [Data]"};
        QTest::newRow("a slip of the finger, after every exact match")
            << QStringList{"Net32", "Networks[Nte32]", "Nte32 Tools", "System[Nte32x]", "Net"} << "nte32"
            << QStringList{"[Nte32] Tools", "Networks / [Nte32]", "System / [Nte32]x", "[Net32]"};
        QTest::newRow("one letter wrong or extra, at a word's start; a category's slip last")
            << QStringList{"Ports[Sreial]", "Port Sxrial", "Seral", "Serrial", "Sial"} << "serial"
            << QStringList{"[Ser]r[ial]", "Port [S]x[rial]", "[Seral]", "Ports / [Sreial]"};
        QTest::newRow("no slips looked for under four letters") << QStringList{"Net32"} << "nte" << QStringList{};
        QTest::newRow("nothing matches") << QStringList{"Standard", "Dialogs"} << "xyz" << QStringList{};
        // "¨" folds to a space: white space alone finds nothing, not even a caption with a space.
        QTest::newRow("a query folding to white space")
            << QStringList{"Standard", "Data Access"} << "\u00A8" << QStringList{};
        QTest::newRow("outer white space is not typed")
            << QStringList{"Standard"} << "  std " << QStringList{"[St]an[d]ard"};
        QTest::newRow("beyond the BMP") << QStringList{"\U0001F600 Smile", "Smile"} << "\U0001F600"
                                        << QStringList{"[\U0001F600] Smile"};
    }

    void findPage()
    {
        QFETCH(QStringList, pages);
        QFETCH(QString, query);
        QFETCH(QStringList, found);

        PageSearch search;
        for (const QString& page : pages) {
            const qsizetype open = page.indexOf(QLatin1Char('['));
            const QString caption = open < 0 ? page : page.left(open);
            const QStringList categories = open < 0 ? QStringList()
                                                    : page.mid(open + 1).chopped(1).split(QLatin1Char(';'));
            search.Add(MenuText(caption), categories);
        }
        const QString folded = search.FoldQuery(query);
        QStringList listed;
        for (const PageSearch::Hit& hit : search.Find(folded)) {
            const FoldedText& caption = search.Caption(hit.page);
            if (hit.category < 0) {
                listed.append(Marked(caption.shown, MatchedPositions(caption, folded, hit.match)));
            } else {
                const FoldedText& category = search.Category(hit.page, hit.category);
                listed.append(caption.shown + QStringLiteral(" / ")
                              + Marked(category.shown, MatchedPositions(category, folded, hit.match)));
            }
        }
        QCOMPARE(listed, found);
    }

    void palettePositions_data()
    {
        QTest::addColumn<QStringList>("palette");
        QTest::addColumn<QList<int>>("positions");
        QTest::newRow("distinct") << QStringList{"b", "c", "a"} << QList<int>{2, 0, 1};
        QTest::newRow("repeats keep palette order")
            << QStringList{"Twin", "a", "Twin", "twin", "Twin"} << QList<int>{1, 0, 2, 3, 4};
        QTest::newRow("none") << QStringList{} << QList<int>{};
        QTest::newRow("one") << QStringList{"only"} << QList<int>{0};
    }

    void palettePositions()
    {
        QFETCH(QStringList, palette);
        QFETCH(QList<int>, positions);
        const QStringList sorted = SortedCaptions(palette);
        const std::vector<int> found = PalettePositions(palette, sorted);
        QCOMPARE(QList<int>(found.begin(), found.end()), positions);
        for (std::size_t i = 0; i < found.size(); ++i)
            QCOMPARE(palette[found[i]], sorted[static_cast<qsizetype>(i)]);
        // The sorter gives the same with its order, sorting afresh and from its last sort.
        CaptionSorter sorter;
        for (int sort = 0; sort < 2; ++sort) {
            std::vector<int> kept{7};
            QCOMPARE(sorter.Sorted(palette, kept), sorted);
            QCOMPARE(QList<int>(kept.begin(), kept.end()), positions);
        }
    }

    // One sorter for many builds gives each the order a new one would: after the same
    // captions, changed ones, and another collation.
    void sorterKeptBetweenBuilds()
    {
        CaptionSorter sorter;
        const QStringList palette{"zeta", "Alpha", "beta"};
        QCOMPARE(sorter.Sorted(palette), SortedCaptions(palette));
        QCOMPARE(sorter.Sorted(palette), SortedCaptions(palette));
        const QStringList renamed{"zeta", "Alpha", "aardvark"};
        QCOMPARE(sorter.Sorted(renamed), (QStringList{"aardvark", "Alpha", "zeta"}));
        const QStringList nordic{"ära", "zebra", "apfel"};
        const QStringList english = sorter.Sorted(nordic);
        const ScopedDefaultLocale swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
        QCOMPARE(english, (QStringList{"apfel", "ära", "zebra"}));
        QCOMPARE(sorter.Sorted(nordic), (QStringList{"apfel", "zebra", "ära"}));
    }

    void pageOrderUnderTheCLocale()
    {
        // A machine without a real locale still sorts by letters, case aside, and not by code.
        const ScopedDefaultLocale c(QLocale::c());
        const QStringList sorted = SortedCaptions({"beta", "Ärger", "Alpha", "zeta", "Zebra"});
        QCOMPARE(sorted, (QStringList{"Alpha", "Ärger", "beta", "Zebra", "zeta"}));
    }
};

int main(int argc, char** argv)
{
    if (argc >= 2 && qstrcmp(argv[1], SortOption) == 0)
        return PrintSorted(argc, argv);
    QCoreApplication app(argc, argv);
    PagesTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_pages.moc"
