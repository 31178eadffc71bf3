// The store's semantics as one table of operations, run on one backend: built natively, the
// SQLite store in a temporary folder; cross-built for Windows, the registry under
// HKEY_CURRENT_USER. Each step prints one line, "<case> | <step> | <result>", every name and
// value escaped, so that the two backends' outputs compare line by line (compare-semantics.sh).
// Windows documents no order for a key's values (RegEnumValueW), so a list is printed sorted.
//
//   registry_semantics              the table
//   registry_semantics --recovery   (Windows) changes cut short are finished or undone
//   registry_semantics --message    (Windows) a failure of the registry, in the store's error

#ifdef _WIN64
#include "host/registry/windows/WindowsBackend.h"

#include <fcntl.h>
#include <io.h>
#else
#include "host/registry/sqlite/SqliteBackend.h"

#include <filesystem>

#include <stdlib.h>
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace host::registry;

namespace {

const KeyPath Root{u"Software", u"Vorla", u"Palette Menu"};

// Printable ASCII as it is; every other code unit, and \ " [ *, as \uXXXX; a run of eight or
// more alike as [unit*count].
std::string shown(TextView text)
{
    std::string out = "\"";
    for (std::size_t i = 0; i < text.size();) {
        std::size_t run = 1;
        while (i + run < text.size() && text[i + run] == text[i])
            ++run;
        const char16_t c = text[i];
        char unit[8];
        if (c >= 0x20 && c < 0x7f && !std::strchr("\\\"[*", char(c)))
            std::snprintf(unit, sizeof unit, "%c", char(c));
        else
            std::snprintf(unit, sizeof unit, "\\u%04X", unsigned(c));
        for (std::size_t k = 0; k < (run >= 8 ? 1 : run); ++k)
            out += unit;
        if (run >= 8)
            out = out.substr(0, out.size() - std::strlen(unit)) + "[" + unit + "*" + std::to_string(run) + "]";
        i += run;
    }
    return out + "\"";
}

std::string shown(const KeyPath& key)
{
    return shown(joinKey(KeyPath(key.begin() + Root.size(), key.end())));
}

class Run {
public:
    explicit Run(Backend& store) : m_store(store) {}

    void start(const char* title)
    {
        m_title = title;
        m_section = Root;
        m_section.push_back(u"Case " + fromUtf8(std::to_string(++m_case)));
    }
    // The case's section, or a key below it ("A\\B" two levels, as TRegIniFile splits them).
    KeyPath key(TextView below = {}) const
    {
        KeyPath key = m_section;
        for (std::size_t start = 0; start < below.size();) {
            const std::size_t end = std::min(below.find(u'\\', start), below.size());
            key.emplace_back(below.substr(start, end - start));
            start = end + 1;
        }
        return key;
    }

    void write(TextView name, TextView value, const KeyPath& key)
    {
        print("write " + shown(name) + "=" + shown(value) + " in " + shown(key),
              attempt([&] { m_store.writeValue(key, name, value); }));
    }
    void write(TextView name, TextView value) { write(name, value, key()); }
    void read(TextView name, const KeyPath& key)
    {
        std::string result = "missing";
        const std::string failed = attempt(
            [&] { m_store.readValue(key, name, [&](TextView value) { result = shown(value); }); });
        print("read " + shown(name) + " in " + shown(key), failed == "ok" ? result : failed);
    }
    void read(TextView name) { read(name, key()); }
    void remove(TextView name)
    {
        print("delete " + shown(name), attempt([&] { m_store.deleteValue(key(), name); }));
    }
    void erase(const KeyPath& key)
    {
        print("erase " + shown(key), attempt([&] { m_store.deleteKey(key); }));
    }
    void list(const KeyPath& key, std::ptrdiff_t limit = -1)
    {
        std::vector<std::pair<Text, Text>> entries;
        const std::string failed = attempt([&] {
            m_store.values(key, limit, [&](TextView name, TextView value) { entries.emplace_back(name, value); });
        });
        std::sort(entries.begin(), entries.end());
        std::string result = std::to_string(entries.size()) + " of " + std::to_string(m_store.valueCount(key));
        for (const auto& [name, value] : entries)
            result += limit < 0 ? " " + shown(name) + "=" + shown(value) : std::string();
        print("list " + shown(key) + (limit < 0 ? "" : " first " + std::to_string(limit)),
              failed == "ok" ? result : failed);
    }
    void list() { list(key()); }
    // Lists the key a slice of `limit` at a time, as a long section is read without a stall:
    // every value exactly once, whatever order the store keeps.
    void listInSlices(std::ptrdiff_t limit)
    {
        std::vector<std::pair<Text, Text>> entries;
        std::int64_t position = 0;
        std::string slices;
        const std::string failed = attempt([&] {
            for (std::size_t before = SIZE_MAX; before != entries.size();) {
                before = entries.size();
                m_store.valuesAfter(key(), position, limit,
                                    [&](TextView name, TextView value) { entries.emplace_back(name, value); });
                slices += " " + std::to_string(entries.size() - before);
            }
        });
        std::sort(entries.begin(), entries.end());
        std::string result = "slices" + slices + ":";
        for (const auto& [name, value] : entries)
            result += " " + shown(name) + "=" + shown(value);
        print("list in slices of " + std::to_string(limit), failed == "ok" ? result : failed);
    }
    void fill(const KeyPath& key, int count)
    {
        print("write " + std::to_string(count) + " values in " + shown(key), attempt([&] {
                  for (int i = 0; i < count; ++i)
                      m_store.writeValue(key, fromUtf8(std::to_string(i)), u"x");
              }));
    }
    // Writes a, then b, and lists the section: one entry when the store takes them for one name.
    void pair(TextView a, TextView b)
    {
        write(a, u"1");
        write(b, u"2");
        list();
    }
    void change(const char* what, const std::function<void()>& changes)
    {
        print("change " + std::string(what), attempt([&] { m_store.transaction(Root, changes); }));
    }
    void move(const KeyPath& from, const KeyPath& to)
    {
        print("move " + shown(from) + " to " + shown(to), attempt([&] { m_store.moveKey(from, to); }));
    }
    void eraseInSlices(const KeyPath& key, bool cancel)
    {
        print(std::string("erase in slices, ") + (cancel ? "cancelled" : "to the end") + ", " + shown(key),
              attempt([&] {
                  m_store.deleteKeyInSlices(key, [&](std::size_t, std::size_t) {
                      if (cancel)
                          throw std::runtime_error("cancelled");
                  });
              }));
    }

private:
    template <typename Operation>
    static std::string attempt(const Operation& operation)
    {
        try {
            operation();
            return "ok";
        } catch (const Error& error) {
            const char* const kinds[] = {"",
                                         "key name too long",
                                         "value name too long",
                                         "value too long",
                                         "NUL in key name",
                                         "NUL in value name"};
            return error.cause() == Error::Refused ? std::string("refused: ") + kinds[error.refusal().kind]
                                                   : std::string("failed");
        } catch (const std::runtime_error& error) {
            return error.what();
        }
    }
    void print(const std::string& step, const std::string& result) const
    {
        std::printf("%s | %s | %s\n", m_title, step.c_str(), result.c_str());
    }

    Backend& m_store;
    const char* m_title = "";
    int m_case = 0;
    KeyPath m_section;
};

struct Case {
    const char* title;
    void (*steps)(Run&);
};

const Case Table[] = {
    {"ASCII", [](Run& r) { r.pair(u"Data Access", u"DATA access"); }},
    {"Latin-1", [](Run& r) { r.pair(u"Ärger", u"äRGER"); }},
    {"sharp s and SS", [](Run& r) { r.pair(u"Straße", u"STRASSE"); }},
    {"capital and small sharp s", [](Run& r) { r.pair(u"ẞ", u"ß"); }},
    {"dotted capital I", [](Run& r) { r.pair(u"İx", u"ix"); }},
    {"dotless small i", [](Run& r) { r.pair(u"ıx", u"IX"); }},
    {"long s", [](Run& r) { r.pair(u"ſt", u"ST"); }},
    {"capital and small sigma", [](Run& r) { r.pair(u"ΟΔΟΣ", u"οδοσ"); }},
    {"final sigma", [](Run& r) { r.pair(u"ς", u"Σ"); }},
    {"final and small sigma", [](Run& r) { r.pair(u"ς", u"σ"); }},
    {"Kelvin sign", [](Run& r) { r.pair(u"\u212A", u"k"); }},
    {"Angstrom sign", [](Run& r) { r.pair(u"\u212B", u"å"); }},
    {"micro sign", [](Run& r) { r.pair(u"µ", u"Μ"); }},
    {"titlecase digraph", [](Run& r) { r.pair(u"ǅ", u"ǆ"); }},
    {"capital and small digraph", [](Run& r) { r.pair(u"Ǆ", u"ǆ"); }},
    {"Greek with iota subscript", [](Run& r) { r.pair(u"ᾳ", u"ᾼ"); }},
    {"Cherokee", [](Run& r) { r.pair(u"Ꭰ", u"ꭰ"); }},
    {"Cyrillic", [](Run& r) { r.pair(u"Жёлтый", u"жЁЛТЫЙ"); }},
    {"fullwidth", [](Run& r) { r.pair(u"Ａｂｃ", u"ａＢＣ"); }},
    {"beyond the BMP", [](Run& r) { r.pair(u"𐐀", u"𐐨"); }},
    {"lone surrogates", [](Run& r) { r.pair(u"\xD800x\xDC00", u"\xD800X\xDC00"); }},
    {"leading U+FEFF",
     [](Run& r) {
         r.pair(u"\uFEFFname", u"name");
         r.write(u"\uFEFFNAME", u"3");
         r.read(u"\uFEFFName");
     }},
    {"empty names and values",
     [](Run& r) {
         r.write(u"", u"nameless");
         r.write(u"empty", u"");
         r.read(u"");
         r.read(u"empty");
         r.list();
     }},
    {"separators and control characters in names",
     [](Run& r) {
         for (TextView name : {u"a;b", u"a=b", u"\\back\\slash", u"\t\r\n", u"\x01\x1f\x7f"})
             r.write(name, name);
         r.read(u"A;B");
         r.list();
     }},
    {"values kept exactly",
     [](Run& r) {
         r.write(u"nul", TextView(u"a\0b", 3));
         r.write(u"marks", u"\uFEFF\uFFFE");
         r.write(u"surrogates", u"\xDC00\xD800");
         r.list();
     }},
    {"NUL in a value name", [](Run& r) { r.write(TextView(u"a\0b", 3), u"x"); }},
    {"longest names and value",
     [](Run& r) {
         const KeyPath key = r.key();
         r.write(Text(MaxValueNameLength, u'n'), u"longest name");
         r.write(Text(MaxValueNameLength + 1, u'n'), u"one more");
         r.write(u"longest value", Text(MaxValueLength, u'v'));
         r.write(u"one more", Text(MaxValueLength + 1, u'v'));
         r.write(u"in the longest section", u"x", r.key(Text(MaxKeyNameLength, u's')));
         r.write(u"one more", u"x", r.key(Text(MaxKeyNameLength + 1, u's')));
         r.list(key);
     }},
    {"order after writes, rewrites and deletes",
     [](Run& r) {
         for (TextView name : {u"Web", u"Standard", u"additional", u"", u"Zeta"})
             r.write(name, u"1");
         r.write(u"STANDARD", u"2");
         r.remove(u"additional");
         r.write(u"Additional", u"3");
         r.list();
         r.list(r.key(), 2);
         r.listInSlices(2);
     }},
    {"missing things",
     [](Run& r) {
         r.read(u"nothing");
         r.remove(u"nothing");
         r.write(u"there", u"1");
         r.remove(u"nothing");
         r.erase(r.key(u"no section"));
         r.list(r.key(u"no section"));
         r.move(r.key(u"no section"), r.key(u"Moved"));
         r.list();
     }},
    {"sections",
     [](Run& r) {
         r.write(u"a", u"1", r.key(u"Inner Ä"));
         r.write(u"b", u"2", r.key(u"INNER ä"));
         r.write(u"c", u"3", r.key(u"inner ä\\Deeper"));
         r.list(r.key(u"inner Ä"));
         r.erase(r.key(u"INNER Ä"));
         r.list(r.key(u"Inner Ä\\deeper"));
         r.write(u"d", u"4", r.key(u"Inner Ä"));
         r.list(r.key(u"Inner Ä"));
         r.write(u"e", u"5", r.key(u"ſection ς"));
         r.list(r.key(u"Section ς"));
         r.list(r.key(u"ſECTION ς"));
     }},
    {"moving a section",
     [](Run& r) {
         r.write(u"a", u"1", r.key(u"From"));
         r.write(u"b", u"2", r.key(u"From\\Below"));
         r.write(u"old", u"3", r.key(u"To"));
         r.move(r.key(u"FROM"), r.key(u"To"));
         r.list(r.key(u"to"));
         r.list(r.key(u"To\\below"));
         r.list(r.key(u"From"));
     }},
    {"changes",
     [](Run& r) {
         r.change("written", [&] {
             r.write(u"a", u"1");
             r.write(u"b", u"1", r.key(u"Other"));
         });
         r.change("cancelled", [&] {
             r.write(u"a", u"2");
             r.erase(r.key(u"Other"));
             throw std::runtime_error("cancelled");
         });
         r.list();
         r.list(r.key(u"Other"));
         r.change("with a cancelled change inside", [&] {
             r.write(u"c", u"3");
             r.change("inner", [&] {
                 r.write(u"d", u"4");
                 throw std::runtime_error("cancelled");
             });
             r.move(r.key(u"Other"), r.key(u"Kept"));
         });
         r.list();
         r.list(r.key(u"Kept"));
     }},
    {"erasing in slices",
     [](Run& r) {
         r.fill(r.key(u"Big"), 2000);
         r.eraseInSlices(r.key(u"Big"), true);
         r.list(r.key(u"Big"), 0);
         r.eraseInSlices(r.key(u"Big"), false);
         r.list(r.key(u"Big"), 0);
     }},
};

#ifdef _WIN64
// The Windows backend's own checks: a change cut short, finished or undone when the key is next
// created; and a failure of the registry reported with the registry's own message.
int windowsChecks()
{
    const auto sibling = [](const wchar_t* suffix) { return std::wstring(L"Software\\Vorla\\Palette Menu") + suffix; };
    const auto setValue = [](const std::wstring& key, const wchar_t* name, DWORD type, const void* data, DWORD size) {
        HKEY opened;
        RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &opened, nullptr);
        RegSetValueExW(opened, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(opened);
    };
    const auto exists = [](const std::wstring& key) {
        HKEY opened;
        const bool found = RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &opened) == ERROR_SUCCESS;
        if (found)
            RegCloseKey(opened);
        return found;
    };
    int failures = 0;
    // Each: what a process left behind (the key's value "kept", and another key's), and what a
    // new handle then reads.
    const struct {
        const char* left;
        const wchar_t* keyValue;
        const wchar_t* other; // the other key, holding the other value of "old" and "new"
        bool renamed;         // the key renamed to " (replaced)" after both were written
        const char16_t* expected;
    } cuts[] = {
        {"its copy, before the commit", L"old", L" (change)", false, u"old"},
        {"the key renamed, the copy not yet", L"old", L" (change)", true, u"new"},
        {"the copy renamed, the old key not yet deleted", L"new", L" (replaced)", false, u"new"},
    };
    for (const auto& cut : cuts) {
        RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Vorla");
        setValue(sibling(L""), L"kept", REG_SZ, cut.keyValue, 8);
        setValue(sibling(cut.other), L"kept", REG_SZ, cut.keyValue[0] == L'o' ? L"new" : L"old", 8);
        if (cut.renamed) {
            HKEY parent;
            RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Vorla", 0, KEY_ALL_ACCESS, &parent);
            RegRenameKey(parent, L"Palette Menu", L"Palette Menu (replaced)");
            RegCloseKey(parent);
        }
        WindowsBackend store;
        store.createKey(Root);
        Text kept;
        store.readValue(Root, u"kept", [&](TextView value) { kept = value; });
        const bool left = exists(sibling(L" (change)")) || exists(sibling(L" (replaced)"));
        std::printf("cut short, leaving %s | reads %s%s\n", cut.left, shown(kept).c_str(), left ? ", left over" : "");
        failures += kept != cut.expected || left;
    }
    const DWORD number = 42;
    setValue(sibling(L""), L"Number", REG_DWORD, &number, sizeof number);
    try {
        WindowsBackend().readValue(Root, u"Number", [](TextView) {});
        ++failures;
    } catch (const Error& error) {
        // The registry's words for ERROR_DATATYPE_MISMATCH, not its number.
        std::printf("%s\n", error.what());
        failures += error.code() != ERROR_DATATYPE_MISMATCH || error.message().empty() || error.message()[0] == u'e';
    }
    return failures == 0 ? 0 : 1;
}
#endif

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
#ifdef _WIN64
    _setmode(_fileno(stdout), _O_BINARY); // lines end as they do natively
    if (mode == "--windows")
        return windowsChecks();
    WindowsBackend store;
#else
    // A store of its own, in a temporary folder; not synced, as nothing of it is kept.
    std::string folder = (std::filesystem::temp_directory_path() / "registry-semantics-XXXXXX").string();
    sqlite3* db = nullptr;
    const std::string file = (mkdtemp(folder.data()) ? folder : std::string()) + "/registry.sqlite";
    if (sqlite3_open(file.c_str(), &db) != SQLITE_OK
        || sqlite3_exec(db, ("PRAGMA synchronous = OFF; PRAGMA encoding = 'UTF-16le';" + newStoreSql()).c_str(),
                        nullptr, nullptr, nullptr))
        return 2;
    auto backend = std::make_unique<SqliteBackend>(
        db, fromUtf8(file), [] { return true; }, false);
    Backend& store = *backend;
#endif
    store.createKey(Root);
    Run run(store);
    for (const Case& row : Table) {
        run.start(row.title);
        row.steps(run);
    }
#ifndef _WIN64
    backend.reset();
    sqlite3_close(db);
    std::filesystem::remove_all(folder);
#endif
    return 0;
}
