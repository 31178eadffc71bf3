#include "tests/common/TestIde.h"

#include "tests/common/ScopedDefaultLocale.h"

#include "host/ide/Translations.h"
#include "host/private/IdeHost.h"

#include <QAction>
#include <QMenu>
#include <QVBoxLayout>

#include <utility>

TestIde::TestIde(const QStringList& pages, const TestIdeOptions& options)
{
    // As the IDE translates for an English user, once: "1 entry", not "1 entries".
    static bool translated = false;
    if (!std::exchange(translated, true))
        standin::installTranslations(TestLocale());
    window.setObjectName(QStringLiteral("MainWindow"));
    menuBar = window.menuBar();
    for (const char* title :
         {"&File", "&Edit", "&Search", "&View", "&Project", "&Run", "&Component", "&Tools", "&Window", "&Help"}) {
        QMenu* menu = menuBar->addMenu(QString::fromLatin1(title));
        menu->setObjectName(QString::fromLatin1(title).remove(QLatin1Char('&')) + QStringLiteral("Menu"));
        menu->addAction(QStringLiteral("Item"));
    }
    host::ide::setMainMenu(menuBar);
    host::ide::setStatusBar(window.statusBar());
    host::ide::setApplicationWindow(&window);
    host::ide::addForm(&window);

    toolForm = std::make_unique<QWidget>();
    toolForm->setObjectName(options.toolFormName);
    auto* layout = new QVBoxLayout(toolForm.get());
    if (options.withToolbar) {
        toolbar = new host::TToolBar(toolForm.get());
        toolbar->setObjectName(QStringLiteral("Toolbar1"));
        images = new host::TVirtualImageList(toolbar);
        images->SetImageCollection(new host::TImageCollection(images));
        toolbar->SetImages(images);
        for (int i = 0; i < options.toolbarControls; ++i)
            toolbar->addAction(QStringLiteral("Own %1").arg(i));
        layout->addWidget(toolbar);
    }
    if (options.withPalette) {
        palette = new host::TCategoryButtons(toolForm.get());
        palette->setObjectName(QStringLiteral("Palette"));
        SetPages(pages);
        layout->addWidget(palette);
    }
    host::ide::addForm(toolForm.get());
}

TestIde::~TestIde()
{
    host::ide::setMainMenu(nullptr);
}

void TestIde::SetPages(const QStringList& pages)
{
    palette->Categories()->Clear();
    for (const QString& page : pages)
        palette->Categories()->Add(page, {page + QStringLiteral(" component")});
}

QStringList TestIde::MainMenuState() const
{
    QStringList state;
    for (QAction* entry : menuBar->actions()) {
        QString line = entry->text() + QLatin1Char(':');
        if (QMenu* menu = entry->menu())
            for (QAction* item : menu->actions())
                line += QLatin1Char(' ') + item->text() + (item->isVisible() ? QString() : QStringLiteral("(hidden)"));
        state.append(line);
    }
    return state;
}

QStringList TestIde::ToolbarState() const
{
    QStringList state;
    if (toolbar)
        for (QAction* control : toolbar->actions())
            state.append(control->text() + (control->isVisible() ? QString() : QStringLiteral("(hidden)")));
    return state;
}
