#pragma once

#include "host/private/StandinOnly.h"

#include "host/private/IdeHost.h"

#include <QDeadlineTimer>
#include <QString>
#include <QThread>

namespace host {

// Tries attempt until it succeeds or the store's busy timeout has passed, as SQLite's own
// waits do; false when it never succeeded.
template <typename Attempt>
bool waitFor(Attempt attempt)
{
    constexpr int RetryMs = 10;
    const QDeadlineTimer deadline(ide::registryBusyTimeout());
    while (!attempt()) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(RetryMs);
    }
    return true;
}

// A lock on the store's folder, held while a store is made there or its files are set
// right before opening. Only this program takes it, so it stops no one else. Letting it
// go closes the folder, never a file of the store.
class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Waits up to the busy timeout; false when another process holds the lock longer. A
    // folder that cannot be locked (unreadable, or on a file system without locks) is used
    // without.
    bool lock(const QString& folder);
    bool held() const { return m_fd >= 0 || m_tried; }

private:
    int m_fd = -1;
    bool m_tried = false;
};

} // namespace host
