#include "store/CategoryFile.h"

#include "store/CategoryStore.h"

#include "host/Exceptions.h"
#include "host/Registry.h"

#include <QByteArrayView>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSaveFile>
#include <QStringConverter>
#include <QStringView>

namespace CategoryFile {

namespace {

// The 8-bit code page of files without a byte-order mark, through the system's converter.
constexpr char Ansi[] = "windows-1252";
constexpr char Utf8Bom[] = "\xEF\xBB\xBF";
constexpr char Utf16LeBom[] = "\xFF\xFE";
constexpr char Utf16BeBom[] = "\xFE\xFF";
// How many left-out names an export's message lists before it only counts the rest.
constexpr qsizetype ListedNames = 20;

QString Shown(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

[[noreturn]] void RaiseRead(const QString& fileName, const QString& reason)
{
    throw host::EFOpenError(QStringLiteral("Cannot import \"%1\": %2.").arg(Shown(fileName), reason));
}

[[noreturn]] void RaiseLine(const QString& fileName, qsizetype line, const QString& reason)
{
    RaiseRead(fileName, QStringLiteral("line %L1 %2").arg(line).arg(reason));
}

[[noreturn]] void RaiseWrite(const QString& fileName, const QString& reason)
{
    throw host::EFCreateError(QStringLiteral("Cannot export to \"%1\": %2.").arg(Shown(fileName), reason));
}

char16_t Unit(QChar c)
{
    return c.unicode();
}
char16_t Unit(char c)
{
    return static_cast<unsigned char>(c);
}

// Calls line(number, begin, end) for each line of text, numbered from 1: CR, LF and CR LF
// each end a line, and a final line break adds no line. Works on bytes and on characters.
template <typename Text, typename Line>
void ForEachLine(const Text& text, Line&& line)
{
    const qsizetype size = text.size();
    qsizetype start = 0;
    qsizetype number = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const char16_t c = Unit(text[i]);
        if (c != u'\r' && c != u'\n')
            continue;
        line(++number, start, i);
        if (c == u'\r' && i + 1 < size && Unit(text[i + 1]) == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        line(++number, start, size);
}

// The first line of bytes that is not UTF-8. Line breaks are single bytes in UTF-8 and
// never inside a character, so the bytes can be split before decoding.
qsizetype FirstLineNotUtf8(const QByteArray& bytes)
{
    qsizetype bad = 0;
    ForEachLine(bytes, [&](qsizetype number, qsizetype begin, qsizetype end) {
        if (bad)
            return;
        QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
        // The decoder converts only when its result becomes a string.
        const QString decoded = utf8.decode(QByteArrayView(bytes).sliced(begin, end - begin));
        if (utf8.hasError())
            bad = number;
    });
    return bad ? bad : 1;
}

// The file's text, in the encoding its byte-order mark names, else in Windows-1252.
QString Decode(const QByteArray& bytes, const QString& fileName)
{
    // Stateless, so that a character cut short at the end is an error and not left pending;
    // a second byte-order mark after the first is a character of the text, as it is anywhere.
    const auto flags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;
    const QByteArrayView view(bytes);
    if (bytes.startsWith(Utf8Bom)) {
        const QByteArray body = bytes.sliced(3);
        QStringDecoder utf8(QStringConverter::Utf8, flags);
        QString text = utf8.decode(body);
        if (utf8.hasError())
            RaiseLine(fileName, FirstLineNotUtf8(body),
                      QStringLiteral("is not UTF-8, as the file's byte-order mark says"));
        return text;
    }
    const bool littleEndian = bytes.startsWith(Utf16LeBom);
    if (littleEndian || bytes.startsWith(Utf16BeBom)) {
        if (bytes.size() % 2 != 0)
            RaiseRead(fileName, QStringLiteral("the file has a UTF-16 byte-order mark but an odd number of bytes"));
        QStringDecoder utf16(littleEndian ? QStringConverter::Utf16LE : QStringConverter::Utf16BE, flags);
        return utf16.decode(view.sliced(2));
    }
    QStringDecoder ansi(Ansi, flags);
    if (!ansi.isValid())
        RaiseRead(fileName,
                  QStringLiteral("the file has no byte-order mark, and this system offers no %1 converter to read it")
                      .arg(QLatin1String(Ansi)));
    return ansi.decode(view);
}

QString TooLong(const char* what, qsizetype length, int limit)
{
    return QStringLiteral("has a %1 of %L2 characters; the store allows at most %L3")
        .arg(QLatin1String(what))
        .arg(length)
        .arg(limit);
}

// Would line read back as the entry it was made from?
bool ReadsBack(const QString& name, const QString& value)
{
    const auto breaksLine = [](QStringView text) {
        for (const QChar c : text)
            if (c == u'\r' || c == u'\n' || c == u'\0')
                return true;
        return !text.isValidUtf16();
    };
    return !name.contains(u'=') && !breaksLine(name) && !breaksLine(value);
}

// A name as the user can read it in one line of a message.
QString Quoted(QString name)
{
    name.replace(u'\r', QLatin1String("\\r")).replace(u'\n', QLatin1String("\\n")).replace(u'\0', QLatin1String("\\0"));
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString LeftOutMessage(const QString& fileName, const QStringList& names)
{
    QStringList shown;
    for (qsizetype i = 0; i < names.size() && i < ListedNames; ++i)
        shown.append(Quoted(names[i]));
    QString list = shown.join(QLatin1String(", "));
    if (names.size() > ListedNames)
        list += QStringLiteral(" and %L1 more").arg(names.size() - ListedNames);
    // One arg() for all: a file name holding "%2" must not take the count's place.
    return QStringLiteral("\"%1\" was written without %2 of the categories' entries: a category file cannot hold a "
                          "name with \"=\" or a line break, or a line break in a category list, since it would read "
                          "back as another entry. Left out: %3.")
        .arg(Shown(fileName), QLocale().toString(qint64(names.size())), list);
}

} // namespace

Entries ParseBytes(const QByteArray& bytes, const QString& fileName)
{
    const bool marked = bytes.startsWith(Utf8Bom) || bytes.startsWith(Utf16LeBom) || bytes.startsWith(Utf16BeBom);
    const QString text = Decode(bytes, fileName);
    Entries entries;
    ForEachLine(text, [&](qsizetype number, qsizetype begin, qsizetype end) {
        const QStringView line = QStringView(text).sliced(begin, end - begin);
        if (line.contains(u'\0'))
            RaiseLine(fileName, number,
                      marked ? QStringLiteral("holds a NUL character")
                             : QStringLiteral("holds a NUL byte (a UTF-16 file needs a byte-order mark)"));
        if (!line.isValidUtf16())
            RaiseLine(fileName, number, QStringLiteral("is not valid UTF-16"));
        const qsizetype equals = line.indexOf(u'=');
        QString name;
        QString value;
        if (equals >= 0) {
            name = line.first(equals).toString();
            value = line.sliced(equals + 1).toString();
        }
        if (name.size() > host::TRegIniFile::MaxValueNameLength)
            RaiseLine(fileName, number, TooLong("name", name.size(), host::TRegIniFile::MaxValueNameLength));
        if (value.size() > host::TRegIniFile::MaxValueLength)
            RaiseLine(fileName, number, TooLong("category list", value.size(), host::TRegIniFile::MaxValueLength));
        entries.append({name, value});
    });
    return entries;
}

Entries ReadFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (info.isDir())
        RaiseRead(fileName, QStringLiteral("it is a folder, not a file"));
    if (!info.exists())
        RaiseRead(fileName, QStringLiteral("there is no such file"));
    // A pipe or a device might never end, or never answer.
    if (!info.isFile())
        RaiseRead(fileName, QStringLiteral("it is not a plain file"));
    const auto tooLarge = [&](qint64 size) {
        RaiseRead(fileName,
                  QStringLiteral("the file is %L1 bytes long; a category file may be at most %L2")
                      .arg(size)
                      .arg(MaxFileSize));
    };
    if (info.size() > MaxFileSize)
        tooLarge(info.size());
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        RaiseRead(fileName, file.errorString());
    // Never more than the limit, even from a file that grows meanwhile.
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        RaiseRead(fileName, file.errorString());
    if (bytes.size() > MaxFileSize)
        tooLarge(bytes.size());
    return ParseBytes(bytes, fileName);
}

QByteArray EncodeLines(const QStringList& lines)
{
    QString text;
    qsizetype length = 0;
    for (const QString& line : lines)
        length += line.size() + 2;
    text.reserve(length);
    for (const QString& line : lines) {
        text += line;
        text += QLatin1String("\r\n");
    }
    if (text.isEmpty())
        return {};

    // The code page when it holds every character: decoding must give back the text exactly,
    // so that no character is ever replaced or mapped to a look-alike.
    QStringEncoder ansi(Ansi, QStringConverter::Flag::Stateless);
    if (ansi.isValid()) {
        const QByteArray bytes = ansi.encode(text);
        if (!ansi.hasError()) {
            QStringDecoder back(Ansi, QStringConverter::Flag::Stateless);
            const QString decoded = back.decode(bytes);
            if (!back.hasError() && decoded == text)
                return bytes;
        }
    }
    return QByteArray(Utf8Bom) + text.toUtf8();
}

void WriteFile(const QString& fileName, const QByteArray& bytes)
{
    if (QFileInfo(fileName).isDir())
        RaiseWrite(fileName, QStringLiteral("it is a folder, not a file"));
    // The bytes go to a new file that replaces the old one only once it is whole and on disk.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        RaiseWrite(fileName, file.errorString());
    // A short write (a full disk, a size limit) may come without an error of its own.
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        RaiseWrite(fileName, QStringLiteral("only part of it could be written (is the disk full?)"));
    }
    if (!file.commit())
        RaiseWrite(fileName, file.errorString());
}

void Import(host::TRegIniFile& reg, const QString& fileName)
{
    const Entries entries = ReadFile(fileName);
    if (entries.isEmpty())
        return;
    reg.Transaction([&] {
        reg.EraseSection(CategoryStore::Section);
        for (const auto& [name, value] : entries)
            reg.WriteString(CategoryStore::Section, name, value);
    });
}

void Export(const host::TRegIniFile& reg, const QString& fileName)
{
    QStringList lines;
    QStringList leftOut;
    for (const auto& [name, value] : reg.ReadSectionEntries(CategoryStore::Section)) {
        // An empty value means no category, as if there were no entry.
        if (value.isEmpty())
            continue;
        if (ReadsBack(name, value))
            lines.append(name + QLatin1Char('=') + value);
        else
            leftOut.append(name);
    }
    WriteFile(fileName, EncodeLines(lines));
    if (!leftOut.isEmpty())
        throw host::EFCreateError(LeftOutMessage(fileName, leftOut));
}

} // namespace CategoryFile
