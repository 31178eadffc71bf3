#include "grouping/SearchFolding.h"

#include <QChar>

namespace {

bool IsMark(char32_t character)
{
    switch (QChar::category(character)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing: return true;
    default: return false;
    }
}

// One character folded: decomposed, without its marks, case-folded; "&" folds to nothing.
QString FoldOne(char32_t character)
{
    if (character == U'&')
        return QString();
    QString base;
    const QString decomposed = QString::fromUcs4(&character, 1).normalized(QString::NormalizationForm_KD);
    for (const char32_t part : decomposed.toUcs4())
        if (!IsMark(part))
            base.append(QString::fromUcs4(&part, 1));
    // A mark on its own is kept: dropping it would leave nothing to find it by.
    if (base.isEmpty())
        base = decomposed;
    // Through the capitals first: their full mapping spells "ß" as "SS", as the collation reads it.
    return base.toUpper().toCaseFolded();
}

// Whether the character at position of text begins a word: the text's start, after a
// character that is no letter or digit, a capital after a small letter, a digit after a
// letter.
bool BeginsWord(const QString& text, qsizetype position)
{
    if (position == 0)
        return true;
    const QChar previous = text.at(position - 1);
    const QChar current = text.at(position);
    if (!previous.isLetterOrNumber() && !previous.isLowSurrogate())
        return true;
    return (current.isUpper() && previous.isLower()) || (current.isDigit() && !previous.isDigit());
}

// Calls visit(position, character) for each character of text, a pair of surrogates as one.
template <typename Visit>
void ForEachCharacter(QStringView text, Visit&& visit)
{
    for (qsizetype i = 0; i < text.size();) {
        const QChar unit = text.at(i);
        const bool pair = unit.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate();
        visit(i, pair ? QChar::surrogateToUcs4(unit, text.at(i + 1)) : char32_t(unit.unicode()));
        i += pair ? 2 : 1;
    }
}

} // namespace

bool IsBlankQuery(QStringView query)
{
    for (const char32_t character : query.toUcs4())
        if (!QChar::isSpace(character) && !IsMark(character))
            return false;
    return true;
}

QString FoldForSearch(QStringView text)
{
    // Most text is ASCII, where each character folds to one or (an "&") none: from a table
    // made once, so that the editor's filter folds thousands of rows at once.
    constexpr char16_t None = 0xFFFF;
    static const std::array<char16_t, 128> ascii = [] {
        std::array<char16_t, 128> table{};
        for (char32_t character = 0; character < table.size(); ++character) {
            const QString folded = FoldOne(character);
            table[character] = folded.isEmpty() ? None : folded.at(0).unicode();
        }
        return table;
    }();
    QString folded;
    folded.reserve(text.size());
    ForEachCharacter(text, [&](qsizetype, char32_t character) {
        if (character >= ascii.size())
            folded += FoldOne(character);
        else if (ascii[character] != None)
            folded += QChar(ascii[character]);
    });
    return folded;
}

TextFolder::TextFolder()
{
    for (char32_t character = 0; character < m_ascii.size(); ++character)
        m_ascii[character] = FoldOne(character);
}

const QString& TextFolder::FoldCharacter(char32_t character)
{
    if (character < m_ascii.size())
        return m_ascii[character];
    auto known = m_others.find(character);
    if (known == m_others.end())
        known = m_others.insert(character, FoldOne(character));
    return known.value();
}

FoldedText TextFolder::Fold(const QString& shown)
{
    FoldedText text;
    text.shown = shown;
    text.folded.reserve(shown.size());
    text.origin.reserve(static_cast<std::size_t>(shown.size()));
    text.wordStart.reserve(static_cast<std::size_t>(shown.size()));
    ForEachCharacter(shown, [&](qsizetype i, char32_t character) {
        const QString& folded = FoldCharacter(character);
        const bool wordStart = BeginsWord(shown, i);
        for (qsizetype k = 0; k < folded.size(); ++k) {
            text.folded.append(folded.at(k));
            text.origin.push_back(static_cast<int>(i));
            text.wordStart.push_back(wordStart && k == 0 ? 1 : 0);
        }
    });
    return text;
}

QString TextFolder::FoldQuery(const QString& query)
{
    return Fold(query.trimmed()).folded;
}
