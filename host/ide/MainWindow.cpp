#include "host/ide/MainWindow.h"

#include "host/Events.h"
#include "host/Forms.h"
#include "host/ide/InstallPackagesDialog.h"
#include "host/ide/PackageManager.h"
#include "host/ide/Resources.h"
#include "host/ide/ToolPaletteWindow.h"
#include "host/ide/Tr.h"
#include "host/private/IdeHost.h"

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
        painter.setPen(host::ide::edgeColor(palette()));
        constexpr int GridStep = 8;
        for (int y = GridStep; y < height(); y += GridStep)
            for (int x = GridStep; x < width(); x += GridStep)
                painter.drawPoint(x, y);
    }
};

QAction* addPlaceholder(QMenu* menu, const QString& text, const QKeySequence& shortcut = {})
{
    // Commands of a full IDE that this stand-in does not carry out.
    QAction* action = menu->addAction(text);
    action->setShortcut(shortcut);
    action->setEnabled(false);
    return action;
}

} // namespace

MainWindow::MainWindow(const Palette& pages, QWidget* parent)
    : QMainWindow(parent), m_packages(new PackageManager(this)), m_designer(new QMdiArea(this))
{
    setObjectName(QStringLiteral("MainWindow"));
    setWindowTitle(Tr::tr("Stand-in IDE"));
    // The application's icon is every window's that sets none: the tool palette, the
    // designer's forms, the dialogs of the IDE and of its packages.
    QApplication::setWindowIcon(applicationIcon());
    setAccessibleName(Tr::tr("Stand-in IDE"));
    resize(1200, 760);

    m_designer->setObjectName(QStringLiteral("Designer"));
    m_designer->setAccessibleName(Tr::tr("Form designer"));
    setCentralWidget(m_designer);

    buildMenus();
    menuBar()->setNativeMenuBar(false);
    menuBar()->setAccessibleName(Tr::tr("Main menu"));
    statusBar()->showMessage(Tr::tr("Ready"));

    host::ide::setMainMenu(menuBar());
    host::ide::setStatusBar(statusBar());
    host::ide::setApplicationWindow(this);
    host::ide::addForm(this);

    // The tool palette window is created after the main window, so it comes second in
    // the list of open forms, as in the IDE.
    m_toolPaletteDock = new QDockWidget(Tr::tr("Tool Palette"), this);
    m_toolPalette = new ToolPaletteWindow(pages, m_toolPaletteDock);
    host::ide::addForm(m_toolPalette);
    m_toolPaletteDock->setObjectName(QStringLiteral("ToolPaletteDock"));
    m_toolPaletteDock->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    m_toolPaletteDock->setWidget(m_toolPalette);
    addDockWidget(Qt::RightDockWidgetArea, m_toolPaletteDock);
    resizeDocks({m_toolPaletteDock}, {300}, Qt::Horizontal);

    if (QMenu* view = menuBar()->findChild<QMenu*>(QStringLiteral("ViewMenu"))) {
        QAction* toggle = m_toolPaletteDock->toggleViewAction();
        toggle->setText(Tr::tr("Tool &Palette"));
        view->addAction(toggle);
    }

    newForm();
}

MainWindow::~MainWindow()
{
    // Packages hold on to the menu and the tool palette: they go first.
    m_packages->unloadAll();
    if (host::ide::mainMenu() == menuBar())
        host::ide::setMainMenu(nullptr);
    if (host::Application() == this)
        host::ide::setApplicationWindow(nullptr);
}

bool MainWindow::loadPackage(const QString& file)
{
    bool loaded = false;
    host::RunHandler([&] {
        m_packages->load(file);
        loaded = true;
    });
    return loaded;
}

QMenu* MainWindow::addMenu(const QString& title, const QString& name)
{
    QMenu* menu = menuBar()->addMenu(title);
    menu->setObjectName(name);
    return menu;
}

void MainWindow::buildMenus()
{
    QMenu* file = addMenu(Tr::tr("&File"), QStringLiteral("FileMenu"));
    QAction* newForm = file->addAction(Tr::tr("&New Form"), this, &MainWindow::newForm);
    newForm->setShortcut(QKeySequence::New);
    addPlaceholder(file, Tr::tr("&Open..."), QKeySequence::Open);
    addPlaceholder(file, Tr::tr("&Save"), QKeySequence::Save);
    file->addSeparator();
    QAction* exit = file->addAction(Tr::tr("E&xit"), this, &QWidget::close);
    exit->setObjectName(QStringLiteral("ExitAction"));
    exit->setShortcut(QKeySequence::Quit);

    QMenu* edit = addMenu(Tr::tr("&Edit"), QStringLiteral("EditMenu"));
    addPlaceholder(edit, Tr::tr("&Undo"), QKeySequence::Undo);
    addPlaceholder(edit, Tr::tr("&Redo"), QKeySequence::Redo);
    edit->addSeparator();
    addPlaceholder(edit, Tr::tr("Cu&t"), QKeySequence::Cut);
    addPlaceholder(edit, Tr::tr("&Copy"), QKeySequence::Copy);
    addPlaceholder(edit, Tr::tr("&Paste"), QKeySequence::Paste);

    QMenu* search = addMenu(Tr::tr("&Search"), QStringLiteral("SearchMenu"));
    addPlaceholder(search, Tr::tr("&Find..."), QKeySequence::Find);
    addPlaceholder(search, Tr::tr("R&eplace..."), QKeySequence::Replace);

    addMenu(Tr::tr("&View"), QStringLiteral("ViewMenu"));

    QMenu* project = addMenu(Tr::tr("&Project"), QStringLiteral("ProjectMenu"));
    addPlaceholder(project, Tr::tr("&Build"));
    addPlaceholder(project, Tr::tr("&Options..."));

    QMenu* run = addMenu(Tr::tr("&Run"), QStringLiteral("RunMenu"));
    addPlaceholder(run, Tr::tr("&Run"), QKeySequence(Qt::Key_F9));

    QMenu* component = addMenu(Tr::tr("&Component"), QStringLiteral("ComponentMenu"));
    QAction* install = component->addAction(Tr::tr("Install &Packages..."), this,
                                            &MainWindow::showInstallPackagesDialog);
    install->setObjectName(QStringLiteral("InstallPackagesAction"));

    QMenu* tools = addMenu(Tr::tr("&Tools"), QStringLiteral("ToolsMenu"));
    addPlaceholder(tools, Tr::tr("&Options..."));

    QMenu* window = addMenu(Tr::tr("&Window"), QStringLiteral("WindowMenu"));
    window->addAction(Tr::tr("&Cascade"), m_designer, &QMdiArea::cascadeSubWindows);
    window->addAction(Tr::tr("&Tile"), m_designer, &QMdiArea::tileSubWindows);

    QMenu* help = addMenu(Tr::tr("&Help"), QStringLiteral("HelpMenu"));
    help->addAction(Tr::tr("&About Stand-in IDE..."), this, &MainWindow::showAbout);
}

void MainWindow::newForm()
{
    auto* surface = new DesignSurface;
    surface->setObjectName(QStringLiteral("Form%1").arg(++m_formCount));
    QMdiSubWindow* sub = m_designer->addSubWindow(surface);
    sub->setWindowTitle(surface->objectName());
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->resize(480, 360);
    sub->show();
}

void MainWindow::showInstallPackagesDialog()
{
    InstallPackagesDialog dialog(m_packages, this);
    dialog.exec();
}

void MainWindow::showAbout()
{
    QMessageBox::about(this, Tr::tr("About Stand-in IDE"),
                       Tr::tr("<b>Stand-in IDE %1</b><p>A small IDE shell that loads design-time "
                              "packages and gives them a main menu, a tool palette and "
                              "the host services they ask for.</p>")
                           .arg(QCoreApplication::applicationVersion()));
}

} // namespace standin
