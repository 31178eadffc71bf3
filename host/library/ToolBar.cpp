#include "host/ToolBar.h"
#include "host/Exceptions.h"
#include "host/library/Tr.h"

#include <QCoreApplication>
#include <QImage>
#include <QImageReader>
#include <QToolButton>

#include <utility>

namespace host {

// --- NamedItems ---------------------------------------------------------------------------
// Defined here, where the two image lists use it; nothing else instantiates it.

template <typename Value>
int NamedItems<Value>::IndexOf(const QString& name) const
{
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (QString::compare(m_items[i].first, name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    }
    return -1;
}

template <typename Value>
int NamedItems<Value>::Set(const QString& name, Value value)
{
    if (const int existing = IndexOf(name); existing >= 0) {
        m_items[static_cast<size_t>(existing)].second = std::move(value);
        return existing;
    }
    m_items.emplace_back(QString(name.constData(), name.size()), std::move(value));
    return Count() - 1;
}

template <typename Value>
QString NamedItems<Value>::Name(int index) const
{
    return index < 0 || index >= Count() ? QString() : m_items[static_cast<size_t>(index)].first;
}

template <typename Value>
const Value* NamedItems<Value>::At(int index) const
{
    return index < 0 || index >= Count() ? nullptr : &m_items[static_cast<size_t>(index)].second;
}

// --- TImageCollection ---------------------------------------------------------------------

TImageCollection::TImageCollection(QObject* parent) : QObject(parent) {}

TImageCollection::~TImageCollection() = default;

int TImageCollection::Add(const QString& name, const QString& resourceBase, const QStringList& suffixes)
{
    if (suffixes.isEmpty())
        throw EFOpenError(Tr::tr("Image \"%1\" was given no pictures to read").arg(name));

    // Read every picture before changing anything: a picture that cannot be read leaves the
    // collection as it was.
    QIcon icon;
    for (const QString& suffix : suffixes) {
        const QString resource = resourceBase + suffix;
        QImageReader reader(resource, "png");
        const QImage image = reader.read();
        if (image.isNull()) {
            throw EFOpenError(Tr::tr("Cannot read image resource \"%1\": %2").arg(resource, reader.errorString()));
        }
        icon.addPixmap(QPixmap::fromImage(image));
    }

    return m_images.Set(name, std::move(icon));
}

int TImageCollection::Count() const
{
    return m_images.Count();
}

int TImageCollection::GetIndexByName(const QString& name) const
{
    return m_images.IndexOf(name);
}

QString TImageCollection::Name(int index) const
{
    return m_images.Name(index);
}

QIcon TImageCollection::Icon(int index) const
{
    const QIcon* icon = m_images.At(index);
    return icon ? *icon : QIcon();
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
    return m_entries.Set(name, collectionIndex);
}

int TVirtualImageList::Count() const
{
    return m_entries.Count();
}

int TVirtualImageList::GetIndexByName(const QString& name) const
{
    return m_entries.IndexOf(name);
}

QIcon TVirtualImageList::GetIcon(int index) const
{
    const int* collectionIndex = m_entries.At(index);
    return m_collection && collectionIndex ? m_collection->Icon(*collectionIndex) : QIcon();
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
