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
    // Whether the palette lists the category: false while its filter hides it (no component
    // of the category matches).
    bool Visible() const;
    QStringList Components() const;

private:
    friend class TCategoryButtons;

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

    // The palette's filter: only components whose name holds the text (without regard to
    // case) are listed, and only categories that list one. Empty lists everything. Setting
    // it applies it anew, also to categories added since.
    QString Filter() const;
    void SetFilter(const QString& text);

    // The category whose header has the palette's current-item mark (and the keyboard focus
    // when the palette has it), or nullptr.
    TButtonCategory* FocusedItem() const;
    void SetFocusedItem(TButtonCategory* category);

Q_SIGNALS:
    // The filter's text changed, through SetFilter.
    void FilterChanged(const QString& text);

private:
    void ApplyFilter();

    QTreeWidget* m_view;
    TButtonCategories* m_categories;
    QString m_filter;
};

} // namespace host
