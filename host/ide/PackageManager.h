#pragma once

#include "host/private/StandinOnly.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVector>

#include <memory>

class QLibrary;

namespace standin {

// What the IDE knows of a package it has loaded in this session.
struct PackageInfo {
    QString name;
    QString description;
    QString version;
    QString file;
    bool designTimeOnly = false;
    QStringList requiredPackages;
    bool loaded = false;
};

// Loads and unloads packages: shared libraries that export PackageDescription and
// Register. Loading checks the description, then calls Register with the package's
// wizard registrations recorded against it; unloading releases those wizards, then
// unloads the library. Packages unloaded in this session stay listed so that they can
// be loaded again.
class PackageManager : public QObject {
    Q_OBJECT
public:
    explicit PackageManager(QObject* parent = nullptr);
    // Unloads every package still loaded, newest first.
    ~PackageManager() override;

    // The host packages that this IDE provides to the packages it loads.
    static QStringList providedPackages();
    // The VorlaPaletteMenu package beside this executable (installed, or in the build
    // tree), loaded when no other is asked for. Needs the application object.
    static QString defaultPackageFile();

    // Loads a package. Refuses, raising host::EPackageError with a message naming the
    // file and the reason, a file that is not a library or not a package, a package
    // that requires what the IDE does not provide, or one whose name is already loaded.
    // An exception from the package's Register is reported, not raised: the package stays
    // loaded with whatever it registered.
    PackageInfo load(const QString& file);

    // Releases the package's wizards and unloads it; raises host::EPackageError when no
    // package of that name is loaded.
    void unload(const QString& name);
    // Unloads every loaded package, newest first.
    void unloadAll();

    bool isLoaded(const QString& name) const;
    // Loaded packages in load order, then those unloaded in this session.
    QVector<PackageInfo> packages() const;

Q_SIGNALS:
    void packagesChanged();

private:
    struct Entry;
    Entry* findLoaded(const QString& name) const;

    std::vector<std::unique_ptr<Entry>> m_loaded; // in load order
    QVector<PackageInfo> m_unloaded;
};

} // namespace standin
