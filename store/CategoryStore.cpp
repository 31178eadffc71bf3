#include "CategoryStore.h"

#include "host/Registry.h"

namespace CategoryStore {

const QString Key = QStringLiteral("Software\\Vorla\\Palette Menu");
const QString Section = QStringLiteral("Categories");

QString GetCategory(const host::TRegIniFile& reg, const QString& page)
{
    return reg.ReadString(Section, page, QString());
}

QStringList CategoryNames(const QString& list)
{
    if (list.isEmpty())
        return {};
    return list.split(QLatin1Char(';'));
}

Snapshot::Snapshot(const host::TRegIniFile& reg)
{
    const auto entries = reg.ReadSectionEntries(Section);
    m_lists.reserve(entries.size());
    for (const auto& [name, list] : entries)
        m_lists.insert(host::RegistryNameKey(name), list);
}

QString Snapshot::GetCategory(const QString& page) const
{
    return m_lists.value(host::RegistryNameKey(page));
}

} // namespace CategoryStore
