#pragma once

#include "host/private/StandinOnly.h"

#include <QDialog>

class QPushButton;
class QTreeWidget;

namespace standin {

class PackageManager;

// Component > Install Packages...: the packages of this session with their descriptions;
// a loaded one can be unloaded, an unloaded one loaded again, and a new one added.
class InstallPackagesDialog : public QDialog {
    Q_OBJECT
public:
    explicit InstallPackagesDialog(PackageManager* packages, QWidget* parent = nullptr);
    ~InstallPackagesDialog() override;

    QTreeWidget* list() const { return m_list; }
    // Selects the row of the named package; false when it is not listed.
    bool select(const QString& name);

    void unloadSelected();
    void loadSelectedAgain();
    void addPackage(const QString& file);

private:
    void refresh();
    void updateButtons();
    void chooseAndAdd();
    QString selectedName() const;

    PackageManager* m_packages;
    QTreeWidget* m_list;
    QPushButton* m_unload;
    QPushButton* m_loadAgain;
    QPushButton* m_add;
};

} // namespace standin
