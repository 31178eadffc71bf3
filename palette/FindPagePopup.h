#pragma once

#include "pages/PageSearch.h"

#include <QAbstractListModel>
#include <QAccessible>
#include <QFrame>
#include <QListView>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class QLineEdit;

// One page that Find Page lists: which page of the palette, its caption as the palette gives
// it, and the names of its categories as the menus show them.
struct FindPageEntry {
    int palettePosition;
    QString caption;
    QStringList categories;
};

// The rows of Find Page: with nothing typed, the recent pages under the heading "Recent" and
// then every page under "All Pages"; else the pages found, best first, or one line saying that
// none matches.
class FindPageModel : public QAbstractListModel {
    Q_OBJECT
public:
    // entries in menu order; recent: indexes into entries, newest first.
    FindPageModel(std::vector<FindPageEntry> entries, std::vector<int> recent, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Headings cannot be chosen, and the keys pass over them; the no-match line can be the
    // current row, so that it is read out, but cannot be chosen either.
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    void SetQuery(const QString& query);
    // The page a row lists; nullptr for a heading or the no-match line.
    const FindPageEntry* Entry(int row) const;
    // The row that is current after each keystroke: the first that is no heading.
    int FirstRow() const;

    enum class RowKind { Page, Heading, NoMatch };
    // What a row shows: the caption (or the heading, or the no-match line), then the
    // categories, and which of their characters matched (positions in the caption, and in the
    // categories joined by CategorySeparator).
    struct Shown {
        RowKind kind = RowKind::Page;
        QString caption;
        QString categories;
        std::vector<int> captionMatches;
        std::vector<int> categoryMatches;
    };
    Shown RowShown(int row) const;

    static constexpr QLatin1String CategorySeparator{", "};
    // The most characters of a caption, and of the categories, that a row shows; a row is
    // laid out whole at every paint.
    static constexpr qsizetype MaxShownLength = 200;

private:
    // Stand-ins for pages among the rows listed.
    static constexpr int RecentHeading = -1;
    static constexpr int AllPagesHeading = -2;
    static constexpr int NoMatchLine = -3;
    // The page a row lists (an index into m_entries), or one of the stand-ins.
    int PageAt(int row) const;
    // text as a row shows it: cut to MaxShownLength with "…".
    static QString ShownText(const QString& text);
    // Drops the positions that the shortened shown text of whole no longer holds.
    static void KeepShown(std::vector<int>& positions, const QString& shown, const QString& whole);

    std::vector<FindPageEntry> m_entries;
    std::vector<int> m_listed;            // with nothing typed: entries, by index, and headings
    std::unique_ptr<PageSearch> m_search; // made at the first letter typed
    QString m_typed;                      // as typed, outer white space aside
    QString m_query;                      // folded; empty when it holds nothing to find
    std::vector<PageSearch::Hit> m_hits;
};

// The list of pages: it never takes the focus from the line edit, and tells assistive
// technology which row is current as the keys move it.
class FindPageList : public QListView {
    Q_OBJECT
public:
    explicit FindPageList(QWidget* parent = nullptr);

    // How the list tells assistive technology: Qt's way by default. A test stands in for a
    // screen reader here, since Qt passes nothing on while none listens.
    static inline void (*Announcer)(QAccessibleEvent* event) = &QAccessible::updateAccessibility;

protected:
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
};

// Find Page: a line edit above the list of pages, popped up over a window of the IDE. Up,
// Down, Page Up and Page Down move in the list; Enter or a click chooses; Escape, a click
// elsewhere or the IDE losing the focus closes it. It frees itself when closed.
class FindPagePopup : public QFrame {
    Q_OBJECT
public:
    FindPagePopup(std::vector<FindPageEntry> entries, std::vector<int> recent, QWidget* parent = nullptr);

    // Shows the pop-up over window's upper middle, on its screen, with the keyboard in the line edit.
    void ShowOver(QWidget* window);

    QLineEdit* Edit() const { return m_edit; }
    FindPageList* List() const { return m_list; }

Q_SIGNALS:
    // A page was chosen; the pop-up has closed.
    void PageChosen(int palettePosition, const QString& caption);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Filter(const QString& text);
    void Choose(const QModelIndex& index);

    QLineEdit* m_edit;
    FindPageList* m_list;
    FindPageModel* m_model;
};
