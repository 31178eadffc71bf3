// The files under examples/ stay usable as the README promises: every palette loads, and
// the grouping of the built-in palette imports cleanly and files every one of its pages,
// so a newcomer's first menu shows categories and nothing under "Other".

#include "grouping/CategoryList.h"
#include "store/CategoryFile.h"
#include "store/CategoryStore.h"
#include "tests/common/TemporaryStore.h"

#include "host/Registry.h"
#include "host/ide/PaletteFile.h"

#include <QDir>
#include <QSet>
#include <QStandardPaths>
#include <QtTest>

#include <memory>

namespace {

const QDir Examples(QStringLiteral(EXAMPLES_DIR));

} // namespace

class ExamplesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void palettesLoad_data();
    void palettesLoad();
    void groupingOfTheDefaultPalette();

private:
    std::unique_ptr<TemporaryStore> m_store;
};

void ExamplesTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    m_store = std::make_unique<TemporaryStore>();
    QVERIFY(m_store->isValid());
}

void ExamplesTest::palettesLoad_data()
{
    QTest::addColumn<QString>("file");
    const QStringList palettes = Examples.entryList({QStringLiteral("*.json")}, QDir::Files);
    QVERIFY(!palettes.isEmpty());
    for (const QString& name : palettes)
        QTest::newRow(qPrintable(name)) << Examples.filePath(name);
}

void ExamplesTest::palettesLoad()
{
    QFETCH(QString, file);
    standin::Palette palette;
    QString error;
    QVERIFY2(standin::loadPaletteFile(file, &palette, &error), qPrintable(error));
    QVERIFY(palette.size() >= 5);
}

void ExamplesTest::groupingOfTheDefaultPalette()
{
    host::TRegIniFile reg(CategoryStore::Key);
    CategoryFile::Import(reg, Examples.filePath(QStringLiteral("default-palette.cpc")));

    // Every page of the built-in palette is filed, and nothing else: a page renamed there
    // would otherwise drop silently under "Other".
    QSet<QString> pages;
    for (const standin::PalettePage& page : standin::defaultPalette())
        pages.insert(page.caption);
    const auto entries = reg.ReadSectionEntries(CategoryStore::Section);
    QSet<QString> filed;
    QSet<QString> categories;
    int inTwo = 0;
    for (const auto& [page, list] : entries) {
        QVERIFY2(pages.contains(page), qPrintable(page + QLatin1String(" is not a page of the built-in palette")));
        filed.insert(page);
        const QStringList names = CategoryNames(list);
        QVERIFY2(!names.isEmpty() && names.size() <= 2, qPrintable(page));
        inTwo += names.size() == 2;
        for (const QString& name : names)
            categories.insert(name);
    }
    QCOMPARE(filed, pages);
    // About ten categories, a few pages in two: a grouping a person would make.
    QVERIFY2(categories.size() >= 8 && categories.size() <= 12, qPrintable(QString::number(categories.size())));
    QVERIFY(inTwo >= 5);
}

QTEST_GUILESS_MAIN(ExamplesTest)
#include "tst_examples.moc"
