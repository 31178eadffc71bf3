#pragma once

#include "pages/PageOrder.h"
#include "palette/FindPagePopup.h"
#include "store/CategoryFile.h"

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
    // Brings back the grouping the last import replaced, while the grouping is still as that
    // import left it.
    void UndoImportCategories(QObject* sender);

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
    // The commands at the foot of both menus, made once: Find Page, Edit Categories, Import,
    // Undo Import, Export. Find Page is also IDE-wide, behind its keys.
    static constexpr std::size_t CommandCount = 5;
    QAction* FindPageAction() const { return FCommands[0]; }
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
    void AddCommandActions(host::IIDEMainMenuServices* services);
    // Rebuilds menu: its category submenus, then the commands. keep items at the top stay.
    void BuildMenu(QMenu* menu, int keep, bool mainMenu);
    // The submenu a page of category name goes into, planned when new.
    int CategoryMenuItem(SubmenuPlan& submenus, QStringView name);
    int CategoryButtonMenuItem(SubmenuPlan& submenus, QStringView name);
    // Ends menu with the commands; Undo Import only when undoable.
    void AddCommands(QMenu* menu, bool undoable);
    // Shows the page the user chose, the palette's page at position if its caption is still
    // caption, else the first page of that caption; remembers it among the recent pages.
    void ShowChosenPage(int position, const QString& caption);
    // Brings category up for the eye: its window shown, the filter cleared if it hides it,
    // expanded, scrolled into view, its header focused.
    void ShowCategory(host::TButtonCategory* category);
    // Puts the page at position (or, when that holds another caption, the first of caption)
    // first among the recent pages.
    void RememberRecentPage(int position, const QString& caption);
    // Shows the import (AcceptOpen) or export dialog in the folder it was used in last, else
    // in the user's Documents folder; the chosen file, or "" when cancelled.
    QString ExecuteFileDialog(QFileDialog::AcceptMode mode);
    // Asks whether file's entries may replace a grouping that is not empty.
    bool ConfirmImport(const CategoryFile::ImportFile& file);
    // Asks whether a file in a folder that may not be written may be overwritten in place.
    bool ConfirmInPlace();
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
    std::array<QAction*, CommandCount> FCommands{}; // owned; listed by every menu
    QAction* FPaletteMenuAtMouseAction = nullptr;   // owned
    QPointer<FindPagePopup> FFindPage;
    std::unique_ptr<host::TRegIniFile> FReg;
    CaptionSorter FSorter;
    // The last plan of each kind of menu (main, button): opened again with the palette and
    // the section as they were, a menu is made from it without filing its pages anew.
    std::array<std::unique_ptr<MenuPlan>, 2> FMenuPlans;
    QString FLastImportFolder;   // where the last file was imported from
    QString FLastExportFolder;   // where the last file was exported to
    QByteArray FEditorPlacement; // the editor's size and place when it last closed
    std::unique_ptr<QAbstractFileIconProvider> FFileIcons;
};

// The one live data module, or nullptr: a reference the wizard that owns the module sets, and
// the module's shutdown clears.
extern TVlPaletteMenuWizardDataModule* VlPaletteMenuWizardDataModule;
