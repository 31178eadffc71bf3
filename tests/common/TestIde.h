#pragma once

// A small IDE made of the host library's own objects, for testing packages in-process:
// a main window with a main menu, and a tool palette window "ToolForm" holding the tool bar
// "Toolbar1" (two controls of its own, with an image list) and the palette "Palette".

#include "host/private/IdeHost.h"
#include "host/CategoryButtons.h"
#include "host/Exceptions.h"
#include "host/ToolBar.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QVBoxLayout>

#include <memory>

struct TestIdeOptions {
    QString toolFormName = QStringLiteral("ToolForm");
    bool withPalette = true;
    bool withToolbar = true;
    int toolbarControls = 2;
};

class TestIde {
public:
    explicit TestIde(const QStringList& pages = {}, const TestIdeOptions& options = {})
    {
        window.setObjectName(QStringLiteral("MainWindow"));
        menuBar = window.menuBar();
        for (const char* title : {"&File", "&Edit", "&Search", "&View", "&Project", "&Run", "&Component", "&Tools", "&Window", "&Help"})
            menuBar->addMenu(QString::fromLatin1(title))->addAction(QStringLiteral("Item"));
        host::ide::setMainMenu(menuBar);
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
        host::ide::setRegistryFile(storeDir.filePath(QStringLiteral("registry.sqlite")));
        previousReporter = host::SetExceptionReporter([this](const QString& kind, const QString& message) {
            reported.append(kind + QStringLiteral(": ") + message);
        });
    }

    ~TestIde()
    {
        host::SetExceptionReporter(previousReporter);
        host::ide::setMainMenu(nullptr);
    }

    void SetPages(const QStringList& pages)
    {
        palette->Categories()->Clear();
        for (const QString& page : pages)
            palette->Categories()->Add(page, {page + QStringLiteral(" component")});
    }

    // The main menu as text: each top-level entry with its items, visibility marked.
    QStringList MainMenuState() const
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

    // The tool bar as text: each control's text and visibility, in order.
    QStringList ToolbarState() const
    {
        QStringList state;
        if (toolbar)
            for (QAction* control : toolbar->actions())
                state.append(control->text() + (control->isVisible() ? QString() : QStringLiteral("(hidden)")));
        return state;
    }

    QMainWindow window;
    QMenuBar* menuBar = nullptr;
    std::unique_ptr<QWidget> toolForm;
    host::TToolBar* toolbar = nullptr;
    host::TVirtualImageList* images = nullptr;
    host::TCategoryButtons* palette = nullptr;
    QTemporaryDir storeDir;
    QStringList reported;

private:
    host::ExceptionReporter previousReporter;
};
