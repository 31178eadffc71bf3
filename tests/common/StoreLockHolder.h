#pragma once

// A second process's hold on the store: tests start a copy of themselves that calls this.

#include <sqlite3.h>

#include <cstdio>

// Opens the store with SQLite alone and holds its write lock until standard input closes,
// saying "locked" once it holds it; readers go on meanwhile. Returns 0, or what failed.
inline int HoldStoreWriteLock(const char* file)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(file, &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 2;
    sqlite3_busy_timeout(db, 10000);
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        return 3;
    std::puts("locked");
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return 0;
}
