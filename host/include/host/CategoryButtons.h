#pragma once

#include "host/HostExport.h"

#include <QObject>
#include <QStringList>
#include <QWidget>

#include <memory>
#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace host {

class TCategoryButtons;

// One collapsible category of the tool palette: a palette page and its components.
class HOST_EXPORT TButtonCategory : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
    Q_PROPERTY(bool Collapsed READ Collapsed WRITE SetCollapsed)

public:
    TButtonCategory(TCategoryButtons* owner, QTreeWidgetItem* item);
    ~TButtonCategory() override;

    QString Caption() const;
    void SetCaption(const QString& caption);
    bool Collapsed() const;
    void SetCollapsed(bool collapsed);
    // Scrolls the palette so that this category's header is in view.
    void ScrollIntoView();
    QStringList Components() const;

private:
    TCategoryButtons* m_owner;
    QTreeWidgetItem* m_item;
};

// The palette's categories, in palette order.
class HOST_EXPORT TButtonCategories : public QObject {
    Q_OBJECT
public:
    explicit TButtonCategories(TCategoryButtons* owner);
    ~TButtonCategories() override;

    int Count() const;
    TButtonCategory* GetItem(int index) const; // nullptr outside 0 .. Count() - 1

    TButtonCategory* Add(const QString& caption, const QStringList& components);
    void Clear();

private:
    TCategoryButtons* m_owner;
    std::vector<TButtonCategory*> m_items; // owned through QObject parenting
};

// The tool palette: a list of collapsible categories. Built on a tree view, so each page
// is exposed to assistive technology by its caption, expanded or collapsed.
class HOST_EXPORT TCategoryButtons : public QWidget {
    Q_OBJECT
public:
    explicit TCategoryButtons(QWidget* parent = nullptr);
    ~TCategoryButtons() override;

    TButtonCategories* Categories() const;
    QTreeWidget* View() const;

private:
    QTreeWidget* m_view;
    TButtonCategories* m_categories;
};

} // namespace host
