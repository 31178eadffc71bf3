#pragma once

#include "grouping/CategoryList.h"

#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <deque>
#include <vector>

// What one menu lists at most. Qt checks each item added to a menu against the items already
// there, so a menu's cost grows with the square of its items, and a hostile store (a page
// filed 100,000 times) must not freeze the IDE. No palette and store a person keeps come
// near these; a 10,000-page palette is listed whole.
inline constexpr int MaxItemsInOneMenu = 10000; // category submenus in the menu, or pages in one submenu
inline constexpr int MaxPagesInAll = 100000;
// The longest category caption a menu shows; the store keeps the whole name.
inline constexpr int MaxCaptionLength = 200;

// The category submenus of one menu, planned before any item is made: which submenus, in
// ordinal order of their names, and which pages (indexes into the menu's sorted pages) each
// lists. Names that differ only in letter case or "&" share a submenu, named by the spelling
// met first. A page is filed under each submenu of its list (ForEachMenuCategory). Indexed
// so that filing thousands of pages stays linear.
class SubmenuPlan {
public:
    // The submenu of a category the menu has no room for.
    static constexpr int None = -1;

    struct Submenu {
        QString name; // the category name whole
        std::vector<int> pages;
        int notShown = 0; // pages past what the submenu lists
    };

    // The submenu of category name, planned where it sorts when new (before the first
    // whose name is ordinally greater); None when the menu lists as many as it may.
    int SubmenuOf(QStringView name);
    // Files page into submenu (None: its category is not listed), unless the submenu or the
    // menu lists as many pages as it may; a page refused is counted as not shown.
    void Admit(int submenu, int page);

    // Calls visit(submenu) for each submenu in menu order.
    template <typename Visit>
    void ForEachSubmenu(Visit&& visit) const
    {
        for (const int index : m_ordered)
            visit(m_submenus[static_cast<std::size_t>(index)]);
    }
    // The names of the submenus a page of list is listed under, each once, as the menu names
    // them (the spelling met first in this plan); other when list names none. Planned as
    // SubmenuOf plans them; a submenu the menu has no room for is left out.
    QStringList NamesOf(QStringView list, QStringView other);
    // Pages of categories the menu had no room for.
    int NotShown() const { return m_notShown; }

private:
    bool Full() const { return m_ordered.size() >= std::size_t(MaxItemsInOneMenu); }
    // Looked up by views into the lists read, which may go before the plan does: each
    // spelling is kept here.
    void Remember(const QString& spelling, int submenu);

    std::vector<Submenu> m_submenus;  // in the order planned
    std::vector<int> m_ordered;       // m_submenus' indexes in the menu's order
    QHash<QString, int> m_byKey;      // by SubmenuKey
    std::deque<QString> m_spellings;  // each spelling already resolved
    QHash<QStringView, int> m_byName; // by those spellings
    int m_notShown = 0;
    int m_listedInAll = 0;
    // Per submenu: the NamesOf call that last named it, so that each call names it once.
    std::vector<qint64> m_namedBy;
    qint64 m_namesOfCalls = 0;
};
