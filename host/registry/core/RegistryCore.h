#pragma once

// The per-user store's core, in standard C++ alone: the operations a backend offers on keys and
// string values, the registry's limits, and the error every backend raises. The SQLite store and
// the Windows registry each implement Backend; the host's TRegIniFile reaches one of them through
// the Qt-facing RegistryBackend, and the registry's semantics program drives both directly.
//
// Names and values are UTF-16, as the registry keeps them: any code unit but U+0000 in a name
// (unpaired surrogates too), any code unit in a value.

#include <cstddef>
#include <exception>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace host::registry {

using Text = std::u16string;
using TextView = std::u16string_view;
// A path of keys below the current user's root, one name per level, as given (not folded).
using KeyPath = std::vector<Text>;

// The registry's limits, in UTF-16 code units, as Windows documents them ("Registry element size
// limits"): a key's name 255, a value's name 16,383, a value 1 MB (standard format). Each name of
// a key path is held to the first.
inline constexpr std::size_t MaxKeyNameLength = 255;
inline constexpr std::size_t MaxValueNameLength = 16383;
inline constexpr std::size_t MaxValueLength = 512 * 1024;

// Why a name or value cannot go into the registry. Every backend refuses these before writing,
// so that a store refuses alike on every platform whatever its own engine would take.
struct Refusal {
    enum Kind {
        None,
        KeyNameTooLong,   // a name of the key path beyond MaxKeyNameLength
        ValueNameTooLong, // beyond MaxValueNameLength
        ValueTooLong,     // beyond MaxValueLength
        NulInKeyName,     // the registry's names end at U+0000: it would cut the name short
        NulInValueName,
    };
    Kind kind = None;
    std::size_t length = 0; // the length found, for the ...TooLong kinds
    std::size_t limit = 0;
    Text keyName; // the key's name refused, for the key kinds

    explicit operator bool() const { return kind != None; }
};
Refusal checkKeyPath(const KeyPath& key);
Refusal checkValue(TextView name, TextView value);

// What an operation was doing, for messages: put into words only when it fails.
struct Action {
    const char* verb;             // "write", "open the store": a literal, translated by the host
    const KeyPath* key = nullptr; // the key it worked on, if any
    const TextView* name = nullptr;
};

// The failure of a store operation: which store, what it was doing, and why. The host puts it
// into its own words (and language); what() says it in English, with the backend's own message.
class Error : public std::exception {
public:
    enum Cause {
        Backend,  // the engine failed: code and message are SQLite's or the registry's own
        ReadOnly, // a write to a store that may not be written now
        Refused,  // a name or value the registry cannot hold (refusal)
    };

    Error(Text store, const Action& action, Cause cause, long code, Text message, Refusal refusal = {});

    const char* what() const noexcept override { return m_what.c_str(); }

    const Text& store() const { return m_store; }
    const char* verb() const { return m_verb; }
    bool hasKey() const { return m_hasKey; }
    const KeyPath& key() const { return m_key; }
    bool hasName() const { return m_hasName; }
    const Text& name() const { return m_name; }
    Cause cause() const { return m_cause; }
    long code() const { return m_code; }
    const Text& message() const { return m_message; }
    // For Refused: what was refused.
    const Refusal& refusal() const { return m_refusal; }

private:
    Text m_store;
    const char* m_verb;
    KeyPath m_key;
    Text m_name;
    bool m_hasKey;
    bool m_hasName;
    Cause m_cause;
    long m_code;
    Text m_message;
    Refusal m_refusal;
    std::string m_what;
};

// Raises Error{Refused} when the key path or the value cannot go into the registry.
void requireWritable(const Text& store, const Action& action, const KeyPath& key);
void requireWritable(const Text& store, const Action& action, const KeyPath& key, TextView name, TextView value);

// UTF-8 for messages and back; an unpaired surrogate, or bytes that are not UTF-8, become U+FFFD.
std::string toUtf8(TextView text);
Text fromUtf8(std::string_view text);
// "A\B\C".
Text joinKey(const KeyPath& key);

using ValueSink = std::function<void(TextView name, TextView value)>;
using Progress = std::function<void(std::size_t done, std::size_t total)>;

// Where TRegIniFile keeps its keys and values. Names of keys and values match without regard to
// letter case as the registry matches them, and keep the case they were created with. Every call
// is durable when it returns, unless it runs inside transaction(). Every failure raises Error.
class Backend {
public:
    virtual ~Backend() = default;

    // Where the store lives, for messages.
    virtual Text location() const = 0;

    // Creates the key and its missing ancestors.
    virtual void createKey(const KeyPath& key) = 0;
    // Gives found the value, valid during the call only; false when the key or the value is missing.
    virtual bool readValue(const KeyPath& key, TextView name, const std::function<void(TextView)>& found) = 0;
    // Creates the key when missing; creates the value or replaces its data in place.
    virtual void writeValue(const KeyPath& key, TextView name, TextView value) = 0;
    // Removes the value; nothing happens when it or its key is missing.
    virtual void deleteValue(const KeyPath& key, TextView name) = 0;
    // Removes the key with its values and every key below it; nothing happens when missing.
    virtual void deleteKey(const KeyPath& key) = 0;
    // Gives sink the key's first limit values (all of them when limit is negative), names and
    // data exactly as stored, each valid during its call only. The SQLite store lists them in
    // creation order; the registry documents no order.
    virtual void values(const KeyPath& key, std::ptrdiff_t limit, const ValueSink& sink) = 0;
    // Gives sink up to limit of the values that values() lists after the one at position (0:
    // from the first), and sets position to the last one given: a large key read part by part.
    virtual void valuesAfter(const KeyPath& key, std::int64_t& position, std::ptrdiff_t limit,
                             const ValueSink& sink) = 0;
    // How many values the key holds; 0 when it is missing.
    virtual std::size_t valueCount(const KeyPath& key) = 0;
    // As deleteKey, its values deleted a slice at a time, progress(deleted, total) called after
    // each; progress may raise, which undoes the whole deletion.
    virtual void deleteKeyInSlices(const KeyPath& key, const Progress& progress) = 0;
    // Gives the key, its values and the keys below it the path to, as they are, erasing what
    // stood at to first; nothing happens when from is missing.
    virtual void moveKey(const KeyPath& from, const KeyPath& to) = 0;

    // Runs changes, which touch keys within the key within alone, as one all-or-nothing change.
    // Calls may nest: an inner one that raises undoes only its own changes before the exception
    // goes on.
    virtual void transaction(const KeyPath& within, const std::function<void()>& changes) = 0;

    // False when the store is no longer the one this backend has open: the caller then lets it
    // go and opens it afresh. Always true within transaction().
    virtual bool stillCurrent(bool writing) = 0;
};

} // namespace host::registry
