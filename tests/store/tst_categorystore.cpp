// The package's view of the per-user store: its key and section, GetCategory through a
// handle, what a stored list means, and the snapshot a menu build reads once.

#include "store/CategoryStore.h"
#include "tests/common/TemporaryStore.h"

#include "host/Registry.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using host::TRegIniFile;

class CategoryStoreTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TemporaryStore> m_store;

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        m_store = std::make_unique<TemporaryStore>();
        QVERIFY(m_store->isValid());
    }

    void cleanup() { m_store.reset(); }

    void keyAndSection()
    {
        QCOMPARE(CategoryStore::Key, QStringLiteral("Software\\Vorla\\Palette Menu"));
        QCOMPARE(CategoryStore::Section, QStringLiteral("Categories"));
        TRegIniFile reg(CategoryStore::Key);
        reg.WriteString(CategoryStore::Section, QStringLiteral("Standard"), QStringLiteral("Common"));
        // The same entry as any other program reading that key and section sees it.
        TRegIniFile byHand(QStringLiteral("Software\\Vorla\\Palette Menu"));
        QCOMPARE(byHand.ReadString(QStringLiteral("Categories"), QStringLiteral("Standard"), QString()),
                 QStringLiteral("Common"));
    }

    void getCategory_data()
    {
        QTest::addColumn<QString>("stored"); // "<missing>": no entry at all
        QTest::addColumn<QString>("expected");
        QTest::newRow("never assigned") << "<missing>"
                                        << "";
        QTest::newRow("empty value: no category") << ""
                                                  << "";
        QTest::newRow("one category") << "Common"
                                      << "Common";
        QTest::newRow("several, exactly as stored") << " Web ;Data;;"
                                                    << " Web ;Data;;";
        QTest::newRow("only separators") << ";;"
                                         << ";;";
    }
    void getCategory()
    {
        QFETCH(QString, stored);
        QFETCH(QString, expected);
        TRegIniFile reg(CategoryStore::Key);
        if (stored != QLatin1String("<missing>"))
            reg.WriteString(CategoryStore::Section, QStringLiteral("Page"), stored);
        QCOMPARE(CategoryStore::GetCategory(reg, QStringLiteral("Page")), expected);
        QCOMPARE(CategoryStore::Snapshot(reg).GetCategory(QStringLiteral("Page")), expected);
    }

    // The snapshot answers every page as the store itself would, whatever the case: read
    // whole, for a build of many pages, and for one of a few pages in a section of many more
    // entries, which it reads one by one.
    void snapshotMatchesTheStore_data()
    {
        QTest::addColumn<int>("pages");  // -1: the whole section
        QTest::addColumn<int>("others"); // entries of other pages beside those asked for
        QTest::newRow("whole section") << -1 << 0;
        QTest::newRow("for 16 pages") << 16 << 0;
        QTest::newRow("for 16 pages, 10,000 other entries") << 16 << 10000;
        QTest::newRow("whole section, 10,000 other entries") << -1 << 10000;
    }
    void snapshotMatchesTheStore()
    {
        QFETCH(int, pages);
        QFETCH(int, others);
        TRegIniFile reg(CategoryStore::Key);
        reg.Transaction([&] {
            for (int i = 0; i < others; ++i)
                reg.WriteString(CategoryStore::Section, QStringLiteral("Other %1").arg(i), QStringLiteral("x"));
        });
        const QList<QPair<QString, QString>> written{
            {QStringLiteral("Standard"), QStringLiteral("Common")},
            {QStringLiteral("Ärger"), QStringLiteral("Umlaut")},
            {QStringLiteral("ΟΔΟΣ"), QStringLiteral("Greek")},
            {QStringLiteral("Жук"), QStringLiteral("Cyrillic")},
            {QStringLiteral("𐐀"), QStringLiteral("Deseret")},
            {QString(), QStringLiteral("Nameless")},
            {QStringLiteral("Empty"), QString()},
            {QStringLiteral("ß"), QStringLiteral("Sharp s")},
        };
        for (const auto& [page, list] : written)
            reg.WriteString(CategoryStore::Section, page, list);
        const CategoryStore::Snapshot snapshot = pages < 0 ? CategoryStore::Snapshot(reg)
                                                           : CategoryStore::Snapshot(reg, pages);
        const QStringList asked{"Standard", "STANDARD", "ärger", "ÄRGER", "οδος", "οδοσ",    "жУК",       "𐐨",
                                "",         "Empty",    "ß",     "ss",    "SS",   "Missing", "Standard ", "Ärger&"};
        for (const QString& page : asked)
            QCOMPARE(snapshot.GetCategory(page), CategoryStore::GetCategory(reg, page));
        QCOMPARE(snapshot.GetCategory(QStringLiteral("οδοσ")), QStringLiteral("Greek"));
        QCOMPARE(snapshot.GetCategory(QStringLiteral("ss")), QString());
    }

    // Nothing is cached: another handle's write shows in the next read.
    void readsAreFresh()
    {
        TRegIniFile module(CategoryStore::Key);
        TRegIniFile editor(CategoryStore::Key);
        QCOMPARE(CategoryStore::GetCategory(module, QStringLiteral("Web")), QString());
        editor.WriteString(CategoryStore::Section, QStringLiteral("Web"), QStringLiteral("Internet"));
        QCOMPARE(CategoryStore::GetCategory(module, QStringLiteral("web")), QStringLiteral("Internet"));
        QCOMPARE(CategoryStore::Snapshot(module).GetCategory(QStringLiteral("WEB")), QStringLiteral("Internet"));
        editor.DeleteKey(CategoryStore::Section, QStringLiteral("Web"));
        QCOMPARE(CategoryStore::GetCategory(module, QStringLiteral("Web")), QString());
    }
};

QTEST_GUILESS_MAIN(CategoryStoreTest)
#include "tst_categorystore.moc"
