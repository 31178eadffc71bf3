#include "palette/VlPaletteMenu.h"

#include "editor/VlPaletteMenuCategoriesForm.h"
#include "pages/PageOrder.h"
#include "pages/VlPaletteMenuCommon.h"
#include "store/CategoryFile.h"
#include "store/CategoryStore.h"

#include "host/CategoryButtons.h"
#include "host/Events.h"
#include "host/Forms.h"
#include "host/Registry.h"
#include "host/Services.h"
#include "host/ToolBar.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QToolButton>

#include <algorithm>
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
constexpr QLatin1String PaletteMenuCaption("P&alette");
constexpr QLatin1String HiddenCaption("Hidden");
constexpr QLatin1String OtherCategory("Other");
constexpr QLatin1String CategoryFileFilter("Component Palette Categories Files (*.cpc)");
constexpr QLatin1String CategoryFileSuffix("txt");

// What one build lists at most. Qt checks each item added to a menu against the items already
// there, so a menu's cost grows with the square of its items: a page filed 100,000 times (a
// category list of 100,000 ";") froze the IDE for seconds at every opening. No palette and
// store a person keeps come near these; a 10,000-page palette is listed whole.
constexpr int MaxItemsInOneMenu = 10000; // category submenus in the menu, or pages in one submenu
constexpr int MaxPagesInAll = 100000;

bool OrdinalLess(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

} // namespace

// The category submenus of one menu during one build, indexed so that filing thousands of
// pages stays linear. Lookup matches as the host menu's find-by-caption does ("&"-blind,
// without regard to case) but sees only category submenus, never the main menu's
// placeholder; the submenus are kept in ordinal order of their captions.
class CategorySubmenus {
public:
    explicit CategorySubmenus(QMenu* menu) : m_menu(menu) {}

    QMenu* Find(const QString& name)
    {
        // Pages name the same few categories over and over: remember each spelling met.
        if (const auto known = m_byName.constFind(name); known != m_byName.constEnd())
            return known.value();
        QMenu* submenu = m_byKey.value(Key(name));
        if (submenu)
            m_byName.insert(name, submenu);
        return submenu;
    }

    // Inserts a new submenu before position, counted among the category submenus; nullptr
    // when the menu holds as many as it lists.
    QMenu* Insert(const QString& name, std::size_t position)
    {
        if (m_ordered.size() >= std::size_t(MaxItemsInOneMenu))
            return nullptr;
        auto* submenu = new QMenu(name, m_menu);
        if (position < m_ordered.size())
            m_menu->insertMenu(m_ordered[position]->menuAction(), submenu);
        else
            m_menu->addMenu(submenu);
        m_ordered.insert(m_ordered.begin() + static_cast<std::ptrdiff_t>(position), submenu);
        m_byKey.insert(Key(name), submenu);
        m_byName.insert(name, submenu);
        return submenu;
    }

    // Position of the first submenu whose caption is not ordinally less than name.
    std::size_t LowerBound(const QString& name) const
    {
        return Bound(name, [](const QString& caption, const QString& key) { return OrdinalLess(caption, key); });
    }
    // Position of the first submenu whose caption is ordinally greater than name.
    std::size_t UpperBound(const QString& name) const
    {
        return Bound(name, [](const QString& caption, const QString& key) { return !OrdinalLess(key, caption); });
    }

    // Whether one more page goes into submenu (nullptr: its category was not listed). A page
    // refused is counted for the line that ends the submenu.
    bool Admit(QMenu* submenu)
    {
        int& listed = m_listed[submenu];
        if (submenu && listed < MaxItemsInOneMenu && m_listedInAll < MaxPagesInAll) {
            ++listed;
            ++m_listedInAll;
            return true;
        }
        ++m_notShown[submenu];
        return false;
    }

    // Ends each submenu that was cut short, and the menu when categories were left out, with
    // one disabled line saying how many pages are not shown.
    void EndShortenedMenus() const
    {
        for (QMenu* submenu : m_ordered)
            AddNotShownLine(submenu, m_notShown.value(submenu));
        AddNotShownLine(m_menu, m_notShown.value(nullptr));
    }

private:
    static QString Key(const QString& name) { return RemoveAmpersand(name).toCaseFolded(); }

    static void AddNotShownLine(QMenu* menu, int pages)
    {
        if (pages == 0)
            return;
        auto* line = new QAction(pages == 1 ? QStringLiteral("1 more page is not shown")
                                            : QStringLiteral("%1 more pages are not shown").arg(pages),
                                 menu);
        line->setEnabled(false);
        menu->addAction(line);
    }

    template <typename Before>
    std::size_t Bound(const QString& name, Before before) const
    {
        const auto it = std::partition_point(m_ordered.begin(), m_ordered.end(),
                                             [&](const QMenu* submenu) { return before(submenu->title(), name); });
        return static_cast<std::size_t>(it - m_ordered.begin());
    }

    QMenu* m_menu;
    std::vector<QMenu*> m_ordered;
    QHash<QString, QMenu*> m_byKey;  // by caption without "&", case-folded
    QHash<QString, QMenu*> m_byName; // by each exact spelling already resolved
    QHash<QMenu*, int> m_listed;
    QHash<QMenu*, int> m_notShown;
    int m_listedInAll = 0;
};

TVlPaletteMenuWizardDataModule::TVlPaletteMenuWizardDataModule(QObject* owner) : QObject(owner)
{
    setObjectName(QLatin1String("VlPaletteMenuWizardDataModule"));
    CreateFileDialogs();
    host::RunHandler([this] { WizardDataModuleCreate(); });
}

TVlPaletteMenuWizardDataModule::~TVlPaletteMenuWizardDataModule()
{
    host::RunHandler([this] { WizardDataModuleDestroy(); });
    // The owned menus go first, taking the "P&alette" entry off the main menu; the button's
    // action, a child, follows with QObject's own clean-up and takes the button with it.
    FPaletteMenu.reset();
    FPaletteButtonMenu.reset();
    delete dlgOpen.data();
    delete dlgSave.data();
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
    }
    AddPaletteMenu();
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
        qWarning("Vorla Palette Menu: %s; the tool palette button is not added.", qUtf8Printable(missing));
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
        qWarning("Vorla Palette Menu: tool bar \"%s\" has no image list; the button shows no icon.",
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
        qWarning("Vorla Palette Menu: the IDE's services give no main menu; the \"%s\" entry is not added.",
                 qUtf8Printable(PaletteMenuCaption));
        return;
    }
    FPaletteMenu = std::make_unique<QMenu>(PaletteMenuCaption);
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

    // Items of the last build are released, not kept: menus open thousands of times.
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

    // The commands end the menu even when the listing fails (a store that cannot be read),
    // so that it is never empty; the failure then goes on to the host.
    const auto addCommands = qScopeGuard([this, menu] {
        menu->addSeparator();
        AddCommand(menu, QLatin1String("Edit Categories..."), &TVlPaletteMenuWizardDataModule::EditCategories);
        menu->addSeparator();
        AddCommand(menu, QLatin1String("Import..."), &TVlPaletteMenuWizardDataModule::ImportCategories);
        AddCommand(menu, QLatin1String("Export..."), &TVlPaletteMenuWizardDataModule::ExportCategories);
    });

    // One read of the store per build gives what one read per page would.
    const CategoryStore::Snapshot categories(*FReg);
    CategorySubmenus submenus(menu);
    const QString other = OtherCategory;
    for (const QString& page : FSorter.Sorted(PaletteCaptions(FToolPalette))) {
        QString list = categories.GetCategory(RemoveAmpersand(page));
        if (list.isEmpty())
            list = other;
        CategoryStore::ForEachCategoryName(list, [&](const QString& name) {
            QMenu* submenu = mainMenu ? CategoryMenuItem(submenus, name) : CategoryButtonMenuItem(submenus, name);
            if (!submenus.Admit(submenu))
                return;
            auto* item = new QAction(page, submenu);
            host::BindEvent(item, &QAction::triggered, this, &TVlPaletteMenuWizardDataModule::TabItemClickHandler);
            submenu->addAction(item);
        });
    }
    submenus.EndShortenedMenus();
}

QMenu* TVlPaletteMenuWizardDataModule::CategoryMenuItem(CategorySubmenus& submenus, const QString& name)
{
    if (QMenu* existing = submenus.Find(name))
        return existing;
    // After the placeholder: past every submenu whose caption the name is greater than.
    return submenus.Insert(name, submenus.LowerBound(name));
}

QMenu* TVlPaletteMenuWizardDataModule::CategoryButtonMenuItem(CategorySubmenus& submenus, const QString& name)
{
    if (QMenu* existing = submenus.Find(name))
        return existing;
    // Before the first submenu whose caption is greater than the name.
    return submenus.Insert(name, submenus.UpperBound(name));
}

void TVlPaletteMenuWizardDataModule::AddCommand(QMenu* menu, const QString& caption,
                                                void (TVlPaletteMenuWizardDataModule::*command)(QObject*))
{
    auto* item = new QAction(caption, menu);
    host::BindEvent(item, &QAction::triggered, this, command);
    menu->addAction(item);
}

void TVlPaletteMenuWizardDataModule::TabItemClickHandler(QObject* sender)
{
    const auto* item = qobject_cast<const QAction*>(sender);
    SwitchToTab(item ? item->text() : QString());
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
                category->SetCollapsed(false);
                category->ScrollIntoView();
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
    if (form->exec() == QDialog::Accepted && form)
        form->SaveCategories();
}

void TVlPaletteMenuWizardDataModule::CreateFileDialogs()
{
    const auto create = [](const char* name, const char* title, QFileDialog::AcceptMode mode) {
        // Qt's own dialog, so that it looks and works alike everywhere and tests and screen
        // readers can drive it.
        auto* dialog = new QFileDialog(host::Application(), QLatin1String(title));
        dialog->setObjectName(QLatin1String(name));
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        dialog->setAcceptMode(mode);
        dialog->setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
        dialog->setNameFilter(CategoryFileFilter);
        dialog->setDefaultSuffix(CategoryFileSuffix);
        dialog->setSizeGripEnabled(true);
        return dialog;
    };
    dlgOpen = create("dlgOpen", "Open Import File", QFileDialog::AcceptOpen);
    dlgSave = create("dlgSave", "Save Export File", QFileDialog::AcceptSave);
}

QString TVlPaletteMenuWizardDataModule::ExecuteFileDialog(QFileDialog* dialog)
{
    const QPointer<QFileDialog> shown(dialog);
    if (!shown)
        return QString();
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    shown->setDirectory(!documents.isEmpty() && QFileInfo(documents).isDir() ? documents : QDir::homePath());
    // A fresh start: the dialog would keep the last name typed, and a name typed next would
    // be appended to it. Qt offers no call for this; its widget dialog names the field so.
    if (auto* name = shown->findChild<QLineEdit*>(QLatin1String("fileNameEdit")))
        name->clear();
    if (shown->exec() != QDialog::Accepted || !shown)
        return QString();
    return shown->selectedFiles().value(0);
}

void TVlPaletteMenuWizardDataModule::ImportCategories(QObject* /*sender*/)
{
    const QString fileName = ExecuteFileDialog(dlgOpen);
    if (!fileName.isEmpty())
        CategoryFile::Import(*FReg, fileName);
}

void TVlPaletteMenuWizardDataModule::ExportCategories(QObject* /*sender*/)
{
    const QString fileName = ExecuteFileDialog(dlgSave);
    if (!fileName.isEmpty())
        CategoryFile::Export(*FReg, fileName);
}
