#pragma once

#include "host/private/StandinOnly.h"

#include "host/private/IdeHost.h"

#include <QString>
#include <QStringList>

namespace standin {

// What the IDE was asked to do on its command line:
//   standin-ide [--palette FILE] [--registry FILE] [--theme light|dark|none]
//               [--package FILE]... [--no-default-package] [--list-packages]
//               [--help] [--version]
struct CommandLine {
    QString paletteFile;  // empty: the built-in palette
    QString registryFile; // empty: the per-user default store
    host::ide::Theme theme = host::ide::Theme::Light;
    QStringList packages; // in the order given
    bool noDefaultPackage = false;
    bool listPackages = false; // load the packages, print those loaded and exit
    bool showHelp = false;
    bool showVersion = false;

    // Parses arguments (the program name first). Needs no application object, so that
    // a bad argument is reported before anything else starts. undecodable lists the
    // arguments that lost bytes in decoding (see arguments()): a file named in one of them is
    // refused as unreadable. On failure returns false and sets *error to one line naming
    // the problem.
    bool parse(const QStringList& arguments, QString* error, const QStringList& undecodable = {});

    // The program's arguments as Qt decodes them (file names are UTF-8); those that are not
    // valid UTF-8, and so no longer name the file meant, are also put in *undecodable.
    static QStringList arguments(int argc, const char* const* argv, QStringList* undecodable);

    // Whether the built-in package is to be loaded: only when no --package is given
    // and it was not turned off.
    bool loadsDefaultPackage() const { return !noDefaultPackage && packages.isEmpty(); }

    static QString usage();
    static QString versionText(); // "standin-ide 4.0.1"
    static QString version();
};

} // namespace standin
