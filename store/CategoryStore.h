#pragma once

#include <QByteArray>
#include <QHash>
#include <QLatin1String>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QCryptographicHash;

namespace host {
class TRegIniFile;
}

// The package's view of the per-user store: which categories each palette page belongs to.
// A page is named by its caption without "&"; its value is a list of category names
// separated by ";" (grouping/CategoryList.h says how it reads). A missing entry and an empty
// value both mean the page has none.
namespace CategoryStore {

// Plain literals, not QString objects: nothing of the package may run when it loads, and
// no string the host keeps may point into the package once it has gone.
inline constexpr QLatin1String Key("Software\\Vorla\\Palette Menu");
inline constexpr QLatin1String Section("Categories");
// The pages chosen most recently, in a section of their own that import, export and the
// editor never see: entries "1", "2", ... each the caption of one page, newest first, and
// beside each ("Position 1", ...) the page's place on the palette, which tells pages of one
// caption apart. Stores written before positions were kept hold captions only.
inline constexpr QLatin1String RecentSection("Recent");
// The category editor's size and place, beside the categories and never among them: import,
// export and the editor's rows see "Categories" only.
inline constexpr QLatin1String EditorSection("Editor");

// The grouping as it stood before the last import, for Undo Import, in sections that import,
// export and the editor never see: UndoImportSection holds its entries as they were, and
// LastImportSection what that import left ("Fingerprint") and the file it read ("File").
inline constexpr QLatin1String UndoImportSection("Undo Import");
inline constexpr QLatin1String LastImportSection("Last Import");

using Entries = QList<QPair<QString, QString>>;

// How far a long change to the store has come: done of total steps. It may raise, which
// undoes the change.
using StoreProgress = std::function<void(qsizetype done, qsizetype total)>;

// A digest of a section's entries, names and values in order: equal for equal sections.
class SectionFingerprint {
public:
    SectionFingerprint();
    ~SectionFingerprint();
    SectionFingerprint(const SectionFingerprint&) = delete;
    SectionFingerprint& operator=(const SectionFingerprint&) = delete;

    void Add(QStringView name, QStringView value);
    QByteArray Result() const;

private:
    std::unique_ptr<QCryptographicHash> m_hash;
};
QByteArray Fingerprint(const Entries& entries);

// Within an import's change, before it writes: the section as it is becomes the grouping
// Undo Import brings back, in place of one kept before, and the section is left empty.
// progress hears of the erasing of the one kept before.
void KeepForUndoImport(host::TRegIniFile& reg, const StoreProgress& progress = {});
// Within the same change, once written: the import read fileName and left a section whose
// Fingerprint is fingerprint.
void RecordImport(host::TRegIniFile& reg, const QString& fileName, const QByteArray& fingerprint);
// The file the last import read, when Undo Import can bring back the grouping it replaced:
// one is kept, and the section is still as that import left it. section is the section as
// just read, or nullptr for a section too large to read at every opening of a menu (then
// UndoImport tells).
std::optional<QString> UndoableImport(const host::TRegIniFile& reg, const Entries* section);
// Brings back the grouping kept before the last import as one change, and returns how many
// entries it holds. When the section has changed since that import, or none is kept, it
// changes nothing but drops what was kept, and returns nothing.
std::optional<qsizetype> UndoImport(host::TRegIniFile& reg, const StoreProgress& progress = {});

// The page's category list as stored, or "".
QString GetCategory(const host::TRegIniFile& reg, const QString& page);

// One page's list as the editor read it when it opened and as the user left it.
struct ListEdit {
    QString page;
    QString read;
    QString edited;
};
// An edit whose page another writer changed since the editor read it: which edit, and the
// list the store holds now.
struct ListConflict {
    qsizetype edit;
    QString stored;
};
// Writes edits as one change, each page's edited list (an empty list as no entry), unless
// another writer changed a page meanwhile: then nothing is written and the pages whose list
// is now neither the one read nor the one edited are returned. A page left as read is never
// written, so what others wrote to it stays.
QList<ListConflict> WriteEditedLists(host::TRegIniFile& reg, const QList<ListEdit>& edits);

// The editor's size and place as QWidget::saveGeometry() gave them; empty when none is kept.
QByteArray ReadEditorPlacement(const host::TRegIniFile& reg);
// Keeps the editor's size and place, through a handle of its own that does not wait for
// another process's lock: a store that is locked, read-only or broken raises at once.
void WriteEditorPlacement(const QByteArray& placement);

// A page chosen recently: its caption, and its place on the palette then (-1: not known).
struct RecentPage {
    QString caption;
    int position = -1;
    bool operator==(const RecentPage& other) const { return caption == other.caption && position == other.position; }
};

// The recent pages as stored, newest first.
QList<RecentPage> ReadRecentPages(const host::TRegIniFile& reg);
// Replaces the recent pages with pages, newest first, as one change.
void WriteRecentPages(host::TRegIniFile& reg, const QList<RecentPage>& pages);

// The section read at once, answering GetCategory for any page exactly as the store
// would at that moment: names match exactly as the store matches them. A menu build reads
// the store once with it rather than once per page.
class Snapshot {
public:
    // The whole section.
    explicit Snapshot(const host::TRegIniFile& reg);
    // For a build of pages pages: the whole section while it holds not many more entries
    // than that; otherwise (an import of a million entries) each page's entry is read when
    // asked for, so that a build never reads more than its pages need.
    Snapshot(const host::TRegIniFile& reg, qsizetype pages);

    QString GetCategory(const QString& page) const;

    // The section as read, in the store's order; nullptr while entries are read one by one.
    // Two snapshots whose sections are equal give every page the same category list.
    const QList<QPair<QString, QString>>* Entries() const { return m_reg ? nullptr : &m_entries; }

private:
    const host::TRegIniFile* m_reg = nullptr; // while entries are read one by one
    QList<QPair<QString, QString>> m_entries; // the section as read
    mutable QHash<QString, QString> m_lists;  // by name, as stored: made at the first lookup
    // Each entry's name key hashed, with the entry's index, in order of the hash: made on the
    // first miss, without making the keys themselves.
    mutable std::vector<std::pair<std::size_t, qsizetype>> m_keyHashes;
    mutable bool m_keyed = false;
};

} // namespace CategoryStore
