#pragma once

#include "grouping/SearchFolding.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <vector>

// Finding palette pages by a few typed letters: each page's caption and its categories are
// folded once (FoldedText, TextFolder: the package's one folding for search), so that every
// keystroke is a plain search through folded text.

// A caption as a menu shows it: a single "&" marks the next letter as the access key and is
// not shown; "&&" shows as one "&".
QString MenuText(const QString& caption);

// How well a text matches a query, best first. Typo: within one slip of the finger of a word
// of the text or of its start (two neighbouring letters swapped, one letter wrong, missing or
// extra), listed after every exact kind.
enum class MatchKind : std::uint8_t { Whole, Prefix, WordStart, Substring, Letters, Typo, None };

struct TextMatch {
    MatchKind kind = MatchKind::None;
    int start = 0; // where the query starts in the folded text (not for Letters)
};

// The best exact way folded query (from FoldQuery, not empty) matches text.
TextMatch MatchText(const FoldedText& text, const QString& query);
// Whether folded query is long enough for slips to be looked for: four letters or more.
bool LooksForTypos(const QString& query);
// A Typo match of folded query in text: the first word start where it is one slip away;
// None when there is none (or when it matches exactly).
TextMatch MatchTypo(const FoldedText& text, const QString& query);
// The positions in text.shown of the UTF-16 units that match, in order, without repeats.
std::vector<int> MatchedPositions(const FoldedText& text, const QString& query, const TextMatch& match);

// The pages to search, in the order they are listed when ranks tie (the menus' order).
class PageSearch {
public:
    // A page found: which, how well, and by what. category is -1 when the caption matched,
    // else the index of the category that did.
    struct Hit {
        int page;
        int category;
        TextMatch match;
    };

    void Reserve(int pages);
    // Adds a page shown as caption, filed under categories (as shown).
    void Add(const QString& caption, const QStringList& categories);
    int Count() const { return static_cast<int>(m_pages.size()); }

    const FoldedText& Caption(int page) const { return m_pages[static_cast<std::size_t>(page)].caption; }
    const FoldedText& Category(int page, int category) const
    {
        const Page& entry = m_pages[static_cast<std::size_t>(page)];
        return m_categories[static_cast<std::size_t>(entry.categories[static_cast<std::size_t>(category)])];
    }

    QString FoldQuery(const QString& query) { return m_folder.FoldQuery(query); }

    // Every page that folded query matches: caption matches before category matches, each
    // by MatchKind, ties in the order added; slips after every exact match, caption first.
    // A blank query finds nothing.
    std::vector<Hit> Find(const QString& query) const;

private:
    struct Page {
        FoldedText caption;
        std::vector<int> categories; // in m_categories
    };

    TextFolder m_folder;
    std::vector<Page> m_pages;
    // Pages share a few categories: each is folded once.
    std::vector<FoldedText> m_categories;
    QHash<QString, int> m_categoryIds;
};
