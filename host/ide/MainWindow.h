#pragma once

#include "host/private/StandinOnly.h"

#include "host/ide/PaletteFile.h"

#include <QMainWindow>

class QDockWidget;
class QMdiArea;
class QMenu;

namespace standin {

class PackageManager;
class ToolPaletteWindow;

// The IDE's main window: the main menu, the form designer and the tool palette window.
// It hands its menu, itself and its forms to the host library, so that packages see them,
// and owns the package manager: every package is unloaded before the window goes.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(const Palette& pages, QWidget* parent = nullptr);
    ~MainWindow() override;

    PackageManager* packages() const { return m_packages; }
    ToolPaletteWindow* toolPalette() const { return m_toolPalette; }
    QDockWidget* toolPaletteDock() const { return m_toolPaletteDock; }
    QMdiArea* designer() const { return m_designer; }

    // Loads a package, reporting a refusal the way the IDE reports every error.
    // Returns whether the package was loaded.
    bool loadPackage(const QString& file);

    void showInstallPackagesDialog();
    void newForm();

private:
    QMenu* addMenu(const QString& title, const QString& name);
    void buildMenus();
    void showAbout();

    PackageManager* m_packages;
    QMdiArea* m_designer;
    QDockWidget* m_toolPaletteDock = nullptr;
    ToolPaletteWindow* m_toolPalette = nullptr;
    int m_formCount = 0;
};

} // namespace standin
