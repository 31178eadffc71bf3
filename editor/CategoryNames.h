#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The category names that the editor's rows and the store use, each counted once for every
// list it appears in, and grouped by submenu (grouping/CategoryList.h reads the lists). It
// answers what completion offers and which names will share a submenu with another spelling.
class CategoryNameIndex {
public:
    // Makes the names of a list known without counting them: of spellings used as often,
    // the one known first names the submenu. The editor makes the stored lists known first,
    // so that a spelling typed anew is the one told of the stored one, not the other way.
    void Introduce(const QString& list);
    // Counts the names of one category list.
    void AddList(const QString& list);
    // Counts after's names instead of before's: a list changed.
    void ReplaceList(const QString& before, const QString& after);

    // The names that complete typed (the start of a name, folded for search), one
    // spelling per submenu, most used first, and in the user's collation among names used as
    // often. Leaves out the submenus of the names in skip (those the cell names already), and
    // names that only ownList uses (the cell's own text before this edit).
    QStringList Completions(const QString& typed, const QString& ownList = QString(),
                            const QStringList& skip = QStringList()) const;

    // The spelling that name's submenu is known by, when it is another than name: the one
    // used most, and of those the one known first. "" when name is that spelling or no
    // other spelling of its submenu is in use.
    QString SubmenuSpelling(const QString& name) const;

    // How many lists name the submenu of name.
    int Uses(const QString& name) const;

private:
    struct Spelling {
        QString name;
        int uses = 0;
    };
    struct Submenu {
        QString key;
        QList<Spelling> spellings; // in the order first known
        int uses = 0;
    };

    Submenu& Find(const QString& name);
    void Count(QStringView list, int uses);
    // The spelling the submenu is known by.
    static const QString& KnownSpelling(const Submenu& submenu);
    void Rank() const;

    QHash<QString, int> m_byKey; // submenu key to index in m_submenus
    QList<Submenu> m_submenus;
    mutable QList<int> m_ranked;        // m_submenus, most used first; made afresh after a change
    mutable QStringList m_rankedFolded; // their spellings, folded for search, in the same order
    mutable bool m_rankedValid = false;
};
