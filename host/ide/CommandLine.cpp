#include "host/ide/CommandLine.h"

#include "host/ide/PaletteFile.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <utility>

namespace standin {

namespace {

const QString PaletteOption = QStringLiteral("palette");
const QString RegistryOption = QStringLiteral("registry");
const QString ThemeOption = QStringLiteral("theme");
const QString PackageOption = QStringLiteral("package");
const QString NoDefaultPackageOption = QStringLiteral("no-default-package");
const QString ListPackagesOption = QStringLiteral("list-packages");
const QString HelpOption = QStringLiteral("help");
const QString VersionOption = QStringLiteral("version");

// Options that name one value must not be given twice: which one wins would be a guess.
bool singleValue(const QCommandLineParser& parser, const QString& name, QString* value, QString* error)
{
    const QStringList values = parser.values(name);
    if (values.size() > 1) {
        *error = QStringLiteral("--%1 is given more than once").arg(name);
        return false;
    }
    *value = values.value(0);
    return true;
}

// Whether the file name came from an argument that lost bytes in decoding.
bool lostInDecoding(const QString& name, const QStringList& undecodable)
{
    return std::any_of(undecodable.begin(), undecodable.end(), [&](const QString& argument) {
        return argument == name || argument.endsWith(QLatin1Char('=') + name);
    });
}

} // namespace

QStringList CommandLine::arguments(int argc, const char* const* argv, QStringList* undecodable)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        arguments.append(QFile::decodeName(bytes));
        if (QFile::encodeName(arguments.last()) != bytes)
            undecodable->append(arguments.last());
    }
    return arguments;
}

bool CommandLine::parse(const QStringList& arguments, QString* error, const QStringList& undecodable)
{
    *this = CommandLine();
    const auto nameLost = [&](const QString& kind, const QString& name) {
        if (!lostInDecoding(name, undecodable))
            return false;
        *error = QStringLiteral("%1 \"%2\" cannot be read: its name is not valid UTF-8").arg(kind, name);
        return true;
    };

    // Our own help and version options: QCommandLineParser's would print through the
    // application object and exit on their own.
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.addOptions({
        {PaletteOption, QString(), QStringLiteral("FILE")},
        {RegistryOption, QString(), QStringLiteral("FILE")},
        {ThemeOption, QString(), QStringLiteral("THEME")},
        {PackageOption, QString(), QStringLiteral("FILE")},
        {NoDefaultPackageOption, QString()},
        {ListPackagesOption, QString()},
        {{QStringLiteral("h"), HelpOption}, QString()},
        {{QStringLiteral("v"), VersionOption}, QString()},
    });

    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    const QStringList positional = parser.positionalArguments();
    if (!positional.isEmpty()) {
        *error = QStringLiteral("unexpected argument \"%1\"").arg(positional.first());
        return false;
    }

    showHelp = parser.isSet(HelpOption);
    showVersion = parser.isSet(VersionOption);
    if (showHelp || showVersion)
        return true;

    if (!singleValue(parser, PaletteOption, &paletteFile, error)
        || !singleValue(parser, RegistryOption, &registryFile, error))
        return false;
    if (parser.isSet(PaletteOption) && paletteFile.isEmpty()) {
        *error = QStringLiteral("--palette needs a file name");
        return false;
    }
    if (nameLost(QStringLiteral("palette file"), paletteFile) || nameLost(QStringLiteral("store file"), registryFile))
        return false;
    if (parser.isSet(RegistryOption)) {
        if (registryFile.isEmpty()) {
            *error = QStringLiteral("--registry needs a file name");
            return false;
        }
        if (const QString problem = host::ide::registryFileProblem(registryFile); !problem.isEmpty()) {
            *error = QStringLiteral("--registry \"%1\" is not a usable store: %2").arg(registryFile, problem);
            return false;
        }
    }

    QString themeName;
    if (!singleValue(parser, ThemeOption, &themeName, error))
        return false;
    if (themeName.isEmpty() && !parser.isSet(ThemeOption))
        theme = host::ide::Theme::Light;
    else if (themeName == QLatin1String("light"))
        theme = host::ide::Theme::Light;
    else if (themeName == QLatin1String("dark"))
        theme = host::ide::Theme::Dark;
    else if (themeName == QLatin1String("none"))
        theme = host::ide::Theme::None;
    else {
        *error = QStringLiteral("--theme \"%1\" is not one of light, dark, none").arg(themeName);
        return false;
    }

    packages = parser.values(PackageOption);
    for (const QString& package : std::as_const(packages)) {
        const QFileInfo info(package);
        if (package.isEmpty()) {
            *error = QStringLiteral("--package needs a file name");
            return false;
        }
        if (nameLost(QStringLiteral("package file"), package))
            return false;
        if (!info.exists()) {
            *error = QStringLiteral("package file \"%1\" does not exist").arg(package);
            return false;
        }
        if (info.isDir()) {
            *error = QStringLiteral("package file \"%1\" is a folder").arg(package);
            return false;
        }
    }
    noDefaultPackage = parser.isSet(NoDefaultPackageOption);
    listPackages = parser.isSet(ListPackagesOption);
    return true;
}

QString CommandLine::usage()
{
    return QStringLiteral(
               "Usage: standin-ide [OPTION]...\n"
               "A small IDE shell that loads design-time packages.\n"
               "\n"
               "  --palette FILE          the tool palette's pages, from a JSON file:\n"
               "                          {\"pages\": [{\"caption\": \"Basic Controls\", \"components\": [\"PushButton\"]}]}\n"
               "                          (default: the built-in palette)\n"
               "  --registry FILE         the per-user store (default: %1)\n"
               "  --theme light|dark|none the IDE theme; none runs without theming services\n"
               "                          (default: light)\n"
               "  --package FILE          load this package; may be given more than once\n"
               "                          (default: the VorlaPaletteMenu package beside this\n"
               "                          program; named packages replace it unless it is named too)\n"
               "  --no-default-package    start without the default package\n"
               "  --list-packages         load the packages, print each one loaded (name, version,\n"
               "                          file) and exit; shows no window and needs no display\n"
               "  -h, --help              show this help and exit\n"
               "  -v, --version           show the version and exit\n"
               "\n"
               "A palette file must be a regular file of at most %2 MiB.\n"
               "Exit status: 0 on success, 1 when --list-packages could not load a package,\n"
               "2 for a bad argument, palette file or store file.\n")
        .arg(host::ide::defaultRegistryFile(), QString::number(MaxPaletteFileBytes >> 20));
}

QString CommandLine::version()
{
    return QStringLiteral(VORLA_VERSION);
}

QString CommandLine::versionText()
{
    return QStringLiteral("standin-ide ") + version();
}

} // namespace standin
