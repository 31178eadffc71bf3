#include "host/ide/ToolPaletteWindow.h"

#include "host/CategoryButtons.h"
#include "host/ToolBar.h"
#include "host/ide/Resources.h"
#include "host/ide/Tr.h"

#include <QAction>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace standin {

namespace {

const QStringList ImageSizes = {QStringLiteral("16.png"), QStringLiteral("32.png")};

} // namespace

ToolPaletteWindow::ToolPaletteWindow(const Palette& pages, QWidget* parent)
    : QWidget(parent)
    , m_imageCollection(new host::TImageCollection(this))
    , m_images(new host::TVirtualImageList(this))
    , m_toolBar(new host::TToolBar(this))
    , m_search(new QLineEdit(this))
    , m_palette(new host::TCategoryButtons(this))
{
    setObjectName(QStringLiteral("ToolForm"));
    setWindowTitle(Tr::tr("Tool Palette"));
    setAccessibleName(Tr::tr("Tool Palette"));

    initResources();
    m_imageCollection->setObjectName(QStringLiteral("ToolPaletteImages"));
    m_images->setObjectName(QStringLiteral("ToolPaletteImageList"));
    m_images->SetImageCollection(m_imageCollection);
    for (const QString& name : {QStringLiteral("Categories"), QStringLiteral("Search")}) {
        const int index = m_imageCollection->Add(name, QStringLiteral(":/standin/icons/") + name.toLower(), ImageSizes);
        m_images->Add(name, index);
    }

    m_toolBar->setObjectName(QStringLiteral("Toolbar1"));
    m_toolBar->setAccessibleName(Tr::tr("Tool palette tool bar"));
    m_toolBar->setIconSize(QSize(16, 16));
    m_toolBar->SetImages(m_images);

    // First control: a tool button that collapses every category, or expands them all.
    auto* categories = new QAction(m_images->GetIcon(m_images->GetIndexByName(QStringLiteral("Categories"))),
                                   Tr::tr("Categories"), this);
    categories->setObjectName(QStringLiteral("CategoriesAction"));
    categories->setToolTip(Tr::tr("Collapse or expand all categories"));
    connect(categories, &QAction::triggered, this, &ToolPaletteWindow::toggleAllCategories);
    m_toolBar->InsertToolButton(0, categories);

    // Second control: the search box, which narrows the palette to matching components.
    m_search->setObjectName(QStringLiteral("SearchBox"));
    m_search->setPlaceholderText(Tr::tr("Search"));
    m_search->setAccessibleName(Tr::tr("Search components"));
    m_search->setClearButtonEnabled(true);
    m_search->addAction(m_images->GetIcon(m_images->GetIndexByName(QStringLiteral("Search"))),
                        QLineEdit::LeadingPosition);
    // The box and the palette's filter follow each other: a package may clear the filter.
    connect(m_search, &QLineEdit::textChanged, m_palette, &host::TCategoryButtons::SetFilter);
    connect(m_palette, &host::TCategoryButtons::FilterChanged, m_search, [this](const QString& text) {
        if (m_search->text() != text)
            m_search->setText(text);
    });
    m_toolBar->addWidget(m_search)->setObjectName(QStringLiteral("SearchAction"));

    m_palette->setObjectName(QStringLiteral("Palette"));
    m_palette->setAccessibleName(Tr::tr("Tool palette pages"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolBar);
    layout->addWidget(m_palette, 1);

    setPages(pages);
}

ToolPaletteWindow::~ToolPaletteWindow() = default;

void ToolPaletteWindow::setPages(const Palette& pages)
{
    host::TButtonCategories* categories = m_palette->Categories();
    categories->Clear();
    for (const PalettePage& page : pages)
        categories->Add(page.caption, page.components);
    m_palette->SetFilter(m_search->text());
}

void ToolPaletteWindow::toggleAllCategories()
{
    host::TButtonCategories* categories = m_palette->Categories();
    bool anyExpanded = false;
    for (int i = 0; i < categories->Count(); ++i)
        anyExpanded = anyExpanded || !categories->GetItem(i)->Collapsed();
    for (int i = 0; i < categories->Count(); ++i)
        categories->GetItem(i)->SetCollapsed(anyExpanded);
}

} // namespace standin
