#include "MainWindow.h"

#include "IdeHost.h"
#include "InstallPackagesDialog.h"
#include "PackageManager.h"
#include "ToolPaletteWindow.h"
#include "host/Events.h"
#include "host/Forms.h"

#include <QAction>
#include <QApplication>
#include <QDockWidget>
#include <QKeySequence>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QStatusBar>

namespace standin {

namespace {

// A blank form on the designer's surface, with the usual grid of dots.
class DesignSurface : public QWidget {
public:
    explicit DesignSurface(QWidget* parent = nullptr) : QWidget(parent)
    {
        setAutoFillBackground(true);
        setMinimumSize(320, 240);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        // The theme's edge colour: the palette's own mid shade vanishes on a dark form.
        painter.setPen(host::ide::EdgeColor(palette()));
        constexpr int step = 8;
        for (int y = step; y < height(); y += step)
            for (int x = step; x < width(); x += step)
                painter.drawPoint(x, y);
    }
};

QAction* AddPlaceholder(QMenu* menu, const QString& text, const QKeySequence& shortcut = {})
{
    // Commands of a full IDE that this stand-in does not carry out.
    QAction* action = menu->addAction(text);
    action->setShortcut(shortcut);
    action->setEnabled(false);
    return action;
}

} // namespace

MainWindow::MainWindow(const Palette& pages, QWidget* parent)
    : QMainWindow(parent)
    , m_packages(new PackageManager(this))
    , m_designer(new QMdiArea(this))
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(QStringLiteral("Stand-in IDE"));
    setAccessibleName(QStringLiteral("Stand-in IDE"));
    resize(1200, 760);

    m_designer->setObjectName(QStringLiteral("Designer"));
    m_designer->setAccessibleName(QStringLiteral("Form designer"));
    setCentralWidget(m_designer);

    BuildMenus();
    menuBar()->setNativeMenuBar(false);
    menuBar()->setAccessibleName(QStringLiteral("Main menu"));
    statusBar()->showMessage(QStringLiteral("Ready"));

    host::ide::SetMainMenu(menuBar());
    host::ide::SetApplicationWindow(this);
    host::ide::AddForm(this);

    // The tool palette window is created after the main window, so it comes second in
    // the list of open forms, as in the IDE.
    m_toolPaletteDock = new QDockWidget(QStringLiteral("Tool Palette"), this);
    m_toolPalette = new ToolPaletteWindow(pages, m_toolPaletteDock);
    host::ide::AddForm(m_toolPalette);
    m_toolPaletteDock->setObjectName(QStringLiteral("ToolPaletteDock"));
    m_toolPaletteDock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    m_toolPaletteDock->setWidget(m_toolPalette);
    addDockWidget(Qt::RightDockWidgetArea, m_toolPaletteDock);
    resizeDocks({m_toolPaletteDock}, {300}, Qt::Horizontal);

    if (QMenu* view = menuBar()->findChild<QMenu*>(QStringLiteral("ViewMenu"))) {
        QAction* toggle = m_toolPaletteDock->toggleViewAction();
        toggle->setText(QStringLiteral("Tool &Palette"));
        view->addAction(toggle);
    }

    NewForm();
}

MainWindow::~MainWindow()
{
    // Packages hold on to the menu and the tool palette: they go first.
    m_packages->UnloadAll();
    if (host::ide::MainMenu() == menuBar())
        host::ide::SetMainMenu(nullptr);
    if (host::Application() == this)
        host::ide::SetApplicationWindow(nullptr);
}

bool MainWindow::LoadPackage(const QString& file)
{
    bool loaded = false;
    host::RunHandler([&] {
        m_packages->Load(file);
        loaded = true;
    });
    return loaded;
}

QMenu* MainWindow::AddMenu(const QString& title, const QString& name)
{
    QMenu* menu = menuBar()->addMenu(title);
    menu->setObjectName(name);
    return menu;
}

void MainWindow::BuildMenus()
{
    QMenu* file = AddMenu(QStringLiteral("&File"), QStringLiteral("FileMenu"));
    QAction* newForm = file->addAction(QStringLiteral("&New Form"), this, &MainWindow::NewForm);
    newForm->setShortcut(QKeySequence::New);
    AddPlaceholder(file, QStringLiteral("&Open..."), QKeySequence::Open);
    AddPlaceholder(file, QStringLiteral("&Save"), QKeySequence::Save);
    file->addSeparator();
    QAction* exit = file->addAction(QStringLiteral("E&xit"), this, &QWidget::close);
    exit->setObjectName(QStringLiteral("ExitAction"));
    exit->setShortcut(QKeySequence::Quit);

    QMenu* edit = AddMenu(QStringLiteral("&Edit"), QStringLiteral("EditMenu"));
    AddPlaceholder(edit, QStringLiteral("&Undo"), QKeySequence::Undo);
    AddPlaceholder(edit, QStringLiteral("&Redo"), QKeySequence::Redo);
    edit->addSeparator();
    AddPlaceholder(edit, QStringLiteral("Cu&t"), QKeySequence::Cut);
    AddPlaceholder(edit, QStringLiteral("&Copy"), QKeySequence::Copy);
    AddPlaceholder(edit, QStringLiteral("&Paste"), QKeySequence::Paste);

    QMenu* search = AddMenu(QStringLiteral("&Search"), QStringLiteral("SearchMenu"));
    AddPlaceholder(search, QStringLiteral("&Find..."), QKeySequence::Find);
    AddPlaceholder(search, QStringLiteral("R&eplace..."), QKeySequence::Replace);

    AddMenu(QStringLiteral("&View"), QStringLiteral("ViewMenu"));

    QMenu* project = AddMenu(QStringLiteral("&Project"), QStringLiteral("ProjectMenu"));
    AddPlaceholder(project, QStringLiteral("&Build"));
    AddPlaceholder(project, QStringLiteral("&Options..."));

    QMenu* run = AddMenu(QStringLiteral("&Run"), QStringLiteral("RunMenu"));
    AddPlaceholder(run, QStringLiteral("&Run"), QKeySequence(Qt::Key_F9));

    QMenu* component = AddMenu(QStringLiteral("&Component"), QStringLiteral("ComponentMenu"));
    QAction* install = component->addAction(QStringLiteral("Install &Packages..."), this,
                                            &MainWindow::ShowInstallPackagesDialog);
    install->setObjectName(QStringLiteral("InstallPackagesAction"));

    QMenu* tools = AddMenu(QStringLiteral("&Tools"), QStringLiteral("ToolsMenu"));
    AddPlaceholder(tools, QStringLiteral("&Options..."));

    QMenu* window = AddMenu(QStringLiteral("&Window"), QStringLiteral("WindowMenu"));
    window->addAction(QStringLiteral("&Cascade"), m_designer, &QMdiArea::cascadeSubWindows);
    window->addAction(QStringLiteral("&Tile"), m_designer, &QMdiArea::tileSubWindows);

    QMenu* help = AddMenu(QStringLiteral("&Help"), QStringLiteral("HelpMenu"));
    help->addAction(QStringLiteral("&About Stand-in IDE..."), this, &MainWindow::ShowAbout);
}

void MainWindow::NewForm()
{
    auto* surface = new DesignSurface;
    surface->setObjectName(QStringLiteral("Form%1").arg(++m_formCount));
    QMdiSubWindow* sub = m_designer->addSubWindow(surface);
    sub->setWindowTitle(surface->objectName());
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(480, 360);
    sub->show();
}

void MainWindow::ShowInstallPackagesDialog()
{
    InstallPackagesDialog dialog(m_packages, this);
    dialog.exec();
}

void MainWindow::ShowAbout()
{
    QMessageBox::about(this, QStringLiteral("About Stand-in IDE"),
                       QStringLiteral("<b>Stand-in IDE %1</b><p>A small IDE shell that loads design-time "
                                      "packages and gives them a main menu, a tool palette and "
                                      "the host services they ask for.</p>")
                           .arg(QCoreApplication::applicationVersion()));
}

} // namespace standin
