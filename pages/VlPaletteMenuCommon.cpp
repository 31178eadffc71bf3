#include "pages/VlPaletteMenuCommon.h"

#include <algorithm>

Q_LOGGING_CATEGORY(lcPaletteMenu, "vorla.palettemenu", QtWarningMsg)

QString CutText(const QString& text, qsizetype longest)
{
    if (text.size() <= longest)
        return text;
    qsizetype kept = std::max<qsizetype>(longest - 1, 0);
    if (kept > 0 && text.at(kept - 1).isHighSurrogate())
        --kept;
    return text.left(kept) + QChar(0x2026); // "…"
}
