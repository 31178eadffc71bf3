#pragma once

// The floor under the per-user store: its queries as raw prepared SQLite statements on the same
// file, each name folded into the form the store matches it by (given so where a caller
// passes it folded), names and values bound and read as the store keeps them (the bytes of
// their UTF-16 code units), and each change journalled and synced as the store does it. What
// the store costs beyond this is its own work.

#include "host/Registry.h"

#include <QFile>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <sqlite3.h>

#include <array>

// The path of key's section as the store matches it: every level's name folded, joined by "\".
inline QString FoldedPath(const QString& key, const QString& section)
{
    QStringList levels = key.split(QLatin1Char('\\'));
    levels.append(section);
    for (QString& level : levels)
        level = host::RegistryNameKey(level);
    return levels.join(QLatin1Char('\\'));
}

// The floor under the store, on the store's file.
class RawSqlite {
public:
    explicit RawSqlite(const QString& file)
    {
        // One thread, as the store's own connection: no mutex on every call.
        const int flags = SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX;
        if (sqlite3_open_v2(QFile::encodeName(file).constData(), &m_db, flags, nullptr) != SQLITE_OK)
            qFatal("cannot open %s: %s", qPrintable(file), sqlite3_errmsg(m_db));
        sqlite3_busy_timeout(m_db, 5000);
        Check(sqlite3_exec(m_db, "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL", nullptr, nullptr, nullptr));
        m_read = Prepare("SELECT v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 AND v.folded = ?2");
        m_section = Prepare(
            "SELECT v.name, v.value FROM keys k JOIN vals v ON v.key = k.id WHERE k.path = ?1 ORDER BY v.seq");
        m_keyId = Prepare("SELECT id FROM keys WHERE path = ?1");
        m_erase = Prepare("DELETE FROM vals WHERE key = ?1");
        m_insert = Prepare("INSERT INTO vals(key, seq, folded, name, value) VALUES(?1, ?2, ?3, ?4, ?5)");
        m_delete = Prepare("DELETE FROM vals WHERE key = ?1 AND folded = ?2");
        m_upsert = Prepare("INSERT INTO vals(key, seq, folded, name, value) "
                           "VALUES(?1, (SELECT ifnull(max(seq), 0) + 1 FROM vals WHERE key = ?1), ?2, ?3, ?4) "
                           "ON CONFLICT(key, folded) DO UPDATE SET value = excluded.value");
    }
    ~RawSqlite()
    {
        for (sqlite3_stmt* statement : {m_read, m_section, m_keyId, m_erase, m_insert, m_delete, m_upsert})
            sqlite3_finalize(statement);
        sqlite3_close(m_db);
    }
    RawSqlite(const RawSqlite&) = delete;
    RawSqlite& operator=(const RawSqlite&) = delete;

    QString Read(const QString& path, const QString& folded)
    {
        Bind(m_read, 1, path);
        Bind(m_read, 2, folded);
        QString value = sqlite3_step(m_read) == SQLITE_ROW ? Text(m_read, 0) : QString();
        sqlite3_reset(m_read);
        return value;
    }

    QList<QPair<QString, QString>> ReadSection(const QString& path)
    {
        QList<QPair<QString, QString>> entries;
        Bind(m_section, 1, path);
        while (sqlite3_step(m_section) == SQLITE_ROW)
            entries.append({Text(m_section, 0), Text(m_section, 1)});
        sqlite3_reset(m_section);
        return entries;
    }

    sqlite3_int64 KeyId(const QString& path)
    {
        Bind(m_keyId, 1, path);
        const sqlite3_int64 id = sqlite3_step(m_keyId) == SQLITE_ROW ? sqlite3_column_int64(m_keyId, 0) : 0;
        sqlite3_reset(m_keyId);
        return id;
    }

    // Writes each row (name, folded name, value) in one transaction as a save writes it: an
    // empty value deletes the entry, any other creates it or replaces its value in place.
    void WriteRows(sqlite3_int64 key, const QList<std::array<QString, 3>>& rows)
    {
        Check(sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
        for (const auto& [name, folded, value] : rows) {
            sqlite3_stmt* statement = value.isEmpty() ? m_delete : m_upsert;
            sqlite3_bind_int64(statement, 1, key);
            Bind(statement, 2, folded);
            if (!value.isEmpty()) {
                Bind(statement, 3, name);
                Bind(statement, 4, value);
            }
            Step(statement);
        }
        Check(sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr));
    }

    // Writes one entry (its name folded as the store folds it) as a change of its own: creates
    // it, or replaces its value in place.
    void WriteOne(sqlite3_int64 key, const QString& name, const QString& value)
    {
        sqlite3_bind_int64(m_upsert, 1, key);
        Bind(m_upsert, 2, host::RegistryNameKey(name));
        Bind(m_upsert, 3, name);
        Bind(m_upsert, 4, value);
        Step(m_upsert);
    }

    // Replaces the key's values with entries (name, value) in one transaction, each name
    // folded as the store folds it.
    void WriteAll(sqlite3_int64 key, const QList<QPair<QString, QString>>& entries)
    {
        Check(sqlite3_exec(m_db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr));
        sqlite3_bind_int64(m_erase, 1, key);
        Step(m_erase);
        sqlite3_int64 seq = 0;
        for (const auto& [name, value] : entries) {
            sqlite3_bind_int64(m_insert, 1, key);
            sqlite3_bind_int64(m_insert, 2, ++seq);
            Bind(m_insert, 3, host::RegistryNameKey(name));
            Bind(m_insert, 4, name);
            Bind(m_insert, 5, value);
            Step(m_insert);
        }
        Check(sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr));
    }

private:
    sqlite3_stmt* Prepare(const char* sql)
    {
        sqlite3_stmt* statement = nullptr;
        Check(sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr));
        return statement;
    }
    void Check(int code) const
    {
        if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW)
            qFatal("SQLite: %s", sqlite3_errmsg(m_db));
    }
    void Step(sqlite3_stmt* statement)
    {
        Check(sqlite3_step(statement));
        sqlite3_reset(statement);
    }
    // On this little-endian machine a string's code units are the bytes the store keeps.
    static void Bind(sqlite3_stmt* statement, int index, const QString& text)
    {
        static const char16_t empty[] = u"";
        sqlite3_bind_blob(statement, index, text.isEmpty() ? static_cast<const void*>(empty) : text.utf16(),
                          int(text.size() * 2), SQLITE_TRANSIENT);
    }
    static QString Text(sqlite3_stmt* statement, int column)
    {
        const void* data = sqlite3_column_blob(statement, column);
        return QString(static_cast<const QChar*>(data), sqlite3_column_bytes(statement, column) / 2);
    }

    sqlite3* m_db = nullptr;
    sqlite3_stmt* m_read = nullptr;
    sqlite3_stmt* m_section = nullptr;
    sqlite3_stmt* m_keyId = nullptr;
    sqlite3_stmt* m_erase = nullptr;
    sqlite3_stmt* m_insert = nullptr;
    sqlite3_stmt* m_delete = nullptr;
    sqlite3_stmt* m_upsert = nullptr;
};
