#include "host/ide/PaletteFile.h"

#include "host/ide/Resources.h"

#include <QByteArrayView>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace standin {

namespace {

QString typeName(const QJsonValue& value)
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

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("a folder");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("a device");
    if (S_ISFIFO(mode))
        return QStringLiteral("a FIFO");
    if (S_ISSOCK(mode))
        return QStringLiteral("a socket");
    return QStringLiteral("something else");
}

// json with each U+FEFF after its start written as the escape "\ufeff". Qt's reader drops a
// U+FEFF that starts a string, as though it were a byte-order mark, and a caption would lose
// it; escaped, it is kept as any other character. A mark that starts the file stays one, and
// one after a backslash stays as it is (the file is wrong there anyway).
QByteArray EscapeInnerMarks(const QByteArray& json)
{
    static const QByteArray mark("\xEF\xBB\xBF");
    if (json.indexOf(mark, 1) < 0)
        return json;
    QByteArray text;
    text.reserve(json.size() + 16);
    bool escaped = false; // after an odd number of backslashes
    for (qsizetype i = 0; i < json.size(); ++i) {
        if (i > 0 && !escaped && QByteArrayView(json).sliced(i).startsWith(mark)) {
            text += "\\ufeff";
            i += mark.size() - 1;
            continue;
        }
        escaped = json[i] == '\\' && !escaped;
        text += json[i];
    }
    return text;
}

} // namespace

bool parsePalette(const QByteArray& json, const QString& sourceName, Palette* palette, QString* error)
{
    const QString where = QStringLiteral("palette file \"%1\"").arg(sourceName);
    auto fail = [&](const QString& problem) {
        *error = where + QStringLiteral(": ") + problem;
        return false;
    };

    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(EscapeInnerMarks(json), &parseError);
    if (parseError.error != QJsonParseError::NoError)
        return fail(
            QStringLiteral("not valid JSON (%1 at offset %2)").arg(parseError.errorString()).arg(parseError.offset));
    if (!document.isObject())
        return fail(QStringLiteral("the top level is not an object"));

    const QJsonValue pages = document.object().value(QLatin1String("pages"));
    if (pages.isUndefined())
        return fail(QStringLiteral("has no \"pages\""));
    if (!pages.isArray())
        return fail(QStringLiteral("pages is %1, not an array").arg(typeName(pages)));

    Palette result;
    const QJsonArray pageArray = pages.toArray();
    result.reserve(pageArray.size());
    for (int i = 0; i < pageArray.size(); ++i) {
        const QString at = QStringLiteral("pages[%1]").arg(i);
        const QJsonValue page = pageArray.at(i);
        if (!page.isObject())
            return fail(QStringLiteral("%1 is %2, not an object").arg(at, typeName(page)));
        const QJsonObject object = page.toObject();

        const QJsonValue caption = object.value(QLatin1String("caption"));
        if (!caption.isString())
            return fail(caption.isUndefined()
                            ? QStringLiteral("%1 has no caption").arg(at)
                            : QStringLiteral("%1.caption is %2, not a string").arg(at, typeName(caption)));

        const QJsonValue components = object.value(QLatin1String("components"));
        if (!components.isArray())
            return fail(components.isUndefined()
                            ? QStringLiteral("%1 has no components").arg(at)
                            : QStringLiteral("%1.components is %2, not an array").arg(at, typeName(components)));

        PalettePage entry;
        entry.caption = caption.toString();
        const QJsonArray componentArray = components.toArray();
        for (int j = 0; j < componentArray.size(); ++j) {
            const QJsonValue component = componentArray.at(j);
            if (!component.isString())
                return fail(
                    QStringLiteral("%1.components[%2] is %3, not a string").arg(at).arg(j).arg(typeName(component)));
            entry.components.append(component.toString());
        }
        result.append(entry);
    }
    *palette = std::move(result);
    return true;
}

bool loadPaletteFile(const QString& fileName, Palette* palette, QString* error)
{
    auto fail = [&](const QString& problem) {
        *error = QStringLiteral("palette file \"%1\" %2").arg(fileName, problem);
        return false;
    };
    const auto cannotRead = [&](const QString& reason) { return fail(QStringLiteral("cannot be read: ") + reason); };
    const auto tooLarge = [&] { return fail(QStringLiteral("is larger than %1 MiB").arg(MaxPaletteFileBytes >> 20)); };

    // Opened without blocking and looked at before a byte is read: a FIFO would wait for a
    // writer for ever, and a device such as /dev/zero never ends.
    const int descriptor = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return errno == ENOENT ? fail(QStringLiteral("does not exist")) : cannotRead(qt_error_string(errno));
    QFile file;
    if (!file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(descriptor);
        return cannotRead(file.errorString());
    }
    struct stat status {};
    if (::fstat(descriptor, &status) != 0)
        return cannotRead(qt_error_string(errno));
    if (!S_ISREG(status.st_mode))
        return fail(QStringLiteral("is %1, not a regular file").arg(kindOf(status.st_mode)));
    if (status.st_size > MaxPaletteFileBytes)
        return tooLarge();

    // A file that grows meanwhile, or tells no size (as under /proc), is still read no further
    // than the limit.
    QByteArray content;
    while (content.size() <= MaxPaletteFileBytes) {
        const QByteArray chunk = file.read(qint64(1) << 20);
        if (chunk.isEmpty())
            break;
        content += chunk;
    }
    if (file.error() != QFileDevice::NoError)
        return cannotRead(file.errorString());
    if (content.size() > MaxPaletteFileBytes)
        return tooLarge();
    if (content.trimmed().isEmpty())
        return fail(QStringLiteral("is empty"));
    return parsePalette(content, fileName, palette, error);
}

Palette defaultPalette()
{
    initResources();
    const QString name = QStringLiteral(":/standin/default-palette.json");
    Palette palette;
    QString error;
    QFile file(name);
    // The built-in file is checked by the tests; failing here is a broken build.
    if (!file.open(QIODevice::ReadOnly) || !parsePalette(file.readAll(), name, &palette, &error))
        qFatal("%s", qPrintable(error.isEmpty() ? name + QStringLiteral(" cannot be read") : error));
    return palette;
}

} // namespace standin
