// Any bytes as the IDE's palette file: the reader either refuses them with one message naming
// the file, or gives pages that, written out as JSON and read again, come back the same.

#include "host/ide/PaletteFile.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QString fileName = QStringLiteral("fuzz.json");

[[noreturn]] void Fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "palette file: %s: %s\n", what, qUtf8Printable(detail));
    std::abort();
}

QByteArray toJson(const standin::Palette& palette)
{
    QJsonArray pages;
    for (const standin::PalettePage& page : palette)
        pages.append(QJsonObject{{QStringLiteral("caption"), page.caption},
                                 {QStringLiteral("components"), QJsonArray::fromStringList(page.components)}});
    return QJsonDocument(QJsonObject{{QStringLiteral("pages"), pages}}).toJson(QJsonDocument::Compact);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    standin::Palette palette;
    QString error;
    if (!standin::parsePalette(bytes, fileName, &palette, &error)) {
        if (!error.startsWith(QStringLiteral("palette file \"fuzz.json\": ")) || !palette.isEmpty())
            Fail("refusal does not name the file, or gives pages", error);
        return 0;
    }
    if (!error.isEmpty())
        Fail("a palette read says it failed", error);

    standin::Palette again;
    if (!standin::parsePalette(toJson(palette), fileName, &again, &error))
        Fail("its own writing is refused", error);
    if (again != palette)
        Fail("written and read again, the pages differ", QString::number(palette.size()));
    return 0;
}
