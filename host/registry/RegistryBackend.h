#pragma once

#include "host/private/StandinOnly.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>

namespace host {

namespace registry {
struct Refusal;
}

// A path of keys below the current user's root, one name per level, as given (not folded).
using RegistryKeyPath = QStringList;

// Where TRegIniFile keeps its keys and values, as the host's Qt code sees it: the store's core
// (host/registry/core, registry::Backend) on this platform's engine, its failures raised as
// ERegistryException (raiseRegistryError) naming the store and what failed, in the host's
// words. A backend refuses names and values beyond the registry's limits, matches names as
// RegistryNameKey says, keeps the case a name was created with, lists values in creation
// order. Every call is durable when it returns, unless it runs inside transaction().
class RegistryBackend {
public:
    virtual ~RegistryBackend() = default;

    // Where the store lives, for messages and StoreLocation().
    virtual QString location() const = 0;

    // Creates the key and its missing ancestors.
    virtual void createKey(const RegistryKeyPath& key) = 0;
    // The value, or nothing when the key or the value is missing.
    virtual std::optional<QString> readValue(const RegistryKeyPath& key, const QString& name) = 0;
    // Creates the key when missing; creates the value or replaces its data in place.
    virtual void writeValue(const RegistryKeyPath& key, const QString& name, const QString& value) = 0;
    // Removes the value; nothing happens when it or its key is missing.
    virtual void deleteValue(const RegistryKeyPath& key, const QString& name) = 0;
    // Removes the key with its values and every key below it; nothing happens when missing.
    virtual void deleteKey(const RegistryKeyPath& key) = 0;
    // The key's first limit values in creation order (all of them when limit is negative),
    // names and data exactly as stored.
    virtual QList<QPair<QString, QString>> values(const RegistryKeyPath& key, qsizetype limit) = 0;
    // How many values the key holds; 0 when it is missing.
    virtual qsizetype valueCount(const RegistryKeyPath& key) = 0;
    // As deleteKey, its values deleted a slice at a time, progress(deleted, total) called after
    // each; progress may raise, which undoes the whole deletion.
    virtual void deleteKeyInSlices(const RegistryKeyPath& key,
                                   const std::function<void(qsizetype, qsizetype)>& progress) = 0;
    // Gives the key, its values and the keys below it the path to, as they are, erasing what
    // stood at to first; nothing happens when from is missing.
    virtual void moveKey(const RegistryKeyPath& from, const RegistryKeyPath& to) = 0;
    // Up to limit of the key's values in creation order, those created after the one at
    // position (0: from the first); position becomes the last one's.
    virtual QList<QPair<QString, QString>> valuesAfter(const RegistryKeyPath& key, qint64& position,
                                                       qsizetype limit) = 0;
    // How long a call waits for another process's lock before it raises.
    virtual void setLockWait(int milliseconds) = 0;

    // Runs changes, which touch keys within the key within alone, as one all-or-nothing change.
    // Calls may nest: an inner one that raises undoes only its own changes before the exception
    // goes on.
    virtual void transaction(const RegistryKeyPath& within, const std::function<void()>& changes) = 0;

    // False when the store's file is no longer the one this backend has open (moved,
    // removed, replaced, or written over by another program), or, before writing, when only
    // a fresh connection may write it: the caller then lets it go, and it writes nothing
    // more, and connects afresh. Before a write it always looks; before a read it may rely
    // on a look a moment old. Always true within transaction().
    virtual bool stillCurrent(bool writing) = 0;

    // A count that grows whenever the store may have changed since the last call: a change
    // committed through this connection or any other, of this process or another. Equal
    // counts from one backend mean that nothing was written in between. Nothing when the
    // backend cannot tell, and the caller reads afresh.
    virtual std::optional<quint64> changeCount() { return std::nullopt; }
};

// Where this platform's per-user store is now (the IDE may name another one).
QString registryLocation();
// Opens the per-user store at location, a value registryLocation() gave.
std::unique_ptr<RegistryBackend> openRegistryBackend(const QString& location);

// What an operation was doing, for messages; put into words only when it fails.
struct RegistryAction {
    const char* verb;                     // "write", "open the store"
    const RegistryKeyPath* key = nullptr; // the key it worked on, if any
    const QString* name = nullptr;        // the value it worked on, if any

    // `verb "name" in key "A\B"`, `verb key "A\B"`, or the verb alone.
    QString text() const;
};

// Why the registry cannot hold a name or value, in the host's words.
QString refusalReason(const registry::Refusal& refusal);

// Raises ERegistryException: `Registry store "<store>": cannot <action>: <reason>`.
[[noreturn]] void raiseRegistryError(const QString& store, const RegistryAction& action, const QString& reason);

} // namespace host
