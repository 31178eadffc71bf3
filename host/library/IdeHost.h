#pragma once

// The IDE's side of the host library: how the IDE (and tests standing in for it) sets up
// what packages see through the host interface. Packages never include this header.

#include "host/HostExport.h"
#include "host/Interfaces.h"
#include "host/Wizards.h"

#include <QString>

#include <vector>

class QMenuBar;
class QWidget;

namespace host::ide {

// The main menu that the services interface hands out; nullptr makes the services
// object refuse INTAServices (a failed lookup raises in the package).
HOST_EXPORT void SetMainMenu(QMenuBar* menu);
HOST_EXPORT QMenuBar* MainMenu();

// The application object, owner of package dialogs.
HOST_EXPORT void SetApplicationWindow(QWidget* window);

// Adds a form to the open forms (Screen) in creation order; it leaves them when destroyed.
HOST_EXPORT void AddForm(QWidget* form);

enum class Theme { Light, Dark, None };
// Applies a theme to the application; None leaves the IDE without theming services.
HOST_EXPORT void SetTheme(Theme theme);
HOST_EXPORT Theme CurrentTheme();

// The per-user store's file. Empty: the default under $XDG_CONFIG_HOME (or ~/.config).
HOST_EXPORT void SetRegistryFile(const QString& path);
HOST_EXPORT QString RegistryFile();
HOST_EXPORT QString DefaultRegistryFile();
// Why path cannot serve as the per-user store, or "" when it can: it is the store, or can
// become it (no file yet, a zero-length file, a database with nothing in it) in a folder
// that can be written. Reads no more than the file's first bytes and the folder, so a store
// that another process holds locked is not refused.
HOST_EXPORT QString RegistryFileProblem(const QString& path);
// How long a store operation waits for another process's lock before it reports the store
// locked; 5,000 ms unless set.
HOST_EXPORT void SetRegistryBusyTimeout(int milliseconds);
HOST_EXPORT int RegistryBusyTimeout();

// Wizard registration is recorded against the package being registered; the host
// releases them together when that package unloads.
HOST_EXPORT void BeginPackageRegistration(const QString& package);
HOST_EXPORT void EndPackageRegistration();
HOST_EXPORT void ReleasePackageWizards(const QString& package);
HOST_EXPORT int WizardCount();
HOST_EXPORT std::vector<InterfacePtr<IOTAWizard>> PackageWizards(const QString& package);

} // namespace host::ide
