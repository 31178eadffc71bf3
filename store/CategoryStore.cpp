#include "store/CategoryStore.h"

#include "host/Registry.h"

#include <algorithm>

namespace CategoryStore {

QString GetCategory(const host::TRegIniFile& reg, const QString& page)
{
    return reg.ReadString(Section, page, QString());
}

QStringList ReadRecentPages(const host::TRegIniFile& reg)
{
    // Read by position, so that entries written by hand or out of order still come in order.
    QHash<int, QString> byPosition;
    for (const auto& [name, caption] : reg.ReadSectionEntries(RecentSection)) {
        bool number = false;
        const int position = name.toInt(&number);
        if (number && position > 0)
            byPosition.insert(position, caption);
    }
    QList<int> positions = byPosition.keys();
    std::sort(positions.begin(), positions.end());
    QStringList captions;
    captions.reserve(positions.size());
    for (const int position : positions)
        captions.append(byPosition.value(position));
    return captions;
}

void WriteRecentPages(host::TRegIniFile& reg, const QStringList& captions)
{
    reg.Transaction([&] {
        reg.EraseSection(RecentSection);
        for (qsizetype i = 0; i < captions.size(); ++i)
            reg.WriteString(RecentSection, QString::number(i + 1), captions[i]);
    });
}

QStringList CategoryNames(const QString& list)
{
    QStringList names;
    ForEachCategoryName(list, [&names](const QString& name) { names.append(name); });
    return names;
}

Snapshot::Snapshot(const host::TRegIniFile& reg)
{
    Keep(reg.ReadSectionEntries(Section));
}

Snapshot::Snapshot(const host::TRegIniFile& reg, qsizetype pages)
{
    // A section is read whole in about the time of one point read per eight entries: up to
    // that many, one read of it is cheaper than a read per page.
    const qsizetype readWhole = 8 * pages + 64;
    const auto entries = reg.ReadSectionEntries(Section, readWhole + 1);
    if (entries.size() <= readWhole)
        Keep(entries);
    else
        m_reg = &reg;
}

void Snapshot::Keep(const QList<QPair<QString, QString>>& entries)
{
    m_lists.reserve(entries.size());
    for (const auto& [name, list] : entries)
        m_lists.insert(name, list);
}

QString Snapshot::GetCategory(const QString& page) const
{
    if (m_reg)
        return CategoryStore::GetCategory(*m_reg, page);
    // Pages are mostly stored under their names exactly; the store holds one entry per name
    // without regard to case, so an exact hit is the entry the store itself would give.
    if (const auto exact = m_lists.constFind(page); exact != m_lists.constEnd())
        return exact.value();
    if (!m_keyed) {
        m_listsByKey.reserve(m_lists.size());
        for (auto it = m_lists.constBegin(); it != m_lists.constEnd(); ++it)
            m_listsByKey.insert(host::RegistryNameKey(it.key()), it.value());
        m_keyed = true;
    }
    return m_listsByKey.value(host::RegistryNameKey(page));
}

} // namespace CategoryStore
