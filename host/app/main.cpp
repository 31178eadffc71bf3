// standin-ide: the stand-in IDE's executable. Everything it shows lives in the standin
// library, which the tests drive too; this file only orders start-up and exit.

#include "CommandLine.h"
#include "ErrorReporter.h"
#include "IdeHost.h"
#include "MainWindow.h"
#include "PackageManager.h"
#include "PaletteFile.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <utility>

namespace {

constexpr int kNotAllLoaded = 1;
constexpr int kBadUsage = 2;

void PrintLine(FILE* stream, const QString& text)
{
    std::fprintf(stream, "%s\n", qUtf8Printable(standin::OneLine(text)));
    std::fflush(stream);
}

// Qt would only say that no platform plugin could be loaded: say what is missing instead.
bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

// One line per loaded package: its name, version and file (the file last, as it may hold spaces).
void ListPackages(const standin::PackageManager& manager)
{
    for (const standin::PackageInfo& package : manager.Packages()) {
        if (package.loaded)
            PrintLine(stdout, QStringLiteral("%1 %2 %3").arg(package.name, package.version, package.file));
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Everything that can be wrong with the command line is found before a window opens.
    standin::CommandLine commandLine;
    QString error;
    QStringList undecodable;
    const QStringList arguments = standin::CommandLine::Arguments(argc, argv, &undecodable);
    if (!commandLine.Parse(arguments, &error, undecodable)) {
        PrintLine(stderr, QStringLiteral("standin-ide: %1 (see standin-ide --help)").arg(error));
        return kBadUsage;
    }
    if (commandLine.help) {
        std::fputs(qUtf8Printable(standin::CommandLine::Usage()), stdout);
        return EXIT_SUCCESS;
    }
    if (commandLine.version) {
        PrintLine(stdout, standin::CommandLine::VersionText());
        return EXIT_SUCCESS;
    }

    standin::Palette palette;
    if (commandLine.paletteFile.isEmpty())
        palette = standin::DefaultPalette();
    else if (!standin::LoadPaletteFile(commandLine.paletteFile, &palette, &error)) {
        PrintLine(stderr, QStringLiteral("standin-ide: %1").arg(error));
        return kBadUsage;
    }

    // A listing shows no window, so it needs no display.
    if (commandLine.listPackages && !HasDisplay())
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!HasDisplay()) {
        PrintLine(stderr, QStringLiteral(
            "standin-ide: no display: neither DISPLAY nor WAYLAND_DISPLAY is set. Run it on a desktop, "
            "or under a virtual X server: xvfb-run build/bin/standin-ide"));
        return kBadUsage;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("standin-ide"));
    QApplication::setApplicationDisplayName(QStringLiteral("Stand-in IDE"));
    QApplication::setApplicationVersion(standin::CommandLine::Version());
    QApplication::setOrganizationName(QStringLiteral("standin-ide"));

    host::ide::SetRegistryFile(commandLine.registryFile);
    host::ide::SetTheme(commandLine.theme);

    standin::MainWindow window(palette);
    // A listing reports refusals on stderr: a box would wait for a person who is not there.
    host::SetExceptionReporter(commandLine.listPackages ? standin::StderrReporter()
                                                        : standin::MessageBoxReporter(&window));
    if (!commandLine.listPackages)
        window.show();

    QStringList packages = commandLine.packages;
    bool allLoaded = true;
    if (commandLine.LoadsDefaultPackage()) {
        const QString defaultPackage = standin::PackageManager::DefaultPackageFile();
        if (QFileInfo::exists(defaultPackage))
            packages.append(defaultPackage);
        else {
            allLoaded = false;
            PrintLine(stderr, QStringLiteral("standin-ide: the default package \"%1\" is not built yet; "
                                             "starting without it").arg(defaultPackage));
        }
    }
    for (const QString& package : std::as_const(packages))
        allLoaded = window.LoadPackage(package) && allLoaded;

    if (commandLine.listPackages) {
        ListPackages(*window.Packages());
        window.Packages()->UnloadAll();
        return allLoaded ? EXIT_SUCCESS : kNotAllLoaded;
    }

    const int status = application.exec();
    // Packages go before the window they hang on. An error while they unload still
    // reaches stderr, but opens no box on a window that is closing.
    host::SetExceptionReporter(standin::StderrReporter());
    window.Packages()->UnloadAll();
    return status;
}
