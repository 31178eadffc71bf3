#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace host {
class TRegIniFile;
}

// The package's view of the per-user store: which categories each palette page belongs to.
// A page is named by its caption without "&"; its value is a list of category names
// separated by ";". A missing entry and an empty value both mean the page has none.
namespace CategoryStore {

extern const QString Key;     // "Software\Vorla\Palette Menu"
extern const QString Section; // "Categories"

// The page's category list as stored, or "".
QString GetCategory(const host::TRegIniFile& reg, const QString& page);

// The categories a stored list names, in order: none for an empty list; otherwise the
// pieces between ";" exactly as written, an empty piece being a category named "".
QStringList CategoryNames(const QString& list);

// The whole section read at once, answering GetCategory for any page exactly as the store
// would at that moment: names match exactly as the store matches them.
// A menu build reads the store once with it rather than once per page.
class Snapshot {
public:
    explicit Snapshot(const host::TRegIniFile& reg);
    QString GetCategory(const QString& page) const;

private:
    QHash<QString, QString> m_lists; // by the store's name key
};

} // namespace CategoryStore
