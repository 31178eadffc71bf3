#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

// How the grouping reads what the store keeps: a page is named by its caption, and its
// category list names the submenus the menus file it under. The store keeps every list
// exactly as written; these rules say what it means.

// s with every "&" removed, each other character kept in order: a menu caption's
// accelerator marks are not part of the page's name ("&&" loses both characters).
QString RemoveAmpersand(const QString& s);

// A category list names its categories between ";", each without its outer white space;
// a blank name is no category. A list that names none files its page under "Other".
inline constexpr char16_t ListSeparator = u';';

// Calls visit(name) for each name of list, in order, repeats included; each name is a view
// into list. Returns whether list names any.
template <typename Visit>
bool ForEachCategory(QStringView list, Visit&& visit)
{
    bool named = false;
    for (qsizetype start = 0; start < list.size();) {
        qsizetype end = list.indexOf(QChar(ListSeparator), start);
        if (end < 0)
            end = list.size();
        const QStringView name = list.mid(start, end - start).trimmed();
        if (!name.isEmpty()) {
            named = true;
            visit(name);
        }
        start = end + 1;
    }
    return named;
}

// The submenus a menu files a page of list under: each name of list, or other (the caption
// of "Other") when it names none.
template <typename Visit>
void ForEachMenuCategory(QStringView list, QStringView other, Visit&& visit)
{
    if (!ForEachCategory(list, visit))
        visit(other);
}

// The names of list, in order, repeats included.
QStringList CategoryNames(QStringView list);

// The submenu a category name files its pages under: names that differ only in letter case
// or "&" share one.
QString SubmenuKey(QStringView name);
bool SameSubmenu(QStringView a, QStringView b);

// list with the names of added that it does not file under their submenus yet, in order,
// after its own names; list exactly as it was when none is new.
QString AddCategories(const QString& list, QStringView added);
// list without any name of name's submenu, the rest of it as written; list exactly as it
// was when it has none.
QString RemoveCategory(const QString& list, QStringView name);

// The name being typed at caret in list: from after the white space that follows the ";"
// before caret, to caret. end is where the name ends (the next ";" or the end of list), and
// others are the list's other names.
struct CategoryAtCaret {
    qsizetype start = 0;
    qsizetype end = 0;
    QString typed;
    QStringList others;
};
CategoryAtCaret CategoryTypedAt(const QString& list, qsizetype caret);
