#pragma once

// The package's code linked into a test: registered and released the way the IDE does it for
// a loaded library, so that its data module can be watched in-process.

#include "tests/common/TestIde.h"

#include "host/Registry.h"
#include "host/private/IdeHost.h"
#include "package/VlPaletteMenuWizard.h"
#include "palette/VlPaletteMenu.h"
#include "store/CategoryStore.h"

#include <QList>
#include <QMenu>
#include <QPair>
#include <QString>
#include <QStringList>

inline QString InProcessPackageName()
{
    return QStringLiteral("VorlaPaletteMenu");
}

inline void LoadPackageInProcess()
{
    host::ide::beginPackageRegistration(InProcessPackageName());
    RegisterVorlaPaletteMenu();
    host::ide::endPackageRegistration();
}

inline void UnloadPackageInProcess()
{
    host::ide::releasePackageWizards(InProcessPackageName());
}

// The data module of the package loaded in-process, through the wizard that owns it.
inline TVlPaletteMenuWizardDataModule* LoadedDataModule()
{
    for (const auto& wizard : host::ide::packageWizards(InProcessPackageName()))
        if (const auto* own = dynamic_cast<const TVlPaletteMenuWizard*>(wizard.get()))
            return own->DataModule();
    return nullptr;
}

// A palette menu after its pop-up event: its category submenus as "Title[page,page]", joined
// by separator; the commands are left out.
inline QString Grouping(QMenu* menu, QLatin1Char separator = QLatin1Char(' '))
{
    Q_EMIT menu->aboutToShow();
    QStringList groups;
    for (QAction* item : menu->actions())
        if (QMenu* submenu = item->menu()) {
            QStringList pages;
            for (QAction* page : submenu->actions())
                pages.append(page->text());
            groups.append(submenu->title() + QLatin1Char('[') + pages.join(QLatin1Char(',')) + QLatin1Char(']'));
        }
    return groups.join(separator);
}

// The command item named objectName (FindPageCommand, EditCategoriesCommand, ImportCommand,
// ExportCommand) of menu's last opening, or nullptr.
inline QAction* CommandItem(const QMenu* menu, const QString& objectName)
{
    for (QAction* item : menu->actions())
        if (item->objectName() == objectName)
            return item;
    return nullptr;
}

// The nth page item captioned caption under the submenu titled category of menu's last
// opening, or nullptr.
inline QAction* PageItem(const QMenu* menu, const QString& category, const QString& caption, int nth = 0)
{
    for (QAction* item : menu->actions())
        if (item->menu() && item->menu()->title() == category)
            for (QAction* page : item->menu()->actions())
                if (page->text() == caption && nth-- == 0)
                    return page;
    return nullptr;
}

// The package loaded in-process into a test IDE with the given palette pages, after the given
// entries were written to the store's section (in one change); unloaded when it goes.
class LoadedPackage {
public:
    using Entries = QList<QPair<QString, QString>>;

    explicit LoadedPackage(const QStringList& pages, const Entries& categories = {}) : ide(pages)
    {
        if (!categories.isEmpty()) {
            host::TRegIniFile reg(CategoryStore::Key);
            reg.Transaction([&] {
                for (const auto& [page, list] : categories)
                    reg.WriteString(CategoryStore::Section, page, list);
            });
        }
        LoadPackageInProcess();
        module = LoadedDataModule();
    }
    ~LoadedPackage() { UnloadPackageInProcess(); }
    LoadedPackage(const LoadedPackage&) = delete;
    LoadedPackage& operator=(const LoadedPackage&) = delete;

    TestIde ide;
    TVlPaletteMenuWizardDataModule* module = nullptr;
};
