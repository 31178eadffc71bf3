#include "store/CategoryStore.h"

#include "grouping/CategoryList.h"

#include "host/Registry.h"

#include <QCryptographicHash>
#include <QMap>
#include <QtEndian>

#include <algorithm>

namespace CategoryStore {

QString GetCategory(const host::TRegIniFile& reg, const QString& page)
{
    return reg.ReadString(Section, page, QString());
}

namespace {

// The editor's size and place, as saveGeometry() makes them, in Base64.
constexpr QLatin1String PlacementValue("Geometry");

const QString FingerprintName = QStringLiteral("Fingerprint");
const QString FileName = QStringLiteral("File");

void AddText(QCryptographicHash& hash, QStringView text)
{
    // Each text with its length before it, so that no two sections run together alike.
    const quint64 length = qToLittleEndian(quint64(text.size()));
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(&length), sizeof length));
    hash.addData(QByteArrayView(reinterpret_cast<const char*>(text.data()), text.size() * 2));
}

void DropUndoImport(host::TRegIniFile& reg, const StoreProgress& progress)
{
    reg.EraseSection(LastImportSection);
    reg.EraseSection(
        UndoImportSection, progress ? progress : [](qsizetype, qsizetype) {});
}

const QLatin1String PositionPrefix("Position ");

} // namespace

SectionFingerprint::SectionFingerprint() : m_hash(std::make_unique<QCryptographicHash>(QCryptographicHash::Sha256)) {}

SectionFingerprint::~SectionFingerprint() = default;

void SectionFingerprint::Add(QStringView name, QStringView value)
{
    AddText(*m_hash, name);
    AddText(*m_hash, value);
}

QByteArray SectionFingerprint::Result() const
{
    return m_hash->result().toHex();
}

QByteArray Fingerprint(const Entries& entries)
{
    SectionFingerprint fingerprint;
    for (const auto& [name, value] : entries)
        fingerprint.Add(name, value);
    return fingerprint.Result();
}

void KeepForUndoImport(host::TRegIniFile& reg, const StoreProgress& progress)
{
    DropUndoImport(reg, progress);
    reg.MoveSection(Section, UndoImportSection);
}

void RecordImport(host::TRegIniFile& reg, const QString& fileName, const QByteArray& fingerprint)
{
    reg.WriteString(LastImportSection, FileName, fileName);
    reg.WriteString(LastImportSection, FingerprintName, QString::fromLatin1(fingerprint));
}

std::optional<QString> UndoableImport(const host::TRegIniFile& reg, const Entries* section)
{
    const QString fingerprint = reg.ReadString(LastImportSection, FingerprintName, QString());
    if (fingerprint.isEmpty() || (section && QString::fromLatin1(Fingerprint(*section)) != fingerprint))
        return std::nullopt;
    return reg.ReadString(LastImportSection, FileName, QString());
}

std::optional<qsizetype> UndoImport(host::TRegIniFile& reg, const StoreProgress& progress)
{
    std::optional<qsizetype> restored;
    reg.Transaction([&] {
        const Entries section = reg.ReadSectionEntries(Section);
        if (!UndoableImport(reg, &section)) {
            DropUndoImport(reg, progress);
            return;
        }
        const qsizetype kept = reg.SectionSize(UndoImportSection);
        reg.EraseSection(
            Section, progress ? progress : [](qsizetype, qsizetype) {});
        reg.MoveSection(UndoImportSection, Section);
        reg.EraseSection(LastImportSection);
        restored = kept;
    });
    return restored;
}

QList<ListConflict> WriteEditedLists(host::TRegIniFile& reg, const QList<ListEdit>& edits)
{
    QList<ListConflict> conflicts;
    if (edits.isEmpty())
        return conflicts;
    // Compared and written within one change, which holds the store's write lock: no other
    // writer comes between.
    reg.Transaction([&] {
        const Snapshot stored(reg, edits.size());
        std::vector<bool> written(std::size_t(edits.size()));
        for (qsizetype i = 0; i < edits.size(); ++i) {
            const QString now = stored.GetCategory(edits[i].page);
            written[std::size_t(i)] = now == edits[i].edited;
            if (now != edits[i].read && !written[std::size_t(i)])
                conflicts.append({i, now});
        }
        if (!conflicts.isEmpty())
            return;
        for (qsizetype i = 0; i < edits.size(); ++i) {
            const ListEdit& edit = edits[i];
            if (written[std::size_t(i)])
                continue;
            if (edit.edited.isEmpty())
                reg.DeleteKey(Section, edit.page);
            else
                reg.WriteString(Section, edit.page, edit.edited);
        }
    });
    return conflicts;
}

QByteArray ReadEditorPlacement(const host::TRegIniFile& reg)
{
    return QByteArray::fromBase64(reg.ReadString(EditorSection, PlacementValue, QString()).toLatin1());
}

void WriteEditorPlacement(const QByteArray& placement)
{
    host::TRegIniFile reg(Key);
    reg.SetLockWait(0);
    // Only the placement: what earlier versions kept there goes with it.
    reg.Transaction([&] {
        reg.EraseSection(EditorSection);
        reg.WriteString(EditorSection, PlacementValue, QString::fromLatin1(placement.toBase64()));
    });
}

QList<RecentPage> ReadRecentPages(const host::TRegIniFile& reg)
{
    // Read by number, so that entries written by hand or out of order still come in order.
    QMap<int, RecentPage> byNumber;
    QHash<int, int> positions;
    for (const auto& [name, value] : reg.ReadSectionEntries(RecentSection)) {
        bool number = false;
        if (name.startsWith(PositionPrefix)) {
            const int at = QStringView(name).mid(PositionPrefix.size()).toInt(&number);
            const int position = value.toInt();
            if (number && position >= 0)
                positions.insert(at, position);
        } else if (const int at = name.toInt(&number); number && at > 0) {
            byNumber.insert(at, {value, -1});
        }
    }
    QList<RecentPage> pages;
    pages.reserve(byNumber.size());
    for (auto it = byNumber.cbegin(); it != byNumber.cend(); ++it)
        pages.append({it->caption, positions.value(it.key(), -1)});
    return pages;
}

void WriteRecentPages(host::TRegIniFile& reg, const QList<RecentPage>& pages)
{
    reg.Transaction([&] {
        reg.EraseSection(RecentSection);
        for (qsizetype i = 0; i < pages.size(); ++i) {
            const QString number = QString::number(i + 1);
            reg.WriteString(RecentSection, number, pages[i].caption);
            if (pages[i].position >= 0)
                reg.WriteString(RecentSection, PositionPrefix + number, QString::number(pages[i].position));
        }
    });
}

Snapshot::Snapshot(const host::TRegIniFile& reg) : m_entries(reg.ReadSectionEntries(Section)) {}

Snapshot::Snapshot(const host::TRegIniFile& reg, qsizetype pages)
{
    // A section is read whole in about the time of one point read per eight entries: up to
    // that many, one read of it is cheaper than a read per page.
    const qsizetype readWhole = 8 * pages + 64;
    const auto entries = reg.ReadSectionEntries(Section, readWhole + 1);
    if (entries.size() <= readWhole)
        m_entries = entries;
    else
        m_reg = &reg;
}

namespace {

// A hash of host::RegistryNameKey(name), made without making the key: each character case-folded as the
// key folds it (a pair of surrogates as one character), and mixed in.
std::size_t NameKeyHash(const QString& name)
{
    std::size_t hash = 14695981039346656037ull; // FNV-1a
    const QChar* in = name.constData();
    const qsizetype size = name.size();
    for (qsizetype i = 0; i < size; ++i) {
        char32_t folded;
        if (in[i].isHighSurrogate() && i + 1 < size && in[i + 1].isLowSurrogate()) {
            folded = QChar::toCaseFolded(QChar::surrogateToUcs4(in[i], in[i + 1]));
            ++i;
        } else {
            folded = in[i].toCaseFolded().unicode();
        }
        hash = (hash ^ folded) * 1099511628211ull;
    }
    return hash;
}

} // namespace

QString Snapshot::GetCategory(const QString& page) const
{
    if (m_reg)
        return CategoryStore::GetCategory(*m_reg, page);
    // Pages are mostly stored under their names exactly; the store holds one entry per name
    // without regard to case, so an exact hit is the entry the store itself would give.
    if (m_lists.isEmpty() && !m_entries.isEmpty()) {
        m_lists.reserve(m_entries.size());
        for (const auto& [name, list] : m_entries)
            m_lists.insert(name, list);
    }
    if (const auto exact = m_lists.constFind(page); exact != m_lists.constEnd())
        return exact.value();
    // A miss (a page with no entry, or stored in another letter case) looks among the
    // entries whose key hashes alike; those are few, and only they have their key made.
    if (!m_keyed) {
        m_keyHashes.reserve(static_cast<std::size_t>(m_entries.size()));
        for (qsizetype i = 0; i < m_entries.size(); ++i)
            m_keyHashes.emplace_back(NameKeyHash(m_entries[i].first), i);
        std::sort(m_keyHashes.begin(), m_keyHashes.end());
        m_keyed = true;
    }
    const std::size_t hash = NameKeyHash(page);
    auto candidate = std::lower_bound(m_keyHashes.begin(), m_keyHashes.end(), std::make_pair(hash, qsizetype(0)));
    if (candidate == m_keyHashes.end() || candidate->first != hash)
        return QString();
    const QString key = host::RegistryNameKey(page);
    for (; candidate != m_keyHashes.end() && candidate->first == hash; ++candidate) {
        const auto& [name, list] = m_entries[candidate->second];
        if (host::RegistryNameKey(name) == key)
            return list;
    }
    return QString();
}

} // namespace CategoryStore
