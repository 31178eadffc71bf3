#include "PaletteFile.h"

#include "Resources.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

namespace standin {

namespace {

QString TypeName(const QJsonValue& value)
{
    switch (value.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("a boolean");
    case QJsonValue::Double: return QStringLiteral("a number");
    case QJsonValue::String: return QStringLiteral("a string");
    case QJsonValue::Array: return QStringLiteral("an array");
    case QJsonValue::Object: return QStringLiteral("an object");
    case QJsonValue::Undefined: break;
    }
    return QStringLiteral("missing");
}

} // namespace

bool ParsePalette(const QByteArray& json, const QString& sourceName, Palette* palette, QString* error)
{
    const QString where = QStringLiteral("palette file \"%1\"").arg(sourceName);
    auto fail = [&](const QString& problem) {
        *error = where + QStringLiteral(": ") + problem;
        return false;
    };

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json, &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(QStringLiteral("not valid JSON (%1 at offset %2)")
                        .arg(parseError.errorString())
                        .arg(parseError.offset));
    if (!document.isObject())
        return fail(QStringLiteral("the top level is not an object"));

    const QJsonValue pages = document.object().value(QLatin1String("pages"));
    if (pages.isUndefined())
        return fail(QStringLiteral("has no \"pages\""));
    if (!pages.isArray())
        return fail(QStringLiteral("pages is %1, not an array").arg(TypeName(pages)));

    Palette result;
    const QJsonArray pageArray = pages.toArray();
    result.reserve(pageArray.size());
    for (int i = 0; i < pageArray.size(); ++i) {
        const QString at = QStringLiteral("pages[%1]").arg(i);
        const QJsonValue page = pageArray.at(i);
        if (!page.isObject())
            return fail(QStringLiteral("%1 is %2, not an object").arg(at, TypeName(page)));
        const QJsonObject object = page.toObject();

        const QJsonValue caption = object.value(QLatin1String("caption"));
        if (!caption.isString())
            return fail(caption.isUndefined()
                            ? QStringLiteral("%1 has no caption").arg(at)
                            : QStringLiteral("%1.caption is %2, not a string").arg(at, TypeName(caption)));

        const QJsonValue components = object.value(QLatin1String("components"));
        if (!components.isArray())
            return fail(components.isUndefined()
                            ? QStringLiteral("%1 has no components").arg(at)
                            : QStringLiteral("%1.components is %2, not an array").arg(at, TypeName(components)));

        PalettePage entry;
        entry.caption = caption.toString();
        const QJsonArray componentArray = components.toArray();
        for (int j = 0; j < componentArray.size(); ++j) {
            const QJsonValue component = componentArray.at(j);
            if (!component.isString())
                return fail(QStringLiteral("%1.components[%2] is %3, not a string")
                                .arg(at)
                                .arg(j)
                                .arg(TypeName(component)));
            entry.components.append(component.toString());
        }
        result.append(entry);
    }
    *palette = std::move(result);
    return true;
}

bool LoadPaletteFile(const QString& fileName, Palette* palette, QString* error)
{
    QFile file(fileName);
    if (!file.exists()) {
        *error = QStringLiteral("palette file \"%1\" does not exist").arg(fileName);
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("palette file \"%1\" cannot be read: %2").arg(fileName, file.errorString());
        return false;
    }
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        *error = QStringLiteral("palette file \"%1\" cannot be read: %2").arg(fileName, file.errorString());
        return false;
    }
    return ParsePalette(content, fileName, palette, error);
}

Palette DefaultPalette()
{
    InitResources();
    const QString name = QStringLiteral(":/standin/default-palette.json");
    Palette palette;
    QString error;
    // The built-in file is checked by the tests; failing here is a broken build.
    if (!LoadPaletteFile(name, &palette, &error))
        qFatal("%s", qPrintable(error));
    return palette;
}

} // namespace standin
