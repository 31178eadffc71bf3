#pragma once

// A per-user store of the test's own: a new file in a temporary folder, named to the host for
// as long as the object lives. No test or benchmark touches the real per-user store.

#include <QString>
#include <QTemporaryDir>

class TemporaryStore {
public:
    TemporaryStore();
    // Names the store that was named before, and removes the folder with the store in it.
    ~TemporaryStore();
    TemporaryStore(const TemporaryStore&) = delete;
    TemporaryStore& operator=(const TemporaryStore&) = delete;

    bool isValid() const { return m_folder.isValid(); }
    QString file() const { return m_file; }
    QString folder() const { return m_folder.path(); }
    // A path in the store's folder.
    QString filePath(const QString& name) const { return m_folder.filePath(name); }

private:
    QTemporaryDir m_folder;
    QString m_file;
    QString m_previous;
};
