#pragma once

#include "host/HostExport.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

namespace host {

class RegistryBackend;
struct RegistryAction;

// The form in which the registry compares names of keys, sections and values: two names
// match when their keys are equal. Code unit by code unit, a letter and its Unicode simple case
// folding are one where each is the other's simple upper or lower case, so "Ä" matches "ä" and
// "Σ" matches "σ"; every other code unit stands for itself ("ς", "ſ", "ẞ", the Kelvin and micro
// signs, letters beyond the BMP). The length in UTF-16 code units never changes.
HOST_EXPORT QString RegistryNameKey(const QString& name);

// The host's registry-as-ini-file: a key under the current user, its sections (subkeys)
// and their string values. Names of keys, sections and values match without regard to
// letter case; a section lists its entries in creation order. Every call goes straight to
// the store and is durable when it returns. Every failure raises ERegistryException,
// naming the store and what failed.
//
// A handle connects to its store when first used, not when made: a store that is locked
// or broken then does not stop the handle's owner from starting. A use that cannot connect
// raises, and the next use tries again.
class HOST_EXPORT TRegIniFile {
public:
    // The registry's limits, in UTF-16 code units. A write beyond one, or of a name holding
    // U+0000 (which ends a name in the registry), raises and writes nothing.
    static constexpr int MaxKeyNameLength = 255;      // each key and section name
    static constexpr int MaxValueNameLength = 16383;  // a value's name
    static constexpr int MaxValueLength = 512 * 1024; // a value's data: 1 MiB

    // Names key (path separated by "\") in the store the IDE names now; the first use
    // creates the key when missing.
    explicit TRegIniFile(const QString& key);
    ~TRegIniFile();
    TRegIniFile(const TRegIniFile&) = delete;
    TRegIniFile& operator=(const TRegIniFile&) = delete;

    QString FileName() const;      // the key's path
    QString StoreLocation() const; // where the store lives (a file, on this platform)

    QString ReadString(const QString& section, const QString& name, const QString& defaultValue) const;
    // Creates the section when missing; creates the entry or replaces its value in place.
    void WriteString(const QString& section, const QString& name, const QString& value);
    // Removes the entry; nothing happens when it is missing.
    void DeleteKey(const QString& section, const QString& name);
    // Removes the section and every entry in it.
    void EraseSection(const QString& section);
    // Replaces lines' content with one "name=value" line per entry in creation order;
    // entries whose value is empty are left out, as the host's registry does.
    void ReadSectionValues(const QString& section, QStringList& lines) const;
    // Every entry of the section, in creation order, names and values exactly as stored.
    QList<QPair<QString, QString>> ReadSectionEntries(const QString& section) const;
    // The same, but no more than the first limit entries: one more than a caller can use
    // tells it that the section holds more.
    QList<QPair<QString, QString>> ReadSectionEntries(const QString& section, qsizetype limit) const;
    // A part of the section, for reading a large one a little at a time: up to limit entries
    // in creation order, after those the earlier parts gave (position 0 before the first);
    // position moves past them. An entry written meanwhile comes in a later part.
    QList<QPair<QString, QString>> ReadSectionPart(const QString& section, qint64& position, qsizetype limit) const;

    // How long this handle's calls wait for another process's lock before they raise, in
    // milliseconds: as long as the IDE says unless set here; 0 does not wait.
    void SetLockWait(int milliseconds);

    // How many entries the section holds.
    qsizetype SectionSize(const QString& section) const;
    // EraseSection, telling progress(erased, total) as it goes: a section of a million
    // entries takes a second or more. progress may raise, which leaves the section as it was.
    void EraseSection(const QString& section, const std::function<void(qsizetype erased, qsizetype total)>& progress);
    // Gives the section, with its entries as they are, the name newName, in one change; a
    // section of that name is erased first. Nothing happens when the section is missing.
    void MoveSection(const QString& section, const QString& newName);

    // Runs changes as one all-or-nothing change: if they raise, the store is left as it
    // was before and the exception goes on.
    void Transaction(const std::function<void()>& changes);

    // A count that grows whenever the store may have changed since this handle's last call:
    // a change through any handle or process, another file in the store's place. The same
    // count as the last call's means that what was read then still stands, so a caller that
    // reads the same section at every turn may keep what it read.
    quint64 ChangeCount() const;

private:
    // The connected store, connecting and creating the key first when needed; before a
    // write, one that may write the file the store's path names now.
    RegistryBackend& Backend(bool writing) const;
    QStringList SectionPath(const QString& section) const;
    void CheckKeyNames(const QStringList& path, const RegistryAction& action) const;

    QString m_key;
    QStringList m_path; // the key's names, level by level
    QString m_location;
    mutable QString m_lastSection; // the section last named, and its path
    mutable QStringList m_lastSectionPath;
    mutable std::unique_ptr<RegistryBackend> m_backend; // none until the first use succeeds
    int m_lockWait = -1;                                // the IDE's while negative
    mutable quint64 m_connections = 0;                  // backends opened, for ChangeCount()
    mutable quint64 m_seenConnection = 0;
    mutable quint64 m_seenChanges = 0;
    mutable quint64 m_changeCount = 0;
};

} // namespace host
