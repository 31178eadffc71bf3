// The IDE's objects as a package sees them through the host: open forms, components by
// name, the tool palette, the tool bar and its images, menus and theming.

#include "host/CategoryButtons.h"
#include "host/Exceptions.h"
#include "host/Forms.h"
#include "host/Menus.h"
#include "host/Theming.h"
#include "host/ToolBar.h"
#include "host/private/IdeHost.h"

#include <QAccessible>
#include <QAction>
#include <QColor>
#include <QDialog>
#include <QImage>
#include <QMenu>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

using namespace host;

namespace {

void WritePng(const QString& path, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::darkCyan);
    QVERIFY(image.save(path, "PNG"));
}

int Lightness(TColor color)
{
    return ColorToQColor(color).lightness();
}

} // namespace

class HostWidgetsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void cleanup() { ide::setTheme(ide::Theme::None); }

    void openFormsInCreationOrder()
    {
        QCOMPARE(Screen()->FormCount(), 0);
        auto first = std::make_unique<QWidget>();
        auto second = std::make_unique<QWidget>();
        auto third = std::make_unique<QWidget>();
        first->setObjectName(QStringLiteral("MainForm"));
        second->setObjectName(QStringLiteral("ToolForm"));
        third->setObjectName(QStringLiteral("ToolForm"));
        ide::addForm(first.get());
        ide::addForm(second.get());
        ide::addForm(third.get());
        ide::addForm(second.get()); // already open: stays where it is
        ide::addForm(nullptr);

        QCOMPARE(Screen()->FormCount(), 3);
        QCOMPARE(Screen()->Forms(0), first.get());
        QCOMPARE(Screen()->Forms(1), second.get());
        QCOMPARE(Screen()->Forms(2), third.get());
        QCOMPARE(Screen()->Forms(3), nullptr);
        QCOMPARE(Screen()->Forms(-1), nullptr);

        second.reset(); // a destroyed form leaves the list; the others keep their order
        QCOMPARE(Screen()->FormCount(), 2);
        QCOMPARE(Screen()->Forms(0), first.get());
        QCOMPARE(Screen()->Forms(1), third.get());

        first.reset();
        third.reset();
        QCOMPARE(Screen()->FormCount(), 0);
    }

    void findComponent_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("found"); // the found child's tag, empty for none
        QTest::newRow("exact") << "Palette"
                               << "palette";
        QTest::newRow("lower case") << "palette"
                                    << "palette";
        QTest::newRow("upper case") << "TOOLBAR1"
                                    << "toolbar";
        QTest::newRow("non-ASCII other case") << QStringLiteral("\u00c4RGER") << "umlaut";
        QTest::newRow("first of two") << "twin"
                                      << "twin-1";
        QTest::newRow("grandchild is not searched") << "Deep" << QString();
        QTest::newRow("missing") << "Nothing" << QString();
        QTest::newRow("prefix is not a match") << "Pal" << QString();
        QTest::newRow("empty name") << QString() << QString();
    }

    void findComponent()
    {
        QFETCH(QString, name);
        QFETCH(QString, found);
        QWidget form;
        auto child = [&form](QObject* object, const QString& objectName, const char* tag) {
            object->setParent(&form);
            object->setObjectName(objectName);
            object->setProperty("tag", QString::fromLatin1(tag));
            return object;
        };
        child(new QWidget, QString(), "unnamed");
        child(new QWidget, QStringLiteral("Palette"), "palette");
        child(new QObject, QStringLiteral("Toolbar1"), "toolbar");
        child(new QWidget, QStringLiteral("\u00e4rger"), "umlaut");
        child(new QWidget, QStringLiteral("Twin"), "twin-1");
        child(new QWidget, QStringLiteral("TWIN"), "twin-2");
        QObject* panel = child(new QWidget, QStringLiteral("Panel"), "panel");
        (new QWidget(static_cast<QWidget*>(panel)))->setObjectName(QStringLiteral("Deep"));

        QObject* result = FindComponent(&form, name);
        if (found.isEmpty())
            QCOMPARE(result, nullptr);
        else
            QCOMPARE(result ? result->property("tag").toString() : QString(), found);
    }

    void getStrProp()
    {
        TCategoryButtons palette;
        TButtonCategory* category = palette.Categories()->Add(QStringLiteral("Sta&ndard"), {});
        QCOMPARE(GetStrProp(category, "Caption"), QStringLiteral("Sta&ndard"));

        QObject dynamic;
        dynamic.setProperty("Hint", QStringLiteral("Vorla"));
        QCOMPARE(GetStrProp(&dynamic, "Hint"), QStringLiteral("Vorla"));

        try {
            GetStrProp(category, "Title");
            QFAIL("a missing property must raise");
        } catch (const EPropertyError& error) {
            QVERIFY2(error.Message().contains(QStringLiteral("Title")), qPrintable(error.Message()));
            QVERIFY2(error.Message().contains(QStringLiteral("TButtonCategory")), qPrintable(error.Message()));
        }
        QVERIFY_THROWS_EXCEPTION(EPropertyError, GetStrProp(nullptr, "Caption"));
    }

    void applicationWindow()
    {
        {
            QWidget window;
            ide::setApplicationWindow(&window);
            QCOMPARE(Application(), &window);
        }
        QCOMPARE(Application(), nullptr); // never a dangling owner for dialogs
    }

    void paletteKeepsCaptionsLiterallyInOrder()
    {
        const QStringList captions = {
            QStringLiteral("Standard"),
            QStringLiteral("Sta&ndard"),
            QStringLiteral("Standard"),
            QStringLiteral("Data;Access"),
            QStringLiteral("a=b"),
            QStringLiteral("  spaced  "),
            QStringLiteral("\u00dcbersicht \u65e5\u672c"),
            QStringLiteral("&&"),
            QString(),
        };
        TCategoryButtons palette;
        TButtonCategories* categories = palette.Categories();
        for (int i = 0; i < captions.size(); ++i)
            categories->Add(captions[i], {QStringLiteral("TComponent%1").arg(i)});

        QCOMPARE(categories->Count(), captions.size());
        QCOMPARE(palette.View()->topLevelItemCount(), captions.size());
        for (int i = 0; i < captions.size(); ++i) {
            QCOMPARE(GetStrProp(categories->GetItem(i), "Caption"), captions[i]);
            QCOMPARE(palette.View()->topLevelItem(i)->text(0), captions[i]); // shown as given
            QCOMPARE(categories->GetItem(i)->Components(), QStringList{QStringLiteral("TComponent%1").arg(i)});
        }
        QCOMPARE(categories->GetItem(-1), nullptr);
        QCOMPARE(categories->GetItem(captions.size()), nullptr);

        categories->Clear();
        QCOMPARE(categories->Count(), 0);
        QCOMPARE(palette.View()->topLevelItemCount(), 0);
        QCOMPARE(categories->children().size(), 0);
        categories->Add(QStringLiteral("Again"), {});
        QCOMPARE(GetStrProp(categories->GetItem(0), "Caption"), QStringLiteral("Again"));
    }

    void expandAndScrollIntoView()
    {
        TCategoryButtons palette;
        palette.resize(240, 320);
        TButtonCategories* categories = palette.Categories();
        for (int i = 0; i < 500; ++i) {
            categories->Add(
                QStringLiteral("Page %1").arg(i),
                {QStringLiteral("TA%1").arg(i), QStringLiteral("TB%1").arg(i), QStringLiteral("TC%1").arg(i)});
        }
        palette.show();
        QVERIFY(QTest::qWaitForWindowExposed(&palette));

        TButtonCategory* target = categories->GetItem(400);
        QTreeWidgetItem* item = palette.View()->topLevelItem(400);
        QVERIFY(target->Collapsed());
        QVERIFY(!palette.View()->viewport()->rect().intersects(palette.View()->visualItemRect(item)));

        target->SetCollapsed(false);
        QVERIFY(!target->Collapsed());
        QVERIFY(item->isExpanded());
        QVERIFY(categories->GetItem(399)->Collapsed()); // only that one opened
        target->ScrollIntoView();

        const QRect viewport = palette.View()->viewport()->rect();
        QVERIFY(viewport.contains(palette.View()->visualItemRect(item)));
        // Its components show below it.
        QVERIFY(viewport.intersects(palette.View()->visualItemRect(item->child(0))));

        // Collapsed again through the property, as a package reads and writes it by name.
        QVERIFY(target->setProperty("Collapsed", true));
        QVERIFY(!item->isExpanded());
        QCOMPARE(target->property("Collapsed").toBool(), true);
    }

    void paletteIsAccessible()
    {
        TCategoryButtons palette;
        palette.Categories()->Add(QStringLiteral("Basic Controls"), {QStringLiteral("PushButton")});
        palette.Categories()->Add(QStringLiteral("More Controls"), {QStringLiteral("IconButton")});
        palette.Categories()->GetItem(1)->SetCollapsed(false);
        // A page without components still opens and closes like the others.
        TButtonCategory* empty = palette.Categories()->Add(QStringLiteral("Empty"), {});
        empty->SetCollapsed(false);
        QVERIFY(!empty->Collapsed());
        palette.show();
        QVERIFY(QTest::qWaitForWindowExposed(&palette));

        QAccessibleInterface* tree = QAccessible::queryAccessibleInterface(palette.View());
        QVERIFY(tree);
        QCOMPARE(tree->text(QAccessible::Name), QStringLiteral("Tool Palette"));
        QAccessibleTableInterface* table = tree->tableInterface();
        QVERIFY(table);
        QAccessibleInterface* basic = table->cellAt(0, 0);
        QAccessibleInterface* more = table->cellAt(1, 0);
        QVERIFY(basic && more);
        QCOMPARE(basic->text(QAccessible::Name), QStringLiteral("Basic Controls"));
        // Expandable and not expanded is what assistive technology reads as collapsed.
        QVERIFY(basic->state().expandable);
        QVERIFY(!basic->state().expanded);
        QVERIFY(more->state().expandable);
        QVERIFY(more->state().expanded);
        // Rows are the visible lines: the open category's component comes next, then the
        // empty category, open too.
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(table->cellAt(2, 0)->text(QAccessible::Name), QStringLiteral("IconButton"));
        QVERIFY(!table->cellAt(2, 0)->state().expandable);
        QCOMPARE(table->cellAt(3, 0)->text(QAccessible::Name), QStringLiteral("Empty"));
        QVERIFY(table->cellAt(3, 0)->state().expandable);
        QVERIFY(table->cellAt(3, 0)->state().expanded);
    }

    void toolBarControls()
    {
        TToolBar toolBar;
        QAction* original = toolBar.addAction(QStringLiteral("Original"));
        QAction* second = toolBar.addAction(QStringLiteral("Second"));
        toolBar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&toolBar));
        QCOMPARE(toolBar.ControlCount(), 2);
        QCOMPARE(toolBar.Controls(0), original);
        QCOMPARE(toolBar.Controls(2), nullptr);

        // The first control hides and shows again.
        original->setVisible(false);
        QTRY_VERIFY(!toolBar.widgetForAction(original)->isVisible());
        QCOMPARE(toolBar.Controls(0), original);

        QAction front(QStringLiteral("Front"));
        QToolButton* button = toolBar.InsertToolButton(0, &front);
        QVERIFY(button);
        QCOMPARE(button->defaultAction(), &front);
        QCOMPARE(toolBar.ControlCount(), 3);
        QCOMPARE(toolBar.Controls(0), &front);
        QCOMPARE(toolBar.Controls(1), original);
        QCOMPARE(toolBar.Controls(2), second);

        QAction back(QStringLiteral("Back"));
        QVERIFY(toolBar.InsertToolButton(99, &back));
        QCOMPARE(toolBar.Controls(3), &back);

        // Inserted again, an action moves rather than doubling.
        toolBar.InsertToolButton(2, &back);
        QCOMPARE(toolBar.ControlCount(), 4);
        QCOMPARE(toolBar.Controls(2), &back);

        original->setVisible(true);
        QTRY_VERIFY(toolBar.widgetForAction(original)->isVisible());

        // An action that goes away takes its button with it: hidden at once, deleted when
        // control returns to the event loop (it may be the button's own click that removed it).
        QPointer<QToolButton> frontButton = button;
        toolBar.removeAction(&front);
        toolBar.removeAction(&back);
        QCOMPARE(toolBar.ControlCount(), 2);
        QCOMPARE(toolBar.Controls(0), original);
        QVERIFY(frontButton && frontButton->isHidden());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!frontButton);
    }

    void imageCollectionSizes()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString base = dir.filePath(QStringLiteral("VORLA_PALETTE_MENU"));
        WritePng(base, 16);
        WritePng(base + QStringLiteral("_20X"), 32);
        WritePng(dir.filePath(QStringLiteral("OTHER")), 24);

        TImageCollection collection;
        QCOMPARE(collection.Add(QStringLiteral("Other"), dir.filePath(QStringLiteral("OTHER")), {QString()}), 0);
        const int index = collection.Add(QStringLiteral("VorlaPaletteMenu"), base, {QString(), QStringLiteral("_20X")});
        QCOMPARE(index, 1);
        QCOMPARE(collection.Count(), 2);
        QCOMPARE(collection.GetIndexByName(QStringLiteral("vorlapalettemenu")), 1);
        QCOMPARE(collection.GetIndexByName(QStringLiteral("Missing")), -1);
        QCOMPARE(collection.Name(1), QStringLiteral("VorlaPaletteMenu"));
        QCOMPARE(collection.Icon(index).availableSizes(), (QList<QSize>{QSize(16, 16), QSize(32, 32)}));

        // The pictures were read at once: the files may go.
        QVERIFY(QFile::remove(base));
        QVERIFY(!collection.Icon(index).pixmap(16, 16).isNull());

        // A resource that cannot be read raises, names it, and changes nothing.
        try {
            collection.Add(QStringLiteral("VorlaPaletteMenu"), base, {QStringLiteral("_20X"), QString()});
            QFAIL("a missing resource must raise");
        } catch (const EFOpenError& error) {
            QVERIFY2(error.Message().contains(base), qPrintable(error.Message()));
        }
        QCOMPARE(collection.Count(), 2);
        QCOMPARE(collection.Icon(index).availableSizes().size(), 2);

        // A name already present gets the new pictures in its place.
        QCOMPARE(collection.Add(QStringLiteral("VORLAPALETTEMENU"), base, {QStringLiteral("_20X")}), index);
        QCOMPARE(collection.Count(), 2);
        QCOMPARE(collection.Icon(index).availableSizes(), QList<QSize>{QSize(32, 32)});

        TVirtualImageList images;
        QVERIFY(images.GetIcon(0).isNull());
        QCOMPARE(images.Add(QStringLiteral("VorlaPaletteMenu"), index), 0);
        QVERIFY(images.GetIcon(0).isNull()); // no collection yet
        images.SetImageCollection(&collection);
        QCOMPARE(images.ImageCollection(), &collection);
        QCOMPARE(images.GetIcon(0).availableSizes(), QList<QSize>{QSize(32, 32)});
        QCOMPARE(images.Add(QStringLiteral("Other"), 0), 1);
        QCOMPARE(images.Add(QStringLiteral("VorlaPaletteMenu"), 0), 0); // re-pointed
        QCOMPARE(images.GetIcon(0).availableSizes(), QList<QSize>{QSize(24, 24)});
        QCOMPARE(images.GetIndexByName(QStringLiteral("other")), 1);
        QVERIFY(images.GetIcon(5).isNull());

        TToolBar toolBar;
        QCOMPARE(toolBar.Images(), nullptr);
        toolBar.SetImages(&images);
        QCOMPARE(toolBar.Images()->ImageCollection(), &collection);
    }

    void findMenuItem_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("found"); // objectName of the item, empty for none
        QTest::newRow("exact") << "&File"
                               << "file";
        QTest::newRow("no ampersand") << "File"
                                      << "file";
        QTest::newRow("ampersand elsewhere") << "Fi&le"
                                             << "file";
        QTest::newRow("several ampersands") << "&&F&i&l&e&"
                                            << "file";
        QTest::newRow("upper case") << "FILE"
                                    << "file";
        QTest::newRow("invisible item") << "Hidden"
                                        << "hidden";
        QTest::newRow("submenu by title") << "tools"
                                          << "tools";
        QTest::newRow("non-ASCII other case") << QStringLiteral("\u00c4NDERN") << "aendern";
        QTest::newRow("doubled ampersand item") << "AB"
                                                << "ab";
        QTest::newRow("first of two") << "save"
                                      << "save-1";
        QTest::newRow("separator") << "-"
                                   << "separator";
        QTest::newRow("submenu child is not searched") << "Options" << QString();
        QTest::newRow("prefix is not a match") << "Fil" << QString();
        QTest::newRow("missing") << "Palette" << QString();
    }

    void findMenuItem()
    {
        QFETCH(QString, caption);
        QFETCH(QString, found);
        QMenu menu;
        menu.addAction(QStringLiteral("&File"))->setObjectName(QStringLiteral("file"));
        QAction* hidden = menu.addAction(QStringLiteral("Hidden"));
        hidden->setObjectName(QStringLiteral("hidden"));
        hidden->setVisible(false);
        QMenu* tools = menu.addMenu(QStringLiteral("&Tools"));
        tools->menuAction()->setObjectName(QStringLiteral("tools"));
        tools->addAction(QStringLiteral("&Options"))->setObjectName(QStringLiteral("options"));
        menu.addSeparator()->setObjectName(QStringLiteral("separator"));
        menu.addAction(QStringLiteral("\u00e4&ndern"))->setObjectName(QStringLiteral("aendern"));
        menu.addAction(QStringLiteral("A&&B"))->setObjectName(QStringLiteral("ab"));
        menu.addAction(QStringLiteral("Sa&ve"))->setObjectName(QStringLiteral("save-1"));
        menu.addAction(QStringLiteral("&Save"))->setObjectName(QStringLiteral("save-2"));

        QAction* result = FindMenuItem(&menu, caption);
        QCOMPARE(result ? result->objectName() : QString(), found);
    }

    void noThemingWhenThemeIsNone()
    {
        ide::setTheme(ide::Theme::None);
        QCOMPARE(ide::currentTheme(), ide::Theme::None);
        QCOMPARE(ThemeProperties(), nullptr);
        QVERIFY(!TIDEThemeMetrics::Font::Enabled());
        QVERIFY(TIDEThemeMetrics::Font::Size() > 0); // the font is there even without a theme
    }

    void themeNoneRestoresDefaultPalette()
    {
        const QColor defaultWindow = QApplication::palette().color(QPalette::Window);
        ide::setTheme(ide::Theme::Dark);
        QVERIFY(QApplication::palette().color(QPalette::Window) != defaultWindow);
        ide::setTheme(ide::Theme::None);
        QCOMPARE(QApplication::palette().color(QPalette::Window), defaultWindow);
        QCOMPARE(ThemeProperties(), nullptr);
    }

    void themeColours_data()
    {
        QTest::addColumn<ide::Theme>("theme");
        QTest::addColumn<bool>("dark");
        QTest::newRow("light") << ide::Theme::Light << false;
        QTest::newRow("dark") << ide::Theme::Dark << true;
    }

    void themeColours()
    {
        QFETCH(ide::Theme, theme);
        QFETCH(bool, dark);
        ide::setTheme(theme);
        QVERIFY(TIDEThemeMetrics::Font::Enabled());
        IIDEThemingServices* theming = ThemeProperties();
        QVERIFY(theming);
        TCustomStyleServices* style = theming->StyleServices();

        const TColor panel = style->GetStyleColor(scPanel);
        const TColor edit = style->GetSystemColor(clWindow);
        const TColor text = style->GetSystemColor(clWindowText);
        const TColor highlight = style->GetSystemColor(clHighlight);
        const TColor highlightText = style->GetSystemColor(clHighlightText);
        for (TColor resolved : {panel, edit, text, highlight, highlightText, style->GetSystemColor(clBtnFace)})
            QVERIFY2((resolved & 0xFF000000u) == 0, qPrintable(QString::number(resolved, 16)));
        QCOMPARE(Lightness(panel) < 128, dark);
        QCOMPARE(Lightness(edit) < 128, dark);
        QCOMPARE(Lightness(text) < 128, !dark); // text stands out from its background
        QVERIFY(highlight != highlightText);

        // What is not a known system colour comes back as it is.
        QCOMPARE(style->GetSystemColor(0x00808080), TColor(0x00808080));
        QCOMPARE(style->GetSystemColor(0xFF0000FE), TColor(0xFF0000FE));

        // Applying the theme gives the form the colours the style services report.
        QDialog form;
        theming->ApplyTheme(&form);
        QCOMPARE(form.palette().color(QPalette::Window), ColorToQColor(panel));
        QCOMPARE(form.palette().color(QPalette::Base), ColorToQColor(edit));
        // The application follows the theme too.
        QCOMPARE(QApplication::palette().color(QPalette::Window), ColorToQColor(panel));
    }

    void colorToQColor()
    {
        QCOMPARE(ColorToQColor(0x0000FF), QColor(255, 0, 0)); // red lowest
        QCOMPARE(ColorToQColor(0x00FF00), QColor(0, 255, 0));
        QCOMPARE(ColorToQColor(0x123456), QColor(0x56, 0x34, 0x12));
        QCOMPARE(ColorToQColor(clHighlight), QApplication::palette().color(QPalette::Highlight));
        QCOMPARE(ColorToQColor(clBtnFace), QApplication::palette().color(QPalette::Button));
        QVERIFY(!ColorToQColor(0xFF0000FE).isValid());
    }

    void adjustDPISize_data()
    {
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("ppi");
        QTest::addColumn<int>("pixels");
        QTest::newRow("9pt at 96") << 9 << 96 << 12;
        QTest::newRow("9pt at 144") << 9 << 144 << 18;
        QTest::newRow("10pt at 120") << 10 << 120 << 17;       // 16.67
        QTest::newRow("9pt at 100, a half") << 9 << 100 << 13; // 12.5 rounds up
        QTest::newRow("8pt at 96") << 8 << 96 << 11;           // 10.67
        QTest::newRow("1pt at 72") << 1 << 72 << 1;
    }

    void adjustDPISize()
    {
        QFETCH(int, points);
        QFETCH(int, ppi);
        QFETCH(int, pixels);
        QFont font;
        TIDEThemeMetrics::Font::AdjustDPISize(font, points, ppi);
        QCOMPARE(font.pixelSize(), pixels);
    }

    void adjustDPISizeRejectsNonsense()
    {
        QFont font;
        font.setPixelSize(20);
        QVERIFY_THROWS_EXCEPTION(Exception, TIDEThemeMetrics::Font::AdjustDPISize(font, 9, 0));
        QVERIFY_THROWS_EXCEPTION(Exception, TIDEThemeMetrics::Font::AdjustDPISize(font, -3, 96));
        QCOMPARE(font.pixelSize(), 20);
    }

    void themeFontFollowsApplication()
    {
        ide::setTheme(ide::Theme::Light);
        QFont applicationFont = QApplication::font();
        applicationFont.setPointSize(11);
        QApplication::setFont(applicationFont);
        QCOMPARE(TIDEThemeMetrics::Font::Size(), 11);
        QCOMPARE(TIDEThemeMetrics::Font::GetFont(), applicationFont);
    }

    void themeManagerAndTitleBar()
    {
        QVERIFY(!IDEThemeManager()->IsRegistered(QDialog::staticMetaObject));
        IDEThemeManager()->RegisterFormClass(QDialog::staticMetaObject);
        QVERIFY(IDEThemeManager()->IsRegistered(QDialog::staticMetaObject));
        QVERIFY(!IDEThemeManager()->IsRegistered(QWidget::staticMetaObject));

        QDialog form;
        TIDETitleBarService::AddTitleBar(&form, nullptr, false);
        QCOMPARE(form.property("ideTitleBar").toBool(), true);
        TIDETitleBarService::AddTitleBar(nullptr);
    }
};

QTEST_MAIN(HostWidgetsTest)
#include "tst_hostwidgets.moc"
