#pragma once

#include "host/registry/core/RegistryCore.h"
#include "host/registry/sqlite/NameKey.h"
#include "host/registry/sqlite/SqliteStatement.h"

#include <sqlite3.h>

#include <string>
#include <unordered_map>

namespace host::registry {

// Identifies the file as this store ("Vrlg"), and the layout of its tables: 3 matches names as
// the registry does (NameForm::Registry); 2 kept every name and value as the bytes of its UTF-16
// code units (SqliteStatement.h) and matched names by case folding; 1 kept them as text. A
// writable store of an earlier layout is converted when opened.
inline constexpr int StoreApplicationId = 0x56726c67;
inline constexpr int StoreSchemaVersion = 3;
inline constexpr int StoreFoldedSchemaVersion = 2;
inline constexpr int StoreTextSchemaVersion = 1;

// The tables of an empty store, and the marks that make the file this store.
std::string newStoreSql();

// The store's keys and values in an SQLite database, on a connection its owner opened and keeps.
//
// Keys form a tree (table keys); each key's values live in table vals. Every name is kept
// twice: as first written (name) and in its matching form (nameKey), which the unique indexes
// and lookups use. A key's matching form is its whole path of forms, so a section is found with
// one indexed lookup. Values are stored in the order of their key and creation number (seq), so
// that listing a section reads one range in order; replacing a value updates its row in place.
class SqliteBackend final : public Backend {
public:
    // writable tells whether the store's file may be written now; it is asked before each write
    // outside a change, and when a change begins.
    //
    // db is a connection to this store. With convert, a store of an earlier layout is brought to
    // the current one first, in one change; without, it is read and matched as it is.
    SqliteBackend(sqlite3* db, Text location, std::function<bool()> writable, bool convert);
    SqliteBackend(const SqliteBackend&) = delete;
    SqliteBackend& operator=(const SqliteBackend&) = delete;

    Text location() const override { return m_location; }
    void createKey(const KeyPath& key) override;
    bool readValue(const KeyPath& key, TextView name, const std::function<void(TextView)>& found) override;
    void writeValue(const KeyPath& key, TextView name, TextView value) override;
    void deleteValue(const KeyPath& key, TextView name) override;
    void deleteKey(const KeyPath& key) override;
    void values(const KeyPath& key, std::ptrdiff_t limit, const ValueSink& sink) override;
    // position is the creation number of the last value given.
    void valuesAfter(const KeyPath& key, std::int64_t& position, std::ptrdiff_t limit, const ValueSink& sink) override;
    std::size_t valueCount(const KeyPath& key) override;
    void deleteKeyInSlices(const KeyPath& key, const Progress& progress) override;
    void moveKey(const KeyPath& from, const KeyPath& to) override;
    void transaction(const KeyPath& within, const std::function<void()>& changes) override;
    bool stillCurrent(bool) override { return true; }

    bool inChange() const { return m_depth > 0; }

    [[noreturn]] void fail(const Action& action, int code) const;

private:
    void transaction(const std::function<void()>& changes);
    // Converts a store of the first layout, whose text SQLite may have changed on the way in, to
    // names and values kept as bytes; then every name's matching form is made again from the
    // name as it is stored.
    void convertLayout(int version);
    [[noreturn]] void failLastError(const Action& action) const { fail(action, sqlite3_extended_errcode(m_db)); }
    void execute(const char* sql, const Action& action);
    sqlite3_int64 integerQuery(const char* sql, const Action& action);
    void prepare(Statement& statement, const char* sql);
    void requireWritable(const Action& action);
    void expectDone(Use& use, const Action& action);
    // The matching form of a name, or of the key's first levels joined by "\".
    const Text& formOf(TextView name);
    Text pathKey(const KeyPath& key, std::size_t levels) const;
    // The matching form of the whole key, kept from the last call: calls name the same
    // section over and over.
    const Text& pathOf(const KeyPath& key);
    sqlite3_int64 findKey(TextView path, const Action& action);
    // Creates the key and its missing ancestors. Runs inside a transaction.
    void ensureKey(const KeyPath& key, const Action& action);
    // Writes the value with statement, whose first parameter names the key (its path, or its
    // row); false when the key is missing.
    template <typename Key>
    bool upsertValue(const Statement& statement, const Key& key, TextView name, TextView value, const Action& action,
                     sqlite3_int64 seq = 0);
    // The key's row within a change, 0 when it is missing: a change writes one key's values
    // thousands of times, and no other process changes the keys while it runs.
    sqlite3_int64 changeKeyId(const Text& path, const Action& action);
    // The creation number of the key's next new value within a change, to be counted on.
    sqlite3_int64& nextSeq(sqlite3_int64 keyId, const Action& action);
    void rollback(bool outermost) noexcept;

    sqlite3* m_db;
    Text m_location;
    std::function<bool()> m_writable;
    TextBinding m_binding = TextBinding::Bytes; // how text is bound, by the store's layout
    NameForm m_form = NameForm::Registry;
    int m_depth = 0;               // nesting of transaction()
    bool m_changeWritable = false; // whether the file was writable when the outermost change began
    std::unordered_map<Text, sqlite3_int64> m_changeKeyIds; // by path, within the outermost change
    // By key row, within the outermost change: the creation number the key's next new value
    // takes. No other process writes while a change holds the write lock, so it is counted
    // here rather than looked up for every value an import writes.
    std::unordered_map<sqlite3_int64, sqlite3_int64> m_changeNextSeq;
    KeyPath m_lastKey;
    Text m_lastPath;
    bool m_hasLastPath = false;
    Text m_formBuffer; // formOf's

    Statement m_findKey;
    Statement m_insertKey;
    Statement m_deleteKey;
    Statement m_deleteKeyValues;
    Statement m_readValue;
    Statement m_writeValue;
    Statement m_insertValue;
    Statement m_nextSeq;
    Statement m_deleteValue;
    Statement m_values;
    Statement m_valuesAfter;
    Statement m_valueCount;
};

} // namespace host::registry
