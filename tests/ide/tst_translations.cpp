// The IDE in the user's language: started under LANG, it installs Qt's own translation and
// ours, so that the package's menu commands and the category editor's buttons, and Qt's own
// buttons, are German under a German locale and exactly as they always were in English.
// Each language runs in a process of its own, as the IDE would start.

#include "tests/common/TemporaryStore.h"

#include "host/ide/MainWindow.h"
#include "host/ide/PackageManager.h"
#include "host/ide/Translations.h"
#include "host/private/IdeHost.h"

#include <QAbstractItemView>
#include <QDialog>
#include <QDialogButtonBox>
#include <QInputDialog>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

#include <cstdio>

namespace {

const char* const Commands[] = {"FindPageCommand", "EditCategoriesCommand", "ImportCommand", "ExportCommand"};
const char* const EditorButtons[] = {"btnAddCategory", "btnRemoveCategory", "btnOk", "btnCancel"};

// Run as "--captions": the IDE with its package, as the locale of this process says; prints
// the palette menu's title and commands, the editor's buttons, its Add Category prompt for one
// selected page and for two, and one of Qt's own buttons, one per line.
int PrintCaptions()
{
    QStandardPaths::setTestModeEnabled(true);
    const TemporaryStore store;
    standin::installTranslations();
    standin::MainWindow window(standin::Palette{{QStringLiteral("Basic Controls"), {QStringLiteral("PushButton")}},
                                                {QStringLiteral("Data Access"), {QStringLiteral("Query")}}});
    if (!window.packages()->load(QStringLiteral(VORLA_PACKAGE)).loaded)
        return 1;
    QStringList lines;
    QMenu* menu = nullptr;
    for (QAction* entry : window.menuBar()->actions())
        if (entry->menu() && entry->menu()->objectName() == QLatin1String("PaletteMenu"))
            menu = entry->menu();
    if (!menu)
        return 1;
    lines.append(menu->title());
    Q_EMIT menu->aboutToShow();
    QAction* edit = nullptr;
    for (const char* name : Commands)
        for (QAction* item : menu->actions())
            if (item->objectName() == QLatin1String(name)) {
                lines.append(item->text());
                if (qstrcmp(name, "EditCategoriesCommand") == 0)
                    edit = item;
            }
    QTimer::singleShot(0, &window, [&lines] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        for (const char* name : EditorButtons)
            if (auto* button = dialog->findChild<QAbstractButton*>(QLatin1String(name)))
                lines.append(button->text());
        auto* grid = dialog->findChild<QAbstractItemView*>(QStringLiteral("grdCategories"));
        for (const bool both : {false, true}) {
            both ? grid->selectAll()
                 : grid->selectionModel()->select(grid->model()->index(0, 1), QItemSelectionModel::ClearAndSelect);
            QTimer::singleShot(0, dialog, [&lines] {
                auto* prompt = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
                lines.append(prompt ? prompt->labelText() : QStringLiteral("no prompt"));
                if (prompt)
                    prompt->reject();
            });
            dialog->findChild<QAbstractButton*>(QStringLiteral("btnAddCategory"))->click();
        }
        dialog->reject();
    });
    if (edit)
        edit->trigger();
    const QDialogButtonBox qtOwn(QDialogButtonBox::Cancel);
    lines.append(qtOwn.button(QDialogButtonBox::Cancel)->text());
    window.packages()->unloadAll();
    std::fputs(qUtf8Printable(lines.join(QLatin1Char('\n')) + QLatin1Char('\n')), stdout);
    return 0;
}

} // namespace

class TranslationsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void captionsInTheUsersLanguage_data()
    {
        QTest::addColumn<QString>("lang");
        QTest::addColumn<QStringList>("captions");

        const QStringList english{"P&alette",
                                  "&Find Page...",
                                  "&Edit Categories...",
                                  "&Import...",
                                  "E&xport...",
                                  "Add Category...",
                                  "Remove Category...",
                                  "OK",
                                  "Cancel",
                                  "Category to add to the selected page:",
                                  "Category to add to the 2 selected pages:",
                                  "Cancel"};
        QTest::newRow("English") << "en_US.UTF-8" << english;
        QTest::newRow("no locale") << "C" << english;
        QTest::newRow("German") << "de_DE.UTF-8"
                                << QStringList{"P&alette",
                                               "Seite &finden...",
                                               "Kategorien &bearbeiten...",
                                               "&Importieren...",
                                               "E&xportieren...",
                                               "Kategorie hinzufügen...",
                                               "Kategorie entfernen...",
                                               "OK",
                                               "Abbrechen",
                                               "Kategorie, die der ausgewählten Seite hinzugefügt werden soll:",
                                               "Kategorie, die den 2 ausgewählten Seiten hinzugefügt werden soll:",
                                               "Abbrechen"};
    }

    void captionsInTheUsersLanguage()
    {
        QFETCH(QString, lang);
        QFETCH(QStringList, captions);

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"})
            environment.remove(QLatin1String(name));
        environment.insert(QStringLiteral("LANG"), lang);
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        QProcess child;
        child.setProcessEnvironment(environment);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--captions")});
        QVERIFY(child.waitForFinished(60000));
        QCOMPARE(child.exitCode(), 0);
        const QString out = QString::fromUtf8(child.readAllStandardOutput());
        QCOMPARE(out.split(QLatin1Char('\n'), Qt::SkipEmptyParts), captions);
    }
};

int main(int argc, char** argv)
{
    if (argc == 2 && qstrcmp(argv[1], "--captions") == 0) {
        QApplication app(argc, argv);
        return PrintCaptions();
    }
    QApplication app(argc, argv);
    TranslationsTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_translations.moc"
