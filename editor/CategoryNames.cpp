#include "editor/CategoryNames.h"

#include "grouping/CategoryList.h"
#include "grouping/SearchFolding.h"
#include "pages/PageOrder.h"

#include <QSet>

#include <algorithm>

void CategoryNameIndex::Introduce(const QString& list)
{
    Count(list, 0);
}

void CategoryNameIndex::AddList(const QString& list)
{
    Count(list, 1);
}

void CategoryNameIndex::ReplaceList(const QString& before, const QString& after)
{
    // Only the names past the lists' common start change, counted from the ";" where it
    // ends: an Add Category over thousands of rows appends one name to each.
    qsizetype same = 0;
    while (same < before.size() && same < after.size() && before.at(same) == after.at(same))
        ++same;
    const auto endsName = [](const QString& list, qsizetype at) {
        return at == list.size() || list.at(at) == QChar(ListSeparator);
    };
    if (!endsName(before, same) || !endsName(after, same))
        same = same == 0 ? 0 : before.lastIndexOf(QChar(ListSeparator), same - 1) + 1;
    Count(QStringView(before).mid(same), -1);
    Count(QStringView(after).mid(same), 1);
}

void CategoryNameIndex::Count(QStringView list, int uses)
{
    ForEachCategory(list, [this, uses](QStringView name) {
        const QString key = SubmenuKey(name);
        auto found = m_byKey.constFind(key);
        if (found == m_byKey.constEnd()) {
            found = m_byKey.insert(key, int(m_submenus.size()));
            m_submenus.append(Submenu{key, {}, 0});
        }
        Submenu& submenu = m_submenus[found.value()];
        submenu.uses += uses;
        auto spelling = std::find_if(submenu.spellings.begin(), submenu.spellings.end(),
                                     [&name](const Spelling& known) { return known.name == name; });
        if (spelling == submenu.spellings.end())
            submenu.spellings.append(Spelling{name.toString(), uses});
        else
            spelling->uses += uses;
        m_rankedValid = false;
    });
}

const QString& CategoryNameIndex::KnownSpelling(const Submenu& submenu)
{
    const Spelling* known = &submenu.spellings.first();
    for (const Spelling& spelling : submenu.spellings)
        if (spelling.uses > known->uses)
            known = &spelling;
    return known->name;
}

void CategoryNameIndex::Rank() const
{
    if (m_rankedValid)
        return;
    QStringList names;
    names.reserve(m_submenus.size());
    for (const Submenu& submenu : std::as_const(m_submenus))
        names.append(KnownSpelling(submenu));
    // In the user's collation, each submenu where its spelling sorts.
    std::vector<int> order;
    CaptionSorter().Sorted(names, order);
    m_ranked = QList<int>(order.begin(), order.end());
    std::stable_sort(m_ranked.begin(), m_ranked.end(),
                     [this](int a, int b) { return m_submenus[a].uses > m_submenus[b].uses; });
    m_rankedFolded.clear();
    m_rankedFolded.reserve(m_ranked.size());
    for (const int i : std::as_const(m_ranked))
        m_rankedFolded.append(FoldForSearch(KnownSpelling(m_submenus[i])));
    m_rankedValid = true;
}

QStringList CategoryNameIndex::Completions(const QString& typed, const QString& ownList, const QStringList& skip) const
{
    Rank();
    QHash<QString, int> own;
    ForEachCategory(ownList, [&own](QStringView name) { ++own[SubmenuKey(name)]; });
    QSet<QString> skipped;
    for (const QString& name : skip)
        skipped.insert(SubmenuKey(name));
    const QString needle = FoldForSearch(typed);
    QStringList completions;
    for (qsizetype rank = 0; rank < m_ranked.size(); ++rank) {
        const Submenu& submenu = m_submenus[m_ranked[rank]];
        if (!m_rankedFolded[rank].startsWith(needle) || skipped.contains(submenu.key)
            || submenu.uses <= own.value(submenu.key))
            continue;
        completions.append(KnownSpelling(submenu));
    }
    return completions;
}

QString CategoryNameIndex::SubmenuSpelling(const QString& name) const
{
    const auto found = m_byKey.constFind(SubmenuKey(name));
    if (found == m_byKey.constEnd())
        return QString();
    const QString& known = KnownSpelling(m_submenus[found.value()]);
    return known == name ? QString() : known;
}

int CategoryNameIndex::Uses(const QString& name) const
{
    const auto found = m_byKey.constFind(SubmenuKey(name));
    return found == m_byKey.constEnd() ? 0 : m_submenus[found.value()].uses;
}
