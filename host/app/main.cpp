// standin-ide: the stand-in IDE's executable. Everything it shows lives in the standin
// library, which the tests drive too; this file only orders start-up and exit.

#include "host/ide/CommandLine.h"
#include "host/ide/ErrorReporter.h"
#include "host/ide/MainWindow.h"
#include "host/ide/PackageManager.h"
#include "host/ide/PaletteFile.h"
#include "host/ide/Tr.h"
#include "host/ide/Translations.h"
#include "host/private/IdeHost.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <utility>

namespace {

constexpr int NotAllLoadedStatus = 1;
constexpr int BadUsageStatus = 2;

void printLine(FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", qUtf8Printable(standin::oneLine(text)));
    std::fflush(stream);
}

// Qt would only say that no platform plugin could be loaded: say what is missing instead.
bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// One line per loaded package: its name, version and file (the file last, as it may hold spaces).
void printLoadedPackages(const standin::PackageManager& manager)
{
    for (const standin::PackageInfo& package : manager.packages()) {
        if (package.loaded)
            printLine(stdout, QStringLiteral("%1 %2 %3").arg(package.name, package.version, package.file));
    }
}

// Qt keeps sockets and locks of the session in XDG_RUNTIME_DIR. Without one (a root shell,
// a container) it complains on stderr and falls back to a folder that any earlier user may
// have made; a private folder (mode 0700) of this run's, removed at exit, takes its place.
class PrivateRuntimeFolder {
public:
    PrivateRuntimeFolder()
    {
        if (!qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
            return;
        m_folder.emplace(QDir::tempPath() + QStringLiteral("/standin-ide-runtime-XXXXXX"));
        if (m_folder->isValid())
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_folder->path()));
    }
    ~PrivateRuntimeFolder()
    {
        if (m_folder)
            qunsetenv("XDG_RUNTIME_DIR");
    }
    PrivateRuntimeFolder(const PrivateRuntimeFolder&) = delete;
    PrivateRuntimeFolder& operator=(const PrivateRuntimeFolder&) = delete;

private:
    std::optional<QTemporaryDir> m_folder;
};

} // namespace

int main(int argc, char** argv)
{
    // A write past the limit on the size of files (ulimit -f) then fails with an error that the
    // writer reports, rather than the signal ending the IDE with everything unsaved.
    std::signal(SIGXFSZ, SIG_IGN);

    // Everything that can be wrong with the command line is found before a window opens.
    standin::CommandLine commandLine;
    QString error;
    QStringList undecodable;
    const QStringList arguments = standin::CommandLine::arguments(argc, argv, &undecodable);
    if (!commandLine.parse(arguments, &error, undecodable)) {
        printLine(stderr, QStringLiteral("standin-ide: %1 (see standin-ide --help)").arg(error));
        return BadUsageStatus;
    }
    if (commandLine.showHelp) {
        std::fputs(qUtf8Printable(standin::CommandLine::usage()), stdout);
        return EXIT_SUCCESS;
    }
    if (commandLine.showVersion) {
        printLine(stdout, standin::CommandLine::versionText());
        return EXIT_SUCCESS;
    }

    standin::Palette palette;
    if (commandLine.paletteFile.isEmpty())
        palette = standin::defaultPalette();
    else if (!standin::loadPaletteFile(commandLine.paletteFile, &palette, &error)) {
        printLine(stderr, QStringLiteral("standin-ide: %1").arg(error));
        return BadUsageStatus;
    }

    // A listing shows no window, so it needs no display.
    if (commandLine.listPackages && !hasDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!hasDisplay()) {
        printLine(
            stderr,
            QStringLiteral("standin-ide: no display: neither DISPLAY nor WAYLAND_DISPLAY is set. Run it on a desktop, "
                           "or under a virtual X server: xvfb-run build/bin/standin-ide"));
        return BadUsageStatus;
    }

    // Before Qt asks for it; it outlives the application.
    const PrivateRuntimeFolder runtimeFolder;
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("standin-ide"));
    QApplication::setApplicationVersion(standin::CommandLine::version());
    QApplication::setOrganizationName(QStringLiteral("standin-ide"));
    standin::installTranslations();
    QApplication::setApplicationDisplayName(standin::Tr::tr("Stand-in IDE"));

    host::ide::setRegistryFile(commandLine.registryFile);
    host::ide::setTheme(commandLine.theme);

    standin::MainWindow window(palette);
    // A listing reports refusals on stderr: a box would wait for a person who is not there.
    host::SetExceptionReporter(commandLine.listPackages ? standin::stderrReporter()
                                                        : standin::messageBoxReporter(&window));
    if (!commandLine.listPackages)
        window.show();

    QStringList packages = commandLine.packages;
    bool allLoaded = true;
    if (commandLine.loadsDefaultPackage()) {
        const QString defaultPackage = standin::PackageManager::defaultPackageFile();
        if (QFileInfo::exists(defaultPackage))
            packages.append(defaultPackage);
        else {
            allLoaded = false;
            printLine(stderr,
                      QStringLiteral("standin-ide: the default package \"%1\" is not built yet; "
                                     "starting without it")
                          .arg(defaultPackage));
        }
    }
    for (const QString& package : std::as_const(packages))
        allLoaded = window.loadPackage(package) && allLoaded;

    if (commandLine.listPackages) {
        printLoadedPackages(*window.packages());
        window.packages()->unloadAll();
        return allLoaded ? EXIT_SUCCESS : NotAllLoadedStatus;
    }

    const int status = application.exec();
    // Packages go before the window they hang on. An error while they unload still
    // reaches stderr, but opens no box on a window that is closing.
    host::SetExceptionReporter(standin::stderrReporter());
    window.packages()->unloadAll();
    return status;
}
