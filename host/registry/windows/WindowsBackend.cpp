#include "host/registry/windows/WindowsBackend.h"

#include <algorithm>
#include <utility>

namespace host::registry {

namespace {

// How long an operation waits for another process's change to end before it gives up.
constexpr DWORD BusyTimeoutMs = 5000;

const wchar_t* wide(const Text& text)
{
    return reinterpret_cast<const wchar_t*>(text.c_str());
}

Text changeName(const Text& name, std::size_t depth)
{
    return name + (depth <= 1 ? Text(u" (change)") : u" (change " + Text(fromUtf8(std::to_string(depth))) + u')');
}

Text replacedName(const Text& name)
{
    return name + u" (replaced)";
}

KeyPath sibling(const KeyPath& key, const Text& name)
{
    KeyPath path(key.begin(), key.end() - 1);
    path.push_back(name);
    return path;
}

bool sameName(const Text& a, const Text& b)
{
    // The registry's own comparison of names, as the file system's: without regard to case.
    return CompareStringOrdinal(wide(a), int(a.size()), wide(b), int(b.size()), TRUE) == CSTR_EQUAL;
}

bool within(const KeyPath& key, const KeyPath& root)
{
    return key.size() >= root.size() && std::equal(root.begin(), root.end(), key.begin(), sameName);
}

// An open key, closed when it goes.
class Key {
public:
    Key() = default;
    ~Key()
    {
        if (m_key)
            RegCloseKey(m_key);
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    // ERROR_SUCCESS, or why the key cannot be opened (ERROR_FILE_NOT_FOUND when missing).
    LONG open(const KeyPath& path, REGSAM access)
    {
        return RegOpenKeyExW(HKEY_CURRENT_USER, wide(joinKey(path)), 0, access, &m_key);
    }
    LONG create(const KeyPath& path, REGSAM access)
    {
        return RegCreateKeyExW(HKEY_CURRENT_USER, wide(joinKey(path)), 0, nullptr, 0, access, nullptr, &m_key, nullptr);
    }
    HKEY get() const { return m_key; }

private:
    HKEY m_key = nullptr;
};

// A REG_SZ value's data as written: its code units, and the terminating U+0000 dropped.
TextView dataText(const std::vector<BYTE>& data, DWORD size)
{
    TextView text(reinterpret_cast<const char16_t*>(data.data()), size / 2);
    if (!text.empty() && text.back() == u'\0')
        text.remove_suffix(1);
    return text;
}

} // namespace

// Holds the mutex that keeps changes of this user's processes apart; a thread that holds it
// takes it again at once.
class WindowsBackend::Lock {
public:
    explicit Lock(WindowsBackend& backend) : m_backend(backend)
    {
        switch (WaitForSingleObject(backend.m_mutex, BusyTimeoutMs)) {
        case WAIT_OBJECT_0: break;
        case WAIT_ABANDONED:
            // A process died holding it, perhaps in the middle of a change.
            try {
                backend.recoverKnown();
            } catch (...) {
                ReleaseMutex(backend.m_mutex);
                throw;
            }
            break;
        case WAIT_TIMEOUT: backend.fail({"open the store"}, ERROR_TIMEOUT);
        default: backend.fail({"open the store"}, LONG(GetLastError()));
        }
    }
    ~Lock() { ReleaseMutex(m_backend.m_mutex); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    WindowsBackend& m_backend;
};

WindowsBackend::WindowsBackend()
{
    m_mutex = CreateMutexW(nullptr, FALSE, L"Local\\Vorla Palette Menu registry store");
    if (!m_mutex)
        fail({"open the store"}, LONG(GetLastError()));
}

WindowsBackend::~WindowsBackend()
{
    CloseHandle(m_mutex);
}

void WindowsBackend::fail(const Action& action, LONG code) const
{
    wchar_t* text = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER
                                            | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, DWORD(code), 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    Text message = length ? Text(reinterpret_cast<const char16_t*>(text), length)
                          : u"error " + fromUtf8(std::to_string(code));
    LocalFree(text);
    while (!message.empty() && (message.back() == u'\n' || message.back() == u'\r' || message.back() == u' '))
        message.pop_back();
    throw Error(location(), action, Error::Backend, code, std::move(message));
}

KeyPath WindowsBackend::actual(const KeyPath& key) const
{
    if (m_depth == 0 || !within(key, m_root))
        return key;
    KeyPath path = key;
    path[m_root.size() - 1] = changeName(m_root.back(), 1);
    return path;
}

bool WindowsBackend::exists(const KeyPath& key) const
{
    Key opened;
    return opened.open(key, KEY_READ) == ERROR_SUCCESS;
}

void WindowsBackend::deleteTree(const KeyPath& key, const Action& action)
{
    const LONG result = RegDeleteTreeW(HKEY_CURRENT_USER, wide(joinKey(key)));
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        fail(action, result);
}

void WindowsBackend::rename(const KeyPath& key, const Text& newName, const Action& action)
{
    Key parent;
    LONG result = parent.open(KeyPath(key.begin(), key.end() - 1), KEY_ALL_ACCESS);
    if (result == ERROR_SUCCESS)
        result = RegRenameKey(parent.get(), wide(key.back()), wide(newName));
    if (result != ERROR_SUCCESS)
        fail(action, result);
}

bool WindowsBackend::copyKey(const KeyPath& from, const KeyPath& to, const Action& action)
{
    deleteTree(to, action);
    Key source;
    LONG result = source.open(from, KEY_READ);
    if (result == ERROR_FILE_NOT_FOUND)
        return false;
    Key target;
    if (result == ERROR_SUCCESS)
        result = target.create(to, KEY_ALL_ACCESS);
    if (result == ERROR_SUCCESS)
        result = RegCopyTreeW(source.get(), nullptr, target.get());
    if (result != ERROR_SUCCESS)
        fail(action, result);
    return true;
}

void WindowsBackend::recover(const KeyPath& key)
{
    if (key.empty())
        return;
    const Action action{"open the store", &key};
    const KeyPath replaced = sibling(key, replacedName(key.back()));
    const KeyPath copy = sibling(key, changeName(key.back(), 1));
    if (exists(replaced)) {
        // Cut short after its commit: the copy is the key now.
        if (!exists(key) && exists(copy))
            rename(copy, key.back(), action);
        deleteTree(replaced, action);
    }
    deleteTree(copy, action);
    for (std::size_t depth = 2; exists(sibling(key, changeName(key.back(), depth))); ++depth)
        deleteTree(sibling(key, changeName(key.back(), depth)), action);
}

void WindowsBackend::recoverKnown()
{
    for (const KeyPath& key : m_known)
        recover(key);
}

void WindowsBackend::createKey(const KeyPath& key)
{
    const Action action{"create", &key};
    requireWritable(location(), action, key);
    Lock lock(*this);
    if (m_depth == 0) {
        recover(key);
        if (std::none_of(m_known.begin(), m_known.end(), [&](const KeyPath& known) { return known == key; }))
            m_known.push_back(key);
    }
    Key created;
    if (const LONG result = created.create(actual(key), KEY_READ); result != ERROR_SUCCESS)
        fail(action, result);
}

bool WindowsBackend::readValue(const KeyPath& key, TextView name, const std::function<void(TextView)>& found)
{
    const Action action{"read", &key, &name};
    Lock lock(*this);
    Key opened;
    LONG result = opened.open(actual(key), KEY_QUERY_VALUE);
    if (result == ERROR_FILE_NOT_FOUND)
        return false;
    const Text nameZ(name);
    std::vector<BYTE> data(256);
    DWORD type = 0;
    DWORD size = 0;
    while (result == ERROR_SUCCESS) {
        size = DWORD(data.size());
        result = RegQueryValueExW(opened.get(), wide(nameZ), nullptr, &type, data.data(), &size);
        if (result != ERROR_MORE_DATA)
            break;
        data.resize(size + 2);
        result = ERROR_SUCCESS;
    }
    if (result == ERROR_FILE_NOT_FOUND)
        return false;
    if (result == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ)
        result = ERROR_DATATYPE_MISMATCH;
    if (result != ERROR_SUCCESS)
        fail(action, result);
    found(dataText(data, size));
    return true;
}

void WindowsBackend::writeValue(const KeyPath& key, TextView name, TextView value)
{
    const Action action{"write", &key, &name};
    requireWritable(location(), action, key, name, value);
    Lock lock(*this);
    Key created;
    LONG result = created.create(actual(key), KEY_SET_VALUE);
    if (result == ERROR_SUCCESS) {
        const Text data(value); // with its terminating U+0000, as REG_SZ is written
        result = RegSetValueExW(created.get(), wide(Text(name)), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                DWORD((data.size() + 1) * 2));
    }
    if (result != ERROR_SUCCESS)
        fail(action, result);
}

void WindowsBackend::deleteValue(const KeyPath& key, TextView name)
{
    const Action action{"delete", &key, &name};
    Lock lock(*this);
    Key opened;
    LONG result = opened.open(actual(key), KEY_SET_VALUE);
    if (result == ERROR_SUCCESS)
        result = RegDeleteValueW(opened.get(), wide(Text(name)));
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        fail(action, result);
}

void WindowsBackend::deleteKey(const KeyPath& key)
{
    const Action action{"erase", &key};
    Lock lock(*this);
    deleteTree(actual(key), action);
}

void WindowsBackend::values(const KeyPath& key, std::ptrdiff_t limit, const ValueSink& sink)
{
    enumerate(key, 0, limit, sink);
}

void WindowsBackend::valuesAfter(const KeyPath& key, std::int64_t& position, std::ptrdiff_t limit,
                                 const ValueSink& sink)
{
    position = enumerate(key, position, std::max<std::ptrdiff_t>(limit, 0), sink);
}

std::int64_t WindowsBackend::enumerate(const KeyPath& key, std::int64_t first, std::ptrdiff_t limit,
                                       const ValueSink& sink)
{
    const Action action{"list", &key};
    Lock lock(*this);
    Key opened;
    LONG result = opened.open(actual(key), KEY_QUERY_VALUE);
    if (result == ERROR_FILE_NOT_FOUND)
        return first;
    std::vector<char16_t> name;
    std::vector<BYTE> data;
    const auto makeRoom = [&] {
        DWORD longestName = 0, longestData = 0;
        result = RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
                                  &longestName, &longestData, nullptr, nullptr);
        name.resize(longestName + 1);
        data.resize(longestData + 2);
    };
    if (result == ERROR_SUCCESS)
        makeRoom();
    DWORD index = DWORD(first);
    for (; result == ERROR_SUCCESS && (limit < 0 || std::ptrdiff_t(index - DWORD(first)) < limit);) {
        DWORD nameSize = DWORD(name.size());
        DWORD dataSize = DWORD(data.size());
        DWORD type = 0;
        result = RegEnumValueW(opened.get(), index, reinterpret_cast<wchar_t*>(name.data()), &nameSize, nullptr, &type,
                               data.data(), &dataSize);
        if (result == ERROR_NO_MORE_ITEMS)
            return index;
        if (result == ERROR_MORE_DATA) { // written meanwhile by a process that does not wait
            makeRoom();
            continue;
        }
        if (result == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ)
            result = ERROR_DATATYPE_MISMATCH;
        if (result == ERROR_SUCCESS) {
            sink(TextView(name.data(), nameSize), dataText(data, dataSize));
            ++index;
        }
    }
    if (result != ERROR_SUCCESS)
        fail(action, result);
    return index;
}

std::size_t WindowsBackend::valueCount(const KeyPath& key)
{
    Lock lock(*this);
    Key opened;
    LONG result = opened.open(actual(key), KEY_QUERY_VALUE);
    if (result == ERROR_FILE_NOT_FOUND)
        return 0;
    DWORD count = 0;
    if (result == ERROR_SUCCESS)
        result = RegQueryInfoKeyW(opened.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &count, nullptr,
                                  nullptr, nullptr, nullptr);
    if (result != ERROR_SUCCESS)
        fail({"list", &key}, result);
    return count;
}

void WindowsBackend::deleteKeyInSlices(const KeyPath& key, const Progress& progress)
{
    constexpr std::size_t SliceSize = 1024;
    transaction(key, [&] {
        const std::size_t total = valueCount(key);
        std::size_t deleted = 0;
        while (deleted < total) {
            std::vector<Text> names;
            values(key, SliceSize, [&](TextView name, TextView) { names.emplace_back(name); });
            if (names.empty())
                break;
            for (const Text& name : names)
                deleteValue(key, name);
            deleted = std::min(total, deleted + names.size());
            progress(deleted, total);
        }
        deleteKey(key);
    });
}

void WindowsBackend::moveKey(const KeyPath& from, const KeyPath& to)
{
    const Action action{"move", &from};
    requireWritable(location(), action, to);
    if (from.size() == to.size() && within(from, to))
        return;
    // The longest path both lie within holds the change.
    KeyPath shared;
    for (std::size_t i = 0; i < std::min(from.size(), to.size()) && sameName(from[i], to[i]); ++i)
        shared.push_back(from[i]);
    const auto move = [&] {
        const KeyPath source = actual(from);
        const KeyPath target = actual(to);
        if (!exists(source)) {
            deleteTree(target, action);
            return;
        }
        if (source.size() == target.size() && within(KeyPath(source.begin(), source.end() - 1), target)) {
            deleteTree(target, action);
            rename(source, to.back(), action);
        } else if (copyKey(source, target, action)) {
            deleteTree(source, action);
        }
    };
    if (shared.empty() || shared.size() == std::min(from.size(), to.size()))
        move(); // one within the other, or nothing shared: no key to change as a whole
    else
        transaction(shared, move);
}

void WindowsBackend::transaction(const KeyPath& within_, const std::function<void()>& changes)
{
    const Action action{"begin a change", &within_};
    Lock lock(*this);
    if (m_depth == 0) {
        if (within_.empty())
            fail(action, ERROR_INVALID_PARAMETER);
        recover(within_);
        Key created;
        if (const LONG result = created.create(within_, KEY_READ); result != ERROR_SUCCESS)
            fail(action, result);
        copyKey(within_, sibling(within_, changeName(within_.back(), 1)), action);
        m_root = within_;
    } else {
        if (!within(within_, m_root))
            fail(action, ERROR_INVALID_PARAMETER);
        copyKey(sibling(m_root, changeName(m_root.back(), 1)), sibling(m_root, changeName(m_root.back(), m_depth + 1)),
                action);
    }
    ++m_depth;
    try {
        changes();
    } catch (...) {
        undo();
        throw;
    }
    commit();
}

void WindowsBackend::commit()
{
    const Action action{"commit a change", &m_root};
    const KeyPath copy = sibling(m_root, changeName(m_root.back(), 1));
    if (m_depth > 1) {
        --m_depth;
        deleteTree(sibling(m_root, changeName(m_root.back(), m_depth + 1)), action);
        return;
    }
    m_depth = 0;
    const KeyPath root = std::exchange(m_root, KeyPath());
    // The key's own spelling, which the copy takes.
    Text name = root.back();
    {
        Key parent;
        if (parent.open(KeyPath(root.begin(), root.end() - 1), KEY_READ) == ERROR_SUCCESS) {
            wchar_t found[256];
            for (DWORD index = 0;; ++index) {
                DWORD size = 256;
                if (RegEnumKeyExW(parent.get(), index, found, &size, nullptr, nullptr, nullptr, nullptr)
                    != ERROR_SUCCESS)
                    break;
                if (sameName(Text(reinterpret_cast<const char16_t*>(found), size), name)) {
                    name.assign(reinterpret_cast<const char16_t*>(found), size);
                    break;
                }
            }
        }
    }
    const KeyPath replaced = sibling(root, replacedName(root.back()));
    try {
        rename(root, replacedName(root.back()), action);
    } catch (...) {
        deleteTree(copy, action);
        throw;
    }
    try {
        if (exists(copy)) // not when the change erased the key
            rename(copy, name, action);
    } catch (...) {
        // The old key back, the change undone; should that fail too, recover() finishes it.
        try {
            rename(replaced, name, action);
            deleteTree(copy, action);
        } catch (const Error&) {
        }
        throw;
    }
    // Done: a copy of the old key left here is removed by recover() when the key is next created.
    try {
        deleteTree(replaced, action);
    } catch (const Error&) {
    }
}

void WindowsBackend::undo() noexcept
{
    const KeyPath copy = sibling(m_root, changeName(m_root.back(), 1));
    try {
        deleteTree(copy, {"undo a change"});
        if (m_depth > 1)
            rename(sibling(m_root, changeName(m_root.back(), m_depth)), copy.back(), {"undo a change"});
    } catch (const Error&) {
        // What is left is undone by recover() when the key is next created.
    }
    if (--m_depth == 0)
        m_root.clear();
}

} // namespace host::registry
