#pragma once

#include "host/private/StandinOnly.h"

#include <QString>

#include <sqlite3.h>

namespace host {

// A prepared statement, kept for the connection's lifetime and reset after each use.
class Statement {
public:
    Statement() = default;
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    ~Statement() { sqlite3_finalize(m_statement); }

    sqlite3_stmt* get() const { return m_statement; }
    sqlite3_stmt** slot() { return &m_statement; }

private:
    sqlite3_stmt* m_statement = nullptr;
};

// One use of a prepared statement: binds, steps, and resets on the way out.
class Use {
public:
    explicit Use(const Statement& statement) : m_statement(statement.get()) {}
    Use(const Use&) = delete;
    Use& operator=(const Use&) = delete;
    ~Use()
    {
        // The next use binds every parameter again, so bindings are left as they are: text
        // bound as transient is SQLite's own copy.
        sqlite3_reset(m_statement);
    }

    void bind(int index, const QString& text)
    {
        // Bound by its UTF-16 code units and length: an empty string stays an empty string,
        // never NULL, and nothing is converted on the way in.
        static const char16_t empty[] = u"";
        const void* data = text.isEmpty() ? static_cast<const void*>(empty)
                                          : static_cast<const void*>(text.constData());
        sqlite3_bind_text16(m_statement, index, data, static_cast<int>(text.size() * 2), SQLITE_TRANSIENT);
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

    QString text(int column) const
    {
        const void* data = sqlite3_column_text16(m_statement, column);
        const int bytes = sqlite3_column_bytes16(m_statement, column);
        return data ? QString(static_cast<const QChar*>(data), bytes / 2) : QString();
    }
    sqlite3_int64 integer(int column) const { return sqlite3_column_int64(m_statement, column); }

private:
    sqlite3_stmt* m_statement;
};

} // namespace host
