#include "host/Exceptions.h"
#include "host/ToolBar.h"

#include <QImage>
#include <QImageReader>
#include <QToolButton>

#include <utility>

namespace host {

namespace {

// Image names match without regard to letter case, as component names do.
bool SameName(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

// The index of the first item named name, or -1.
template <typename Items>
int IndexByName(const Items& items, const QString& name)
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (SameName(items[i].name, name))
            return static_cast<int>(i);
    }
    return -1;
}

// Names outlive the package that gave them: a package's string literal points into the
// package's own memory, so the host keeps a copy of its own.
QString OwnCopy(const QString& name)
{
    return QString(name.constData(), name.size());
}

} // namespace

// --- TImageCollection ---------------------------------------------------------------------

TImageCollection::TImageCollection(QObject* parent) : QObject(parent) {}

TImageCollection::~TImageCollection() = default;

int TImageCollection::Add(const QString& name, const QString& resourceBase, const QStringList& suffixes)
{
    if (suffixes.isEmpty())
        throw EFOpenError(QStringLiteral("Image \"%1\" was given no pictures to read").arg(name));

    // Read every picture before changing anything: a picture that cannot be read leaves the
    // collection as it was.
    QIcon icon;
    for (const QString& suffix : suffixes) {
        const QString resource = resourceBase + suffix;
        QImageReader reader(resource, "png");
        const QImage image = reader.read();
        if (image.isNull()) {
            throw EFOpenError(QStringLiteral("Cannot read image resource \"%1\": %2")
                                  .arg(resource, reader.errorString()));
        }
        icon.addPixmap(QPixmap::fromImage(image));
    }

    const int existing = GetIndexByName(name);
    if (existing >= 0) {
        m_items[static_cast<size_t>(existing)].icon = std::move(icon);
        return existing;
    }
    m_items.push_back({OwnCopy(name), std::move(icon)});
    return Count() - 1;
}

int TImageCollection::Count() const
{
    return static_cast<int>(m_items.size());
}

int TImageCollection::GetIndexByName(const QString& name) const
{
    return IndexByName(m_items, name);
}

QString TImageCollection::Name(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return m_items[static_cast<size_t>(index)].name;
}

QIcon TImageCollection::Icon(int index) const
{
    if (index < 0 || index >= Count())
        return {};
    return m_items[static_cast<size_t>(index)].icon;
}

// --- TVirtualImageList --------------------------------------------------------------------

TVirtualImageList::TVirtualImageList(QObject* parent) : QObject(parent) {}

TVirtualImageList::~TVirtualImageList() = default;

TImageCollection* TVirtualImageList::ImageCollection() const
{
    return m_collection;
}

void TVirtualImageList::SetImageCollection(TImageCollection* collection)
{
    m_collection = collection;
}

int TVirtualImageList::Add(const QString& name, int collectionIndex)
{
    const int existing = GetIndexByName(name);
    if (existing >= 0) {
        m_entries[static_cast<size_t>(existing)].collectionIndex = collectionIndex;
        return existing;
    }
    m_entries.push_back({OwnCopy(name), collectionIndex});
    return Count() - 1;
}

int TVirtualImageList::Count() const
{
    return static_cast<int>(m_entries.size());
}

int TVirtualImageList::GetIndexByName(const QString& name) const
{
    return IndexByName(m_entries, name);
}

QIcon TVirtualImageList::GetIcon(int index) const
{
    if (!m_collection || index < 0 || index >= Count())
        return {};
    return m_collection->Icon(m_entries[static_cast<size_t>(index)].collectionIndex);
}

// --- TToolBar -----------------------------------------------------------------------------

TToolBar::TToolBar(QWidget* parent) : QToolBar(parent) {}

TToolBar::~TToolBar() = default;

int TToolBar::ControlCount() const
{
    return static_cast<int>(actions().size());
}

QAction* TToolBar::Controls(int index) const
{
    const QList<QAction*> controls = actions();
    if (index < 0 || index >= controls.size())
        return nullptr;
    return controls.at(index);
}

QToolButton* TToolBar::InsertToolButton(int index, QAction* action)
{
    if (!action)
        return nullptr;
    // An action already on the tool bar moves to its new place.
    if (actions().contains(action))
        removeAction(action);
    insertAction(Controls(qMax(index, 0)), action); // no action at index: appended
    return qobject_cast<QToolButton*>(widgetForAction(action));
}

TVirtualImageList* TToolBar::Images() const
{
    return m_images;
}

void TToolBar::SetImages(TVirtualImageList* images)
{
    m_images = images;
}

} // namespace host
