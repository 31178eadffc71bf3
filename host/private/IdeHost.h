#pragma once

#include "host/private/StandinOnly.h"

// The IDE's side of the host library: how the IDE (and tests standing in for it) sets up
// what packages see through the host interface. Implemented by the host library (host/library,
// and host/registry for the store's file); a package cannot include it.

#include "host/HostExport.h"
#include "host/Interfaces.h"
#include "host/Wizards.h"

#include <QString>

#include <vector>

class QColor;
class QMenuBar;
class QPalette;
class QStatusBar;
class QWidget;

namespace host::ide {

// The main menu that the services interface hands out; nullptr makes the services
// object refuse IIDEMainMenuServices (a failed lookup raises in the package).
HOST_EXPORT void setMainMenu(QMenuBar* menu);
HOST_EXPORT QMenuBar* mainMenu();
// The status bar that IIDEStatusBarServices writes to; nullptr makes the services object
// refuse that interface.
HOST_EXPORT void setStatusBar(QStatusBar* bar);

// The application object, owner of package dialogs.
HOST_EXPORT void setApplicationWindow(QWidget* window);

// Adds a form to the open forms (Screen) in creation order; it leaves them when destroyed.
HOST_EXPORT void addForm(QWidget* form);

enum class Theme { Light, Dark, None };
// Applies a theme to the application; None leaves the IDE without theming services.
HOST_EXPORT void setTheme(Theme theme);
HOST_EXPORT Theme currentTheme();
// The colour of a thin line or a dot drawn on palette's window colour: a menu's frame and
// separators, the designer's grid. Stands out in the light theme and the dark alike.
HOST_EXPORT QColor edgeColor(const QPalette& palette);

// The per-user store's file. Empty: the default under $XDG_CONFIG_HOME (or ~/.config).
HOST_EXPORT void setRegistryFile(const QString& path);
HOST_EXPORT QString registryFile();
HOST_EXPORT QString defaultRegistryFile();
// Why path cannot serve as the per-user store, or "" when it can: it is the store, or can
// become it (no file yet, a zero-length file, a database with nothing in it) in a folder
// that can be written. Reads no more than the file's first bytes and the folder, so a store
// that another process holds locked is not refused.
HOST_EXPORT QString registryFileProblem(const QString& path);
// How long a store operation waits for another process's lock before it reports the store
// locked; 5,000 ms unless set.
HOST_EXPORT void setRegistryBusyTimeout(int milliseconds);
HOST_EXPORT int registryBusyTimeout();
// How long a read may rely on the last look at whether the store's file is still the one
// its connection has open; a write always looks first.
inline constexpr int RegistryLookIntervalMs = 5;

// Wizard registration is recorded against the package being registered; the host
// releases them together when that package unloads.
HOST_EXPORT void beginPackageRegistration(const QString& package);
HOST_EXPORT void endPackageRegistration();
HOST_EXPORT void releasePackageWizards(const QString& package);
HOST_EXPORT int wizardCount();
HOST_EXPORT std::vector<InterfacePtr<IIDEWizard>> packageWizards(const QString& package);

} // namespace host::ide
