#pragma once

#include <QCollator>
#include <QLocale>
#include <QStringList>

#include <optional>
#include <vector>

namespace host {
class TCategoryButtons;
}

// The captions of the tool palette's categories, in palette order, exactly as the palette
// gives them. No palette, no captions.
QStringList PaletteCaptions(const host::TCategoryButtons* palette);

// Sorts captions as the host's sorted string lists do: by the user's collation setting
// (LC_COLLATE, which may differ from the language), without regard to letter case. The sort
// is stable, so equal captions keep their palette order. When the collation is the C or
// POSIX locale, which has no real collation, a fixed English collation is used, so that every
// such machine agrees on the order. The collator is kept between sorts, and made afresh when
// the user's collation changes; so is the last order, given again while the captions are the
// same (a menu is rebuilt from an unchanged palette at every opening).
class CaptionSorter {
public:
    QStringList Sorted(QStringList captions);
    // The same, and for each sorted caption its position in captions, as PalettePositions
    // gives it: the sort's own order, kept with it, so that a build need not look it up.
    QStringList Sorted(QStringList captions, std::vector<int>& positions);

private:
    std::optional<QCollator> m_collator;
    QLocale m_locale;           // the collation the collator was made for
    QStringList m_lastCaptions; // the captions last sorted, and their order
    QStringList m_lastSorted;
    std::vector<int> m_lastPositions;
};

// The same, with a collator of its own.
QStringList SortedCaptions(QStringList captions);

// captions with one caption per store entry, in their order: a caption whose name (without
// "&") matches an earlier one's the way the store matches names is dropped, so the first met
// names the entry, and no entry is edited in two rows.
QStringList UniquePageCaptions(const QStringList& captions);

// For each caption of sorted (a stable sort of palette), its position in palette: equal
// captions keep their palette order in a stable sort, so each takes the next position of its
// caption. Lets a sorted list say which page each caption names.
std::vector<int> PalettePositions(const QStringList& palette, const QStringList& sorted);
