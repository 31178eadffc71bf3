#include "host/Registry.h"
#include "host/registry/RegistryTr.h"

#include "host/Exceptions.h"
#include "host/registry/RegistryBackend.h"
#include "host/registry/core/RegistryCore.h"
#include "host/registry/sqlite/NameKey.h"

#include <QChar>
#include <QCoreApplication>
#include <QLocale>
#include <QStringBuilder>

#include <algorithm>

namespace host {

namespace {

const QChar Separator = QLatin1Char('\\');

RegistryKeyPath splitKey(const QString& path)
{
    return path.split(Separator, Qt::SkipEmptyParts);
}

// A name as a message quotes it: U+0000 shown as a symbol, since a message is passed on as a C
// string, which would end there.
QString visible(QString name)
{
    return name.replace(QChar(0), QChar(0x2400));
}

// A long name's start.
QString abbreviated(const QString& name)
{
    constexpr int Shown = 60;
    return visible(name.size() <= Shown ? name : name.left(Shown) + QChar(0x2026));
}

// "<what> is <length> long; the registry allows at most <limit>". One arg() for all: what may
// hold a name, and a name holding "%2" must not take the length's place.
QString tooLong(const QString& what, std::size_t length, const char* unit, std::size_t limit)
{
    const QLocale locale;
    return RegistryTr::tr("%1 is %2 %3 long; the registry allows at most %4")
        .arg(what, locale.toString(qulonglong(length)), RegistryTr::tr(unit), locale.toString(qulonglong(limit)));
}

} // namespace

QString RegistryNameKey(const QString& name)
{
    QString key(name.size(), Qt::Uninitialized);
    registry::nameKey({reinterpret_cast<const char16_t*>(name.utf16()), std::size_t(name.size())},
                      reinterpret_cast<char16_t*>(key.data()));
    return key;
}

QString refusalReason(const registry::Refusal& refusal)
{
    const char* const characters = QT_TRANSLATE_NOOP("Registry", "characters");
    const auto nameOf = [&] {
        return QString(reinterpret_cast<const QChar*>(refusal.keyName.data()), qsizetype(refusal.keyName.size()));
    };
    switch (refusal.kind) {
    case registry::Refusal::KeyNameTooLong:
        return tooLong(RegistryTr::tr("the key name \"%1\"").arg(abbreviated(nameOf())), refusal.length, characters,
                       refusal.limit);
    case registry::Refusal::ValueNameTooLong:
        return tooLong(RegistryTr::tr("the value name"), refusal.length, characters, refusal.limit);
    case registry::Refusal::ValueTooLong:
        return tooLong(RegistryTr::tr("the value"), refusal.length,
                       QT_TRANSLATE_NOOP("Registry", "UTF-16 code units (2 bytes each)"), refusal.limit);
    case registry::Refusal::NulInKeyName:
        return RegistryTr::tr("the key name \"%1\" holds a NUL character, which ends a name in the registry")
            .arg(abbreviated(nameOf()));
    case registry::Refusal::NulInValueName:
        return RegistryTr::tr("the value name holds a NUL character, which ends a name in the registry");
    case registry::Refusal::None: break;
    }
    return QString();
}

// The verbs of RegistryAction, listed for translation: the backend names them where it works.
[[maybe_unused]] constexpr const char* RegistryVerbs[] = {
    QT_TRANSLATE_NOOP("Registry", "begin a change"), QT_TRANSLATE_NOOP("Registry", "commit a change"),
    QT_TRANSLATE_NOOP("Registry", "create"),         QT_TRANSLATE_NOOP("Registry", "delete"),
    QT_TRANSLATE_NOOP("Registry", "erase"),          QT_TRANSLATE_NOOP("Registry", "list"),
    QT_TRANSLATE_NOOP("Registry", "open the store"), QT_TRANSLATE_NOOP("Registry", "read"),
    QT_TRANSLATE_NOOP("Registry", "write"),          QT_TRANSLATE_NOOP("Registry", "move"),
};

QString RegistryAction::text() const
{
    const QString done = RegistryTr::tr(verb);
    if (name && key)
        return RegistryTr::tr("%1 \"%2\" in key \"%3\"").arg(done, abbreviated(*name), visible(key->join(Separator)));
    if (name)
        return RegistryTr::tr("%1 \"%2\"").arg(done, abbreviated(*name));
    if (key)
        return RegistryTr::tr("%1 key \"%2\"").arg(done, visible(key->join(Separator)));
    return done;
}

void raiseRegistryError(const QString& store, const RegistryAction& action, const QString& reason)
{
    throw ERegistryException(RegistryTr::tr("Registry store \"%1\": cannot %2: %3").arg(store, action.text(), reason));
}

TRegIniFile::TRegIniFile(const QString& key) : m_key(key), m_path(splitKey(key)), m_location(registryLocation())
{
    CheckKeyNames(m_path, {"create", &m_path});
}

TRegIniFile::~TRegIniFile() = default;

QString TRegIniFile::FileName() const
{
    return m_key;
}

QString TRegIniFile::StoreLocation() const
{
    return m_location;
}

RegistryBackend& TRegIniFile::Backend(bool writing) const
{
    // A file moved, removed or replaced since the last use is looked at afresh, as at the
    // first use; writing on through the old connection would write where no one reads.
    if (m_backend && !m_backend->stillCurrent(writing))
        m_backend.reset();
    if (!m_backend) {
        std::unique_ptr<RegistryBackend> backend = openRegistryBackend(m_location);
        if (m_lockWait >= 0)
            backend->setLockWait(m_lockWait);
        backend->createKey(m_path);
        m_backend = std::move(backend);
        ++m_connections;
    }
    return *m_backend;
}

quint64 TRegIniFile::ChangeCount() const
{
    RegistryBackend& backend = Backend(false);
    const std::optional<quint64> changes = backend.changeCount();
    // A new connection (the file was replaced, or the last one failed) may see another store.
    if (!changes || *changes != m_seenChanges || m_connections != m_seenConnection)
        ++m_changeCount;
    m_seenChanges = changes.value_or(0);
    m_seenConnection = m_connections;
    return m_changeCount;
}

RegistryKeyPath TRegIniFile::SectionPath(const QString& section) const
{
    // Callers name the same section over and over (an import writes thousands of entries).
    if (m_lastSectionPath.isEmpty() || section != m_lastSection) {
        m_lastSectionPath = m_path + splitKey(section);
        m_lastSection = section;
    }
    return m_lastSectionPath;
}

void TRegIniFile::CheckKeyNames(const RegistryKeyPath& path, const RegistryAction& action) const
{
    registry::KeyPath key;
    for (const QString& name : path)
        key.emplace_back(reinterpret_cast<const char16_t*>(name.utf16()), std::size_t(name.size()));
    if (const registry::Refusal refusal = registry::checkKeyPath(key))
        raiseRegistryError(m_location, action, refusalReason(refusal));
    if (path.isEmpty())
        raiseRegistryError(m_location, action, RegistryTr::tr("no key is named"));
}

QString TRegIniFile::ReadString(const QString& section, const QString& name, const QString& defaultValue) const
{
    return Backend(false).readValue(SectionPath(section), name).value_or(defaultValue);
}

void TRegIniFile::WriteString(const QString& section, const QString& name, const QString& value)
{
    // The backend refuses what the registry cannot hold.
    Backend(true).writeValue(SectionPath(section), name, value);
}

void TRegIniFile::DeleteKey(const QString& section, const QString& name)
{
    Backend(true).deleteValue(SectionPath(section), name);
}

void TRegIniFile::EraseSection(const QString& section)
{
    const RegistryKeyPath path = SectionPath(section);
    // Erasing no section at all would erase the key itself, which the host never does.
    if (path.size() == m_path.size())
        raiseRegistryError(m_location, {"erase", &path}, RegistryTr::tr("no section is named"));
    Backend(true).deleteKey(path);
}

void TRegIniFile::ReadSectionValues(const QString& section, QStringList& lines) const
{
    const QList<QPair<QString, QString>> entries = ReadSectionEntries(section);
    lines.clear();
    lines.reserve(entries.size());
    for (const auto& [name, value] : entries) {
        if (!value.isEmpty())
            lines.append(name % QLatin1Char('=') % value);
    }
}

QList<QPair<QString, QString>> TRegIniFile::ReadSectionEntries(const QString& section) const
{
    return Backend(false).values(SectionPath(section), -1);
}

QList<QPair<QString, QString>> TRegIniFile::ReadSectionEntries(const QString& section, qsizetype limit) const
{
    return Backend(false).values(SectionPath(section), std::max<qsizetype>(limit, 0));
}

qsizetype TRegIniFile::SectionSize(const QString& section) const
{
    return Backend(false).valueCount(SectionPath(section));
}

void TRegIniFile::EraseSection(const QString& section, const std::function<void(qsizetype, qsizetype)>& progress)
{
    const RegistryKeyPath path = SectionPath(section);
    if (path.size() == m_path.size())
        raiseRegistryError(m_location, {"erase", &path}, RegistryTr::tr("no section is named"));
    Backend(true).deleteKeyInSlices(path, progress);
}

void TRegIniFile::MoveSection(const QString& section, const QString& newName)
{
    const RegistryKeyPath from = SectionPath(section);
    const RegistryKeyPath to = SectionPath(newName);
    if (from.size() == m_path.size() || to.size() == m_path.size())
        raiseRegistryError(m_location, {"move", &from}, RegistryTr::tr("no section is named"));
    Backend(true).moveKey(from, to);
}

QList<QPair<QString, QString>> TRegIniFile::ReadSectionPart(const QString& section, qint64& position,
                                                            qsizetype limit) const
{
    return Backend(false).valuesAfter(SectionPath(section), position, limit);
}

void TRegIniFile::SetLockWait(int milliseconds)
{
    m_lockWait = std::max(0, milliseconds);
    if (m_backend)
        m_backend->setLockWait(m_lockWait);
}

void TRegIniFile::Transaction(const std::function<void()>& changes)
{
    Backend(true).transaction(m_path, changes);
}

} // namespace host
