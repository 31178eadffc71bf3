#pragma once

#include "host/private/StandinOnly.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

namespace standin {

// One page of the tool palette: its caption, exactly as written, and its components.
struct PalettePage {
    QString caption;
    QStringList components;

    bool operator==(const PalettePage& other) const
    {
        return caption == other.caption && components == other.components;
    }
};
using Palette = QVector<PalettePage>;

// The largest palette file read; a larger one is refused unread. Far above any real palette
// (the built-in one of eighty pages is 9 KiB), far below what would exhaust memory.
inline constexpr qint64 MaxPaletteFileBytes = qint64(64) << 20;

// Reads a palette file:
//   {"pages": [{"caption": "Basic Controls", "components": ["MenuStrip", "ContextMenu"]}, ...]}
// Pages keep the file's order; captions may hold any text and may repeat. Only a regular file
// of at most MaxPaletteFileBytes is read. On failure returns false and sets *error to a
// message naming the file and the problem.
bool loadPaletteFile(const QString& fileName, Palette* palette, QString* error);

// The same for the file's content; sourceName names it in messages.
bool parsePalette(const QByteArray& json, const QString& sourceName, Palette* palette, QString* error);

// The palette built into the IDE, some eighty pages.
Palette defaultPalette();

} // namespace standin
