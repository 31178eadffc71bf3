#pragma once

#include "host/registry/core/RegistryCore.h"

#include <sqlite3.h>

namespace host::registry {

// How a connection binds names and values. SQLite takes a leading U+FEFF or U+FFFE of text
// for a byte-order mark (dropped, or the rest byte-swapped), so text goes in as the bytes of
// its UTF-16 code units, little-endian, and comes back exactly: every code point, and
// unpaired surrogates too. A store of the first layout, read-only and so not yet converted,
// holds text and is matched as text.
enum class TextBinding { Bytes, SqlText };

inline constexpr bool LittleEndian = __BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__;

// A prepared statement, kept for the connection's lifetime and reset after each use.
class Statement {
public:
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(m_statement); }

    sqlite3_stmt* get() const { return m_statement; }
    sqlite3_stmt** slot() { return &m_statement; }
    TextBinding binding() const { return m_binding; }
    void setBinding(TextBinding binding) { m_binding = binding; }

private:
    sqlite3_stmt* m_statement = nullptr;
    TextBinding m_binding = TextBinding::Bytes;
};

// A string's UTF-16 code units as stored: little-endian bytes. On a big-endian machine they are
// swapped into swapped.
inline const void* storedBytes(TextView text, Text& swapped)
{
    if constexpr (LittleEndian)
        return text.data();
    swapped.assign(text);
    for (char16_t& unit : swapped)
        unit = char16_t((unit >> 8) | (unit << 8));
    return swapped.data();
}

// A column's stored bytes (or, in a store of the first layout, its text) as UTF-16; an empty
// value is an empty string. Valid until the statement steps or resets, or, on a big-endian
// machine, until swapped is changed.
inline TextView storedText(sqlite3_stmt* statement, int column, Text& swapped)
{
    if (sqlite3_column_type(statement, column) != SQLITE_BLOB) {
        const void* data = sqlite3_column_text16(statement, column);
        return data ? TextView(static_cast<const char16_t*>(data), sqlite3_column_bytes16(statement, column) / 2)
                    : TextView();
    }
    const void* data = sqlite3_column_blob(statement, column);
    const TextView text = data
        ? TextView(static_cast<const char16_t*>(data), sqlite3_column_bytes(statement, column) / 2)
        : TextView();
    if constexpr (LittleEndian)
        return text;
    storedBytes(text, swapped);
    return swapped;
}

// One use of a prepared statement: binds, steps, and resets on the way out.
class Use {
public:
    explicit Use(const Statement& statement) : m_statement(statement.get()), m_binding(statement.binding()) {}
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    ~Use()
    {
        // The next use binds every parameter again, so bindings are left as they are: what
        // is bound as transient is SQLite's own copy.
        sqlite3_reset(m_statement);
    }

    void bind(int index, TextView text)
    {
        // An empty string stays an empty string (bytes or text), never NULL.
        static const char16_t empty[] = u"";
        const int bytes = static_cast<int>(text.size() * 2);
        if (m_binding == TextBinding::SqlText) {
            sqlite3_bind_text16(m_statement, index, text.empty() ? empty : text.data(), bytes, SQLITE_TRANSIENT);
            return;
        }
        Text swapped;
        sqlite3_bind_blob(m_statement, index,
                          text.empty() ? static_cast<const void*>(empty) : storedBytes(text, swapped), bytes,
                          SQLITE_TRANSIENT);
    }
    // A row id; 0 (no row) binds NULL.
    void bind(int index, sqlite3_int64 id)
    {
        if (id == 0)
            sqlite3_bind_null(m_statement, index);
        else
            sqlite3_bind_int64(m_statement, index, id);
    }

    // SQLITE_ROW or SQLITE_DONE; any other outcome is returned for the caller to raise.
    int step() { return sqlite3_step(m_statement); }

    // A column as UTF-16, valid until the next step (columns 0 and 1 may be held at once).
    TextView text(int column) { return storedText(m_statement, column, m_swapped[column & 1]); }
    sqlite3_int64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }

private:
    sqlite3_stmt* m_statement;
    TextBinding m_binding;
    Text m_swapped[2];
};

} // namespace host::registry
