#pragma once

#include "host/HostExport.h"

#include <QIcon>
#include <QObject>
#include <QPixmap>
#include <QStringList>
#include <QToolBar>
#include <QToolButton>

#include <utility>
#include <vector>

namespace host {

// Values under names, in the order first added. Names match without regard to letter case,
// as component names do, and are kept as copies of the host's own: a package's string literal
// points into the package's memory, which goes when the package unloads.
template <typename Value>
class NamedItems {
public:
    int Count() const { return static_cast<int>(m_items.size()); }
    int IndexOf(const QString& name) const; // -1 when absent
    // Gives name the value, appending name when it is absent; returns its index.
    int Set(const QString& name, Value value);
    QString Name(int index) const;    // "" outside 0 .. Count() - 1
    const Value* At(int index) const; // nullptr outside 0 .. Count() - 1

private:
    std::vector<std::pair<QString, Value>> m_items;
};

// Named images, each held in several sizes.
class HOST_EXPORT TImageCollection : public QObject {
    Q_OBJECT
public:
    explicit TImageCollection(QObject* parent = nullptr);
    ~TImageCollection() override;

    // Adds an image named name with one picture per suffix, read from the resources
    // resourceBase + suffix (PNG). The pictures are read now, so the image outlives the
    // resources' owner. A name already present is given the new pictures in its place.
    // Raises EFOpenError when a resource cannot be read. Returns the image's index.
    int Add(const QString& name, const QString& resourceBase, const QStringList& suffixes);
    int Count() const;
    int GetIndexByName(const QString& name) const; // -1 when absent
    QString Name(int index) const;
    QIcon Icon(int index) const; // every size of the image

private:
    NamedItems<QIcon> m_images;
};

// Names into an image collection, as a tool bar uses them.
class HOST_EXPORT TVirtualImageList : public QObject {
    Q_OBJECT
public:
    explicit TVirtualImageList(QObject* parent = nullptr);
    ~TVirtualImageList() override;

    TImageCollection* ImageCollection() const;
    void SetImageCollection(TImageCollection* collection);

    // Adds (or, for a name already present, re-points) an entry for a collection image.
    int Add(const QString& name, int collectionIndex);
    int Count() const;
    int GetIndexByName(const QString& name) const; // -1 when absent
    QIcon GetIcon(int index) const;                // null icon when out of range

private:
    TImageCollection* m_collection = nullptr;
    NamedItems<int> m_entries; // the index of each name's image in the collection
};

// A tool bar of the IDE. Its controls are its actions, in order; a control is hidden
// and shown with QAction::setVisible. Tool buttons are QToolButtons made for actions.
class HOST_EXPORT TToolBar : public QToolBar {
    Q_OBJECT
public:
    explicit TToolBar(QWidget* parent = nullptr);
    ~TToolBar() override;

    int ControlCount() const;
    QAction* Controls(int index) const; // nullptr outside 0 .. ControlCount() - 1

    // Places action at control index (appending past the end) as a tool button and
    // returns that button. When the action leaves the tool bar the button is hidden at once
    // and deleted once control is back in the event loop (as Qt does for its tool buttons).
    QToolButton* InsertToolButton(int index, QAction* action);

    TVirtualImageList* Images() const;
    void SetImages(TVirtualImageList* images);

private:
    TVirtualImageList* m_images = nullptr;
};

} // namespace host
