#include "package/VlPaletteMenuWizard.h"
#include "palette/VlPaletteMenu.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/ScopedDefaultLocale.h"
#include "tests/common/TestIde.h"

#include "host/Registry.h"
#include "host/private/IdeHost.h"

#include <QAccessible>
#include <QApplication>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

#include <sqlite3.h>

namespace {

using Store = QList<QPair<QString, QString>>;

// What changes between two openings of the menus.
enum class Change {
    Nothing,
    EntryWritten,
    EntryErased,
    PageRenamed,
    PagesReordered,
    SectionOutgrowsPalette,
    SectionOutgrowsPaletteThenEmptied
};

const QString Commands = QStringLiteral("-|&Find Page...|&Edit Categories...|-|&Import...|E&xport...");

// A menu as one line: submenus as "Title[item,item]", separators as "-", other items by text.
QString Render(const QMenu* menu, int skip)
{
    QStringList parts;
    const QList<QAction*> items = menu->actions();
    for (qsizetype i = skip; i < items.size(); ++i) {
        QAction* item = items[i];
        if (item->isSeparator()) {
            parts.append(QStringLiteral("-"));
        } else if (QMenu* submenu = item->menu()) {
            QStringList pages;
            for (QAction* page : submenu->actions())
                pages.append(page->text());
            parts.append(submenu->title() + QLatin1Char('[') + pages.join(QLatin1Char(',')) + QLatin1Char(']'));
        } else {
            parts.append(item->text());
        }
    }
    return parts.join(QLatin1Char('|'));
}

// The package, loaded into a test IDE with the given palette and store.
class Loaded : public LoadedPackage {
public:
    using LoadedPackage::LoadedPackage;

    QString OpenMainMenu()
    {
        Q_EMIT module->PaletteMenu()->aboutToShow();
        const QList<QAction*> items = module->PaletteMenu()->actions();
        if (items.isEmpty() || items.first()->text() != QLatin1String("Hidden") || items.first()->isVisible())
            return QStringLiteral("placeholder missing");
        return Render(module->PaletteMenu(), 1);
    }
    QString OpenButtonMenu()
    {
        Q_EMIT module->PaletteButtonMenu()->aboutToShow();
        return Render(module->PaletteButtonMenu(), 0);
    }
    // The page item captioned caption under the submenu titled category, or nullptr.
    QAction* PageItem(QMenu* menu, const QString& category, const QString& caption)
    {
        return ::PageItem(menu, category, caption);
    }
    host::TButtonCategory* Category(int index) { return ide.palette->Categories()->GetItem(index); }
};

} // namespace

class PaletteMenusTest : public QObject {
    Q_OBJECT

    const ScopedDefaultLocale m_locale{TestLocale()};

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void menus_data()
    {
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<Store>("store");
        QTest::addColumn<QString>("expected");

        QTest::newRow("empty store: all under Other, sorted")
            << QStringList{"Widgets", "additional", "Standard"} << Store{}
            << "Other[additional,Standard,Widgets]|" + Commands;
        QTest::newRow("no palette pages") << QStringList{} << Store{} << Commands;
        QTest::newRow("page in two categories")
            << QStringList{"Standard", "Dialogs"} << Store{{"Standard", "Common;Visual"}}
            << "Common[Standard]|Other[Dialogs]|Visual[Standard]|" + Commands;
        QTest::newRow("list ending in ; makes no blank submenu")
            << QStringList{"Standard"} << Store{{"Standard", "Common;"}} << "Common[Standard]|" + Commands;
        QTest::newRow("empty segment in the middle")
            << QStringList{"Standard"} << Store{{"Standard", "A;;B"}} << "A[Standard]|B[Standard]|" + Commands;
        QTest::newRow("names differing in case share the first met")
            << QStringList{"Beta", "Alpha"} << Store{{"Alpha", "tools"}, {"Beta", "Tools"}}
            << "tools[Alpha,Beta]|" + Commands;
        QTest::newRow("ordinal order: capitals, small letters, beyond ASCII")
            << QStringList{"P1", "P2", "P3", "P4"}
            << Store{{"P1", "beta"}, {"P2", "Ωmega"}, {"P3", "Zeta"}, {"P4", "Alpha"}}
            << "Alpha[P4]|Zeta[P3]|beta[P1]|Ωmega[P2]|" + Commands;
        QTest::newRow("a category named twice lists the page twice")
            << QStringList{"Standard"} << Store{{"Standard", "Common;COMMON"}}
            << "Common[Standard,Standard]|" + Commands;
        QTest::newRow("a category named Hidden is listed")
            << QStringList{"Standard"} << Store{{"Standard", "hidden"}} << "hidden[Standard]|" + Commands;
        // One submenu for both, captioned so that the menu shows "R&D".
        QTest::newRow("category captions blind to &")
            << QStringList{"A", "B"} << Store{{"A", "R&D"}, {"B", "RD"}} << "R&&D[A,B]|" + Commands;
        QTest::newRow("page caption with & read under its name, listed as it is")
            << QStringList{"&Standard"} << Store{{"Standard", "Common"}} << "Common[&Standard]|" + Commands;
        QTest::newRow("store names without regard to case")
            << QStringList{"ÄRGER"} << Store{{"ärger", "Common"}} << "Common[ÄRGER]|" + Commands;
        QTest::newRow("duplicate palette captions listed twice")
            << QStringList{"Standard", "Standard"} << Store{} << "Other[Standard,Standard]|" + Commands;
        QTest::newRow("empty value is no category")
            << QStringList{"Standard"} << Store{{"Standard", ""}} << "Other[Standard]|" + Commands;
        QTest::newRow("blank names make no submenu") << QStringList{"Standard"} << Store{{"Standard", "Cloud; ;Mobile"}}
                                                     << "Cloud[Standard]|Mobile[Standard]|" + Commands;
        QTest::newRow("outer white space is not part of a name")
            << QStringList{"A", "B"} << Store{{"A", " Mobile"}, {"B", "Mobile\t"}} << "Mobile[A,B]|" + Commands;
        QTest::newRow("only blank names: Other")
            << QStringList{"Standard"} << Store{{"Standard", " ; ;"}} << "Other[Standard]|" + Commands;
        QTest::newRow("special characters kept in names")
            << QStringList{"a=b", "c;d"} << Store{{"a=b", "x = y"}, {"c;d", " spaced "}}
            << "spaced[c;d]|x = y[a=b]|" + Commands;

        // Captions past 200 characters end in "…"; submenus keep the order of the whole names.
        const QString exactly200(200, QLatin1Char('w'));
        const QString long250(250, QLatin1Char('x'));
        const QString cut = QString(199, QLatin1Char('x')) + QChar(0x2026);
        QTest::newRow("long category names cut, ordered whole")
            << QStringList{"P1", "P2", "P3"} << Store{{"P1", long250 + "b"}, {"P2", long250 + "a"}, {"P3", exactly200}}
            << exactly200 + "[P3]|" + cut + "[P2]|" + cut + "[P1]|" + Commands;
        Store crowded{{"Standard", "Common"}, {"dialogs", "Visual"}};
        for (int i = 0; i < 2000; ++i)
            crowded.append({QStringLiteral("Gone %1").arg(i), QStringLiteral("Old")});
        QTest::newRow("a store of many more entries than pages")
            << QStringList{"Standard", "Dialogs", "Widgets"} << crowded
            << "Common[Standard]|Other[Widgets]|Visual[Dialogs]|" + Commands;
    }

    void menus()
    {
        QFETCH(QStringList, pages);
        QFETCH(Store, store);
        QFETCH(QString, expected);
        Loaded loaded(pages, store);
        QCOMPARE(loaded.OpenMainMenu(), expected);
        QCOMPARE(loaded.OpenButtonMenu(), expected);
        // Rebuilt, not added to: a second opening gives the same items.
        QCOMPARE(loaded.OpenMainMenu(), expected);
        QCOMPARE(loaded.OpenButtonMenu(), expected);
        QVERIFY(loaded.ide.reported().isEmpty());
    }

    // Past what a menu lists, a submenu (or the menu, for categories left out) ends with one
    // disabled line counting the pages not shown.
    void longListsAreCut_data()
    {
        QTest::addColumn<Store>("store");
        QTest::addColumn<int>("submenus");
        QTest::addColumn<int>("listed");
        QTest::addColumn<QStringList>("lines"); // "submenu title: line", the menu's own as "menu: line"

        const auto repeated = [](const QString& category, int times) {
            return QStringList(times, category).join(QLatin1Char(';'));
        };
        QStringList distinct;
        for (int i = 0; i < 10002; ++i)
            distinct.append(QStringLiteral("c%1").arg(i));
        QStringList eleven;
        for (const char* category : {"a", "b", "c", "d", "e", "f", "g", "h", "i", "j", "k"})
            eleven.append(repeated(QLatin1String(category), 10000));

        QTest::newRow("at the cap: no line") << Store{{"P", repeated("x", 10000)}} << 1 << 10000 << QStringList{};
        QTest::newRow("one past: singular")
            << Store{{"P", repeated("x", 10001)}} << 1 << 10000 << QStringList{"x: 1 more page is not shown"};
        QTest::newRow("value of semicolons: no name, so Other")
            << Store{{"P", QString(100000, QLatin1Char(';'))}} << 1 << 1 << QStringList{};
        QTest::newRow("categories past the cap") << Store{{"P", distinct.join(QLatin1Char(';'))}} << 10000 << 10000
                                                 << QStringList{"menu: 2 more pages are not shown"};
        QTest::newRow("pages in all past the cap") << Store{{"P", eleven.join(QLatin1Char(';'))}} << 11 << 100000
                                                   << QStringList{"k: 10000 more pages are not shown"};
    }

    void longListsAreCut()
    {
        QFETCH(Store, store);
        QFETCH(int, submenus);
        QFETCH(int, listed);
        QFETCH(QStringList, lines);

        Loaded loaded({QStringLiteral("P")}, store);
        for (QMenu* menu : {loaded.module->PaletteMenu(), loaded.module->PaletteButtonMenu()}) {
            Q_EMIT menu->aboutToShow();
            int submenuCount = 0;
            int listedCount = 0;
            QStringList lineTexts;
            QStringList tail;
            for (QAction* item : menu->actions()) {
                if (QMenu* submenu = item->menu()) {
                    ++submenuCount;
                    const QList<QAction*> pages = submenu->actions();
                    for (QAction* page : pages) {
                        listedCount += page->isEnabled() ? 1 : 0;
                        if (!page->isEnabled()) {
                            QCOMPARE(page, pages.last());
                            lineTexts.append(submenu->title() + QStringLiteral(": ") + page->text());
                        }
                    }
                } else if (item->isVisible()) {
                    tail.append(item->isSeparator() ? QStringLiteral("-") : item->text());
                }
            }
            for (const QString& text : tail.mid(0, tail.size() - 6))
                lineTexts.append(QStringLiteral("menu: ") + text);
            QCOMPARE(submenuCount, submenus);
            QCOMPARE(listedCount, listed);
            QCOMPARE(lineTexts, lines);
            // The menu's own line comes after the submenus, before the commands.
            QCOMPARE(tail.mid(tail.size() - 6).join(QLatin1Char('|')), Commands);
        }
        QVERIFY(loaded.ide.reported().isEmpty());
    }

    // A category's "&" is shown, not taken as an access key: the menu says "R&D".
    void categoryNamesShownAsWritten()
    {
        Loaded loaded({QStringLiteral("A")}, {{"A", "R&D;&&Tools;R&&D"}});
        for (QMenu* menu : {loaded.module->PaletteMenu(), loaded.module->PaletteButtonMenu()}) {
            Q_EMIT menu->aboutToShow();
            QAccessibleInterface* shown = QAccessible::queryAccessibleInterface(menu);
            QStringList names;
            for (int i = 0; i < shown->childCount(); ++i)
                if (QAction* item = menu->actions().value(i); item && item->menu()) {
                    names.append(shown->child(i)->text(QAccessible::Name));
                    QCOMPARE(QKeySequence::mnemonic(item->text()), QKeySequence());
                }
            // "R&&D" is the same name as "R&D" without its "&": one submenu, as first met.
            QCOMPARE(names, (QStringList{"&&Tools", "R&D"}));
        }
    }

    // The commands end every menu in one order, each found by its object name.
    void commandsByObjectName()
    {
        Loaded loaded({QStringLiteral("Standard")});
        for (QMenu* menu : {loaded.module->PaletteMenu(), loaded.module->PaletteButtonMenu()}) {
            Q_EMIT menu->aboutToShow();
            QStringList tail;
            for (QAction* item : menu->actions().mid(menu->actions().size() - 6))
                tail.append(item->isSeparator() ? QStringLiteral("-") : item->objectName());
            QCOMPARE(
                tail,
                (QStringList{"-", "FindPageCommand", "EditCategoriesCommand", "-", "ImportCommand", "ExportCommand"}));
            // One action in every menu and behind the keys: no second one competes for them.
            QCOMPARE(CommandItem(menu, QStringLiteral("FindPageCommand")), loaded.module->FindPageAction());
            // Each command is made once: the same action in both menus.
            for (const QString& name : {QStringLiteral("EditCategoriesCommand"), QStringLiteral("ExportCommand")})
                QCOMPARE(CommandItem(menu, name), CommandItem(loaded.module->PaletteMenu(), name));
        }
        QCOMPARE(loaded.module->FindPageAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+P")));
        QCOMPARE(loaded.module->PaletteMenuAtMouseAction()->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+M")));
        // Held by the main window, so that the keys work before any menu was opened, and from
        // every window of the IDE, also one that shows no menu of the package.
        QVERIFY(loaded.ide.window.actions().contains(loaded.module->FindPageAction()));
        loaded.ide.window.show();
        QWidget other;
        other.show();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QTest::keySequence(&other, QKeySequence(QStringLiteral("Ctrl+Shift+P")));
        QTRY_VERIFY(loaded.module->FindPageWindow());
    }

    void storeChangesShowAtNextOpening()
    {
        Loaded loaded({QStringLiteral("Standard")});
        QCOMPARE(loaded.OpenMainMenu(), "Other[Standard]|" + Commands);
        host::TRegIniFile(QStringLiteral("Software\\Vorla\\Palette Menu"))
            .WriteString(QStringLiteral("Categories"), QStringLiteral("standard"), QStringLiteral("Mine"));
        loaded.ide.palette->Categories()->Add(QStringLiteral("Added"), {});
        QCOMPARE(loaded.OpenMainMenu(), "Mine[Standard]|Other[Added]|" + Commands);
        QCOMPARE(loaded.OpenButtonMenu(), "Mine[Standard]|Other[Added]|" + Commands);
    }

    // A menu opened again with nothing changed is made from its last plan; every change to
    // what it lists shows at the next opening of either menu, its items holding their pages.
    void reopeningFollowsEachChange_data()
    {
        QTest::addColumn<int>("change");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing") << int(Change::Nothing) << "Mine[Alpha]|Other[Beta]|";
        QTest::newRow("an entry written") << int(Change::EntryWritten) << "Mine[Alpha,Beta]|";
        QTest::newRow("an entry erased") << int(Change::EntryErased) << "Other[Alpha,Beta]|";
        QTest::newRow("a page renamed") << int(Change::PageRenamed) << "Other[Beta,Gamma]|";
        QTest::newRow("pages reordered") << int(Change::PagesReordered) << "Mine[Alpha]|Other[Beta]|";
        QTest::newRow("the section outgrows the palette")
            << int(Change::SectionOutgrowsPalette) << "Mine[Alpha]|Theirs[Beta]|";
        QTest::newRow("the section outgrows the palette, then is emptied")
            << int(Change::SectionOutgrowsPaletteThenEmptied) << "Other[Alpha,Beta]|";
    }
    void reopeningFollowsEachChange()
    {
        QFETCH(int, change);
        QFETCH(QString, expected);
        Loaded loaded({QStringLiteral("Alpha"), QStringLiteral("Beta")},
                      {{QStringLiteral("Alpha"), QStringLiteral("Mine")}});
        QCOMPARE(loaded.OpenMainMenu(), "Mine[Alpha]|Other[Beta]|" + Commands);
        QCOMPARE(loaded.OpenButtonMenu(), "Mine[Alpha]|Other[Beta]|" + Commands);
        host::TRegIniFile reg(QStringLiteral("Software\\Vorla\\Palette Menu"));
        const QString section = QStringLiteral("Categories");
        host::TButtonCategories* pages = loaded.ide.palette->Categories();
        switch (Change(change)) {
        case Change::Nothing: break;
        case Change::EntryWritten: reg.WriteString(section, QStringLiteral("Beta"), QStringLiteral("mine")); break;
        case Change::EntryErased: reg.DeleteKey(section, QStringLiteral("Alpha")); break;
        case Change::PageRenamed: pages->GetItem(0)->SetCaption(QStringLiteral("Gamma")); break;
        case Change::PagesReordered:
            pages->Clear();
            pages->Add(QStringLiteral("Beta"), {});
            pages->Add(QStringLiteral("Alpha"), {});
            break;
        case Change::SectionOutgrowsPalette:
        case Change::SectionOutgrowsPaletteThenEmptied:
            reg.Transaction([&] {
                for (int i = 0; i < 200; ++i)
                    reg.WriteString(section, QStringLiteral("Absent %1").arg(i), QStringLiteral("Elsewhere"));
                reg.WriteString(section, QStringLiteral("Beta"), QStringLiteral("Theirs"));
            });
            if (Change(change) == Change::SectionOutgrowsPalette)
                break;
            QCOMPARE(loaded.OpenMainMenu(), "Mine[Alpha]|Theirs[Beta]|" + Commands);
            QCOMPARE(loaded.OpenButtonMenu(), "Mine[Alpha]|Theirs[Beta]|" + Commands);
            reg.EraseSection(section);
            break;
        }
        QCOMPARE(loaded.OpenMainMenu(), expected + Commands);
        QCOMPARE(loaded.OpenButtonMenu(), expected + Commands);
        for (QMenu* menu : {loaded.module->PaletteMenu(), loaded.module->PaletteButtonMenu()}) {
            for (QAction* submenu : menu->actions()) {
                if (!submenu->menu())
                    continue;
                for (QAction* item : submenu->menu()->actions())
                    QCOMPARE(pages->GetItem(item->data().toInt())->Caption(), item->text());
            }
        }
    }

    // Another process holds the store locked when the IDE starts: the package loads without
    // waiting for it, an opening reports one error and still ends with the commands, and
    // once the lock is gone the next openings list the pages, without a restart.
    void storeLockedAtStartUp()
    {
        TestIde ide({QStringLiteral("Standard")});
        host::TRegIniFile(QStringLiteral("Software\\Vorla\\Palette Menu"))
            .WriteString(QStringLiteral("Categories"), QStringLiteral("Standard"), QStringLiteral("Mine"));
        sqlite3* holder = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(host::ide::registryFile()).constData(), &holder), SQLITE_OK);
        const auto release = qScopeGuard([&] { sqlite3_close(holder); });
        QCOMPARE(sqlite3_exec(holder, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE", nullptr, nullptr, nullptr),
                 SQLITE_OK);

        LoadPackageInProcess();
        const auto unload = qScopeGuard([] { UnloadPackageInProcess(); });
        TVlPaletteMenuWizardDataModule* module = VlPaletteMenuWizardDataModule;
        QVERIFY(module && module->PaletteMenu() && module->PaletteButtonMenu());
        QCOMPARE(ide.reported(), QStringList());

        Q_EMIT module->PaletteMenu()->aboutToShow();
        QCOMPARE(ide.reported().size(), 1);
        QVERIFY2(ide.reported()[0].contains(QLatin1String("locked")), qPrintable(ide.reported()[0]));
        QCOMPARE(Render(module->PaletteMenu(), 1), Commands);

        sqlite3_close(holder);
        holder = nullptr;
        for (QMenu* menu : {module->PaletteMenu(), module->PaletteButtonMenu(), module->PaletteMenu()}) {
            Q_EMIT menu->aboutToShow();
            QCOMPARE(Render(menu, menu == module->PaletteMenu() ? 1 : 0), "Mine[Standard]|" + Commands);
        }
        QCOMPARE(ide.reported().size(), 1);
    }

    void choosingAPageExpandsAndScrollsToIt_data()
    {
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<Store>("store");
        QTest::addColumn<QString>("category");
        QTest::addColumn<QString>("item");
        QTest::addColumn<int>("expanded");

        QStringList many;
        for (int i = 0; i < 60; ++i)
            many.append(QStringLiteral("Page %1").arg(i, 2, 10, QLatin1Char('0')));
        QTest::newRow("collapsed page far down") << many << Store{} << "Other"
                                                 << "Page 55" << 55;
        QTest::newRow("first of two equal captions") << QStringList{"A", "Twin", "B", "Twin"} << Store{} << "Other"
                                                     << "Twin" << 1;
        QTest::newRow("reached under one category") << QStringList{"A", "B"} << Store{{"B", "X;Y"}} << "X"
                                                    << "B" << 1;
        QTest::newRow("reached under the other") << QStringList{"A", "B"} << Store{{"B", "X;Y"}} << "Y"
                                                 << "B" << 1;
        QTest::newRow("palette caption with &") << QStringList{"A", "Data &Access"} << Store{} << "Other"
                                                << "Data &Access" << 1;
        // Both are filed under the name "AB"; each item reaches its own page.
        QTest::newRow("A&B before AB: A&B") << QStringList{"A&B", "AB"} << Store{} << "Other"
                                            << "A&B" << 0;
        QTest::newRow("A&B before AB: AB") << QStringList{"A&B", "AB"} << Store{} << "Other"
                                           << "AB" << 1;
        QTest::newRow("AB before A&B: A&B") << QStringList{"AB", "A&B"} << Store{} << "Other"
                                            << "A&B" << 1;
        QTest::newRow("AB before A&B: AB") << QStringList{"AB", "A&B"} << Store{} << "Other"
                                           << "AB" << 0;
    }

    void choosingAPageExpandsAndScrollsToIt()
    {
        QFETCH(QStringList, pages);
        QFETCH(Store, store);
        QFETCH(QString, category);
        QFETCH(QString, item);
        QFETCH(int, expanded);

        Loaded loaded(pages, store);
        loaded.ide.toolForm->resize(200, 300);
        loaded.ide.toolForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(loaded.ide.toolForm.get()));
        for (int i = 0; i < loaded.ide.palette->Categories()->Count(); ++i)
            loaded.Category(i)->SetCollapsed(true);

        for (QMenu* menu : {loaded.module->PaletteMenu(), loaded.module->PaletteButtonMenu()}) {
            Q_EMIT menu->aboutToShow();
            QAction* page = loaded.PageItem(menu, category, item);
            QVERIFY(page);
            page->trigger();
            for (int i = 0; i < loaded.ide.palette->Categories()->Count(); ++i)
                QCOMPARE(loaded.Category(i)->Collapsed(), i != expanded);
            QTreeWidget* view = loaded.ide.palette->View();
            const QRect shown = view->visualItemRect(view->topLevelItem(expanded));
            QVERIFY2(view->viewport()->rect().intersects(shown), "scrolled into view");
            loaded.Category(expanded)->SetCollapsed(true);
        }
    }

    // Each item holds the page it lists: of two pages with one caption, each item opens its own.
    void itemsOpenTheirOwnPage()
    {
        Loaded loaded({QStringLiteral("Twin"), QStringLiteral("A"), QStringLiteral("Twin")});
        for (QMenu* menu : {loaded.module->PaletteMenu(), loaded.module->PaletteButtonMenu()})
            for (const int nth : {1, 0}) {
                Q_EMIT menu->aboutToShow();
                ::PageItem(menu, QStringLiteral("Other"), QStringLiteral("Twin"), nth)->trigger();
                QCOMPARE(loaded.ide.palette->FocusedItem(), loaded.Category(nth == 0 ? 0 : 2));
                QVERIFY(!loaded.ide.palette->FocusedItem()->Collapsed());
            }
    }

    // The chosen category is expanded first and scrolled to after, so that its header lands
    // where an expanded category shows the most of itself.
    void expandsBeforeScrolling()
    {
        QStringList pages;
        for (int i = 0; i < 60; ++i)
            pages.append(QStringLiteral("Page %1").arg(i, 2, 10, QLatin1Char('0')));
        Loaded loaded(pages);
        loaded.ide.toolForm->resize(200, 300);
        loaded.ide.toolForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(loaded.ide.toolForm.get()));
        QTreeWidget* view = loaded.ide.palette->View();
        QStringList steps;
        connect(view, &QTreeWidget::itemExpanded, this,
                [&steps](QTreeWidgetItem* item) { steps.append(QStringLiteral("expanded ") + item->text(0)); });
        connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
                [&steps] { steps.append(QStringLiteral("scrolled")); });

        loaded.module->SwitchToTab(QStringLiteral("Page 55"));
        QCOMPARE(steps, (QStringList{"expanded Page 55", "scrolled"}));
    }

    // What a build detached goes at the next opening of its menu: openings do not pile up
    // items. Only the main menu's placeholder stays.
    void detachedItemsAreReleasedAtTheNextOpening()
    {
        Loaded loaded({QStringLiteral("Standard"), QStringLiteral("Widgets")}, {{"Standard", "Common;Visual"}});
        for (QMenu* menu : {loaded.module->PaletteMenu(), loaded.module->PaletteButtonMenu()}) {
            Q_EMIT menu->aboutToShow();
            const QList<QAction*> items = menu->actions();
            QPointer<QAction> first = items.first();
            QPointer<QAction> page = loaded.PageItem(menu, QStringLiteral("Other"), QStringLiteral("Widgets"));
            QVERIFY(page);
            QPointer<QMenu> visual = qobject_cast<QMenu*>(
                loaded.PageItem(menu, QStringLiteral("Visual"), QStringLiteral("Standard"))->parent());
            QPointer<QAction> command = items.last();
            QVERIFY(visual && command);

            Q_EMIT menu->aboutToShow();
            QVERIFY(!visual);
            QVERIFY(!page);
            // The commands are made once, and listed again.
            QVERIFY(command);
            QCOMPARE(menu->actions().last(), command.data());
            QCOMPARE(bool(first), menu == loaded.module->PaletteMenu()); // the placeholder
        }
    }

    void switchToTabIgnoresUnknownCaptionsAndOtherSenders()
    {
        Loaded loaded({QStringLiteral("A"), QStringLiteral("B")});
        loaded.Category(0)->SetCollapsed(true);
        loaded.Category(1)->SetCollapsed(true);
        loaded.module->SwitchToTab(QStringLiteral("Nowhere"));
        loaded.module->TabItemClickHandler(loaded.ide.palette); // not a menu item: empty caption
        QVERIFY(loaded.Category(0)->Collapsed());
        QVERIFY(loaded.Category(1)->Collapsed());
        loaded.module->SwitchToTab(QStringLiteral("&B"));
        QVERIFY(!loaded.Category(1)->Collapsed());
    }

    void buttonClickDropsRebuiltMenuDown()
    {
        Loaded loaded({QStringLiteral("Standard")});
        loaded.ide.toolForm->show();
        QVERIFY(QTest::qWaitForWindowExposed(loaded.ide.toolForm.get()));
        QMenu* menu = loaded.module->PaletteButtonMenu();
        QVERIFY(menu->actions().isEmpty());
        QString shownContent;
        QTimer::singleShot(0, menu, [&] {
            shownContent = Render(menu, 0);
            menu->close();
        });
        QToolButton* button = loaded.module->ToolButton();
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(4, button->height() / 2));
        QCOMPARE(shownContent, "Other[Standard]|" + Commands);
    }

    void keyboardOpensMenuAndChoosesPage()
    {
        Loaded loaded({QStringLiteral("Alpha"), QStringLiteral("Beta")});
        loaded.Category(1)->SetCollapsed(true);
        loaded.ide.window.show();
        QApplication::setActiveWindow(&loaded.ide.window);
        QVERIFY(QTest::qWaitForWindowActive(&loaded.ide.window));

        QTest::keyClick(&loaded.ide.window, Qt::Key_A, Qt::AltModifier);
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(loaded.module->PaletteMenu()));
        QMenu* menu = loaded.module->PaletteMenu();
        if (!menu->activeAction())
            QTest::keyClick(menu, Qt::Key_Down);
        QVERIFY(menu->activeAction());
        QCOMPARE(menu->activeAction()->text(), QStringLiteral("Other"));
        QTest::keyClick(menu, Qt::Key_Right);
        QMenu* submenu = menu->activeAction()->menu();
        QTRY_VERIFY(submenu->isVisible());
        if (!submenu->activeAction())
            QTest::keyClick(submenu, Qt::Key_Down);
        QCOMPARE(submenu->activeAction()->text(), QStringLiteral("Alpha"));
        QTest::keyClick(submenu, Qt::Key_Down);
        QCOMPARE(submenu->activeAction()->text(), QStringLiteral("Beta"));
        QTest::keyClick(submenu, Qt::Key_Return);
        QTRY_VERIFY(!loaded.Category(1)->Collapsed());
    }
};

QTEST_MAIN(PaletteMenusTest)
#include "tst_palettemenus.moc"
