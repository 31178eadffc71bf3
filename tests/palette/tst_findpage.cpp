// Find Page and the palette menu at the mouse as a user drives them with the keyboard, and what
// choosing a page does to the tool palette: shown, unfiltered, expanded, focused; the recent
// pages it lists first.

#include "palette/FindPagePopup.h"
#include "palette/VlPaletteMenu.h"
#include "store/CategoryFile.h"
#include "store/CategoryStore.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/ScopedDefaultLocale.h"

#include "host/Registry.h"

#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QStandardPaths>
#include <QTreeWidget>
#include <QtTest>

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

    static QStringList Recent() { return CategoryStore::ReadRecentPages(host::TRegIniFile(CategoryStore::Key)); }
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
        QTRY_VERIFY(!loaded.module->FindPageWindow());
        QCOMPARE(loaded.Expanded(), QList<int>{opened});
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
        QTest::addColumn<QString>("shown"); // the row as read out: "caption, in categories"

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
                                               << "xx" << QString(199, QLatin1Char('x')) + QChar(0x2026) + ", in Other";
    }

    void rowsShowEachCategoryOnceAndShort()
    {
        QFETCH(QString, caption);
        QFETCH(QString, list);
        QFETCH(QString, typed);
        QFETCH(QString, shown);

        Shown loaded({caption, QStringLiteral("Zzz")}, list.isEmpty() ? Store{} : Store{{caption, list}});
        const QStringList rows = loaded.Find(typed);
        QCOMPARE(rows.value(0), shown.section(QStringLiteral(", in "), 0, 0));
        const QAbstractItemModel* model = loaded.module->FindPageWindow()->List()->model();
        QCOMPARE(model->index(0, 0).data(Qt::AccessibleTextRole).toString(), shown);
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
    // assistive technology as a list item with its categories. (Without a screen reader on
    // this platform Qt passes on no accessibility event, so the row itself is checked.)
    void currentRowIsAListItem()
    {
        Shown loaded({QStringLiteral("Alpha"), QStringLiteral("Beta")}, {{"Beta", "Cloud;Mobile"}});
        loaded.Find(QString(), 1);
        FindPageList* list = loaded.module->FindPageWindow()->List();
        QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
        QVERIFY(view);
        QCOMPARE(view->text(QAccessible::Name), QStringLiteral("Pages"));
        QAccessibleInterface* row = view->child(list->currentIndex().row());
        QVERIFY(row);
        QCOMPARE(row->role(), QAccessible::ListItem);
        QCOMPARE(row->text(QAccessible::Name), QStringLiteral("Beta, in Cloud, Mobile"));
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
            QTest::addRow("%s: filter hides the page", route) << route << false << "TButton"
                                                              << "";
            QTest::addRow("%s: filter hides it, window hidden", route) << route << true << "TButton"
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
        QCOMPARE(grids->Visible(), filter != QLatin1String("TButton"));
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
        QCOMPARE(loaded.Find(QString()).mid(0, 4), (QStringList{"Page C", "Page B", "Page A", "Page A"}));
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
        QCOMPARE(loaded.Find(QString()), (QStringList{"Page K", "Page C", "Page C", "Page K", "Page Z"}));
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
