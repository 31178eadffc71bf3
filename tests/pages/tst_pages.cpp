#include "PageOrder.h"
#include "VlPaletteMenuCommon.h"

#include <QtTest>

class PagesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        // Page order follows the user's locale; these cases are written for English.
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void removeAmpersand_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << "" << "";
        QTest::newRow("none") << "Standard" << "Standard";
        QTest::newRow("accelerator") << "&Standard" << "Standard";
        QTest::newRow("several") << "A&b&c&" << "Abc";
        QTest::newRow("doubled loses both") << "R&&D" << "RD";
        QTest::newRow("only ampersands") << "&&&" << "";
        QTest::newRow("non-ASCII kept") << "Ä&ö σ" << "Äö σ";
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

    void pageOrderUnderTheCLocale()
    {
        // A machine without a real locale still sorts by letters, case aside, and not by code.
        QLocale::setDefault(QLocale::c());
        const QStringList sorted = SortedCaptions({"beta", "Ärger", "Alpha", "zeta", "Zebra"});
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(sorted, (QStringList{"Alpha", "Ärger", "beta", "Zebra", "zeta"}));
    }
};

QTEST_GUILESS_MAIN(PagesTest)
#include "tst_pages.moc"
