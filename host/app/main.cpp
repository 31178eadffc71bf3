// standin-ide: the stand-in IDE's executable. Everything it shows lives in the standin
// library, which the tests drive too; this file only orders start-up and exit.

#include "host/ide/CommandLine.h"
#include "host/ide/ErrorReporter.h"
#include "host/private/IdeHost.h"
#include "host/ide/MainWindow.h"
#include "host/ide/PackageManager.h"
#include "host/ide/PaletteFile.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

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

} // namespace

int main(int argc, char** argv)
{
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

    if (!hasDisplay()) {
        printLine(stderr, QStringLiteral(
            "standin-ide: no display: neither DISPLAY nor WAYLAND_DISPLAY is set. Run it on a desktop, "
            "or under a virtual X server: xvfb-run build/bin/standin-ide"));
        return BadUsageStatus;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("standin-ide"));
    QApplication::setApplicationDisplayName(QStringLiteral("Stand-in IDE"));
    QApplication::setApplicationVersion(standin::CommandLine::version());
    QApplication::setOrganizationName(QStringLiteral("standin-ide"));

    host::ide::setRegistryFile(commandLine.registryFile);
    host::ide::setTheme(commandLine.theme);

    standin::MainWindow window(palette);
    host::SetExceptionReporter(standin::messageBoxReporter(&window));
    window.show();

    QStringList packages = commandLine.packages;
    if (commandLine.loadsDefaultPackage()) {
        const QString defaultPackage = standin::PackageManager::defaultPackageFile();
        if (QFileInfo::exists(defaultPackage))
            packages.append(defaultPackage);
        else
            printLine(stderr, QStringLiteral("standin-ide: the default package \"%1\" is not built yet; "
                                             "starting without it").arg(defaultPackage));
    }
    for (const QString& package : std::as_const(packages))
        window.loadPackage(package);

    const int status = application.exec();
    // Packages go before the window they hang on. An error while they unload still
    // reaches stderr, but opens no box on a window that is closing.
    host::SetExceptionReporter(standin::stderrReporter());
    window.packages()->unloadAll();
    return status;
}
