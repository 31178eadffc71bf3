// Find Page and the palette menu at the mouse as a user drives them with the keyboard, and what
// choosing a page does to the tool palette: shown, unfiltered, expanded, focused; the recent
// pages it lists first.

#include "editor/TextContrast.h"
#include "palette/FindPagePopup.h"
#include "palette/VlPaletteMenu.h"
#include "store/CategoryFile.h"
#include "store/CategoryStore.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/ScopedDefaultLocale.h"

#include "host/Registry.h"
#include "host/private/IdeHost.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QtTest>

#include <algorithm>

namespace {

using Store = QList<QPair<QString, QString>>;

// The package in a test IDE whose windows are shown, the main window active.
class Shown : public LoadedPackage {
public:
    explicit Shown(const QStringList& pages, const Store& categories = {}) : LoadedPackage(pages, categories)
    {
        ide.window.show();
        ide.toolForm->resize(240, 300);
        ide.toolForm->show();
        Activate(&ide.window);
    }

    static void Activate(QWidget* window)
    {
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window));
    }

    // Presses the Find Page keys in window; the pop-up that opened, or nullptr.
    FindPagePopup* PressFindPage(QWidget* window)
    {
        QTest::keyClick(window, Qt::Key_P, Qt::ControlModifier | Qt::ShiftModifier);
        FindPagePopup* popup = module->FindPageWindow();
        return popup && popup->isVisible() ? popup : nullptr;
    }

    // Find Page opened by its keys, typed into, and Down pressed downs times; the list's rows.
    QStringList Find(const QString& typed, int downs = 0)
    {
        Activate(&ide.window);
        FindPagePopup* popup = PressFindPage(&ide.window);
        if (!popup)
            return {QStringLiteral("Find Page did not open")};
        QTest::keyClicks(popup->Edit(), typed);
        for (int i = 0; i < downs; ++i)
            QTest::keyClick(popup->Edit(), Qt::Key_Down);
        QStringList rows;
        const QAbstractItemModel* model = popup->List()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            rows.append(model->index(row, 0).data().toString());
        return rows;
    }

    QString CurrentRow() const
    {
        const FindPagePopup* popup = module->FindPageWindow();
        return popup ? popup->List()->currentIndex().data().toString() : QString();
    }

    // Which categories of the palette are expanded, by position.
    QList<int> Expanded() const
    {
        QList<int> expanded;
        const host::TButtonCategories* categories = ide.palette->Categories();
        for (int i = 0; i < categories->Count(); ++i)
            if (!categories->GetItem(i)->Collapsed())
                expanded.append(i);
        return expanded;
    }

    int Focused() const
    {
        const host::TButtonCategory* focused = ide.palette->FocusedItem();
        for (int i = 0; i < ide.palette->Categories()->Count(); ++i)
            if (ide.palette->Categories()->GetItem(i) == focused)
                return i;
        return -1;
    }

    // The page item under category's submenu of menu, opened anew.
    static QAction* PageItem(QMenu* menu, const QString& category, const QString& caption)
    {
        Q_EMIT menu->aboutToShow();
        return ::PageItem(menu, category, caption);
    }

    static QStringList Recent()
    {
        QStringList captions;
        for (const CategoryStore::RecentPage& page :
             CategoryStore::ReadRecentPages(host::TRegIniFile(CategoryStore::Key)))
            captions.append(page.caption);
        return captions;
    }
};

} // namespace

class FindPageTest : public QObject {
    Q_OBJECT

    const ScopedDefaultLocale m_locale{TestLocale()};

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    // The keys work from the main window and from the tool palette's own window; the command
    // opens it from either menu, and shows the keys beside its caption.
    void opensFromAnywhere_data()
    {
        QTest::addColumn<QString>("from");
        QTest::newRow("keys in the main window") << "main window";
        QTest::newRow("keys in the tool palette window") << "tool palette";
        QTest::newRow("main menu command") << "main menu";
        QTest::newRow("button menu command") << "button menu";
    }

    void opensFromAnywhere()
    {
        QFETCH(QString, from);
        Shown loaded({QStringLiteral("Standard")});
        // With every menu built once, the keys still have one owner.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("Ambiguous")));
        for (QMenu* menu :
             {loaded.module->PaletteMenu(), loaded.module->PaletteButtonMenu(), loaded.module->PaletteMouseMenu()})
            Q_EMIT menu->aboutToShow();
        if (from == QLatin1String("tool palette")) {
            Shown::Activate(loaded.ide.toolForm.get());
            QVERIFY(loaded.PressFindPage(loaded.ide.palette));
        } else if (from == QLatin1String("main window")) {
            QVERIFY(loaded.PressFindPage(&loaded.ide.window));
        } else {
            QMenu* menu = from == QLatin1String("main menu") ? loaded.module->PaletteMenu()
                                                             : loaded.module->PaletteButtonMenu();
            Q_EMIT menu->aboutToShow();
            QAction* command = CommandItem(menu, QStringLiteral("FindPageCommand"));
            QVERIFY(command);
            QCOMPARE(command->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+P")));
            command->trigger();
        }
        FindPagePopup* popup = loaded.module->FindPageWindow();
        QVERIFY(popup && popup->isVisible());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(popup->Edit()));
        QCOMPARE(popup->Edit()->accessibleName(), QStringLiteral("Find page"));
        QCOMPARE(popup->List()->accessibleName(), QStringLiteral("Pages"));
        QCOMPARE(loaded.ide.reported(), QStringList());
    }

    // Typing, moving and Enter open exactly the page the row lists, also of two equal
    // captions; the page is expanded and its header focused.
    void enterOpensTheRowsPage_data()
    {
        QTest::addColumn<QStringList>("pages");
        QTest::addColumn<Store>("store");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("downs");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<int>("opened");

        const QStringList twins{"Alpha", "Twin", "Beta", "Twin"};
        QTest::newRow("first letters") << QStringList{"Standard", "Dialogs", "Data Access"} << Store{} << "dia" << 0
                                       << QStringList{"Dialogs"} << 1;
        QTest::newRow("first of two equal captions")
            << twins << Store{} << "twin" << 0 << QStringList{"Twin", "Twin"} << 1;
        QTest::newRow("second of two equal captions")
            << twins << Store{} << "twin" << 1 << QStringList{"Twin", "Twin"} << 3;
        QTest::newRow("by a category, after caption matches")
            << QStringList{"Grid", "Database Tools", "Standard"} << Store{{"Grid", "Database"}} << "data" << 1
            << QStringList{"Database Tools", "Grid"} << 0;
        QTest::newRow("a caption with an access key")
            << QStringList{"Standard", "Data &Access"} << Store{} << "acc" << 0 << QStringList{"Data Access"} << 1;
        QTest::newRow("nothing typed: every page in menu order")
            << QStringList{"Widgets", "additional", "Standard"} << Store{} << "" << 2
            << QStringList{"additional", "Standard", "Widgets"} << 0;
        QTest::newRow("nothing matches: a line says so, Enter opens nothing")
            << QStringList{"Standard", "Dialogs"} << Store{} << "zzz" << 1 << QStringList{"No page matches \"zzz\""}
            << -1;
        QTest::newRow("a slip of the finger")
            << QStringList{"Network", "Net"} << Store{} << "netwrok" << 0 << QStringList{"Network"} << 0;
        QTest::newRow("a query folding to nothing lists what nothing typed lists")
            << QStringList{"Standard", "Big Data"} << Store{} << "\u00A8" << 1 << QStringList{"Big Data", "Standard"}
            << 0;
    }

    void enterOpensTheRowsPage()
    {
        QFETCH(QStringList, pages);
        QFETCH(Store, store);
        QFETCH(QString, typed);
        QFETCH(int, downs);
        QFETCH(QStringList, rows);
        QFETCH(int, opened);

        Shown loaded(pages, store);
        for (int i = 0; i < pages.size(); ++i)
            loaded.ide.palette->Categories()->GetItem(i)->SetCollapsed(true);
        QCOMPARE(loaded.Find(typed, downs), rows);
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Return);
        if (opened < 0)
            QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Escape);
        QTRY_VERIFY(!loaded.module->FindPageWindow());
        QCOMPARE(loaded.Expanded(), opened < 0 ? QList<int>{} : QList<int>{opened});
        if (opened >= 0)
            QCOMPARE(loaded.Focused(), opened);
        QCOMPARE(loaded.ide.reported(), QStringList());
    }

    // What a row shows of its page: each category once (the first spelling, letter case and
    // "&" aside, also past the few names compared one by one), and no more of a caption or
    // of the categories than a row can hold, also when the letters typed match past that.
    void rowsShowEachCategoryOnceAndShort_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("shown"); // as read out, "caption, in categories"; letters marked bold in []

        QStringList many;
        QStringList once;
        for (int i = 0; i < 20; ++i) {
            many << QStringLiteral("n%1").arg(i) << QStringLiteral("N&%1").arg(i);
            once << QStringLiteral("n%1").arg(i);
        }
        QStringList long100;
        for (int i = 0; i < 100; ++i)
            long100 << QStringLiteral("category%1").arg(i, 2, 10, QLatin1Char('0'));
        const QString joined = long100.join(QStringLiteral(", "));
        const QString cut = joined.left(199) + QChar(0x2026);
        const QString deseret = QString::fromUcs4(U"\U00010400") + QLatin1Char(';') + QString::fromUcs4(U"\U00010428");

        QTest::newRow("a few names, case and & aside") << "P"
                                                       << "Database;database;Data&base;Web"
                                                       << ""
                                                       << "P, in Database, Web";
        QTest::newRow("past a few names") << "P" << many.join(QLatin1Char(';')) << ""
                                          << "P, in " + once.join(", ");
        QTest::newRow("beyond the BMP, two cases") << "P" << deseret << ""
                                                   << "P, in " + deseret.section(';', 0, 0);
        QTest::newRow("a long list is cut") << "P" << long100.join(QLatin1Char(';')) << ""
                                            << "P, in " + cut;
        QTest::newRow("matched past the cut") << "P" << long100.join(QLatin1Char(';')) << "category99"
                                              << "P, in " + cut;
        QTest::newRow("a long caption is cut") << QString(300, QLatin1Char('x')) << ""
                                               << "xx"
                                               << "[x][x]" + QString(197, 'x') + QChar(0x2026) + ", in Other";
        QTest::newRow("matched across the cut") << QString(198, 'a') + "bcd" + QString(99, 'e') << ""
                                                << "bcd" << QString(198, 'a') + "[b]" + QChar(0x2026) + ", in Other";
        QTest::newRow("the menu's spelling") << "Zzzz"
                                             << "controls"
                                             << "zzzz"
                                             << "[Z][z][z][z], in Controls";
    }

    void rowsShowEachCategoryOnceAndShort()
    {
        QFETCH(QString, caption);
        QFETCH(QString, list);
        QFETCH(QString, typed);
        QFETCH(QString, shown);

        // "Zzz" is met first in menu order, and its spelling names the submenu.
        Shown loaded({caption, QStringLiteral("Zzz")}, Store{{"Zzz", "Controls"}} + Store{{caption, list}});
        const QString readOut = QString(shown).remove('[').remove(']');
        QCOMPARE(loaded.Find(typed).value(0), readOut.section(QStringLiteral(", in "), 0, 0));
        const auto* model = static_cast<const FindPageModel*>(loaded.module->FindPageWindow()->List()->model());
        QCOMPARE(model->index(0, 0).data(Qt::AccessibleTextRole).toString(), readOut);
        // A page's row can be chosen, not only read.
        QCOMPARE(model->flags(model->index(0, 0)) & (Qt::ItemIsEnabled | Qt::ItemIsSelectable),
                 Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        const auto marked = [](const QString& text, const std::vector<int>& bold) {
            QString marks;
            for (int i = 0; i < text.size(); ++i)
                marks += std::count(bold.cbegin(), bold.cend(), i) ? "[" + text.mid(i, 1) + "]" : text.mid(i, 1);
            return marks;
        };
        const FindPageModel::Shown row = model->RowShown(0);
        QCOMPARE(marked(row.caption, row.captionMatches) + ", in " + marked(row.categories, row.categoryMatches),
                 shown);
        loaded.module->FindPageWindow()->List()->grab(); // painted with its matches
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Escape);
        QCOMPARE(loaded.ide.reported(), QStringList());
    }

    // The store's path a folder: Find Page lists the pages alone, and no error box takes its focus.
    void storeThatCannotBeRead()
    {
        Shown loaded({QStringLiteral("Standard"), QStringLiteral("Dialogs")}, {{"Standard", "Mine"}});
        QVERIFY(QFile::remove(loaded.ide.store.file()) && QDir().mkpath(loaded.ide.store.file()));
        QThread::msleep(host::ide::RegistryLookIntervalMs + 1);
        QCOMPARE(loaded.Find(QString()), (QStringList{"Dialogs", "Standard"}));
        QCOMPARE(loaded.module->FindPageWindow()->List()->model()->index(1, 0).data(Qt::AccessibleTextRole),
                 QStringLiteral("Standard"));
        QCOMPARE(loaded.ide.reported(), QStringList());
    }

    void keysMoveAndCloseAndTheMouseChooses()
    {
        QStringList pages;
        for (int i = 0; i < 40; ++i)
            pages.append(QStringLiteral("Page %1").arg(i, 2, 10, QLatin1Char('0')));
        Shown loaded(pages);
        loaded.Find(QString());
        FindPagePopup* popup = loaded.module->FindPageWindow();
        QLineEdit* edit = popup->Edit();
        QTest::keyClick(edit, Qt::Key_Down);
        QTest::keyClick(edit, Qt::Key_Down);
        QCOMPARE(loaded.CurrentRow(), QStringLiteral("Page 02"));
        QTest::keyClick(edit, Qt::Key_Up);
        QCOMPARE(loaded.CurrentRow(), QStringLiteral("Page 01"));
        QTest::keyClick(edit, Qt::Key_PageDown);
        QVERIFY(loaded.CurrentRow() > QStringLiteral("Page 05"));
        QTest::keyClick(edit, Qt::Key_PageUp);
        QCOMPARE(loaded.CurrentRow(), QStringLiteral("Page 01"));
        // Home and End stay the line edit's.
        QTest::keyClicks(edit, QStringLiteral("page 3"));
        QTest::keyClick(edit, Qt::Key_Home);
        QCOMPARE(edit->cursorPosition(), 0);

        QTest::keyClick(edit, Qt::Key_Escape);
        QTRY_VERIFY(!loaded.module->FindPageWindow());
        QCOMPARE(loaded.Expanded(), QList<int>{});

        loaded.Find(QStringLiteral("page 1"));
        popup = loaded.module->FindPageWindow();
        const QModelIndex third = popup->List()->model()->index(2, 0);
        QCOMPARE(third.data().toString(), QStringLiteral("Page 12"));
        QTest::mouseClick(popup->List()->viewport(), Qt::LeftButton, {}, popup->List()->visualRect(third).center());
        QTRY_VERIFY(!loaded.module->FindPageWindow());
        QCOMPARE(loaded.Expanded(), QList<int>{12});

        // A click outside closes it, choosing nothing.
        loaded.Find(QString());
        QVERIFY(loaded.module->FindPageWindow());
        QTest::mouseClick(loaded.module->FindPageWindow(), Qt::LeftButton, {}, QPoint(-20, -20));
        QTRY_VERIFY(!loaded.module->FindPageWindow());
        QCOMPARE(loaded.Expanded(), QList<int>{12});
    }

    // The keys move the current row while the line edit keeps the focus; the row is told to
    // assistive technology as a list item with its categories, and so is the no-match line.
    void currentRowIsAnnounced()
    {
        Shown loaded({QStringLiteral("Alpha"), QStringLiteral("Beta")}, {{"Beta", "Cloud;Mobile"}});
        // What the list tells assistive technology, each row as read out.
        static QStringList Announced;
        FindPageList::Announcer = [](QAccessibleEvent* event) {
            const auto* list = qobject_cast<const FindPageList*>(event->object());
            if (list && event->type() == QAccessible::Focus)
                Announced.append(list->model()->index(event->child(), 0).data(Qt::AccessibleTextRole).toString());
        };
        const auto restore = qScopeGuard([] { FindPageList::Announcer = &QAccessible::updateAccessibility; });
        loaded.Find(QString(), 1);
        QCOMPARE(Announced.value(Announced.size() - 1), QStringLiteral("Beta, in Cloud, Mobile"));
        FindPageList* list = loaded.module->FindPageWindow()->List();
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
        QVERIFY(view);
        QCOMPARE(view->text(QAccessible::Name), QStringLiteral("Pages"));
        QAccessibleInterface* row = view->child(list->currentIndex().row());
        QVERIFY(row);
        QCOMPARE(row->role(), QAccessible::ListItem);
        QCOMPARE(row->text(QAccessible::Name), QStringLiteral("Beta, in Cloud, Mobile"));
        QTest::keyClicks(loaded.module->FindPageWindow()->Edit(), QStringLiteral("zzz"));
        QCOMPARE(Announced.value(Announced.size() - 1), QStringLiteral("No page matches \"zzz\""));
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Escape);
    }

    // Choosing a page shows it whatever state the tool palette window is in, from a menu and
    // from Find Page alike.
    void choosingShowsThePage_data()
    {
        QTest::addColumn<QString>("route");
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("filterAfter");

        for (const char* route : {"main menu", "button menu", "Find Page"}) {
            QTest::addRow("%s: window hidden", route) << route << true << ""
                                                      << "";
            QTest::addRow("%s: filter hides the page", route) << route << false << "PushButton"
                                                              << "";
            QTest::addRow("%s: filter hides it, window hidden", route) << route << true << "PushButton"
                                                                       << "";
            QTest::addRow("%s: filter leaves the page", route) << route << false << "Grid"
                                                               << "Grid";
        }
    }

    void choosingShowsThePage()
    {
        QFETCH(QString, route);
        QFETCH(bool, hidden);
        QFETCH(QString, filter);
        QFETCH(QString, filterAfter);

        Shown loaded({QStringLiteral("Standard"), QStringLiteral("Grids")});
        // Components "Standard component", "Grids component": "Grid" leaves Grids listed.
        loaded.ide.palette->SetFilter(filter);
        host::TButtonCategory* grids = loaded.ide.palette->Categories()->GetItem(1);
        QCOMPARE(grids->Visible(), filter != QLatin1String("PushButton"));
        if (hidden)
            loaded.ide.toolForm->hide();

        if (route == QLatin1String("Find Page")) {
            loaded.Find(QStringLiteral("grids"));
            QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Enter);
        } else {
            QMenu* menu = route == QLatin1String("main menu") ? loaded.module->PaletteMenu()
                                                              : loaded.module->PaletteButtonMenu();
            QAction* item = Shown::PageItem(menu, QStringLiteral("Other"), QStringLiteral("Grids"));
            QVERIFY(item);
            item->trigger();
        }
        QVERIFY(loaded.ide.toolForm->isVisible());
        QCOMPARE(loaded.ide.palette->Filter(), filterAfter);
        QVERIFY(grids->Visible());
        QVERIFY(!grids->Collapsed());
        QCOMPARE(loaded.Focused(), 1);
        QTRY_COMPARE(QApplication::activeWindow(), loaded.ide.toolForm.get());
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(loaded.ide.palette->View()));
        QCOMPARE(loaded.ide.reported(), QStringList());
    }

    // The recent pages: newest first, at most ten, kept in the store for the next start, only
    // pages still on the palette, and never part of the grouping that import and export move.
    void recentPages()
    {
        QStringList pages;
        for (int i = 0; i < 12; ++i)
            pages.append(QStringLiteral("Page %1").arg(QChar(u'A' + i)));
        Shown loaded(pages, {{"Page A", "Mine"}});
        const auto category = [](const QString& page) {
            return page == QLatin1String("Page A") ? QStringLiteral("Mine") : QStringLiteral("Other");
        };
        QMenu* menu = loaded.module->PaletteMenu();
        Shown::PageItem(menu, QStringLiteral("Mine"), QStringLiteral("Page A"))->trigger();
        Shown::PageItem(menu, QStringLiteral("Other"), QStringLiteral("Page C"))->trigger();
        loaded.Find(QStringLiteral("page b"));
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Return);
        QCOMPARE(Shown::Recent(), (QStringList{"Page B", "Page C", "Page A"}));
        // Chosen again: to the front, not twice.
        Shown::PageItem(loaded.module->PaletteButtonMenu(), QStringLiteral("Other"), QStringLiteral("Page C"))
            ->trigger();
        QCOMPARE(Shown::Recent(), (QStringList{"Page C", "Page B", "Page A"}));
        QCOMPARE(loaded.Find(QString(), 3).mid(0, 6),
                 (QStringList{"Recent", "Page C", "Page B", "Page A", "All Pages", "Page A"}));
        // The keys pass over the headings.
        QCOMPARE(loaded.module->FindPageWindow()->List()->currentIndex().row(), 5);
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Up);
        QCOMPARE(loaded.module->FindPageWindow()->List()->currentIndex().row(), 3);
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Escape);

        for (const QString& page : pages)
            Shown::PageItem(menu, category(page), page)->trigger();
        QCOMPARE(Shown::Recent(),
                 (QStringList{"Page L", "Page K", "Page J", "Page I", "Page H", "Page G", "Page F", "Page E", "Page D",
                              "Page C"}));

        // A new start on the same store, with pages gone from the palette.
        UnloadPackageInProcess();
        loaded.ide.SetPages({QStringLiteral("Page C"), QStringLiteral("Page K"), QStringLiteral("Page Z")});
        LoadPackageInProcess();
        loaded.module = VlPaletteMenuWizardDataModule;
        QCOMPARE(loaded.Find(QString()),
                 (QStringList{"Recent", "Page K", "Page C", "All Pages", "Page C", "Page K", "Page Z"}));
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Escape);
        Shown::PageItem(loaded.module->PaletteMenu(), QStringLiteral("Other"), QStringLiteral("Page Z"))->trigger();
        QCOMPARE(Shown::Recent(), (QStringList{"Page Z", "Page K", "Page C"}));

        // Export writes the grouping only; import replaces it and leaves the recent pages.
        host::TRegIniFile reg(CategoryStore::Key);
        const QString exported = loaded.ide.store.filePath(QStringLiteral("out.cpc"));
        CategoryFile::Export(reg, exported);
        QFile file(exported);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("Page A=Mine\r\n"));
        const QString imported = loaded.ide.store.filePath(QStringLiteral("in.cpc"));
        QFile in(imported);
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write("Page Z=Yours\r\n");
        in.close();
        CategoryFile::Import(reg, imported);
        QCOMPARE(reg.ReadSectionEntries(CategoryStore::Section), (Store{{"Page Z", "Yours"}}));
        QCOMPARE(Shown::Recent(), (QStringList{"Page Z", "Page K", "Page C"}));
        QCOMPARE(loaded.ide.reported(), QStringList());
    }

    // A recent page is the page chosen, also of two pages of one caption; stores that kept
    // captions only, and a palette changed since, give the first page of the caption.
    void recentPagesKeepTheirPlace()
    {
        Shown loaded({QStringLiteral("Twin"), QStringLiteral("Alpha"), QStringLiteral("Twin")});
        host::TRegIniFile(CategoryStore::Key).WriteString(CategoryStore::RecentSection, "1", "Twin");
        QCOMPARE(loaded.Find(QString()), (QStringList{"Recent", "Twin", "All Pages", "Alpha", "Twin", "Twin"}));
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Return);
        QCOMPARE(loaded.Focused(), 0);
        loaded.Find(QStringLiteral("twin"), 1);
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Return);
        QCOMPARE(loaded.Find(QString()).mid(0, 4), (QStringList{"Recent", "Twin", "Twin", "All Pages"}));
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Return);
        QCOMPARE(loaded.Focused(), 2);
        loaded.ide.SetPages({QStringLiteral("Alpha"), QStringLiteral("Twin"), QStringLiteral("Beta")});
        QCOMPARE(loaded.Find(QString()).mid(0, 3), (QStringList{"Recent", "Twin", "All Pages"}));
        QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Return);
        QCOMPARE(loaded.Focused(), 1);
    }

    // Every text of every row reads at the contrast that accessibility guidelines ask of text
    // against what it is drawn on, the selected row's too, in either look.
    void everyTextIsReadable()
    {
        const auto restore = qScopeGuard([] { host::ide::setTheme(host::ide::Theme::None); });
        // Full blocks: their middle is the text's colour, exactly.
        const QString block(2, QChar(0x2588));
        Shown loaded({block, block + ' ' + block}, {{block, block}});
        host::TRegIniFile(CategoryStore::Key).WriteString(CategoryStore::RecentSection, "1", block);
        // The pages under their headings, the first selected; then the no-match line.
        for (const auto theme : {host::ide::Theme::Light, host::ide::Theme::Dark})
            for (const QString& typed : {QString(), block + 'x'}) {
                host::ide::setTheme(theme);
                loaded.Find(QString());
                loaded.module->FindPageWindow()->Edit()->setText(typed);
                const FindPageList* list = loaded.module->FindPageWindow()->List();
                const QImage image = list->viewport()->grab().toImage();
                for (int row = 0; row < list->model()->rowCount(); ++row) {
                    const QRect rect = list->visualRect(list->model()->index(row, 0));
                    const auto color = [&](int x) { return image.pixelColor(x, rect.center().y()); };
                    for (int x = rect.left(); x + 2 < rect.right(); ++x)
                        if (color(x) != color(rect.right() - 1) && color(x) == color(x + 1) && color(x) == color(x + 2))
                            QVERIFY2(ContrastRatio(color(x), color(rect.right() - 1)) >= 4.5,
                                     qPrintable(color(x).name() + " on " + color(rect.right() - 1).name()));
                }
                QTest::keyClick(loaded.module->FindPageWindow()->Edit(), Qt::Key_Escape);
            }
    }

    // The second keys pop the palette menu up at the mouse, listed as the main menu lists it,
    // with the keyboard in it.
    void menuAtTheMouse()
    {
        Shown loaded({QStringLiteral("Standard"), QStringLiteral("Dialogs")}, {{"Standard", "Common;R&D"}});
        const QPoint mouse = loaded.ide.window.geometry().center();
        QCursor::setPos(mouse);
        QTest::keyClick(&loaded.ide.window, Qt::Key_M, Qt::ControlModifier | Qt::ShiftModifier);
        QMenu* menu = loaded.module->PaletteMouseMenu();
        QTRY_COMPARE(QApplication::activePopupWidget(), static_cast<QWidget*>(menu));
        QVERIFY(menu->activeAction());
        QCOMPARE(menu->activeAction()->text(), QStringLiteral("Common"));
        QCOMPARE(Grouping(menu), Grouping(loaded.module->PaletteMenu()));
        QCOMPARE(Grouping(menu), QStringLiteral("Common[Standard] Other[Dialogs] R&&D[Standard]"));
        menu->close();
    }
};

QTEST_MAIN(FindPageTest)
#include "tst_findpage.moc"
