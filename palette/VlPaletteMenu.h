#pragma once

#include "pages/PageOrder.h"
#include "palette/FindPagePopup.h"

#include "host/CategoryButtons.h"
#include "host/Registry.h"
#include "host/Services.h"
#include "host/ToolBar.h"

#include <QAbstractFileIconProvider>
#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QToolButton>

#include <array>
#include <memory>

class SubmenuPlan;

namespace host {
class TButtonCategory;
}

// The package's working object: wires the palette menus into the IDE when created, builds
// them afresh on every opening, switches the tool palette to the chosen page, and undoes
// its wiring when freed. Everything it adds to the IDE is owned by it; the IDE's own
// objects are only referred to, through guarded pointers, so that a host which tears them
// down first is no danger.
class TVlPaletteMenuWizardDataModule : public QObject {
    Q_OBJECT

public:
    // Runs the start-up wiring. A failure there is reported by the host, and the steps
    // already done stay in place, as with any host event handler.
    explicit TVlPaletteMenuWizardDataModule(QObject* owner = nullptr);
    // Runs the shutdown, then frees everything the module added.
    ~TVlPaletteMenuWizardDataModule() override;

    // The page's category list as stored; "" when the page has none.
    QString GetCategory(const QString& page) const;

    // Handlers bound to the IDE's controls and to the page items.
    void PaletteMenuClickHandler(QObject* sender);
    void PaletteButtonMenuHandler(QObject* sender);
    void PaletteButtonClickHandler(QObject* sender);
    void TabItemClickHandler(QObject* sender);
    // Pops the palette menu up at the mouse pointer, with the keyboard in it.
    void PaletteMenuAtMouseHandler(QObject* sender);

    // The commands at the foot of both menus.
    void FindPage(QObject* sender);
    void EditCategories(QObject* sender);
    void ImportCategories(QObject* sender);
    void ExportCategories(QObject* sender);

    // Shows the first tool-palette category whose caption is caption, else the first whose
    // caption without its "&" characters is caption without them, as a chosen page is shown.
    // Nothing happens when none matches.
    void SwitchToTab(const QString& caption);

    // The most pages Find Page lists as chosen recently.
    static constexpr int MaxRecentPages = 10;

    // What the module added to the IDE, for the IDE's tests and tools.
    QToolButton* ToolButton() const { return FToolButton; }
    QMenu* PaletteButtonMenu() const { return FPaletteButtonMenu.get(); }
    QMenu* PaletteMenu() const { return FPaletteMenu.get(); }
    QMenu* PaletteMouseMenu() const { return FPaletteMouseMenu.get(); }
    // The IDE-wide actions behind the two shortcuts; the menus list the first as their
    // "Find Page..." command.
    QAction* FindPageAction() const { return FFindPageAction; }
    QAction* PaletteMenuAtMouseAction() const { return FPaletteMenuAtMouseAction; }
    // Find Page while it is open, else nullptr.
    FindPagePopup* FindPageWindow() const { return FFindPage; }

private:
    struct MenuPlan;

    // The import and export dialogs while one is shown: each is made when its command shows
    // it and freed after, so that no folder is listed before the user asks. Their parent is
    // the application's window, so that they show over it.
    QPointer<QFileDialog> dlgOpen;
    QPointer<QFileDialog> dlgSave;

    void WizardDataModuleCreate();
    void WizardDataModuleDestroy();

    void AddToolButton();
    void AddPaletteMenu();
    void AddShortcuts(host::IIDEMainMenuServices* services);
    // Rebuilds menu: its category submenus, then the commands. keep items at the top stay.
    void BuildMenu(QMenu* menu, int keep, bool mainMenu);
    // The submenu a page of category name goes into, planned when new.
    int CategoryMenuItem(SubmenuPlan& submenus, QStringView name);
    int CategoryButtonMenuItem(SubmenuPlan& submenus, QStringView name);
    void AddCommands(QMenu* menu);
    // Shows the page the user chose, the palette's page at position if its caption is still
    // caption, else the first page of that caption; remembers it among the recent pages.
    void ShowChosenPage(int position, const QString& caption);
    // Brings category up for the eye: its window shown, the filter cleared if it hides it,
    // expanded, scrolled into view, its header focused.
    void ShowCategory(host::TButtonCategory* category);
    void RememberRecentPage(const QString& caption);
    // Shows the import (AcceptOpen) or export dialog in the folder used last, else in the
    // user's Documents folder; the chosen file, or "" when cancelled.
    QString ExecuteFileDialog(QFileDialog::AcceptMode mode);
    // Tells the user in the IDE's status bar, for a few seconds, what a command did.
    void ShowStatus(const QString& message);

    QPointer<QMenuBar> FIDEMenu;
    QPointer<QWidget> FToolForm;
    QPointer<host::TCategoryButtons> FToolPalette;
    QPointer<host::TToolBar> FToolbar;
    QPointer<QToolButton> FToolButton;    // made by the tool bar for FToolButtonAction
    QPointer<QAction> FOrigToolButton;    // the tool bar's first control, hidden meanwhile
    QAction* FToolButtonAction = nullptr; // owned; the button lives as long as it does
    std::unique_ptr<QMenu> FPaletteButtonMenu;
    std::unique_ptr<QMenu> FPaletteMenu;
    std::unique_ptr<QMenu> FPaletteMouseMenu;
    QAction* FFindPageAction = nullptr;           // owned; the FindPageCommand of every menu
    QAction* FPaletteMenuAtMouseAction = nullptr; // owned
    QPointer<FindPagePopup> FFindPage;
    std::unique_ptr<host::TRegIniFile> FReg;
    CaptionSorter FSorter;
    // The last plan of each kind of menu (main, button): opened again with the palette and
    // the section as they were, a menu is made from it without filing its pages anew.
    std::array<std::unique_ptr<MenuPlan>, 2> FMenuPlans;
    QString FLastFolder;         // where the last file was chosen in either dialog
    QByteArray FEditorPlacement; // the editor's size and place when it last closed
    std::unique_ptr<QAbstractFileIconProvider> FFileIcons;
};

// The one live data module, or nullptr.
extern TVlPaletteMenuWizardDataModule* VlPaletteMenuWizardDataModule;
