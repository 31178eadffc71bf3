#pragma once

#include "host/registry/core/RegistryCore.h"

#include <windows.h>

namespace host::registry {

// The store on the Windows registry under HKEY_CURRENT_USER: keys are registry keys (a section a
// subkey), values are REG_SZ values, names are matched by the registry itself.
//
// A change is made all-or-nothing without the registry's transactions (transacted keys rest on
// the kernel transaction manager, which wine's registry does not implement): it works on a copy of its key, a sibling
// named "<key> (change)", which it then swaps in by two renames (RegRenameKey), the old key named "<key> (replaced)"
// between them and deleted after. The first rename is the change's commit: a change cut short before it leaves its
// copy, which is deleted, and one cut short after it is finished, both when the key is next created (as every handle
// does first). A change nested in another copies its outer change's copy as "<key> (change N)" and puts it back when it
// fails. A named mutex keeps two processes of this user from changing the key at once, and every operation waits for a
// change to end.
class WindowsBackend final : public Backend {
public:
    WindowsBackend();
    ~WindowsBackend() override;
    WindowsBackend(const WindowsBackend&) = delete;
    WindowsBackend& operator=(const WindowsBackend&) = delete;

    Text location() const override { return u"HKEY_CURRENT_USER"; }
    void createKey(const KeyPath& key) override;
    bool readValue(const KeyPath& key, TextView name, const std::function<void(TextView)>& found) override;
    void writeValue(const KeyPath& key, TextView name, TextView value) override;
    void deleteValue(const KeyPath& key, TextView name) override;
    void deleteKey(const KeyPath& key) override;
    void values(const KeyPath& key, std::ptrdiff_t limit, const ValueSink& sink) override;
    // position is how many values were given before, in the registry's enumeration order.
    void valuesAfter(const KeyPath& key, std::int64_t& position, std::ptrdiff_t limit, const ValueSink& sink) override;
    std::size_t valueCount(const KeyPath& key) override;
    void deleteKeyInSlices(const KeyPath& key, const Progress& progress) override;
    void moveKey(const KeyPath& from, const KeyPath& to) override;
    void transaction(const KeyPath& within, const std::function<void()>& changes) override;
    bool stillCurrent(bool) override { return true; }

private:
    // Gives sink up to limit values from the one at index first; the index after the last given.
    std::int64_t enumerate(const KeyPath& key, std::int64_t first, std::ptrdiff_t limit, const ValueSink& sink);
    class Lock;

    [[noreturn]] void fail(const Action& action, LONG code) const;
    // The key where it is now: within a change, the copy of the change's key.
    KeyPath actual(const KeyPath& key) const;
    // Finishes or undoes a change that a process left behind on key.
    void recover(const KeyPath& key);
    void recoverKnown();
    // Makes to a copy of from, erasing what stood at to first; false when from is missing.
    bool copyKey(const KeyPath& from, const KeyPath& to, const Action& action);
    void deleteTree(const KeyPath& key, const Action& action);
    void rename(const KeyPath& key, const Text& newName, const Action& action);
    bool exists(const KeyPath& key) const;
    void commit();
    void undo() noexcept;

    HANDLE m_mutex = nullptr;
    KeyPath m_root; // the key of the change at work
    std::size_t m_depth = 0;
    std::vector<KeyPath> m_known; // the keys created here, looked after when a process died in a change
};

} // namespace host::registry
