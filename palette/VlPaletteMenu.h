#pragma once

#include "pages/PageOrder.h"

#include "host/CategoryButtons.h"
#include "host/Registry.h"
#include "host/ToolBar.h"

#include <QAction>
#include <QFileDialog>
#include <QMenu>
#include <QMenuBar>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QToolButton>

#include <memory>

class CategorySubmenus;

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

    // The three commands at the foot of both menus.
    void EditCategories(QObject* sender);
    void ImportCategories(QObject* sender);
    void ExportCategories(QObject* sender);

    // Expands the first tool-palette category whose caption is caption, else the first whose
    // caption without its "&" characters is caption without them, then scrolls it into view.
    // Nothing happens when none matches.
    void SwitchToTab(const QString& caption);

    // What the module added to the IDE, for the IDE's tests and tools.
    QToolButton* ToolButton() const { return FToolButton; }
    QMenu* PaletteButtonMenu() const { return FPaletteButtonMenu.get(); }
    QMenu* PaletteMenu() const { return FPaletteMenu.get(); }

private:
    // The import and export dialogs, owned by the module and freed with it; their parent is
    // the application's window, so that they show over it.
    QPointer<QFileDialog> dlgOpen;
    QPointer<QFileDialog> dlgSave;

    void WizardDataModuleCreate();
    void WizardDataModuleDestroy();

    void AddToolButton();
    void AddPaletteMenu();
    // Rebuilds menu: its category submenus, then the commands. keep items at the top stay.
    void BuildMenu(QMenu* menu, int keep, bool mainMenu);
    QMenu* CategoryMenuItem(CategorySubmenus& submenus, const QString& name);
    QMenu* CategoryButtonMenuItem(CategorySubmenus& submenus, const QString& name);
    void AddCommand(QMenu* menu, const QString& caption, void (TVlPaletteMenuWizardDataModule::*command)(QObject*));
    void CreateFileDialogs();
    // Shows dialog in the user's Documents folder; the chosen file, or "" when cancelled.
    QString ExecuteFileDialog(QFileDialog* dialog);

    QPointer<QMenuBar> FIDEMenu;
    QPointer<QWidget> FToolForm;
    QPointer<host::TCategoryButtons> FToolPalette;
    QPointer<host::TToolBar> FToolbar;
    QPointer<QToolButton> FToolButton;    // made by the tool bar for FToolButtonAction
    QPointer<QAction> FOrigToolButton;    // the tool bar's first control, hidden meanwhile
    QAction* FToolButtonAction = nullptr; // owned; the button lives as long as it does
    std::unique_ptr<QMenu> FPaletteButtonMenu;
    std::unique_ptr<QMenu> FPaletteMenu;
    std::unique_ptr<host::TRegIniFile> FReg;
    CaptionSorter FSorter;
};

// The one live data module, or nullptr.
extern TVlPaletteMenuWizardDataModule* VlPaletteMenuWizardDataModule;
