#pragma once

#include <QHash>
#include <QString>
#include <QStringView>

#include <array>
#include <vector>

// How every search box of the package compares text (Find Page, the editor's filter and its
// completion): folded, so that it matches without regard to case, accents or "&". Each
// character is decomposed (Unicode NFKD, so ligatures and width variants come apart too),
// its combining marks dropped, and the rest case-folded through its capitals, all with Qt's
// Unicode data: "É", "é" and "e" are one letter, "ß" reads as "ss" and "ﬁ" as "fi", as a
// collation at primary strength reads them. (QCollator offers no primary strength: ignoring
// case leaves it at secondary, where accents still count.) Letters with a stroke ("ø", "ł")
// have no decomposition and stay letters of their own; "&" folds to nothing.

// text folded for searching.
QString FoldForSearch(QStringView text);

// Text as it is shown, folded for matching, with where each folded character came from.
struct FoldedText {
    QString shown;
    QString folded;
    std::vector<int> origin;     // per folded character: its position in shown
    std::vector<char> wordStart; // per folded character: whether it begins a word of shown
};

// Whether a folded query holds nothing to find: white space and marks only, as a lone "¨"
// folds to. A search then finds what it finds with nothing typed.
bool IsBlankQuery(QStringView query);

// Folds text, remembering each character's folding: captions repeat the same few letters.
class TextFolder {
public:
    TextFolder();
    FoldedText Fold(const QString& shown);
    // The folded form of a query alone, outer white space dropped.
    QString FoldQuery(const QString& query);

private:
    const QString& FoldCharacter(char32_t character);

    std::array<QString, 128> m_ascii;
    QHash<char32_t, QString> m_others;
};
