#include "host/ide/PackageManager.h"

#include "host/Events.h"
#include "host/Exceptions.h"
#include "host/Package.h"
#include "host/ide/Tr.h"
#include "host/private/IdeHost.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>

#include <algorithm>

namespace standin {

struct PackageManager::Entry {
    PackageInfo info;
    std::unique_ptr<QLibrary> library;
};

namespace {

using DescriptionFunction = const host::PackageDescription* (*)();
using RegisterFunction = void (*)();

[[noreturn]] void raiseRefusal(const QString& message)
{
    throw host::EPackageError(message);
}

// Package names, like unit names, ignore letter case.
bool sameName(const QString& a, const QString& b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

QString textOf(const char* text)
{
    return text ? QString::fromUtf8(text) : QString();
}

// Ends the registration window whether Register returns or raises.
class RegistrationScope {
public:
    explicit RegistrationScope(const QString& package) { host::ide::beginPackageRegistration(package); }
    ~RegistrationScope() { host::ide::endPackageRegistration(); }
    RegistrationScope(const RegistrationScope&) = delete;
    RegistrationScope& operator=(const RegistrationScope&) = delete;
};

// QLibrary's message names the file twice, and the loader's own once more: keep only the
// loader's reason ("file too short", "invalid ELF header").
QString loadFailure(const QString& message, const QString& path)
{
    const QString marker = path + QStringLiteral(": ");
    const qsizetype at = message.lastIndexOf(marker);
    if (at < 0)
        return message;
    QString reason = message.mid(at + marker.size());
    if (at > 0 && message.at(at - 1) == QLatin1Char('(') && reason.endsWith(QLatin1Char(')')))
        reason.chop(1);
    return reason;
}

} // namespace

PackageManager::PackageManager(QObject* parent) : QObject(parent) {}

PackageManager::~PackageManager()
{
    unloadAll();
}

QStringList PackageManager::providedPackages()
{
    return {QStringLiteral("hostdesign"), QStringLiteral("hostcontrols")};
}

QString PackageManager::defaultPackageFile()
{
    // Relative to the executable, so that the build tree and an installed tree each find
    // their own package wherever they are. An installed tree has no build-tree folder, nor
    // the build tree an installed one; the build tree's path names a package not built yet.
    const QDir folder(QCoreApplication::applicationDirPath());
    const QString installed = QDir::cleanPath(folder.filePath(QStringLiteral(VORLA_INSTALLED_PACKAGE)));
    if (QFileInfo::exists(installed))
        return installed;
    return QDir::cleanPath(folder.filePath(QStringLiteral(VORLA_BUILT_PACKAGE)));
}

PackageInfo PackageManager::load(const QString& file)
{
    const QFileInfo fileInfo(file);
    if (!fileInfo.exists())
        raiseRefusal(Tr::tr("Package file \"%1\" does not exist").arg(file));
    if (!fileInfo.isFile())
        raiseRefusal(Tr::tr("Package file \"%1\" is not a file").arg(file));
    const QString path = fileInfo.absoluteFilePath();
    // QLibrary shares one handle between instances of the same file, and dropping the
    // second instance would unload the first one's code: refuse before loading it again.
    for (const auto& entry : m_loaded) {
        if (QFileInfo(entry->info.file).canonicalFilePath() == fileInfo.canonicalFilePath())
            raiseRefusal(
                Tr::tr("Package \"%1\" is already loaded (from \"%2\")").arg(entry->info.name, entry->info.file));
    }

    auto library = std::make_unique<QLibrary>(path);
    // Resolve every symbol now, so that a broken package fails here and not later.
    library->setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library->load())
        raiseRefusal(Tr::tr("\"%1\" is not a package: it cannot be loaded as a shared library (%2)")
                         .arg(path, loadFailure(library->errorString(), path)));

    // From here on a refusal unloads the library again.
    auto refuse = [&library](const QString& message) {
        library->unload();
        raiseRefusal(message);
    };

    auto describe = reinterpret_cast<DescriptionFunction>(library->resolve(HOST_PACKAGE_DESCRIPTION_SYMBOL));
    auto registerPackage = reinterpret_cast<RegisterFunction>(library->resolve(HOST_PACKAGE_REGISTER_SYMBOL));
    if (!describe || !registerPackage)
        refuse(
            Tr::tr("\"%1\" is not a package: it does not export %2")
                .arg(path, QLatin1String(!describe ? HOST_PACKAGE_DESCRIPTION_SYMBOL : HOST_PACKAGE_REGISTER_SYMBOL)));

    const host::PackageDescription* description = describe();
    if (!description || !description->name || !*description->name)
        refuse(Tr::tr("\"%1\" is not a package: it describes itself without a name").arg(path));

    PackageInfo info;
    info.name = textOf(description->name);
    info.description = textOf(description->description);
    info.version = textOf(description->version);
    info.designTimeOnly = description->designTimeOnly;
    info.file = path;
    for (const char* const* required = description->requiredPackages; required && *required; ++required)
        info.requiredPackages.append(textOf(*required));

    if (const Entry* existing = findLoaded(info.name))
        refuse(Tr::tr("Package \"%1\" is already loaded (from \"%2\")").arg(info.name, existing->info.file));
    const QStringList provided = providedPackages();
    for (const QString& required : std::as_const(info.requiredPackages)) {
        if (!provided.contains(required))
            refuse(Tr::tr("Package \"%1\" requires \"%2\", which this IDE does not provide (it provides %3)")
                       .arg(info.name, required, provided.join(QStringLiteral(", "))));
    }

    info.loaded = true;
    auto entry = std::make_unique<Entry>();
    entry->info = info;
    entry->library = std::move(library);
    m_loaded.push_back(std::move(entry));
    m_unloaded.erase(std::remove_if(m_unloaded.begin(), m_unloaded.end(),
                                    [&](const PackageInfo& old) { return sameName(old.name, info.name); }),
                     m_unloaded.end());

    {
        RegistrationScope scope(info.name);
        host::RunHandler(registerPackage);
    }
    Q_EMIT packagesChanged();
    return info;
}

void PackageManager::unload(const QString& name)
{
    const auto it = std::find_if(m_loaded.begin(), m_loaded.end(),
                                 [&](const std::unique_ptr<Entry>& entry) { return sameName(entry->info.name, name); });
    if (it == m_loaded.end())
        raiseRefusal(Tr::tr("No package named \"%1\" is loaded").arg(name));

    std::unique_ptr<Entry> entry = std::move(*it);
    m_loaded.erase(it);

    // The package's objects go before its code does.
    host::ide::releasePackageWizards(entry->info.name);
    entry->library->unload();

    entry->info.loaded = false;
    m_unloaded.append(entry->info);
    Q_EMIT packagesChanged();
}

void PackageManager::unloadAll()
{
    while (!m_loaded.empty())
        unload(m_loaded.back()->info.name);
}

bool PackageManager::isLoaded(const QString& name) const
{
    return findLoaded(name) != nullptr;
}

QVector<PackageInfo> PackageManager::packages() const
{
    QVector<PackageInfo> result;
    for (const auto& entry : m_loaded)
        result.append(entry->info);
    result.append(m_unloaded);
    return result;
}

PackageManager::Entry* PackageManager::findLoaded(const QString& name) const
{
    for (const auto& entry : m_loaded) {
        if (sameName(entry->info.name, name))
            return entry.get();
    }
    return nullptr;
}

} // namespace standin
