#include "grouping/CategoryList.h"
#include "grouping/MenuPlan.h"
#include "grouping/SearchFolding.h"

#include <QtTest>

namespace {

// Pages' lists ("|" between pages) as the menu plans them: "Name[pages]" per submenu.
QString Planned(const QString& lists)
{
    SubmenuPlan plan;
    const QStringList pages = lists.split(QLatin1Char('|'));
    for (int page = 0; page < pages.size(); ++page)
        ForEachMenuCategory(pages[page], u"Other", [&](QStringView name) { plan.Admit(plan.SubmenuOf(name), page); });
    QString planned;
    plan.ForEachSubmenu([&](const SubmenuPlan::Submenu& submenu) {
        planned += submenu.name + QLatin1Char('[');
        for (const int page : submenu.pages)
            planned += QString::number(page);
        planned += QLatin1String("] ");
    });
    return planned.trimmed();
}

// What a rule makes of text (and argument): names joined by "|", "same" or "apart" for keys.
QString Apply(const QString& rule, const QString& text, const QString& argument)
{
    const auto sameOrApart = [](bool same) { return same ? QStringLiteral("same") : QStringLiteral("apart"); };
    if (rule == QLatin1String("names"))
        return CategoryNames(text).join(QLatin1Char('|'));
    if (rule == QLatin1String("page"))
        return SubmenuPlan().NamesOf(text, u"Other").join(QLatin1Char('|'));
    if (rule == QLatin1String("submenu"))
        return sameOrApart(SubmenuKey(text) == SubmenuKey(argument) && SameSubmenu(text, argument));
    if (rule == QLatin1String("add"))
        return AddCategories(text, argument);
    if (rule == QLatin1String("remove"))
        return RemoveCategory(text, argument);
    if (rule == QLatin1String("typed")) {
        // "|" in text marks the caret.
        const CategoryAtCaret at = CategoryTypedAt(QString(text).remove(QLatin1Char('|')),
                                                   text.indexOf(QLatin1Char('|')));
        return at.typed + QLatin1Char('/') + at.others.join(QLatin1Char(','));
    }
    if (rule == QLatin1String("fold")) {
        const QString folded = FoldForSearch(text);
        return folded == TextFolder().Fold(text).folded ? folded : QStringLiteral("two foldings");
    }
    if (rule == QLatin1String("plan"))
        return Planned(text);
    return QStringLiteral("no rule ") + rule;
}

} // namespace

class GroupingTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Every rule of the grouping, each row a case that the menus, Find Page, the editor or
    // the category file meet.
    void rules_data()
    {
        QTest::addColumn<QString>("rule");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("expected");
        const auto row = [](const char* name, const char* rule, const QString& text, const QString& argument,
                            const QString& expected) {
            QTest::newRow(name) << QString::fromLatin1(rule) << text << argument << expected;
        };
        row("names: none in an empty list", "names", "", "", "");
        row("names: outer white space is not part of a name", "names", " Web ; Data ", "", "Web|Data");
        row("names: blanks are none", "names", ";Web;; ;Data;", "", "Web|Data");
        row("names: separators alone name none", "names", ";;; ;", "", "");
        row("names: other characters kept", "names", "R&D;a=b;Ärger", "", "R&D|a=b|Ärger");
        row("page: each submenu once, as first spelt", "page", "Web;Data;WEB;W&eb", "", "Web|Data");
        row("page: none named, Other", "page", " ; ", "", "Other");
        row("page: past a few names, still each once", "page",
            QStringLiteral("a;b;c;d;e;f;g;h;i;j;k;l;m;n;o;p;q;A;r;Q"), "", "a|b|c|d|e|f|g|h|i|j|k|l|m|n|o|p|q|r");
        row("submenu: letter case aside", "submenu", "Database", "DATABASE", "same");
        row("submenu: \"&\" aside", "submenu", "Data&base", "Database", "same");
        row("submenu: Greek final sigma", "submenu", "ΟΔΟΣ", "οδος", "same");
        row("submenu: another name", "submenu", "Databases", "Database", "apart");
        row("submenu: sharp s is not ss", "submenu", "Straße", "Strasse", "apart");
        row("add: to a list naming it with a space", "add", "Cloud; Mobile", "Mobile", "Cloud; Mobile");
        row("add: another spelling of a name filed", "add", "Web", "WEB;w&eb", "Web");
        row("add: after the list's names", "add", "Cloud; Mobile", "Web", "Cloud; Mobile;Web");
        row("add: each new name of several, trimmed", "add", "A;B", " X ;A; Y", "A;B;X;Y");
        row("add: white space alone adds nothing", "add", "A", "   ", "A");
        row("add: separators alone add nothing", "add", "A", ";;; ;", "A");
        row("add: over a list of blanks", "add", " ; ", "Web", "Web");
        row("add: a list's trailing separators go", "add", "A; ;", "Web", "A;Web");
        row("remove: a name after a space", "remove", "Cloud; Mobile", "Mobile", "Cloud");
        row("remove: every spelling, the rest as written", "remove", "A;Web; web ;;B;W&eb", "WEB", "A;;B");
        row("remove: the only name", "remove", " Web ", "Web", "");
        row("typed: after \"; \"", "typed", "Cloud; Mo|", "", "Mo/Cloud");
        row("typed: the names around it", "typed", "A;w|x;B", "", "w/A,B");
        row("fold: case and accents", "fold", "Café ÉTÉ", "", "cafe ete");
        row("fold: sharp s", "fold", "Straße", "", "strasse");
        row("fold: \"&\" goes", "fold", "R&&D &Web", "", "rd web");
        row("plan: ordinal order, case twins share, first spelling names", "plan", "web;Zeta|Web;alpha|Ωmega", "",
            "Zeta[0] alpha[1] web[01] Ωmega[2]");
        row("plan: none named, Other; a repeat lists twice", "plan", " ; |A;a", "", "A[11] Other[0]");
        row("plan: a list ending in \";\" files no blank submenu", "plan", "Common;", "", "Common[0]");
    }
    void rules()
    {
        QFETCH(QString, rule);
        QFETCH(QString, text);
        QFETCH(QString, argument);
        QFETCH(QString, expected);
        QCOMPARE(Apply(rule, text, argument), expected);
    }
};

QTEST_GUILESS_MAIN(GroupingTest)
#include "tst_grouping.moc"
