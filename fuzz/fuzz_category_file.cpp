// Any bytes as a category file: the reader either refuses them with one message naming the
// file, or gives entries that, written out as a file and read again, come back the same (so
// the export's choice of encoding is checked too); and what an import writes of them is what
// writing every line in turn would leave in the store.

#include "store/CategoryFile.h"

#include "host/Exceptions.h"
#include "host/Registry.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

const QString fileName = QStringLiteral("fuzz.cpc");

[[noreturn]] void Fail(const char* what, const QString& detail)
{
    std::fprintf(stderr, "category file: %s: %s\n", what, qUtf8Printable(detail));
    std::abort();
}

// Each name once, as the store would hold it after writing every entry in turn.
CategoryFile::Entries InTheStore(const CategoryFile::Entries& entries)
{
    CategoryFile::Entries stored;
    QHash<QString, qsizetype> byName;
    for (const auto& [name, value] : entries) {
        const QString key = host::RegistryNameKey(name);
        if (const auto known = byName.constFind(key); known != byName.cend())
            stored[*known].second = value;
        else {
            byName.insert(key, stored.size());
            stored.append({name, value});
        }
    }
    return stored;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    CategoryFile::Entries entries;
    try {
        entries = CategoryFile::ParseBytes(bytes, fileName);
    } catch (const host::EFOpenError& error) {
        const QString message = error.Message();
        if (!message.startsWith(QStringLiteral("Cannot import \"fuzz.cpc\": ")) || !message.endsWith(QLatin1Char('.')))
            Fail("refusal does not name the file", message);
        return 0;
    }

    if (CategoryFile::ParseBytesCollapsed(bytes, fileName) != InTheStore(entries))
        Fail("collapsed, the entries differ from the store's", QString::number(entries.size()));

    // Every entry read is one an export writes: no "=" in its name, no line break or NUL.
    QStringList lines;
    for (const auto& [name, value] : entries)
        lines.append(name + QLatin1Char('=') + value);
    CategoryFile::Entries again;
    try {
        again = CategoryFile::ParseBytes(CategoryFile::EncodeLines(lines), fileName);
    } catch (const host::EFOpenError& error) {
        Fail("its own writing is refused", error.Message());
    }
    if (again != entries)
        Fail("written and read again, the entries differ", QString::number(entries.size()));
    return 0;
}
