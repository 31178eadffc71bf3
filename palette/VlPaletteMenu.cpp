#include "palette/VlPaletteMenu.h"

#include "editor/VlPaletteMenuCategoriesForm.h"
#include "grouping/CategoryList.h"
#include "grouping/MenuPlan.h"
#include "pages/PageOrder.h"
#include "pages/VlPaletteMenuCommon.h"
#include "palette/CategoryFileDialogs.h"
#include "palette/FindPagePopup.h"
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
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScopeGuard>
#include <QSet>
#include <QStandardPaths>
#include <QToolButton>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

TVlPaletteMenuWizardDataModule* VlPaletteMenuWizardDataModule = nullptr;

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
constexpr char PaletteMenuCaption[] = QT_TRANSLATE_NOOP("TVlPaletteMenuWizardDataModule", "P&alette");
constexpr QLatin1String HiddenCaption("Hidden");
constexpr char OtherCategory[] = QT_TRANSLATE_NOOP("TVlPaletteMenuWizardDataModule", "Other");

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
    {"FindPageCommand", QT_TRANSLATE_NOOP("TVlPaletteMenuWizardDataModule", "&Find Page..."),
     &TVlPaletteMenuWizardDataModule::FindPage, true, FindPageShortcut},
    {"EditCategoriesCommand",
     QT_TRANSLATE_NOOP("TVlPaletteMenuWizardDataModule", "&Edit Categories..."),
     &TVlPaletteMenuWizardDataModule::EditCategories,
     false,
     {}},
    {"ImportCommand",
     QT_TRANSLATE_NOOP("TVlPaletteMenuWizardDataModule", "&Import..."),
     &TVlPaletteMenuWizardDataModule::ImportCategories,
     true,
     {}},
    {"ExportCommand",
     QT_TRANSLATE_NOOP("TVlPaletteMenuWizardDataModule", "E&xport..."),
     &TVlPaletteMenuWizardDataModule::ExportCategories,
     false,
     {}},
};

// A text of the module's, in the user's language.
QString Translated(const char* text)
{
    return QCoreApplication::translate("TVlPaletteMenuWizardDataModule", text);
}

// The action named name among owner's own children, or nullptr.
QAction* FindChildAction(const QObject* owner, const QString& name)
{
    return owner->findChild<QAction*>(name, Qt::FindDirectChildrenOnly);
}

// The entries of the recent pages, newest first: each of the first most captions still on the
// palette, with every entry of that caption; pages that left the palette drop out.
std::vector<int> RecentEntries(const std::vector<FindPageEntry>& entries, const QStringList& captions, int most)
{
    std::vector<int> recent;
    if (captions.isEmpty())
        return recent;
    // Each wanted caption once, by where it stands among them.
    QHash<QString, int> wanted;
    for (const QString& caption : captions)
        wanted.insert(caption, wanted.value(caption, static_cast<int>(wanted.size())));
    std::vector<std::vector<int>> found(static_cast<std::size_t>(wanted.size()));
    for (int i = 0; i < static_cast<int>(entries.size()); ++i) {
        const int at = wanted.value(entries[static_cast<std::size_t>(i)].caption, -1);
        if (at >= 0)
            found[static_cast<std::size_t>(at)].push_back(i);
    }
    int listed = 0;
    for (const std::vector<int>& ofCaption : found) {
        if (ofCaption.empty())
            continue;
        if (listed++ >= most)
            break;
        recent.insert(recent.end(), ofCaption.begin(), ofCaption.end());
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
    auto* line = new QAction(
        pages == 1
            ? Translated(QT_TRANSLATE_NOOP("TVlPaletteMenuWizardDataModule", "1 more page is not shown"))
            : Translated(QT_TRANSLATE_NOOP("TVlPaletteMenuWizardDataModule", "%1 more pages are not shown")).arg(pages),
        menu);
    line->setEnabled(false);
    menu->addAction(line);
}

// Makes the planned submenus at the end of menu, in order, each with its items (makeItem(submenu,
// page) makes one) and, when it was cut short, the line saying how many pages are not shown;
// then that line for the menu when categories were left out. Each submenu's items are made
// together, in the order the menu lists them, as the floor of the benchmark makes them: items
// made page by page across thirty submenus lie scattered in memory, and releasing them at the
// next opening took three times as long.
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
        AddShortcuts(services.get());
    }
    AddPaletteMenu();
}

void TVlPaletteMenuWizardDataModule::AddShortcuts(host::IIDEMainMenuServices* services)
{
    // A command with keys is one action for the module's life, not an item made anew at each
    // opening: its keys work before any menu was opened, and no second action ever claims
    // them. The menus list this same action.
    for (const Command& command : Commands) {
        if (command.shortcut.key() == Qt::Key_unknown)
            continue;
        auto* action = new QAction(tr(command.caption), this);
        action->setObjectName(QLatin1String(command.objectName));
        action->setShortcut(command.shortcut);
        host::BindEvent(action, &QAction::triggered, this, command.handler);
        services->AddAction(action);
        if (command.handler == &TVlPaletteMenuWizardDataModule::FindPage)
            FFindPageAction = action;
    }

    FPaletteMouseMenu = std::make_unique<QMenu>();
    FPaletteMouseMenu->setObjectName(QLatin1String("PaletteMouseMenu"));
    host::BindEvent(FPaletteMouseMenu.get(), &QMenu::aboutToShow, this, [this] {
        // Listed exactly as the main menu's entry lists it.
        BuildMenu(FPaletteMouseMenu.get(), 0, true);
    });
    FPaletteMenuAtMouseAction = new QAction(tr("Palette Menu at the Mouse"), this);
    FPaletteMenuAtMouseAction->setObjectName(QLatin1String("PaletteMenuAtMouseAction"));
    FPaletteMenuAtMouseAction->setShortcut(PaletteMenuAtMouseShortcut);
    host::BindEvent(FPaletteMenuAtMouseAction, &QAction::triggered, this,
                    &TVlPaletteMenuWizardDataModule::PaletteMenuAtMouseHandler);
    services->AddAction(FPaletteMenuAtMouseAction);
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
    FPaletteMenu = std::make_unique<QMenu>(tr(PaletteMenuCaption));
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
    // items take the very memory the old ones leave, rather than the allocator giving it
    // back to the system in between and taking it again (some 10,000 page faults at 10,000
    // pages).
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
    const auto addCommands = qScopeGuard([this, menu] { AddCommands(menu); });

    // One read of the store per build gives what one read per page would. Each item holds
    // which page it lists, so that pages of one caption are each reached.
    std::unique_ptr<MenuPlan>& last = FMenuPlans[mainMenu ? 0 : 1];
    try {
        auto plan = std::make_unique<MenuPlan>();
        plan->pages = FSorter.Sorted(PaletteCaptions(FToolPalette), plan->positions);
        const CategoryStore::Snapshot categories(*FReg, plan->pages.size());
        if (const auto* entries = categories.Entries()) {
            plan->entries = *entries;
            plan->wholeSection = true;
        }
        plan->other = tr(OtherCategory);
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
        }
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

void TVlPaletteMenuWizardDataModule::AddCommands(QMenu* menu)
{
    for (const Command& command : Commands) {
        if (command.separatorBefore)
            menu->addSeparator();
        if (command.shortcut.key() != Qt::Key_unknown) {
            // The IDE-wide action made at start-up, its keys shown beside its caption.
            if (QAction* keyed = FindChildAction(this, QLatin1String(command.objectName)))
                menu->addAction(keyed);
            continue;
        }
        auto* item = new QAction(tr(command.caption), menu);
        item->setObjectName(QLatin1String(command.objectName));
        host::BindEvent(item, &QAction::triggered, this, command.handler);
        menu->addAction(item);
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
    RememberRecentPage(caption);
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

void TVlPaletteMenuWizardDataModule::RememberRecentPage(const QString& caption)
{
    const QStringList palette = PaletteCaptions(FToolPalette);
    const QSet<QString> onPalette(palette.begin(), palette.end());
    if (!onPalette.contains(caption))
        return;
    try {
        const QStringList recent = CategoryStore::ReadRecentPages(*FReg);
        QStringList remembered{caption};
        for (const QString& page : recent)
            if (remembered.size() < MaxRecentPages && onPalette.contains(page) && !remembered.contains(page))
                remembered.append(page);
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
    const CategoryStore::Snapshot categories(*FReg, pages.size());
    const QString other = tr(OtherCategory);
    std::vector<FindPageEntry> entries;
    entries.reserve(static_cast<std::size_t>(pages.size()));
    for (qsizetype i = 0; i < pages.size(); ++i)
        entries.push_back({positions[static_cast<std::size_t>(i)], pages[i],
                           PageCategories(categories.GetCategory(RemoveAmpersand(pages[i])), other)});
    std::vector<int> recent = RecentEntries(entries, CategoryStore::ReadRecentPages(*FReg), MaxRecentPages);

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
    QString folder = FLastFolder;
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::homePath();
    // Freed after, whatever happens (not twice, should the application window take it along first).
    QPointer<QFileDialog>& dialog = mode == QFileDialog::AcceptOpen ? dlgOpen : dlgSave;
    dialog = CreateCategoryFileDialog(host::Application(), mode, folder, FFileIcons.get()).release();
    const auto freeDialog = qScopeGuard([&dialog] { delete dialog.data(); });
    if (dialog->exec() != QDialog::Accepted || !dialog)
        return QString();
    const QString fileName = dialog->selectedFiles().value(0);
    if (!fileName.isEmpty())
        FLastFolder = QFileInfo(fileName).absolutePath();
    return fileName;
}

void TVlPaletteMenuWizardDataModule::ImportCategories(QObject* /*sender*/)
{
    const QString fileName = ExecuteFileDialog(QFileDialog::AcceptOpen);
    if (fileName.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(fileName);
    const std::optional<qsizetype> imported = RunWithProgress(
        tr("Importing \"%1\"...").arg(shown), host::Application(),
        [&](const CategoryFile::Progress& progress) { return CategoryFile::Import(*FReg, fileName, progress); });
    if (!imported)
        return;
    if (*imported == 0)
        ShowStatus(tr("\"%1\" holds no entries; the grouping is unchanged").arg(shown));
    else if (*imported == 1)
        ShowStatus(tr("Imported 1 entry from \"%1\"").arg(shown));
    else
        ShowStatus(tr("Imported %1 entries from \"%2\"").arg(QLocale().toString(*imported), shown));
}

void TVlPaletteMenuWizardDataModule::ExportCategories(QObject* /*sender*/)
{
    const QString fileName = ExecuteFileDialog(QFileDialog::AcceptSave);
    if (fileName.isEmpty())
        return;
    const QString shown = QDir::toNativeSeparators(fileName);
    const std::optional<qsizetype> exported = RunWithProgress(
        tr("Exporting to \"%1\"...").arg(shown), host::Application(),
        [&](const CategoryFile::Progress& progress) { return CategoryFile::Export(*FReg, fileName, progress); });
    if (!exported)
        return;
    if (*exported == 1)
        ShowStatus(tr("Exported 1 entry to \"%1\"").arg(shown));
    else
        ShowStatus(tr("Exported %1 entries to \"%2\"").arg(QLocale().toString(*exported), shown));
}

void TVlPaletteMenuWizardDataModule::ShowStatus(const QString& message)
{
    // A host without a status bar has nowhere to say it; the command worked all the same.
    if (const auto status = host::Supports<host::IIDEStatusBarServices>(host::IDEServices()))
        status->ShowStatusMessage(message, StatusMessageMs);
}
