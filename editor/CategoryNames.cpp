#include "editor/CategoryNames.h"

#include "pages/PageOrder.h"
#include "pages/VlPaletteMenuCommon.h"
#include "store/CategoryStore.h"

#include <QSet>

#include <algorithm>

QString FoldForSearch(const QString& text)
{
    // Most names are ASCII, where folding is lowering; the filter folds thousands of rows.
    const bool ascii = std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x80; });
    if (ascii)
        return text.toLower();
    // Compatibility decomposition parts letters from their accents (and ligatures into
    // letters); the accents, non-spacing marks, are then dropped.
    const QString decomposed = text.normalized(QString::NormalizationForm_KD);
    QString bare;
    bare.reserve(decomposed.size());
    for (const QChar c : decomposed)
        if (c.category() != QChar::Mark_NonSpacing)
            bare.append(c);
    return bare.toCaseFolded();
}

QString SubmenuKey(const QString& name)
{
    return RemoveAmpersand(name).toCaseFolded();
}

void CategoryNameIndex::AddList(const QString& list)
{
    CategoryStore::ForEachCategoryName(list, [this](const QString& name) {
        if (name.isEmpty())
            return;
        const QString key = SubmenuKey(name);
        auto found = m_byKey.constFind(key);
        if (found == m_byKey.constEnd()) {
            found = m_byKey.insert(key, int(m_submenus.size()));
            m_submenus.append(Submenu{key, {}, 0, 0, QString()});
        }
        Submenu& submenu = m_submenus[found.value()];
        const bool first = submenu.spellings.isEmpty();
        ++submenu.uses;
        auto spelling = std::find_if(submenu.spellings.begin(), submenu.spellings.end(),
                                     [&name](const Spelling& known) { return known.name == name; });
        if (spelling == submenu.spellings.end()) {
            submenu.spellings.append(Spelling{name, 0});
            spelling = submenu.spellings.end() - 1;
        }
        ++spelling->uses;
        const int index = int(spelling - submenu.spellings.begin());
        if (first || (index != submenu.known && spelling->uses > submenu.spellings[submenu.known].uses)) {
            submenu.known = index;
            submenu.folded = FoldForSearch(name);
        }
        m_rankedValid = false;
    });
}

void CategoryNameIndex::Rank() const
{
    if (m_rankedValid)
        return;
    QStringList names;
    names.reserve(m_submenus.size());
    QHash<QString, int> byName;
    byName.reserve(m_submenus.size());
    for (int i = 0; i < m_submenus.size(); ++i) {
        const QString& name = m_submenus[i].spellings[m_submenus[i].known].name;
        names.append(name);
        byName.insert(name, i);
    }
    m_ranked.clear();
    m_ranked.reserve(m_submenus.size());
    for (const QString& name : SortedCaptions(names))
        m_ranked.append(byName.value(name));
    std::stable_sort(m_ranked.begin(), m_ranked.end(),
                     [this](int a, int b) { return m_submenus[a].uses > m_submenus[b].uses; });
    m_rankedValid = true;
}

QStringList CategoryNameIndex::Completions(const QString& typed, const QString& ownList, const QStringList& skip) const
{
    Rank();
    QHash<QString, int> own;
    CategoryStore::ForEachCategoryName(ownList, [&own](const QString& name) { ++own[SubmenuKey(name)]; });
    QSet<QString> skipped;
    for (const QString& name : skip)
        skipped.insert(SubmenuKey(name));
    const QString needle = FoldForSearch(typed);
    QStringList completions;
    for (const int i : std::as_const(m_ranked)) {
        const Submenu& submenu = m_submenus[i];
        if (!submenu.folded.startsWith(needle) || skipped.contains(submenu.key)
            || submenu.uses <= own.value(submenu.key))
            continue;
        completions.append(submenu.spellings[submenu.known].name);
    }
    return completions;
}

QString CategoryNameIndex::SubmenuSpelling(const QString& name) const
{
    const auto found = m_byKey.constFind(SubmenuKey(name));
    if (found == m_byKey.constEnd())
        return QString();
    const Submenu& submenu = m_submenus[found.value()];
    const QString& known = submenu.spellings[submenu.known].name;
    return known == name ? QString() : known;
}

int CategoryNameIndex::Uses(const QString& name) const
{
    const auto found = m_byKey.constFind(SubmenuKey(name));
    return found == m_byKey.constEnd() ? 0 : m_submenus[found.value()].uses;
}
