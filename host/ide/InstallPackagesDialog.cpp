#include "host/ide/InstallPackagesDialog.h"

#include "host/ide/PackageManager.h"
#include "host/Events.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace standin {

namespace {

enum Column { NameColumn, DescriptionColumn, VersionColumn, StateColumn, FileColumn, ColumnCount };

} // namespace

InstallPackagesDialog::InstallPackagesDialog(PackageManager* packages, QWidget* parent)
    : QDialog(parent)
    , m_packages(packages)
    , m_list(new QTreeWidget(this))
    , m_unload(new QPushButton(QStringLiteral("&Unload"), this))
    , m_loadAgain(new QPushButton(QStringLiteral("&Load Again"), this))
    , m_add(new QPushButton(QStringLiteral("&Add..."), this))
{
    setObjectName(QStringLiteral("InstallPackagesDialog"));
    setWindowTitle(QStringLiteral("Install Packages"));
    setAccessibleName(windowTitle());
    resize(760, 360);

    auto* label = new QLabel(QStringLiteral("Design &packages:"), this);
    label->setBuddy(m_list);

    m_list->setObjectName(QStringLiteral("PackageList"));
    m_list->setAccessibleName(QStringLiteral("Design packages"));
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels({QStringLiteral("Package"), QStringLiteral("Description"), QStringLiteral("Version"),
                             QStringLiteral("State"), QStringLiteral("File")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_list->header()->setStretchLastSection(true);

    m_unload->setObjectName(QStringLiteral("UnloadButton"));
    m_loadAgain->setObjectName(QStringLiteral("LoadAgainButton"));
    m_add->setObjectName(QStringLiteral("AddButton"));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->addWidget(m_add);
    row->addWidget(m_unload);
    row->addWidget(m_loadAgain);
    row->addStretch(1);
    row->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list, 1);
    layout->addLayout(row);

    connect(m_unload, &QPushButton::clicked, this, &InstallPackagesDialog::UnloadSelected);
    connect(m_loadAgain, &QPushButton::clicked, this, &InstallPackagesDialog::LoadSelectedAgain);
    connect(m_add, &QPushButton::clicked, this, &InstallPackagesDialog::ChooseAndAdd);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &InstallPackagesDialog::UpdateButtons);
    connect(m_packages, &PackageManager::PackagesChanged, this, &InstallPackagesDialog::Refresh);

    Refresh();
}

InstallPackagesDialog::~InstallPackagesDialog() = default;

bool InstallPackagesDialog::Select(const QString& name)
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = m_list->topLevelItem(i);
        if (item->text(NameColumn) == name) {
            m_list->setCurrentItem(item);
            return true;
        }
    }
    return false;
}

void InstallPackagesDialog::UnloadSelected()
{
    const QString name = SelectedName();
    if (name.isEmpty())
        return;
    host::RunHandler([&] { m_packages->Unload(name); });
    Select(name);
}

void InstallPackagesDialog::LoadSelectedAgain()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item || m_packages->IsLoaded(item->text(NameColumn)))
        return;
    const QString name = item->text(NameColumn);
    AddPackage(item->data(FileColumn, Qt::UserRole).toString());
    Select(name);
}

void InstallPackagesDialog::AddPackage(const QString& file)
{
    host::RunHandler([&] { m_packages->Load(file); });
}

void InstallPackagesDialog::ChooseAndAdd()
{
    // Start where this build keeps its packages, when there is such a folder.
    const QFileInfo packagesFolder(QFileInfo(PackageManager::DefaultPackageFile()).absolutePath());
    const QString start = packagesFolder.isDir() ? packagesFolder.absoluteFilePath() : QDir::currentPath();
    const QString file = QFileDialog::getOpenFileName(
        this, QStringLiteral("Add Design Package"), start,
        QStringLiteral("Packages (*.so);;All files (*)"), nullptr, QFileDialog::DontUseNativeDialog);
    if (!file.isEmpty())
        AddPackage(file);
}

void InstallPackagesDialog::Refresh()
{
    const QString selected = SelectedName();
    m_list->clear();
    for (const PackageInfo& package : m_packages->Packages()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(NameColumn, package.name);
        item->setText(DescriptionColumn, package.description);
        item->setText(VersionColumn, package.version);
        item->setText(StateColumn, package.loaded ? QStringLiteral("Loaded") : QStringLiteral("Unloaded"));
        item->setText(FileColumn, QDir::toNativeSeparators(package.file));
        item->setData(FileColumn, Qt::UserRole, package.file);
        item->setToolTip(FileColumn, item->text(FileColumn));
    }
    if (!Select(selected) && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    UpdateButtons();
}

void InstallPackagesDialog::UpdateButtons()
{
    const QString name = SelectedName();
    const bool loaded = !name.isEmpty() && m_packages->IsLoaded(name);
    m_unload->setEnabled(loaded);
    m_loadAgain->setEnabled(!name.isEmpty() && !loaded);
}

QString InstallPackagesDialog::SelectedName() const
{
    const QTreeWidgetItem* item = m_list->currentItem();
    return item ? item->text(NameColumn) : QString();
}

} // namespace standin
