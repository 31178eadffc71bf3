#pragma once

#include "host/HostExport.h"

#include <QString>

class QObject;
class QWidget;

namespace host {

// The IDE's open forms, in creation order.
class HOST_EXPORT TScreen {
public:
    int FormCount() const;
    QWidget* Forms(int index) const; // nullptr outside 0 .. FormCount() - 1
};
HOST_EXPORT TScreen* Screen();

// The component of owner whose name (objectName) equals name without regard to letter
// case; only the owner's own components (direct children) are searched. nullptr if none.
HOST_EXPORT QObject* FindComponent(const QObject* owner, const QString& name);

// A string property read by name; raises EPropertyError when the object has none.
HOST_EXPORT QString GetStrProp(const QObject* object, const char* propertyName);

// The application object: owner of the dialogs a package shows.
HOST_EXPORT QWidget* Application();

// Brings an IDE tool window up for the user: shows the form, and the dock site that holds it
// when that is closed, raises its window and makes it the active one, whether the form is
// docked in the main window or floats on its own.
HOST_EXPORT void ShowDockableForm(QWidget* form);

} // namespace host
