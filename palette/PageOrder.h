#pragma once

#include <QStringList>

namespace host {
class TCategoryButtons;
}

// The captions of the tool palette's categories, in palette order, exactly as the palette
// gives them. No palette, no captions.
QStringList PaletteCaptions(const host::TCategoryButtons* palette);

// captions sorted as the host's sorted string lists sort: by the user's locale, without
// regard to letter case. The sort is stable, so equal captions keep their palette order.
// Under the C or POSIX locale, which has no real collation, a fixed English collation is
// used, so that every such machine agrees on the order.
QStringList SortedCaptions(QStringList captions);
