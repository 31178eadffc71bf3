#pragma once

#include <QObject>
#include <QPointer>
#include <QStringList>

#include <functional>

class QCompleter;
class QLineEdit;
class QStringListModel;
class QWidget;

// Completes the category name being typed in a line edit: the part of its text from the ";"
// before the caret, outer white space aside, up to the caret (CategoryTypedAt). A list of the
// names that start with it opens under the line edit, the first one marked; Tab takes the
// marked name (the arrow keys mark another), Enter takes it and ends the edit as Enter does,
// a click takes any, Escape closes the list and the edit goes on. One completer serves one
// line edit at a time: the grid's, say, for each cell edited in turn.
class CategoryCompleter final : public QObject {
public:
    // The names that complete typed, best first, leaving out those the rest of the text
    // already names (others).
    using Source = std::function<QStringList(const QString& typed, const QStringList& others)>;

    explicit CategoryCompleter(QObject* owner);

    // Completes in line from now on, from the names source gives.
    void Attach(QLineEdit* line, Source source);

    QCompleter* Completer() const { return m_completer; }
    // The names the list shows now; empty while it is closed.
    QStringList Shown() const;

private:
    void Update();
    void Take(const QString& name);
    void ListActivated();
    bool eventFilter(QObject* watched, QEvent* event) override;

    QPointer<QLineEdit> m_line;
    const QObject* m_lineObject = nullptr; // the same, for telling its events apart
    QPointer<QWidget> m_window;            // the line edit's window
    Source m_source;
    QCompleter* m_completer;
    QStringListModel* m_names;
    QMetaObject::Connection m_edited;
    bool m_taking = false;
};
