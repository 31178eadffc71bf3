// The stand-in IDE's windows as a package sees them through the host interface: the open
// forms, the tool palette window and its components, the palette's pages exactly as the
// palette file gives them, the main menu; and the tool palette's own controls.

#include "tests/common/TemporaryStore.h"

#include "host/CategoryButtons.h"
#include "host/Events.h"
#include "host/Forms.h"
#include "host/Services.h"
#include "host/ToolBar.h"
#include "host/ide/ErrorReporter.h"
#include "host/ide/MainWindow.h"
#include "host/ide/PaletteFile.h"
#include "host/ide/ToolPaletteWindow.h"
#include "host/private/IdeHost.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QDockWidget>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QScopeGuard>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {

// How far apart two colours are in lightness, 0 to 255.
int LightnessGap(QRgb a, QRgb b)
{
    return qAbs(QColor(a).lightness() - QColor(b).lightness());
}

QStringList Captions(host::TCategoryButtons* palette)
{
    QStringList captions;
    host::TButtonCategories* categories = palette->Categories();
    for (int i = 0; i < categories->Count(); ++i)
        captions.append(host::GetStrProp(categories->GetItem(i), "Caption"));
    return captions;
}

} // namespace

class MainWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void openForms();
    void findComponents();
    void mainMenu();
    void toolBar();
    void pagesExactlyAsInFile_data();
    void pagesExactlyAsInFile();
    void defaultPalette();
    void expandAndScrollIntoView();
    void categoriesButtonCollapsesAndExpandsAll();
    void searchNarrowsTheViewOnly();
    void searchBoxAndFilterFollowEachOther();
    void showDockableForm_data();
    void showDockableForm();
    void errorsShowABoxThatDoesNotBlock();
    void errorDuringModalDialogClosedByKey_data();
    void errorDuringModalDialogClosedByKey();
    void longMenuReachesItsLastItem_data();
    void longMenuReachesItsLastItem();
    void framesSeparatorsAndGridStandOut_data();
    void framesSeparatorsAndGridStandOut();

private:
    std::unique_ptr<standin::MainWindow> m_window;
    TemporaryStore m_store;
};

void MainWindowTest::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_store.isValid());
}

void MainWindowTest::cleanup()
{
    m_window.reset();
    QCOMPARE(host::Screen()->FormCount(), 0);
    QVERIFY(!host::ide::mainMenu());
}

void MainWindowTest::openForms()
{
    m_window = std::make_unique<standin::MainWindow>(standin::Palette{{"Basic Controls", {"PushButton"}}});
    host::TScreen* screen = host::Screen();
    QCOMPARE(screen->FormCount(), 2);
    QCOMPARE(screen->Forms(0), m_window.get());
    QCOMPARE(screen->Forms(1), m_window->toolPalette());
    QCOMPARE(screen->Forms(1)->objectName(), QStringLiteral("ToolForm"));
    QVERIFY(!screen->Forms(2));
    QCOMPARE(host::Application(), m_window.get());
    QCOMPARE(host::InterfaceCast<host::IIDEMainMenuServices>(host::IDEServices())->GetMainMenu(), m_window->menuBar());
    // The tool palette window lives in the main window's dock.
    QCOMPARE(m_window->toolPaletteDock()->widget(), m_window->toolPalette());
}

void MainWindowTest::findComponents()
{
    m_window = std::make_unique<standin::MainWindow>(standin::Palette{{"Basic Controls", {"PushButton"}}});
    QWidget* toolForm = m_window->toolPalette();
    for (const QString& name : {QStringLiteral("Toolbar1"), QStringLiteral("TOOLBAR1"), QStringLiteral("toolbar1")})
        QCOMPARE(host::FindComponent(toolForm, name), m_window->toolPalette()->toolBar());
    QVERIFY(qobject_cast<host::TToolBar*>(host::FindComponent(toolForm, QStringLiteral("Toolbar1"))));
    QVERIFY(qobject_cast<host::TCategoryButtons*>(host::FindComponent(toolForm, QStringLiteral("palette"))));
    QVERIFY(!host::FindComponent(toolForm, QStringLiteral("Toolbar")));
    // Only the form's own components: the tool bar's search box is not the form's.
    QVERIFY(!host::FindComponent(toolForm, QStringLiteral("SearchBox")));
}

void MainWindowTest::mainMenu()
{
    m_window = std::make_unique<standin::MainWindow>(standin::Palette{});
    QStringList titles;
    for (QAction* action : m_window->menuBar()->actions()) {
        QVERIFY(action->menu());
        titles.append(action->text());
    }
    QCOMPARE(titles,
             (QStringList{"&File", "&Edit", "&Search", "&View", "&Project", "&Run", "&Component", "&Tools", "&Window",
                          "&Help"}));
    QVERIFY(m_window->menuBar()->findChild<QAction*>(QStringLiteral("InstallPackagesAction")));
    QVERIFY(m_window->menuBar()->findChild<QAction*>(QStringLiteral("ExitAction")));

    // File > New Form adds a form to the designer.
    const int forms = m_window->designer()->subWindowList().size();
    m_window->newForm();
    QCOMPARE(m_window->designer()->subWindowList().size(), forms + 1);
}

void MainWindowTest::toolBar()
{
    m_window = std::make_unique<standin::MainWindow>(standin::Palette{{"Basic Controls", {"PushButton"}}});
    m_window->show();
    host::TToolBar* toolBar = m_window->toolPalette()->toolBar();
    QVERIFY(toolBar->ControlCount() >= 2);
    QAction* first = toolBar->Controls(0);
    QVERIFY(first);
    QVERIFY(qobject_cast<QToolButton*>(toolBar->widgetForAction(first)));
    QVERIFY(!toolBar->Controls(toolBar->ControlCount()));
    QVERIFY(!toolBar->Controls(-1));

    // The first control can be hidden and shown again.
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QTRY_VERIFY(toolBar->widgetForAction(first)->isVisible());
    first->setVisible(false);
    QTRY_VERIFY(!toolBar->widgetForAction(first)->isVisible());
    first->setVisible(true);
    QTRY_VERIFY(toolBar->widgetForAction(first)->isVisible());

    host::TVirtualImageList* images = toolBar->Images();
    QVERIFY(images);
    QVERIFY(images->ImageCollection());
    QVERIFY(images->Count() >= 2);
    QVERIFY(images->GetIndexByName(QStringLiteral("Categories")) >= 0);
    QVERIFY(!images->GetIcon(0).isNull());
    QVERIFY(images->ImageCollection()->Icon(0).availableSizes().size() >= 2);
    QVERIFY(!m_window->toolPalette()->accessibleName().isEmpty());
    QVERIFY(!toolBar->accessibleName().isEmpty());
}

void MainWindowTest::pagesExactlyAsInFile_data()
{
    QTest::addColumn<QByteArray>("json");
    QTest::addColumn<QStringList>("captions");

    QTest::newRow("none") << QByteArray(R"({"pages": []})") << QStringList{};
    QTest::newRow("one") << QByteArray(R"({"pages": [{"caption": "Basic Controls", "components": ["PushButton"]}]})")
                         << QStringList{"Basic Controls"};
    QTest::newRow("file order, not sorted") << QByteArray(
        R"({"pages": [{"caption": "Widgets", "components": []}, {"caption": "More Controls", "components": []},
                                    {"caption": "more controls", "components": []}]})")
                                            << QStringList{"Widgets", "More Controls", "more controls"};
    QTest::newRow("duplicates and ampersands")
        << QByteArray(R"({"pages": [{"caption": "A&B", "components": []}, {"caption": "A&B", "components": []},
                                    {"caption": "&&", "components": []}, {"caption": "AB", "components": []},
                                    {"caption": "A&B", "components": ["TX"]}]})")
        << QStringList{"A&B", "A&B", "&&", "AB", "A&B"};
    QTest::newRow("any text") << QByteArray(
        "{\"pages\": [{\"caption\": \"a;b=c\", \"components\": []},"
        " {\"caption\": \"  spaced  \", \"components\": []},"
        " {\"caption\": \"\", \"components\": []},"
        " {\"caption\": \"Gr\xc3\xbc\xc3\x9f\x65 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80\", \"components\": []},"
        " {\"caption\": \"tab\\there\", \"components\": []}], \"extra\": 1}")
                              << QStringList{"a;b=c", "  spaced  ", "",
                                             QString::fromUtf8(
                                                 "Gr\xc3\xbc\xc3\x9f\x65 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x98\x80"),
                                             "tab\there"};
    // Qt's JSON reader alone would drop a U+FEFF that starts a string.
    QTest::newRow("U+FEFF starting a caption, after the file's own mark")
        << QByteArray("\xef\xbb\xbf{\"pages\": [{\"caption\": \"\xef\xbb\xbf\xef\xbb\xbfX\", \"components\": []},"
                      " {\"caption\": \"\\\\\xef\xbb\xbf\", \"components\": []}]}")
        << QStringList{QStringLiteral("\uFEFF\uFEFFX"), QStringLiteral("\\\uFEFF")};
}

void MainWindowTest::pagesExactlyAsInFile()
{
    QFETCH(QByteArray, json);
    QFETCH(QStringList, captions);

    standin::Palette palette;
    QString error;
    QVERIFY2(standin::parsePalette(json, QStringLiteral("test.json"), &palette, &error), qPrintable(error));
    m_window = std::make_unique<standin::MainWindow>(palette);
    QCOMPARE(Captions(m_window->toolPalette()->paletteButtons()), captions);

    host::TButtonCategories* categories = m_window->toolPalette()->paletteButtons()->Categories();
    for (int i = 0; i < palette.size(); ++i)
        QCOMPARE(categories->GetItem(i)->Components(), palette.at(i).components);
}

void MainWindowTest::defaultPalette()
{
    const standin::Palette palette = standin::defaultPalette();
    QVERIFY2(palette.size() >= 70 && palette.size() <= 90, qPrintable(QString::number(palette.size())));
    QSet<QString> captions;
    for (const standin::PalettePage& page : palette) {
        QVERIFY2(!page.caption.isEmpty() && !page.components.isEmpty(), qPrintable(page.caption));
        captions.insert(page.caption);
    }
    QCOMPARE(captions.size(), palette.size());
    QCOMPARE(palette.first().caption, QStringLiteral("Basic Controls"));

    m_window = std::make_unique<standin::MainWindow>(palette);
    QCOMPARE(m_window->toolPalette()->paletteButtons()->Categories()->Count(), palette.size());
}

void MainWindowTest::expandAndScrollIntoView()
{
    m_window = std::make_unique<standin::MainWindow>(standin::defaultPalette());
    m_window->resize(1000, 600);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    host::TButtonCategories* categories = m_window->toolPalette()->paletteButtons()->Categories();
    QTreeWidget* view = m_window->toolPalette()->paletteButtons()->View();
    for (int index : {categories->Count() - 1, 0, categories->Count() / 2}) {
        host::TButtonCategory* category = categories->GetItem(index);
        category->SetCollapsed(false);
        category->ScrollIntoView();
        QVERIFY(!category->Collapsed());
        QVERIFY(!host::GetStrProp(category, "Caption").isEmpty());
        const QRect header = view->visualItemRect(view->topLevelItem(index));
        QVERIFY2(view->viewport()->rect().contains(header),
                 qPrintable(
                     QStringLiteral("category %1 at %2,%3 is not in view").arg(index).arg(header.x()).arg(header.y())));
    }
}

void MainWindowTest::categoriesButtonCollapsesAndExpandsAll()
{
    m_window = std::make_unique<standin::MainWindow>(standin::defaultPalette());
    host::TButtonCategories* categories = m_window->toolPalette()->paletteButtons()->Categories();
    categories->GetItem(3)->SetCollapsed(false);
    const auto all = [categories](bool collapsed) {
        for (int i = 0; i < categories->Count(); ++i)
            if (categories->GetItem(i)->Collapsed() != collapsed)
                return false;
        return true;
    };
    QAction* button = m_window->toolPalette()->toolBar()->Controls(0);
    button->trigger();
    QVERIFY(all(true));
    button->trigger();
    QVERIFY(all(false));
    button->trigger();
    QVERIFY(all(true));
}

void MainWindowTest::searchNarrowsTheViewOnly()
{
    m_window = std::make_unique<standin::MainWindow>(standin::Palette{{"Basic Controls", {"PushButton", "TextField"}},
                                                                      {"More Controls", {"IconBtn"}},
                                                                      {"Dialogs", {"FileChooserDialog"}}});
    auto* search = m_window->toolPalette()->findChild<QLineEdit*>(QStringLiteral("SearchBox"));
    QVERIFY(search);
    QTreeWidget* view = m_window->toolPalette()->paletteButtons()->View();

    search->setText(QStringLiteral("btn"));
    QVERIFY(view->topLevelItem(0)->isHidden());
    QVERIFY(!view->topLevelItem(1)->isHidden());
    QVERIFY(view->topLevelItem(2)->isHidden());
    // The palette's pages stay what they are: packages still see all three.
    QCOMPARE(Captions(m_window->toolPalette()->paletteButtons()),
             (QStringList{"Basic Controls", "More Controls", "Dialogs"}));

    search->clear();
    for (int i = 0; i < 3; ++i)
        QVERIFY(!view->topLevelItem(i)->isHidden());
}

void MainWindowTest::searchBoxAndFilterFollowEachOther()
{
    m_window = std::make_unique<standin::MainWindow>(
        standin::Palette{{"Basic Controls", {"PushButton"}}, {"Dialogs", {"FileChooserDialog"}}});
    auto* search = m_window->toolPalette()->findChild<QLineEdit*>(QStringLiteral("SearchBox"));
    host::TCategoryButtons* palette = m_window->toolPalette()->paletteButtons();
    search->setText(QStringLiteral("dialog"));
    QCOMPARE(palette->Filter(), QStringLiteral("dialog"));
    QVERIFY(!palette->Categories()->GetItem(0)->Visible());
    QVERIFY(palette->Categories()->GetItem(1)->Visible());
    // A package clears the filter through the palette: the box follows.
    palette->SetFilter(QString());
    QCOMPARE(search->text(), QString());
    QVERIFY(palette->Categories()->GetItem(0)->Visible());
}

void MainWindowTest::showDockableForm_data()
{
    QTest::addColumn<bool>("floating");
    QTest::addColumn<bool>("closed");
    QTest::newRow("docked, closed") << false << true;
    QTest::newRow("floating, closed") << true << true;
    QTest::newRow("floating, open") << true << false;
}

// The tool palette comes up wherever it is: its dock opened, its window active.
void MainWindowTest::showDockableForm()
{
    QFETCH(bool, floating);
    QFETCH(bool, closed);
    m_window = std::make_unique<standin::MainWindow>(standin::defaultPalette());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QDockWidget* dock = m_window->toolPaletteDock();
    dock->setFloating(floating);
    dock->setVisible(!closed);
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));

    host::ShowDockableForm(m_window->toolPalette());
    QVERIFY(dock->isVisible());
    QVERIFY(m_window->toolPalette()->isVisible());
    QCOMPARE(dock->isFloating(), floating);
    QWidget* window = floating ? static_cast<QWidget*>(dock) : static_cast<QWidget*>(m_window.get());
    QTRY_COMPARE(QApplication::activeWindow(), window);
}

void MainWindowTest::errorsShowABoxThatDoesNotBlock()
{
    m_window = std::make_unique<standin::MainWindow>(standin::Palette{});
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    const host::ExceptionReporter previous = host::SetExceptionReporter(standin::messageBoxReporter(m_window.get()));
    // Returns at once although the box is still open: the IDE keeps running.
    host::RunHandler([] { throw host::EFOpenError(QStringLiteral("Cannot open file \"x.cpc\"")); });
    host::RunHandler([] { throw std::runtime_error("bad things"); });
    host::SetExceptionReporter(previous);

    const QList<QMessageBox*> boxes = m_window->findChildren<QMessageBox*>(QStringLiteral("ErrorBox"));
    QCOMPARE(boxes.size(), 2);
    for (QMessageBox* box : boxes) {
        QVERIFY(box->isVisible());
        QCOMPARE(box->windowModality(), Qt::WindowModal);
        QCOMPARE(box->windowTitle(), QStringLiteral("Error"));
        QCOMPARE(box->icon(), QMessageBox::Critical);
    }
    QCOMPARE(boxes.at(0)->text(), QStringLiteral("Cannot open file \"x.cpc\""));
    // The message leads; the exception's class is only in the details.
    QVERIFY(boxes.at(0)->informativeText().isEmpty());
    QCOMPARE(boxes.at(0)->detailedText(), QStringLiteral("EFOpenError"));
    QCOMPARE(boxes.at(1)->text(), QStringLiteral("bad things"));
    // The second box neither hides the first nor belongs to it.
    QVERIFY(boxes.at(0)->pos() != boxes.at(1)->pos());
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(boxes.at(1)));

    for (QMessageBox* box : boxes)
        box->close();
    QTRY_VERIFY(m_window->findChildren<QMessageBox*>(QStringLiteral("ErrorBox")).isEmpty());
}

void MainWindowTest::errorDuringModalDialogClosedByKey_data()
{
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    QTest::newRow("Escape") << int(Qt::Key_Escape);
}

void MainWindowTest::errorDuringModalDialogClosedByKey()
{
    QFETCH(int, key);
    m_window = std::make_unique<standin::MainWindow>(standin::Palette{});
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    const host::ExceptionReporter previous = host::SetExceptionReporter(standin::messageBoxReporter(m_window.get()));

    // A modal dialog whose own Enter and Escape would close it, as Install Packages does.
    QDialog dialog(m_window.get());
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    bool checked = false;
    QTimer::singleShot(0, &dialog, [&] {
        const auto done = qScopeGuard([&] { dialog.done(2); });
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        // A handler of the dialog fails twice, as Add... with a file that is not a package.
        for (int i = 0; i < 2; ++i)
            host::RunHandler([] { throw host::EPackageError(QStringLiteral("\"x.so\" is not a package")); });
        const QList<QMessageBox*> boxes = dialog.findChildren<QMessageBox*>(QStringLiteral("ErrorBox"));
        QCOMPARE(boxes.size(), 2);
        QCOMPARE(boxes.at(0)->parentWidget(), &dialog);
        QCOMPARE(boxes.at(1)->parentWidget(), &dialog);
        QVERIFY(boxes.at(0)->pos() != boxes.at(1)->pos());
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(boxes.at(1)));

        // The key goes where the user's would, to the window with the focus; a box that a
        // modal dialog blocks would not get it. The focus goes on to the next box, then back
        // to the dialog.
        QPointer<QMessageBox> newest = boxes.at(1);
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key(key));
        QTRY_VERIFY(!newest);
        QPointer<QMessageBox> oldest = boxes.at(0);
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(oldest));
        QTest::keyClick(QGuiApplication::focusWindow(), Qt::Key(key));
        QTRY_VERIFY(!oldest);
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget*>(&dialog));
        QVERIFY(dialog.isVisible());
        checked = true;
    });
    const int result = dialog.exec();
    host::SetExceptionReporter(previous);
    QVERIFY(checked);
    QCOMPARE(result, 2); // closed by the test, not by the keys meant for the boxes
}

void MainWindowTest::longMenuReachesItsLastItem_data()
{
    QTest::addColumn<host::ide::Theme>("theme");
    QTest::newRow("light") << host::ide::Theme::Light;
    QTest::newRow("dark") << host::ide::Theme::Dark;
    QTest::newRow("none") << host::ide::Theme::None;
}

void MainWindowTest::longMenuReachesItsLastItem()
{
    QFETCH(host::ide::Theme, theme);
    host::ide::setTheme(theme);
    const auto restore = qScopeGuard([] { host::ide::setTheme(host::ide::Theme::None); });
    m_window = std::make_unique<standin::MainWindow>(standin::Palette{});
    QMenu* menu = m_window->menuBar()->addMenu(QStringLiteral("&Long"));
    for (int i = 0; i < 1000; ++i)
        menu->addAction(QStringLiteral("Item %1").arg(i));
    QAction* last = menu->actions().last();
    QSignalSpy chosen(last, &QAction::triggered);

    const QRect screen = menu->screen()->availableGeometry();
    menu->popup(screen.center());
    QVERIFY(QTest::qWaitForWindowExposed(menu));
    QVERIFY2(menu->width() < screen.width() / 2, "the menu spreads into columns");

    // From the first item, Up wraps round to the last and scrolls it into view.
    QTest::keyClick(menu, Qt::Key_Down);
    QCOMPARE(menu->activeAction(), menu->actions().first());
    QTest::keyClick(menu, Qt::Key_Up);
    QCOMPARE(menu->activeAction(), last);
    const QRect item = menu->actionGeometry(last);
    QVERIFY(menu->rect().contains(item));
    QVERIFY(screen.contains(menu->mapToGlobal(item.center())));
    QTest::mouseClick(menu, Qt::LeftButton, {}, item.center());
    QCOMPARE(chosen.count(), 1);
}

void MainWindowTest::framesSeparatorsAndGridStandOut_data()
{
    longMenuReachesItsLastItem_data();
}

void MainWindowTest::framesSeparatorsAndGridStandOut()
{
    QFETCH(host::ide::Theme, theme);
    host::ide::setTheme(theme);
    const auto restore = qScopeGuard([] { host::ide::setTheme(host::ide::Theme::None); });
    m_window = std::make_unique<standin::MainWindow>(standin::Palette{});
    constexpr int minimumGap = 40; // what a person sees at a glance

    // A menu's frame and its separator against the menu's own background.
    QMenu* file = m_window->menuBar()->findChild<QMenu*>(QStringLiteral("FileMenu"));
    QAction* separator = nullptr;
    for (QAction* action : file->actions())
        separator = action->isSeparator() ? action : separator;
    QVERIFY(separator);
    file->popup(QPoint(10, 10));
    QVERIFY(QTest::qWaitForWindowExposed(file));
    const QImage menu = file->grab().toImage();
    file->close();
    const QRect line = file->actionGeometry(separator);
    const QRgb background = menu.pixel(line.center().x(), line.top() - 3); // the item above
    QVERIFY2(LightnessGap(menu.pixel(0, menu.height() / 2), background) >= minimumGap, "the frame vanishes");
    QVERIFY2(LightnessGap(menu.pixel(line.center()), background) >= minimumGap, "the separator vanishes");

    // The designer's grid of dots against its form.
    QWidget* form = m_window->designer()->subWindowList().first()->widget();
    form->resize(64, 64);
    const QImage grid = form->grab().toImage();
    QVERIFY2(LightnessGap(grid.pixel(8, 8), grid.pixel(4, 4)) >= minimumGap, "the grid vanishes");
}

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
