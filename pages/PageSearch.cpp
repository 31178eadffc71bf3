#include "pages/PageSearch.h"

#include <QChar>
#include <QStringView>

#include <algorithm>

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

// Whether query is one slip of the finger away from the text at start: alike up to the first
// difference, the rest then agrees after a swap of two neighbouring letters, one wrong letter,
// one letter typed too many or one left out. The text may go on past the query. The positions
// of the text's letters that match go into *found when given.
bool OneSlipAt(const QString& text, qsizetype start, const QString& query, std::vector<int>* found = nullptr)
{
    const QStringView rest = QStringView(text).mid(start);
    const QStringView typed(query);
    const qsizetype length = typed.size();
    qsizetype same = 0;
    while (same < length && same < rest.size() && rest[same] == typed[same])
        ++same;
    if (same == length)
        return false;
    // Whether the query from q on is the text from t on.
    const auto agrees = [&](qsizetype q, qsizetype t) {
        return t + length - q <= rest.size() && rest.mid(t, length - q) == typed.mid(q);
    };
    qsizetype spanned = length; // the text's letters the slip covers
    qsizetype unmatched = -1;   // the one of them that matches no letter typed
    if (same + 1 < length && same + 1 < rest.size() && rest[same] == typed[same + 1] && rest[same + 1] == typed[same]
        && agrees(same + 2, same + 2)) {
    } else if (agrees(same + 1, same + 1)) {
        unmatched = same;
    } else if (agrees(same + 1, same)) {
        spanned = length - 1;
    } else if (agrees(same, same + 1)) {
        spanned = length + 1;
        unmatched = same;
    } else {
        return false;
    }
    if (found)
        for (qsizetype i = 0; i < spanned; ++i)
            if (i != unmatched)
                found->push_back(static_cast<int>(start + i));
    return true;
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

bool LooksForTypos(const QString& query)
{
    return std::count_if(query.cbegin(), query.cend(), [](QChar letter) { return !letter.isSpace(); }) >= 4;
}

TextMatch MatchTypo(const FoldedText& text, const QString& query)
{
    // A slip at a word's start is as long as the query, give or take a letter.
    const qsizetype last = std::min(text.folded.size() - 1, text.folded.size() - query.size() + 1);
    for (qsizetype start = 0; start <= last; ++start)
        if (text.wordStart[static_cast<std::size_t>(start)] && OneSlipAt(text.folded, start, query))
            return {MatchKind::Typo, static_cast<int>(start)};
    return {};
}

std::vector<int> MatchedPositions(const FoldedText& text, const QString& query, const TextMatch& match)
{
    std::vector<int> folded;
    if (match.kind == MatchKind::None)
        return {};
    if (match.kind == MatchKind::Letters) {
        LettersInOrder(text.folded, query, &folded);
    } else if (match.kind == MatchKind::Typo) {
        OneSlipAt(text.folded, match.start, query, &folded);
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
    if (IsBlankQuery(query))
        return {};
    // One bucket per rank: caption matches by kind, then category matches by kind, then slips
    // in captions and in categories. Filling them in page order keeps ties in that order
    // without a sort.
    constexpr int Exact = static_cast<int>(MatchKind::Typo);
    std::array<std::vector<Hit>, 2 * Exact + 2> ranks;
    const auto file = [&ranks](const Hit& hit) {
        const int byCategory = hit.category < 0 ? 0 : 1;
        const int rank = hit.match.kind == MatchKind::Typo ? 2 * Exact + byCategory
                                                           : byCategory * Exact + static_cast<int>(hit.match.kind);
        ranks[static_cast<std::size_t>(rank)].push_back(hit);
    };
    const bool typos = LooksForTypos(query);
    // Pages share a few categories: each is matched once, and looked at for a slip once, when
    // first needed.
    struct CategoryMatch {
        TextMatch exact;
        TextMatch typo;
        std::uint8_t known = 0; // 1: exact, 2: exact and typo
    };
    std::vector<CategoryMatch> categories(m_categories.size());
    for (int page = 0; page < Count(); ++page) {
        const Page& entry = m_pages[static_cast<std::size_t>(page)];
        TextMatch match = MatchText(entry.caption, query);
        if (match.kind != MatchKind::None) {
            file({page, -1, match});
            continue;
        }
        Hit best{page, -1, {}};
        for (std::size_t c = 0; c < entry.categories.size(); ++c) {
            const auto id = static_cast<std::size_t>(entry.categories[c]);
            CategoryMatch& category = categories[id];
            if (category.known < 1) {
                category.exact = MatchText(m_categories[id], query);
                category.known = 1;
            }
            if (category.exact.kind < best.match.kind)
                best = {page, static_cast<int>(c), category.exact};
        }
        if (best.match.kind != MatchKind::None) {
            file(best);
            continue;
        }
        if (!typos)
            continue;
        if (match = MatchTypo(entry.caption, query); match.kind != MatchKind::None) {
            file({page, -1, match});
            continue;
        }
        for (std::size_t c = 0; c < entry.categories.size(); ++c) {
            const auto id = static_cast<std::size_t>(entry.categories[c]);
            CategoryMatch& category = categories[id];
            if (category.known < 2) {
                category.typo = MatchTypo(m_categories[id], query);
                category.known = 2;
            }
            if (category.typo.kind != MatchKind::None) {
                file({page, static_cast<int>(c), category.typo});
                break;
            }
        }
    }
    std::vector<Hit> hits;
    for (const std::vector<Hit>& rank : ranks)
        hits.insert(hits.end(), rank.begin(), rank.end());
    return hits;
}
