#include "palette/VlPaletteMenu.h"

#include "editor/VlPaletteMenuCategoriesForm.h"
#include "grouping/CategoryList.h"
#include "grouping/MenuPlan.h"
#include "pages/PageOrder.h"
#include "pages/VlPaletteMenuCommon.h"
#include "palette/CategoryFileDialogs.h"
#include "palette/FindPagePopup.h"
#include "palette/Tr.h"
#include "store/CategoryFile.h"
#include "store/CategoryStore.h"

#include "host/CategoryButtons.h"
#include "host/Events.h"
#include "host/Forms.h"
#include "host/Registry.h"
#include "host/Services.h"
#include "host/ToolBar.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QToolButton>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

TVlPaletteMenuWizardDataModule* VlPaletteMenuWizardDataModule = nullptr;

using PaletteMenu::Tr;

namespace {

// Plain literals: nothing of the package may run when it loads, and no string the host keeps
// (an image name, a button's name) may point into the package once it has gone.
constexpr QLatin1String ToolFormName("ToolForm");
constexpr QLatin1String PaletteName("Palette");
constexpr QLatin1String ToolbarName("Toolbar1");
constexpr QLatin1String ButtonName("tbPalette");
constexpr QLatin1String ButtonHint("Vorla Palette Menu");
constexpr QLatin1String ImageName("VorlaPaletteMenu");
constexpr QLatin1String IconResource(":/VorlaPaletteMenu/VORLA_PALETTE_MENU");
constexpr QLatin1String IconSizeSuffixes[] = {QLatin1String(""), QLatin1String("_20X")};
constexpr char PaletteMenuCaption[] = QT_TRANSLATE_NOOP("PaletteMenu", "P&alette");
constexpr QLatin1String HiddenCaption("Hidden");
constexpr char OtherCategory[] = QT_TRANSLATE_NOOP("PaletteMenu", "Other");

// How long the status bar shows what a file command did.
constexpr int StatusMessageMs = 5000;

// Keys the stand-in IDE leaves free: Find Page, and the palette menu at the mouse.
constexpr QKeyCombination FindPageShortcut = Qt::CTRL | Qt::SHIFT | Qt::Key_P;
constexpr QKeyCombination PaletteMenuAtMouseShortcut = Qt::CTRL | Qt::SHIFT | Qt::Key_M;

// The commands that end both menus, in order. Tests and tools find each by its object name.
struct Command {
    const char* objectName;
    const char* caption;
    void (TVlPaletteMenuWizardDataModule::*handler)(QObject*);
    bool separatorBefore;
    QKeyCombination shortcut;
};
constexpr Command Commands[] = {
    {"FindPageCommand", QT_TRANSLATE_NOOP("PaletteMenu", "&Find Page..."), &TVlPaletteMenuWizardDataModule::FindPage,
     true, FindPageShortcut},
    {"EditCategoriesCommand",
     QT_TRANSLATE_NOOP("PaletteMenu", "&Edit Categories..."),
     &TVlPaletteMenuWizardDataModule::EditCategories,
     false,
     {}},
    {"ImportCommand",
     QT_TRANSLATE_NOOP("PaletteMenu", "&Import..."),
     &TVlPaletteMenuWizardDataModule::ImportCategories,
     true,
     {}},
    {"UndoImportCommand",
     QT_TRANSLATE_NOOP("PaletteMenu", "&Undo Import"),
     &TVlPaletteMenuWizardDataModule::UndoImportCategories,
     false,
     {}},
    {"ExportCommand",
     QT_TRANSLATE_NOOP("PaletteMenu", "E&xport..."),
     &TVlPaletteMenuWizardDataModule::ExportCategories,
     false,
     {}},
};
constexpr std::size_t UndoImportCommand = 3;
static_assert(std::size(Commands) == TVlPaletteMenuWizardDataModule::CommandCount);

// The entries of the recent pages, newest first, at most most: each the page at its
// remembered place while that place still holds its caption, else (the palette changed) the
// first page of that caption; pages that left the palette drop out.
std::vector<int> RecentEntries(const std::vector<FindPageEntry>& entries, const QList<CategoryStore::RecentPage>& pages,
                               int most)
{
    std::vector<int> recent;
    if (pages.isEmpty())
        return recent;
    std::vector<int> entryAt(entries.size(), -1); // by palette position
    for (std::size_t i = 0; i < entries.size(); ++i)
        if (const auto position = static_cast<std::size_t>(entries[i].palettePosition); position < entries.size())
            entryAt[position] = static_cast<int>(i);
    for (const CategoryStore::RecentPage& page : pages) {
        const auto position = static_cast<std::size_t>(page.position);
        int entry = position < entryAt.size() ? entryAt[position] : -1;
        if (entry < 0 || entries[static_cast<std::size_t>(entry)].caption != page.caption) {
            // Pages of one caption are in palette order.
            const auto first = std::find_if(entries.cbegin(), entries.cend(),
                                            [&page](const FindPageEntry& e) { return e.caption == page.caption; });
            entry = first == entries.cend() ? -1 : static_cast<int>(first - entries.cbegin());
        }
        if (entry >= 0 && std::find(recent.cbegin(), recent.cend(), entry) == recent.cend())
            recent.push_back(entry);
        if (static_cast<int>(recent.size()) >= most)
            break;
    }
    return recent;
}

// A category name as a menu caption: its "&" shown, not taken as an access key, and a name
// as long as a stored list (half a million characters) cut short, since Qt lays out a caption
// whole every time it measures the menu. The store keeps the whole name.
QString MenuCaption(const QString& name)
{
    QString caption = CutText(name, MaxCaptionLength);
    if (caption.contains(QLatin1Char('&')))
        caption.replace(QLatin1Char('&'), QLatin1String("&&"));
    return caption;
}

// A line that ends menu, disabled, saying that pages pages are not shown there.
void AddNotShownLine(QMenu* menu, int pages)
{
    if (pages == 0)
        return;
    auto* line = new QAction(Tr::tr("%n more pages are not shown", nullptr, pages), menu);
    line->setEnabled(false);
    menu->addAction(line);
}

// Makes the planned submenus at the end of menu, in order, each with its items (makeItem(submenu,
// page) makes one) and, when it was cut short, the line saying how many pages are not shown;
// then that line for the menu when categories were left out. Each submenu's items are made
// together, in the order the menu lists them, so that they lie together in memory and are
// released quickly at the next opening.
template <typename MakeItem>
void MakeSubmenus(QMenu* menu, const SubmenuPlan& plan, MakeItem&& makeItem)
{
    plan.ForEachSubmenu([&](const SubmenuPlan::Submenu& planned) {
        auto* submenu = new QMenu(MenuCaption(planned.name), menu);
        menu->addMenu(submenu);
        for (const int page : planned.pages)
            makeItem(submenu, page);
        AddNotShownLine(submenu, planned.notShown);
    });
    AddNotShownLine(menu, plan.NotShown());
}

} // namespace

// A menu as planned from the palette's sorted captions, the section as read and the caption
// of the pages filed under no category.
struct TVlPaletteMenuWizardDataModule::MenuPlan {
    QStringList pages;          // sorted; items list them by index
    std::vector<int> positions; // of each page on the palette
    QList<QPair<QString, QString>> entries;
    bool wholeSection = false; // entries is the section, not read page by page
    QString other;
    SubmenuPlan submenus;
    quint64 storeChanges = 0; // the store's change count when the section was read
    bool undoable = false;    // an import to undo then

    bool SameInput(const MenuPlan& next) const
    {
        return wholeSection && next.wholeSection && pages == next.pages && positions == next.positions
            && other == next.other && entries == next.entries;
    }
};

TVlPaletteMenuWizardDataModule::TVlPaletteMenuWizardDataModule(QObject* owner) : QObject(owner)
{
    setObjectName(QLatin1String("VlPaletteMenuWizardDataModule"));
    host::RunHandler([this] { WizardDataModuleCreate(); });
}

TVlPaletteMenuWizardDataModule::~TVlPaletteMenuWizardDataModule()
{
    host::RunHandler([this] { WizardDataModuleDestroy(); });
    // The owned menus go first, taking the "P&alette" entry off the main menu; the button's
    // action, a child, follows with QObject's own clean-up and takes the button with it.
    delete FFindPage.data();
    FPaletteMenu.reset();
    FPaletteButtonMenu.reset();
    FPaletteMouseMenu.reset();
}

void TVlPaletteMenuWizardDataModule::WizardDataModuleCreate()
{
    FReg = std::make_unique<host::TRegIniFile>(CategoryStore::Key);

    FToolForm = nullptr;
    const host::TScreen* screen = host::Screen();
    for (int i = 0; i < screen->FormCount(); ++i) {
        QWidget* form = screen->Forms(i);
        if (form && form->objectName() == ToolFormName) {
            FToolForm = form;
            break;
        }
    }
    if (FToolForm) {
        FToolPalette = qobject_cast<host::TCategoryButtons*>(host::FindComponent(FToolForm, PaletteName));
        FToolbar = qobject_cast<host::TToolBar*>(host::FindComponent(FToolForm, ToolbarName));
    }
    AddToolButton();

    // The services interface is the only way to the main menu; a failed lookup raises.
    {
        const auto services = host::InterfaceCast<host::IIDEMainMenuServices>(host::IDEServices());
        FIDEMenu = services->GetMainMenu();
        AddCommandActions(services.get());
    }
    AddPaletteMenu();
}

void TVlPaletteMenuWizardDataModule::AddCommandActions(host::IIDEMainMenuServices* services)
{
    // Each command is one action for the module's life, which every build of either menu
    // lists: a command with keys has them working before any menu was opened, and no second
    // action ever claims them.
    for (std::size_t i = 0; i < std::size(Commands); ++i) {
        const Command& command = Commands[i];
        auto* action = new QAction(Tr::tr(command.caption), this);
        action->setObjectName(QLatin1String(command.objectName));
        host::BindEvent(action, &QAction::triggered, this, command.handler);
        if (command.shortcut.key() != Qt::Key_unknown) {
            action->setShortcut(command.shortcut);
            if (services)
                services->AddAction(action);
        }
        FCommands[i] = action;
    }

    FPaletteMouseMenu = std::make_unique<QMenu>();
    FPaletteMouseMenu->setObjectName(QLatin1String("PaletteMouseMenu"));
    host::BindEvent(FPaletteMouseMenu.get(), &QMenu::aboutToShow, this, [this] {
        // Listed exactly as the main menu's entry lists it.
        BuildMenu(FPaletteMouseMenu.get(), 0, true);
    });
    FPaletteMenuAtMouseAction = new QAction(Tr::tr("Palette Menu at Mouse"), this);
    FPaletteMenuAtMouseAction->setObjectName(QLatin1String("PaletteMenuAtMouseAction"));
    FPaletteMenuAtMouseAction->setShortcut(PaletteMenuAtMouseShortcut);
    host::BindEvent(FPaletteMenuAtMouseAction, &QAction::triggered, this,
                    &TVlPaletteMenuWizardDataModule::PaletteMenuAtMouseHandler);
    services->AddAction(FPaletteMenuAtMouseAction);
    // Listed, with its keys, where users look for such a command: the IDE's View menu, when
    // it has one. It leaves the menu with the action.
    if (QMenuBar* mainMenu = services->GetMainMenu())
        if (auto* view = mainMenu->findChild<QMenu*>(QLatin1String("ViewMenu")))
            view->addAction(FPaletteMenuAtMouseAction);
}

void TVlPaletteMenuWizardDataModule::AddToolButton()
{
    QString missing;
    if (!FToolForm)
        missing = QStringLiteral("no tool palette window \"%1\"").arg(ToolFormName);
    else if (!FToolPalette)
        missing = QStringLiteral("no tool palette \"%1\" on \"%2\"").arg(PaletteName, ToolFormName);
    else if (!FToolbar)
        missing = QStringLiteral("no tool bar \"%1\" on \"%2\"").arg(ToolbarName, ToolFormName);
    else if (FToolbar->ControlCount() == 0)
        missing = QStringLiteral("tool bar \"%1\" has no control").arg(ToolbarName);
    if (!missing.isEmpty()) {
        // Nothing sound to wire the button to; the main-menu entry still works.
        qCWarning(lcPaletteMenu, "Vorla Palette Menu: %s; the tool palette button is not added.",
                  qUtf8Printable(missing));
        return;
    }

    FOrigToolButton = FToolbar->Controls(0);
    FOrigToolButton->setVisible(false);

    FToolButtonAction = new QAction(this);
    FToolButtonAction->setObjectName(ButtonName);
    FToolButtonAction->setToolTip(ButtonHint);
    FToolButtonAction->setText(ButtonHint);
    FToolButton = FToolbar->InsertToolButton(0, FToolButtonAction);
    FToolButton->setObjectName(ButtonName);
    FToolButton->setToolTip(ButtonHint);
    FToolButton->setAccessibleName(ButtonHint);
    FToolButton->setPopupMode(QToolButton::MenuButtonPopup);

    FPaletteButtonMenu = std::make_unique<QMenu>();
    FPaletteButtonMenu->setObjectName(QLatin1String("PaletteButtonMenu"));
    host::BindEvent(FPaletteButtonMenu.get(), &QMenu::aboutToShow, this,
                    &TVlPaletteMenuWizardDataModule::PaletteButtonMenuHandler);
    FToolButton->setMenu(FPaletteButtonMenu.get());
    host::BindEvent(FToolButtonAction, &QAction::triggered, this,
                    &TVlPaletteMenuWizardDataModule::PaletteButtonClickHandler);

    host::TVirtualImageList* images = FToolbar->Images();
    host::TImageCollection* collection = images ? images->ImageCollection() : nullptr;
    if (!collection) {
        qCWarning(lcPaletteMenu, "Vorla Palette Menu: tool bar \"%s\" has no image list; the button shows no icon.",
                  qUtf8Printable(ToolbarName));
        return;
    }
    QStringList suffixes;
    for (const QLatin1String suffix : IconSizeSuffixes)
        suffixes.append(suffix);
    collection->Add(ImageName, IconResource, suffixes);
    images->Add(ImageName, collection->GetIndexByName(ImageName));
    FToolButtonAction->setIcon(images->GetIcon(images->GetIndexByName(ImageName)));
}

void TVlPaletteMenuWizardDataModule::AddPaletteMenu()
{
    if (!FIDEMenu) {
        // The button's menu still works.
        qCWarning(lcPaletteMenu,
                  "Vorla Palette Menu: the IDE's services give no main menu; the \"%s\" entry is not added.",
                  PaletteMenuCaption);
        return;
    }
    FPaletteMenu = std::make_unique<QMenu>(Tr::tr(PaletteMenuCaption));
    FPaletteMenu->setObjectName(QLatin1String("PaletteMenu"));
    host::BindEvent(FPaletteMenu.get(), &QMenu::aboutToShow, this,
                    &TVlPaletteMenuWizardDataModule::PaletteMenuClickHandler);
    FIDEMenu->addMenu(FPaletteMenu.get());

    auto* hidden = new QAction(HiddenCaption, FPaletteMenu.get());
    hidden->setVisible(false);
    FPaletteMenu->addAction(hidden);
}

void TVlPaletteMenuWizardDataModule::WizardDataModuleDestroy()
{
    if (FOrigToolButton)
        FOrigToolButton->setVisible(true);
    FReg.reset();
    VlPaletteMenuWizardDataModule = nullptr;
}

QString TVlPaletteMenuWizardDataModule::GetCategory(const QString& page) const
{
    return CategoryStore::GetCategory(*FReg, page);
}

void TVlPaletteMenuWizardDataModule::PaletteMenuClickHandler(QObject* /*sender*/)
{
    BuildMenu(FPaletteMenu.get(), 1, true);
}

void TVlPaletteMenuWizardDataModule::PaletteButtonMenuHandler(QObject* /*sender*/)
{
    BuildMenu(FPaletteButtonMenu.get(), 0, false);
}

void TVlPaletteMenuWizardDataModule::BuildMenu(QMenu* menu, int keep, bool mainMenu)
{
    if (!menu)
        return;

    // Items of the last build are released, not kept: menus open thousands of times. They
    // go once the palette and the store have been read and the menu planned, so that the new
    // items take the very memory the old ones leave instead of the allocator giving it back
    // to the system in between.
    const auto releaseLastBuild = [menu, keep] {
        const QList<QAction*> items = menu->actions();
        for (qsizetype i = items.size() - 1; i >= keep; --i) {
            QAction* item = items[i];
            if (QMenu* submenu = item->menu(); submenu && submenu->parent() == menu)
                delete submenu;
            else if (item->parent() == menu)
                delete item;
            else
                menu->removeAction(item);
        }
    };

    // The commands end the menu even when the listing fails (a store that cannot be read),
    // so that it is never empty; the failure then goes on to the host.
    bool undoable = false;
    const auto addCommands = qScopeGuard([this, menu, &undoable] { AddCommands(menu, undoable); });

    // One read of the store per build gives what one read per page would. Each item holds
    // which page it lists, so that pages of one caption are each reached.
    std::unique_ptr<MenuPlan>& last = FMenuPlans[mainMenu ? 0 : 1];
    try {
        auto plan = std::make_unique<MenuPlan>();
        plan->pages = FSorter.Sorted(PaletteCaptions(FToolPalette), plan->positions);
        plan->other = Tr::tr(OtherCategory);
        // Nothing written to the store since the last build, and the same palette: the last
        // plan stands without reading the section again.
        plan->storeChanges = FReg->ChangeCount();
        const bool storeUnchanged = last && last->storeChanges == plan->storeChanges && last->pages == plan->pages
            && last->positions == plan->positions && last->other == plan->other;
        if (!storeUnchanged) {
            const CategoryStore::Snapshot categories(*FReg, plan->pages.size());
            if (const auto* entries = categories.Entries()) {
                plan->entries = *entries;
                plan->wholeSection = true;
            }
            // The same palette and section as last time file every page as it was filed then;
            // a section read page by page (far larger than the palette) is filed afresh.
            if (!last || !last->SameInput(*plan)) {
                for (qsizetype i = 0; i < plan->pages.size(); ++i) {
                    ForEachMenuCategory(categories.GetCategory(RemoveAmpersand(plan->pages[i])), plan->other,
                                        [&](QStringView name) {
                                            SubmenuPlan& submenus = plan->submenus;
                                            submenus.Admit(mainMenu ? CategoryMenuItem(submenus, name)
                                                                    : CategoryButtonMenuItem(submenus, name),
                                                           static_cast<int>(i));
                                        });
                }
                last = std::move(plan);
            } else {
                last->storeChanges = plan->storeChanges;
            }
            last->undoable =
                CategoryStore::UndoableImport(*FReg, last->wholeSection ? &last->entries : nullptr).has_value();
        }
        undoable = last->undoable;
    } catch (...) {
        releaseLastBuild();
        throw;
    }
    releaseLastBuild();
    const MenuPlan& plan = *last;
    MakeSubmenus(menu, plan.submenus, [&](QMenu* submenu, int page) {
        auto* item = new QAction(plan.pages[page], submenu);
        item->setData(plan.positions[static_cast<std::size_t>(page)]);
        host::BindEvent(item, &QAction::triggered, this, &TVlPaletteMenuWizardDataModule::TabItemClickHandler);
        submenu->addAction(item);
    });
}

int TVlPaletteMenuWizardDataModule::CategoryMenuItem(SubmenuPlan& submenus, QStringView name)
{
    return submenus.SubmenuOf(name);
}

int TVlPaletteMenuWizardDataModule::CategoryButtonMenuItem(SubmenuPlan& submenus, QStringView name)
{
    // The same as the main menu's: its placeholder is never among the category submenus.
    return submenus.SubmenuOf(name);
}

void TVlPaletteMenuWizardDataModule::AddCommands(QMenu* menu, bool undoable)
{
    for (std::size_t i = 0; i < std::size(Commands); ++i) {
        if (Commands[i].separatorBefore)
            menu->addSeparator();
        // Undo Import is listed only while there is an import to undo.
        if (FCommands[i] && (i != UndoImportCommand || undoable))
            menu->addAction(FCommands[i]);
    }
}

void TVlPaletteMenuWizardDataModule::TabItemClickHandler(QObject* sender)
{
    const auto* item = qobject_cast<const QAction*>(sender);
    if (!item) {
        SwitchToTab(QString());
        return;
    }
    bool listed = false;
    const int position = item->data().toInt(&listed);
    ShowChosenPage(listed ? position : -1, item->text());
}

void TVlPaletteMenuWizardDataModule::PaletteMenuAtMouseHandler(QObject* /*sender*/)
{
    if (!FPaletteMouseMenu)
        return;
    FPaletteMouseMenu->popup(QCursor::pos());
    // The keyboard goes into the menu at once: its first item is the active one, as after a
    // press of Down, its submenu still closed.
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
    QCoreApplication::sendEvent(FPaletteMouseMenu.get(), &down);
}

void TVlPaletteMenuWizardDataModule::ShowChosenPage(int position, const QString& caption)
{
    if (!FToolPalette)
        return;
    host::TButtonCategory* category = FToolPalette->Categories()->GetItem(position);
    if (category && host::GetStrProp(category, "Caption") == caption)
        ShowCategory(category);
    else
        SwitchToTab(caption);
    RememberRecentPage(position, caption);
}

void TVlPaletteMenuWizardDataModule::ShowCategory(host::TButtonCategory* category)
{
    if (FToolForm)
        host::ShowDockableForm(FToolForm);
    if (!category->Visible())
        FToolPalette->SetFilter(QString());
    category->SetCollapsed(false);
    category->ScrollIntoView();
    FToolPalette->SetFocusedItem(category);
    FToolPalette->setFocus(Qt::OtherFocusReason);
}

void TVlPaletteMenuWizardDataModule::RememberRecentPage(int position, const QString& caption)
{
    using CategoryStore::RecentPage;
    const QStringList palette = PaletteCaptions(FToolPalette);
    // Where a page is now: its place while that still holds its caption, else the first page
    // of its caption (the palette changed); -1 once it has left the palette.
    const auto now = [&palette](const RecentPage& page) {
        if (page.position >= 0 && page.position < palette.size() && palette[page.position] == page.caption)
            return page.position;
        return static_cast<int>(palette.indexOf(page.caption));
    };
    const int chosen = now({caption, position});
    if (chosen < 0)
        return;
    try {
        const QList<RecentPage> recent = CategoryStore::ReadRecentPages(*FReg);
        QList<RecentPage> remembered{{caption, chosen}};
        for (const RecentPage& page : recent) {
            const int at = now(page);
            const auto same = [at](const RecentPage& known) { return known.position == at; };
            if (remembered.size() < MaxRecentPages && at >= 0
                && std::none_of(remembered.cbegin(), remembered.cend(), same))
                remembered.append({page.caption, at});
        }
        if (remembered != recent)
            CategoryStore::WriteRecentPages(*FReg, remembered);
    } catch (const host::ERegistryException& error) {
        // The page is shown all the same; a store that cannot take the list now (read-only,
        // locked) says so where the user asks it to save, not at every page chosen.
        qCWarning(lcPaletteMenu, "Vorla Palette Menu: the recent pages were not remembered: %s",
                  qUtf8Printable(error.Message()));
    }
}

void TVlPaletteMenuWizardDataModule::FindPage(QObject* /*sender*/)
{
    // The keys pressed again while it is open start afresh. Closed, not deleted: the keys may
    // have come to it, and it frees itself once their event is done.
    if (FFindPage)
        FFindPage->close();
    std::vector<int> positions;
    const QStringList pages = FSorter.Sorted(PaletteCaptions(FToolPalette), positions);
    // A store that cannot be read leaves the pages alone, without categories or recent pages,
    // as it leaves a menu its commands. The menus say why at each opening; an error box here
    // would take the focus, and Find Page, a pop-up, would close before it was seen.
    std::optional<CategoryStore::Snapshot> categories;
    QList<CategoryStore::RecentPage> recentPages;
    try {
        categories.emplace(*FReg, pages.size());
        recentPages = CategoryStore::ReadRecentPages(*FReg);
    } catch (const host::ERegistryException& error) {
        categories.reset();
        qCWarning(lcPaletteMenu, "Vorla Palette Menu: Find Page lists the pages alone: %s",
                  qUtf8Printable(error.Message()));
    }
    const QString other = Tr::tr(OtherCategory);
    std::vector<FindPageEntry> entries;
    entries.reserve(static_cast<std::size_t>(pages.size()));
    // Each category once, as the menus caption its submenu: the spelling met first in menu order.
    SubmenuPlan submenus;
    for (qsizetype i = 0; i < pages.size(); ++i)
        entries.push_back(
            {positions[static_cast<std::size_t>(i)], pages[i],
             categories ? submenus.NamesOf(categories->GetCategory(RemoveAmpersand(pages[i])), other) : QStringList()});
    std::vector<int> recent = RecentEntries(entries, recentPages, MaxRecentPages);

    auto* popup = new FindPagePopup(std::move(entries), std::move(recent), host::Application());
    FFindPage = popup;
    host::BindEvent(popup, &FindPagePopup::PageChosen, this,
                    [this](int position, const QString& caption) { ShowChosenPage(position, caption); });
    QWidget* active = QApplication::activeWindow();
    popup->ShowOver(active ? active : host::Application());
}

void TVlPaletteMenuWizardDataModule::SwitchToTab(const QString& caption)
{
    if (!FToolPalette)
        return;
    // The caption exactly as the palette gives it first, so that pages "A&B" and "AB" are
    // each reached by their own item; then with "&" dropped on both sides, so that a caption
    // that lost or gained its marks on the way (a host menu adding accelerators) is found.
    const QString target = RemoveAmpersand(caption);
    const host::TButtonCategories* categories = FToolPalette->Categories();
    for (const bool exact : {true, false}) {
        for (int i = 0; i < categories->Count(); ++i) {
            host::TButtonCategory* category = categories->GetItem(i);
            const QString page = host::GetStrProp(category, "Caption");
            if (exact ? page == caption : RemoveAmpersand(page) == target) {
                ShowCategory(category);
                return;
            }
        }
    }
}

void TVlPaletteMenuWizardDataModule::PaletteButtonClickHandler(QObject* /*sender*/)
{
    // The drop-down fires the menu's pop-up event, and so a rebuild, before it shows.
    if (FToolButton)
        FToolButton->showMenu();
}

void TVlPaletteMenuWizardDataModule::EditCategories(QObject* /*sender*/)
{
    // The form belongs to the application while it is shown, and is freed whatever happens
    // (not twice, should the application window take it along first).
    QPointer<TVlFrmPaletteMenuCategories> form = new TVlFrmPaletteMenuCategories(host::Application());
    const auto freeForm = qScopeGuard([&form] { delete form.data(); });
    // One row per store entry, named by the caption met first in palette order, the rows
    // in the order the menus list pages.
    form->SetCategories(FSorter.Sorted(UniquePageCaptions(PaletteCaptions(FToolPalette))));
    form->UpdateControls();
    // Where it was last left in this session, also after Cancel (which writes nothing).
    form->SetPlacement(FEditorPlacement);
    // OK saves while the dialog is open, so that a store that fails keeps every edit for a
    // second try.
    form->exec();
    if (form)
        FEditorPlacement = form->Placement();
}

QString TVlPaletteMenuWizardDataModule::ExecuteFileDialog(QFileDialog::AcceptMode mode)
{
    if (!FFileIcons)
        FFileIcons = std::make_unique<NameOnlyFileIconProvider>();
    const bool importing = mode == QFileDialog::AcceptOpen;
    QString& last = importing ? FLastImportFolder : FLastExportFolder;
    QString folder = last;
    // An export never starts among the files the package ships: a bare name would put the
    // user's grouping there, and an install would ship it.
    if (folder.isEmpty() || !QFileInfo(folder).isDir() || (!importing && IsShippedFolder(folder)))
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    // Freed after, whatever happens (not twice, should the application window take it along first).
    QPointer<QFileDialog>& dialog = importing ? dlgOpen : dlgSave;
    dialog = CreateCategoryFileDialog(host::Application(), mode, folder, FFileIcons.get()).release();
    const auto freeDialog = qScopeGuard([&dialog] { delete dialog.data(); });
    if (dialog->exec() != QDialog::Accepted || !dialog)
        return QString();
    const QString fileName = dialog->selectedFiles().value(0);
    if (!fileName.isEmpty())
        last = QFileInfo(fileName).absolutePath();
    return fileName;
}

bool TVlPaletteMenuWizardDataModule::ConfirmImport(const CategoryFile::ImportFile& file)
{
    const qsizetype current = FReg->SectionSize(CategoryStore::Section);
    if (current == 0)
        return true;
    const QString shown = QDir::toNativeSeparators(QFileInfo(file.FileName()).fileName());
    //: %1 is "the ... read from" a file, with the count of the file's entries.
    QString question = Tr::tr("Replace the %Ln entries of your grouping with %1?", nullptr, int(current))
                           .arg(Tr::tr("the %Ln read from \"%1\"", nullptr, int(file.EntryCount())).arg(shown));
    // Lines that add no entry of their own: every line without "=" is the one entry of the
    // empty name, and a later line of a name only replaces the earlier one's value.
    const qsizetype leftOut = file.LineCount() - file.EntryCount();
    if (leftOut > 0)
        question += QLatin1Char(' ') + Tr::tr("%Ln lines were left out.", nullptr, int(leftOut));
    QWidget* active = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Question, ButtonHint, question, QMessageBox::Yes | QMessageBox::Cancel,
                    active ? active : host::Application());
    box.setObjectName(QStringLiteral("ImportQuestion"));
    box.button(QMessageBox::Yes)->setText(Tr::tr("&Replace"));
    if (leftOut > 0)
        box.setInformativeText(
            Tr::tr("A line without \"=\" or one that names an entry again adds no entry of its own."));
    box.setInformativeText(box.informativeText() + (leftOut > 0 ? QStringLiteral("\n") : QString())
                           + Tr::tr("Undo Import brings back the grouping as it is now."));
    // A file that is mostly not a grouping was most likely chosen by mistake.
    box.setDefaultButton(leftOut * 2 > file.LineCount() ? QMessageBox::Cancel : QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

bool TVlPaletteMenuWizardDataModule::ConfirmInPlace()
{
    QWidget* active = QApplication::activeWindow();
    QMessageBox box(QMessageBox::Question, ButtonHint,
                    Tr::tr("The folder cannot be written, so the file will be overwritten in place. Continue?"),
                    QMessageBox::Yes | QMessageBox::Cancel, active ? active : host::Application());
    box.setObjectName(QStringLiteral("InPlaceQuestion"));
    box.setInformativeText(Tr::tr("Should the IDE be ended while the file is being written, the file may be left "
                                  "damaged."));
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void TVlPaletteMenuWizardDataModule::ImportCategories(QObject* /*sender*/)
{
    const QString fileName = ExecuteFileDialog(QFileDialog::AcceptOpen);
    if (fileName.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(fileName);
    const QString label = Tr::tr("Importing \"%1\"...").arg(shown);
    // Read and checked whole first, so that the question can tell what the file holds.
    CategoryFile::ImportFile file;
    if (!RunWithProgress(label, host::Application(), [&](const CategoryFile::Progress& progress) {
            file = CategoryFile::ReadForImport(fileName, FReg->StoreLocation(), progress);
            return file.EntryCount();
        }))
        return;
    if (file.EntryCount() == 0) {
        ShowStatus(Tr::tr("\"%1\" holds no entries; the grouping is unchanged").arg(shown));
        return;
    }
    if (!ConfirmImport(file))
        return;
    const std::optional<qsizetype> imported = RunWithProgress(
        label, host::Application(),
        [&](const CategoryFile::Progress& progress) { return CategoryFile::Import(*FReg, file, progress); });
    if (!imported)
        return;
    ShowStatus(Tr::tr("Imported %Ln entries from \"%1\"; Undo Import brings back the grouping it replaced", nullptr,
                      int(*imported))
                   .arg(shown));
}

void TVlPaletteMenuWizardDataModule::UndoImportCategories(QObject* /*sender*/)
{
    const QString shown = QDir::toNativeSeparators(CategoryStore::UndoableImport(*FReg, nullptr).value_or(QString()));
    std::optional<qsizetype> restored;
    const bool ran = RunWithProgress(
                         Tr::tr("Bringing back the grouping before \"%1\"...").arg(shown), host::Application(),
                         [&](const CategoryFile::Progress& progress) {
                             restored = CategoryStore::UndoImport(*FReg, [&progress](qsizetype done, qsizetype total) {
                                 progress(int(1000 * done / std::max<qsizetype>(total, 1)));
                             });
                             return restored.value_or(0);
                         })
                         .has_value();
    if (!ran)
        return;
    if (!restored)
        ShowStatus(
            Tr::tr("The grouping has changed since \"%1\" was imported; Undo Import changed nothing").arg(shown));
    else
        ShowStatus(
            Tr::tr("Undo Import brought back the grouping of %Ln entries that \"%1\" replaced", nullptr, int(*restored))
                .arg(shown));
}

void TVlPaletteMenuWizardDataModule::ExportCategories(QObject* /*sender*/)
{
    const QString fileName = ExecuteFileDialog(QFileDialog::AcceptSave);
    if (fileName.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(fileName);
    const std::optional<qsizetype> exported = RunWithProgress(
        Tr::tr("Exporting to \"%1\"...").arg(shown), host::Application(), [&](const CategoryFile::Progress& progress) {
            return CategoryFile::Export(*FReg, fileName, progress, [this] { return ConfirmInPlace(); });
        });
    if (!exported)
        return;
    ShowStatus(Tr::tr("Exported %Ln entries to \"%1\"", nullptr, int(*exported)).arg(shown));
}

void TVlPaletteMenuWizardDataModule::ShowStatus(const QString& message)
{
    // A host without a status bar has nowhere to say it; the command worked all the same.
    if (const auto status = host::Supports<host::IIDEStatusBarServices>(host::IDEServices()))
        status->ShowStatusMessage(message, StatusMessageMs);
}
