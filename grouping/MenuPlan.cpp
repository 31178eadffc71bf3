#include "grouping/MenuPlan.h"

#include <algorithm>

int SubmenuPlan::SubmenuOf(QStringView name)
{
    // Pages name the same few categories over and over: each spelling met is remembered.
    if (const auto known = m_byName.constFind(name); known != m_byName.constEnd())
        return known.value();
    const QString key = SubmenuKey(name);
    if (const auto known = m_byKey.constFind(key); known != m_byKey.constEnd()) {
        Remember(name.toString(), known.value());
        return known.value();
    }
    // Once the menu holds as many submenus as it lists, a new name is not placed (no
    // ordered search, no string made): a list of 20,000 names on each of ten pages.
    if (Full())
        return None;
    const QString whole = name.toString();
    const auto position = std::partition_point(m_ordered.begin(), m_ordered.end(), [&](int other) {
        return QString::compare(m_submenus[static_cast<std::size_t>(other)].name, whole, Qt::CaseSensitive) <= 0;
    });
    const int submenu = static_cast<int>(m_submenus.size());
    m_submenus.push_back({whole, {}, 0});
    m_ordered.insert(position, submenu);
    m_byKey.insert(key, submenu);
    Remember(whole, submenu);
    return submenu;
}

void SubmenuPlan::Admit(int submenu, int page)
{
    if (submenu != None && m_listedInAll < MaxPagesInAll) {
        Submenu& planned = m_submenus[static_cast<std::size_t>(submenu)];
        if (planned.pages.size() < std::size_t(MaxItemsInOneMenu)) {
            planned.pages.push_back(page);
            ++m_listedInAll;
            return;
        }
    }
    ++(submenu == None ? m_notShown : m_submenus[static_cast<std::size_t>(submenu)].notShown);
}

QStringList SubmenuPlan::NamesOf(QStringView list, QStringView other)
{
    // A list at the store's limit names some 260,000 categories: each is looked up once, and
    // told apart from those already named by a mark per submenu, not by comparing names.
    ++m_namesOfCalls;
    QStringList names;
    ForEachMenuCategory(list, other, [&](QStringView name) {
        const int submenu = SubmenuOf(name);
        if (submenu == None)
            return;
        const auto at = static_cast<std::size_t>(submenu);
        if (at >= m_namedBy.size())
            m_namedBy.resize(at + 1, 0);
        if (m_namedBy[at] == m_namesOfCalls)
            return;
        m_namedBy[at] = m_namesOfCalls;
        names.append(m_submenus[at].name);
    });
    return names;
}

void SubmenuPlan::Remember(const QString& spelling, int submenu)
{
    m_spellings.push_back(spelling);
    m_byName.insert(m_spellings.back(), submenu);
}
