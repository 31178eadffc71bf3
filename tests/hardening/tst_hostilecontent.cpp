// Hostile store content: 100,000 entries, names and values at the store's limits, a value of
// thousands of ";", characters outside the Basic Multilingual Plane. Both menus open (and
// show) with what the store says, the editor opens with it, and its OK writes it back
// unchanged. How long each takes is for bench/hardening to report.

#include "tests/hardening/Harness.h"

#include <QStandardPaths>

using namespace harness;

namespace {

// Each submenu as "Title (pages: first page; line saying what is not shown)", for groupings
// too large to spell out; long texts are cut.
QString Summary(QMenu* menu)
{
    const auto cut = [](const QString& text) {
        return text.size() > 20 ? text.left(10) + QStringLiteral("...(%1)").arg(text.size()) : text;
    };
    Q_EMIT menu->aboutToShow();
    QStringList parts;
    for (QAction* item : menu->actions())
        if (QMenu* submenu = item->menu()) {
            QStringList pages;
            QString notShown;
            for (QAction* page : submenu->actions())
                (page->isEnabled() ? pages.append(page->text()) : void(notShown = QStringLiteral("; ") + page->text()));
            parts.append(QStringLiteral("%1 (%2: %3%4)")
                             .arg(cut(submenu->title()))
                             .arg(pages.size())
                             .arg(cut(pages.value(0)), notShown));
        }
    return parts.join(QLatin1String(" | "));
}

} // namespace

class HostileContentTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void menusAndEditorOpen_data()
    {
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<Entries>("store");
        QTest::addColumn<QString>("menu");     // Summary of both menus
        QTest::addColumn<QStringList>("rows"); // the editor's category cells, each cut to 40 characters

        Entries many;
        for (int i = 0; i < 100000; ++i)
            many.append({QStringLiteral("Entry %1").arg(i), QStringLiteral("Category %1;All").arg(i % 100)});
        QTest::newRow("100,000 entries")
            << QStringList{"Entry 99999", "Entry 0", "Not stored"} << many
            << "All (2: Entry 0) | Category 0 (1: Entry 0) | Category 99 (1: Entry 99999) | Other (1: Not stored)"
            << QStringList{"Category 0;All", "Category 99;All", ""};

        const QString longName(host::TRegIniFile::MaxValueNameLength, QChar(u'N'));
        const QString longValue(host::TRegIniFile::MaxValueLength, QChar(u'V'));
        QTest::newRow("name and value at the store's limits")
            << QStringList{longName}
            << Entries{{longName, longValue}}
            // The menu shows the category's first 199 characters and "…"; the editor, the whole.
            << "VVVVVVVVVV...(200) (1: NNNNNNNNNN...(16383))" << QStringList{longValue.left(40)};

        // Blank names make no submenu: the page goes under "Other".
        const QString semicolons(100000, QLatin1Char(';'));
        QTest::newRow("a value of 100,000 \";\"") << QStringList{"Standard"} << Entries{{"Standard", semicolons}}
                                                  << "Other (1: Standard)" << QStringList{semicolons.left(40)};

        const QString allSemicolons(host::TRegIniFile::MaxValueLength, QLatin1Char(';'));
        QTest::newRow("a value of \";\" at the store's limit")
            << QStringList{"Standard", "Dialogs"} << Entries{{"Standard", allSemicolons}, {"Dialogs", "Mine"}}
            << "Mine (1: Dialogs) | Other (1: Standard)" << QStringList{"Mine", allSemicolons.left(40)};

        // Deseret capitals beyond the BMP, which the registry matches code unit by code unit.
        const QString upper = QStringLiteral("\U00010400\U00010401 page");
        const QString categories = QStringLiteral("\U0001F600;\U0001D11E music;\U0001F600");
        QTest::newRow("characters beyond the Basic Multilingual Plane")
            << QStringList{upper, QStringLiteral("\U0001F4A9")}
            << Entries{{upper, categories}, {QStringLiteral("\U0001F4A9"), QStringLiteral("\U00010428")}}
            // Submenus in the order of their UTF-16 code units.
            << QStringLiteral("\U00010428 (1: \U0001F4A9) | \U0001D11E music (1: %1) | \U0001F600 (2: %1)").arg(upper)
            // The editor's rows in the user's collation: a symbol before a letter.
            << QStringList{QStringLiteral("\U00010428"), categories};
    }
    void menusAndEditorOpen()
    {
        QFETCH(QStringList, pages);
        QFETCH(Entries, store);
        QFETCH(QString, menu);
        QFETCH(QStringList, rows);

        TestIde ide(pages);
        {
            host::TRegIniFile reg(Key);
            reg.Transaction([&] {
                for (const auto& [name, value] : store)
                    reg.WriteString(Section, name, value);
            });
        }
        ide.window.show();
        LoadPackageInProcess();
        const auto unload = qScopeGuard([] { UnloadPackageInProcess(); });
        TVlPaletteMenuWizardDataModule* module = VlPaletteMenuWizardDataModule;

        for (QMenu* opened : {module->PaletteMenu(), module->PaletteButtonMenu()}) {
            QCOMPARE(Summary(opened), menu);
            opened->popup(ide.window.geometry().center());
            QVERIFY(QTest::qWaitForWindowExposed(opened));
            opened->hide();
        }

        QStringList shown;
        QVERIFY(RunCommand(module->PaletteMenu(), QStringLiteral("EditCategoriesCommand"), [&](QWidget* modal) {
            auto* grid = modal->findChild<QTableView*>(QStringLiteral("grdCategories"));
            for (int row = 0; grid && row < grid->model()->rowCount(); ++row)
                shown.append(grid->model()->index(row, 1).data().toString().left(40));
            // Painted whole once, then saved as it is.
            modal->grab();
            EditCells({})(modal);
        }));
        QCOMPARE(shown, rows);
        QVERIFY(host::TRegIniFile(Key).ReadSectionEntries(Section) == store);
        QCOMPARE(ide.reported(), QStringList());
    }
};

QTEST_MAIN(HostileContentTest)
#include "tst_hostilecontent.moc"
