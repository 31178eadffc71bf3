#pragma once

#include "IdeHost.h"

#include <QString>
#include <QStringList>

namespace standin {

// What the IDE was asked to do on its command line:
//   standin-ide [--palette FILE] [--registry FILE] [--theme light|dark|none]
//               [--package FILE]... [--no-default-package] [--help] [--version]
struct CommandLine {
    QString paletteFile;   // empty: the built-in palette
    QString registryFile;  // empty: the per-user default store
    host::ide::Theme theme = host::ide::Theme::Light;
    QStringList packages;  // in the order given
    bool noDefaultPackage = false;
    bool help = false;
    bool version = false;

    // Parses arguments (the program name first). Needs no application object, so that
    // a bad argument is reported before anything else starts. On failure returns false
    // and sets *error to one line naming the problem.
    bool Parse(const QStringList& arguments, QString* error);

    // Whether the built-in package is to be loaded: only when no --package is given
    // and it was not turned off.
    bool LoadsDefaultPackage() const { return !noDefaultPackage && packages.isEmpty(); }

    static QString Usage();
    static QString VersionText(); // "standin-ide 4.0.1"
    static QString Version();
};

} // namespace standin
