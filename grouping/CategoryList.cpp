#include "grouping/CategoryList.h"

#include <algorithm>

QString RemoveAmpersand(const QString& s)
{
    if (!s.contains(QLatin1Char('&')))
        return s;
    QString result = s;
    result.remove(QLatin1Char('&'));
    return result;
}

QStringList CategoryNames(QStringView list)
{
    QStringList names;
    ForEachCategory(list, [&names](QStringView name) { names.append(name.toString()); });
    return names;
}

QString SubmenuKey(QStringView name)
{
    QString key = name.toString();
    key.remove(QLatin1Char('&'));
    return key.toCaseFolded();
}

bool SameSubmenu(QStringView a, QStringView b)
{
    if (!a.contains(QLatin1Char('&')) && !b.contains(QLatin1Char('&')))
        return a.compare(b, Qt::CaseInsensitive) == 0;
    return SubmenuKey(a) == SubmenuKey(b);
}

QString AddCategories(const QString& list, QStringView added)
{
    // Names are compared in place, without making keys: Add Category runs over thousands of
    // rows at once.
    QList<QStringView> names;
    ForEachCategory(added, [&](QStringView name) {
        const auto same = [name](QStringView known) { return SameSubmenu(known, name); };
        bool filed = std::any_of(names.cbegin(), names.cend(), same);
        if (!filed)
            ForEachCategory(list, [&](QStringView known) { filed = filed || same(known); });
        if (!filed)
            names.append(name);
    });
    if (names.isEmpty())
        return list;
    // After the list's last name: separators and white space that end it go.
    qsizetype end = list.size();
    while (end > 0 && (list.at(end - 1) == QChar(ListSeparator) || list.at(end - 1).isSpace()))
        --end;
    QString result = list.left(end);
    for (const QStringView name : std::as_const(names)) {
        if (!result.isEmpty())
            result += QChar(ListSeparator);
        result += name;
    }
    return result;
}

QString RemoveCategory(const QString& list, QStringView name)
{
    const QStringView removed = name.trimmed();
    QList<QStringView> kept;
    bool found = false;
    for (qsizetype start = 0; start <= list.size();) {
        qsizetype end = list.indexOf(QChar(ListSeparator), start);
        if (end < 0)
            end = list.size();
        const QStringView piece = QStringView(list).mid(start, end - start);
        const QStringView trimmed = piece.trimmed();
        if (!trimmed.isEmpty() && SameSubmenu(trimmed, removed))
            found = true;
        else
            kept.append(piece);
        start = end + 1;
    }
    if (!found)
        return list;
    QString result;
    for (qsizetype i = 0; i < kept.size(); ++i) {
        if (i > 0)
            result += QChar(ListSeparator);
        result += kept[i];
    }
    return result;
}

CategoryAtCaret CategoryTypedAt(const QString& list, qsizetype caret)
{
    caret = std::clamp<qsizetype>(caret, 0, list.size());
    CategoryAtCaret at;
    const qsizetype pieceStart = caret == 0 ? 0 : list.lastIndexOf(QChar(ListSeparator), caret - 1) + 1;
    at.start = pieceStart;
    while (at.start < caret && list.at(at.start).isSpace())
        ++at.start;
    at.end = list.indexOf(QChar(ListSeparator), caret);
    if (at.end < 0)
        at.end = list.size();
    at.typed = list.mid(at.start, caret - at.start);
    if (pieceStart > 0)
        at.others = CategoryNames(QStringView(list).left(pieceStart - 1));
    if (at.end < list.size())
        at.others += CategoryNames(QStringView(list).mid(at.end + 1));
    return at;
}
