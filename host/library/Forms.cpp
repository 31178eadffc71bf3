#include "host/Forms.h"
#include "host/Exceptions.h"
#include "host/library/Tr.h"
#include "host/private/IdeHost.h"

#include <QCoreApplication>
#include <QDockWidget>
#include <QObject>
#include <QPointer>
#include <QVariant>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace host {

namespace {

struct FormList {
    std::vector<QPointer<QWidget>> forms; // creation order
    QPointer<QWidget> application;

    // A form leaves the list when it is destroyed; QPointer covers the moment between its
    // destruction starting and the destroyed signal.
    void prune()
    {
        forms.erase(
            std::remove_if(forms.begin(), forms.end(), [](const QPointer<QWidget>& form) { return form.isNull(); }),
            forms.end());
    }
};

FormList& OpenForms()
{
    static FormList list;
    return list;
}

} // namespace

int TScreen::FormCount() const
{
    FormList& list = OpenForms();
    list.prune();
    return static_cast<int>(list.forms.size());
}

QWidget* TScreen::Forms(int index) const
{
    FormList& list = OpenForms();
    list.prune();
    if (index < 0 || index >= static_cast<int>(list.forms.size()))
        return nullptr;
    return list.forms[static_cast<size_t>(index)];
}

TScreen* Screen()
{
    static TScreen screen;
    return &screen;
}

QObject* FindComponent(const QObject* owner, const QString& name)
{
    // Unnamed components are not found by name, not even by an empty one.
    if (!owner || name.isEmpty())
        return nullptr;
    for (QObject* child : owner->children()) {
        if (QString::compare(child->objectName(), name, Qt::CaseInsensitive) == 0)
            return child;
    }
    return nullptr;
}

QString GetStrProp(const QObject* object, const char* propertyName)
{
    // The name as text only for an error: a menu reads thousands of captions per opening.
    const auto property = [propertyName] { return QString::fromUtf8(propertyName ? propertyName : ""); };
    if (!object)
        throw EPropertyError(Tr::tr("Cannot read property \"%1\" of no object").arg(property()));
    const QVariant value = propertyName ? object->property(propertyName) : QVariant();
    if (!value.isValid()) {
        throw EPropertyError(Tr::tr("Property \"%1\" does not exist in class %2")
                                 .arg(property(), QString::fromLatin1(object->metaObject()->className())));
    }
    return value.toString();
}

QWidget* Application()
{
    return OpenForms().application;
}

void ShowDockableForm(QWidget* form)
{
    if (!form)
        return;
    // Every closed level from the form up to its window: the form, a dock holding it, and a
    // floating dock's own window alike.
    for (QWidget* level = form; level; level = level->isWindow() ? nullptr : level->parentWidget()) {
        if (auto* dock = qobject_cast<QDockWidget*>(level); dock && dock->isHidden())
            dock->show();
        else if (level->isHidden())
            level->show();
    }
    QWidget* window = form->window();
    if (window->isMinimized())
        window->showNormal();
    window->raise();
    window->activateWindow();
}

namespace ide {

void setApplicationWindow(QWidget* window)
{
    OpenForms().application = window;
}

void addForm(QWidget* form)
{
    if (!form)
        return;
    FormList& list = OpenForms();
    list.prune();
    if (std::find(list.forms.begin(), list.forms.end(), form) != list.forms.end())
        return;
    list.forms.emplace_back(form);
    QObject::connect(form, &QObject::destroyed, [form] {
        std::vector<QPointer<QWidget>>& forms = OpenForms().forms;
        forms.erase(std::remove_if(forms.begin(), forms.end(),
                                   [form](const QPointer<QWidget>& entry) { return entry.isNull() || entry == form; }),
                    forms.end());
    });
}

} // namespace ide
} // namespace host
