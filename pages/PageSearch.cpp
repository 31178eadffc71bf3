#include "pages/PageSearch.h"

#include <QChar>

namespace {

// Whether query's characters, white space aside, occur in order in folded, each at its
// earliest; where, into *found when given (every page is asked at every keystroke, and only
// the rows shown need where). A query of white space alone finds nothing.
bool LettersInOrder(const QString& folded, const QString& query, std::vector<int>* found = nullptr)
{
    qsizetype at = 0;
    bool any = false;
    for (const QChar letter : query) {
        if (letter.isSpace())
            continue;
        at = folded.indexOf(letter, at);
        if (at < 0) {
            if (found)
                found->clear();
            return false;
        }
        if (found)
            found->push_back(static_cast<int>(at));
        ++at;
        any = true;
    }
    return any;
}

} // namespace

QString MenuText(const QString& caption)
{
    if (!caption.contains(QLatin1Char('&')))
        return caption;
    QString shown;
    shown.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption.at(i) == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption.at(i + 1) == QLatin1Char('&'))
                shown.append(caption.at(++i));
            continue;
        }
        shown.append(caption.at(i));
    }
    return shown;
}

TextMatch MatchText(const FoldedText& text, const QString& query)
{
    const QString& folded = text.folded;
    qsizetype at = folded.indexOf(query);
    if (at < 0)
        return LettersInOrder(folded, query) ? TextMatch{MatchKind::Letters, 0} : TextMatch{};
    if (at == 0)
        return {query.size() == folded.size() ? MatchKind::Whole : MatchKind::Prefix, 0};
    const int first = static_cast<int>(at);
    for (; at >= 0; at = folded.indexOf(query, at + 1))
        if (text.wordStart[static_cast<std::size_t>(at)])
            return {MatchKind::WordStart, static_cast<int>(at)};
    return {MatchKind::Substring, first};
}

std::vector<int> MatchedPositions(const FoldedText& text, const QString& query, const TextMatch& match)
{
    std::vector<int> folded;
    if (match.kind == MatchKind::None)
        return {};
    if (match.kind == MatchKind::Letters) {
        LettersInOrder(text.folded, query, &folded);
    } else {
        for (int i = 0; i < query.size(); ++i)
            folded.push_back(match.start + i);
    }
    std::vector<int> shown;
    for (const int position : folded) {
        const int origin = text.origin[static_cast<std::size_t>(position)];
        if (!shown.empty() && shown.back() >= origin)
            continue;
        shown.push_back(origin);
        // Both halves of a character beyond the BMP.
        if (text.shown.at(origin).isHighSurrogate() && origin + 1 < text.shown.size())
            shown.push_back(origin + 1);
    }
    return shown;
}

void PageSearch::Reserve(int pages)
{
    m_pages.reserve(static_cast<std::size_t>(pages));
}

void PageSearch::Add(const QString& caption, const QStringList& categories)
{
    Page page;
    page.caption = m_folder.Fold(caption);
    page.categories.reserve(static_cast<std::size_t>(categories.size()));
    for (const QString& category : categories) {
        auto known = m_categoryIds.constFind(category);
        if (known == m_categoryIds.constEnd()) {
            known = m_categoryIds.insert(category, static_cast<int>(m_categories.size()));
            m_categories.push_back(m_folder.Fold(category));
        }
        page.categories.push_back(known.value());
    }
    m_pages.push_back(std::move(page));
}

std::vector<PageSearch::Hit> PageSearch::Find(const QString& query) const
{
    // White space alone (a mark that folds to a space) would find every caption with a space.
    if (query.trimmed().isEmpty())
        return {};
    // One bucket per rank (caption kinds, then category kinds); filling them in page order
    // keeps ties in that order without a sort.
    constexpr int Kinds = static_cast<int>(MatchKind::None);
    std::array<std::vector<Hit>, 2 * Kinds> ranks;
    for (int page = 0; page < Count(); ++page) {
        const Page& entry = m_pages[static_cast<std::size_t>(page)];
        TextMatch match = MatchText(entry.caption, query);
        if (match.kind != MatchKind::None) {
            ranks[static_cast<std::size_t>(match.kind)].push_back({page, -1, match});
            continue;
        }
        Hit best{page, -1, {}};
        for (std::size_t c = 0; c < entry.categories.size(); ++c) {
            match = MatchText(m_categories[static_cast<std::size_t>(entry.categories[c])], query);
            if (match.kind < best.match.kind)
                best = {page, static_cast<int>(c), match};
        }
        if (best.match.kind != MatchKind::None)
            ranks[static_cast<std::size_t>(Kinds + static_cast<int>(best.match.kind))].push_back(best);
    }
    std::vector<Hit> hits;
    for (const std::vector<Hit>& rank : ranks)
        hits.insert(hits.end(), rank.begin(), rank.end());
    return hits;
}
