#include "host/ide/InstallPackagesDialog.h"

#include "host/Events.h"
#include "host/ide/PackageManager.h"
#include "host/ide/Tr.h"

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
    , m_unload(new QPushButton(Tr::tr("&Unload"), this))
    , m_loadAgain(new QPushButton(Tr::tr("&Load Again"), this))
    , m_add(new QPushButton(Tr::tr("&Add..."), this))
{
    setObjectName(QStringLiteral("InstallPackagesDialog"));
    setWindowTitle(Tr::tr("Install Packages"));
    setAccessibleName(windowTitle());
    resize(760, 360);

    auto* label = new QLabel(Tr::tr("Design &packages:"), this);
    label->setBuddy(m_list);

    m_list->setObjectName(QStringLiteral("PackageList"));
    m_list->setAccessibleName(Tr::tr("Design packages"));
    m_list->setColumnCount(ColumnCount);
    m_list->setHeaderLabels(
        {Tr::tr("Package"), Tr::tr("Description"), Tr::tr("File version"), Tr::tr("State"), Tr::tr("File")});
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

    connect(m_unload, &QPushButton::clicked, this, &InstallPackagesDialog::unloadSelected);
    connect(m_loadAgain, &QPushButton::clicked, this, &InstallPackagesDialog::loadSelectedAgain);
    connect(m_add, &QPushButton::clicked, this, &InstallPackagesDialog::chooseAndAdd);
    connect(m_list, &QTreeWidget::itemSelectionChanged, this, &InstallPackagesDialog::updateButtons);
    connect(m_packages, &PackageManager::packagesChanged, this, &InstallPackagesDialog::refresh);

    refresh();
}

InstallPackagesDialog::~InstallPackagesDialog() = default;

bool InstallPackagesDialog::select(const QString& name)
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

void InstallPackagesDialog::unloadSelected()
{
    const QString name = selectedName();
    if (name.isEmpty())
        return;
    host::RunHandler([&] { m_packages->unload(name); });
    select(name);
}

void InstallPackagesDialog::loadSelectedAgain()
{
    const QTreeWidgetItem* item = m_list->currentItem();
    if (!item || m_packages->isLoaded(item->text(NameColumn)))
        return;
    const QString name = item->text(NameColumn);
    addPackage(item->data(FileColumn, Qt::UserRole).toString());
    select(name);
}

void InstallPackagesDialog::addPackage(const QString& file)
{
    host::RunHandler([&] { m_packages->load(file); });
}

void InstallPackagesDialog::chooseAndAdd()
{
    // Start where this build keeps its packages, when there is such a folder.
    const QFileInfo packagesFolder(QFileInfo(PackageManager::defaultPackageFile()).absolutePath());
    const QString start = packagesFolder.isDir() ? packagesFolder.absoluteFilePath() : QDir::currentPath();
    const QString file = QFileDialog::getOpenFileName(this, Tr::tr("Add Design Package"), start,
                                                      Tr::tr("packages (*.so);;All files (*)"), nullptr,
                                                      QFileDialog::DontUseNativeDialog);
    if (!file.isEmpty())
        addPackage(file);
}

void InstallPackagesDialog::refresh()
{
    const QString selected = selectedName();
    m_list->clear();
    for (const PackageInfo& package : m_packages->packages()) {
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(NameColumn, package.name);
        item->setText(DescriptionColumn, package.description);
        item->setText(VersionColumn, package.version);
        item->setText(StateColumn, package.loaded ? Tr::tr("Loaded") : Tr::tr("Unloaded"));
        item->setText(FileColumn, QDir::toNativeSeparators(package.file));
        item->setData(FileColumn, Qt::UserRole, package.file);
        item->setToolTip(FileColumn, item->text(FileColumn));
    }
    if (!select(selected) && m_list->topLevelItemCount() > 0)
        m_list->setCurrentItem(m_list->topLevelItem(0));
    updateButtons();
}

void InstallPackagesDialog::updateButtons()
{
    const QString name = selectedName();
    const bool loaded = !name.isEmpty() && m_packages->isLoaded(name);
    m_unload->setEnabled(loaded);
    m_loadAgain->setEnabled(!name.isEmpty() && !loaded);
}

QString InstallPackagesDialog::selectedName() const
{
    const QTreeWidgetItem* item = m_list->currentItem();
    return item ? item->text(NameColumn) : QString();
}

} // namespace standin
