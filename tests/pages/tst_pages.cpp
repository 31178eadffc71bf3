#include "tests/common/ScopedDefaultLocale.h"

#include "pages/PageOrder.h"
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
