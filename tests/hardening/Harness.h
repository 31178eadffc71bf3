#pragma once

// What the hardening tests share: the package in a test IDE, its menus as text, its commands
// run as a user runs them (their dialogs answered from inside their modal loops), the error
// boxes the IDE shows, the store's files by digest, and copies of a test as second processes.

#include "editor/VlPaletteMenuCategoriesForm.h"
#include "host/ide/ErrorReporter.h"
#include "palette/VlPaletteMenu.h"
#include "tests/common/InProcessPackage.h"
#include "tests/common/TestIde.h"

#include "host/Registry.h"
#include "host/private/IdeHost.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include <functional>
#include <memory>
#include <utility>

namespace harness {

using Entries = QList<QPair<QString, QString>>;
using Edits = QList<QPair<int, QString>>; // a grid row and the text for its category cell

inline const QString Key = CategoryStore::Key;
inline const QString Section = CategoryStore::Section;

// Answers one modal dialog of a command, from inside its loop.
using Answer = std::function<void(QWidget* modal)>;

// A file dialog gets path typed and Enter; a question after it (overwrite?) gets Yes.
inline Answer ChooseFile(const QString& path)
{
    return [path](QWidget* modal) {
        if (auto* question = qobject_cast<QMessageBox*>(modal)) {
            question->button(QMessageBox::Yes)->click();
            return;
        }
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        auto* name = dialog ? dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")) : nullptr;
        if (!name)
            return;
        name->setText(path);
        // Pressed once this answer returns, so that a question that follows is answered too.
        QTimer::singleShot(0, name, [name] { QTest::keyClick(name, Qt::Key_Return); });
    };
}

// Error boxes read and closed while a dialog stayed open, for TakeErrorBoxes.
inline QStringList& ErrorBoxesTaken()
{
    static QStringList texts;
    return texts;
}

// The text of every error box the IDE shows, closing them, after those taken before.
inline QStringList TakeErrorBoxes()
{
    QStringList texts = std::exchange(ErrorBoxesTaken(), {});
    for (QWidget* window : QApplication::allWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(window);
            box && box->objectName() == QLatin1String("ErrorBox") && box->isVisible()) {
            texts.append(box->text());
            box->close();
        }
    QCoreApplication::processEvents();
    return texts;
}

// The category editor gets its cells set as typed, then OK. When the store fails, the
// editor stays open with the edits and the error in front of it: the error is read, then
// Cancel gives up.
inline Answer EditCells(const Edits& edits)
{
    return [edits](QWidget* modal) {
        auto* form = qobject_cast<TVlFrmPaletteMenuCategories*>(modal);
        if (!form)
            return;
        QAbstractItemModel* rows = form->findChild<QTableView*>(QStringLiteral("grdCategories"))->model();
        for (const auto& [row, text] : edits)
            if (row < rows->rowCount())
                rows->setData(rows->index(row, 1), text);
        form->findChild<QPushButton*>(QStringLiteral("btnOk"))->click();
        if (form->isVisible()) {
            ErrorBoxesTaken() += TakeErrorBoxes();
            // Cancel asks before it drops the edits: they are dropped.
            QTimer::singleShot(0, [] {
                if (auto* question = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                    question->button(QMessageBox::Discard)->click();
            });
            form->findChild<QPushButton*>(QStringLiteral("btnCancel"))->click();
        }
    };
}

// Runs the command named command (its object name) from menu, answering each modal dialog it opens once.
// The menu is opened first (its pop-up event), as a user would, unless open is false: then
// the command is the one its last opening listed.
inline bool RunCommand(QMenu* menu, const QString& command, const Answer& answer, bool open = true)
{
    QList<QPointer<QWidget>> answered;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() == QLatin1String("ErrorBox") || answered.contains(modal))
            return;
        answered.append(modal);
        answer(modal);
    });
    poll.start(5);
    if (open)
        Q_EMIT menu->aboutToShow();
    QAction* item = CommandItem(menu, command);
    if (item)
        item->trigger();
    return item != nullptr;
}

// The IDE's own error box in front of the test IDE's record of reported errors.
inline void ShowErrorBoxes(TestIde& ide)
{
    host::SetExceptionReporter(
        [&ide, box = standin::messageBoxReporter(&ide.window)](const QString& kind, const QString& message) {
            ide.reports.reports.append({kind, message});
            box(kind, message);
        });
}

// Every file in folder by name, with its SHA-256, computed by another process: a descriptor
// of this process's own, once closed, would drop the locks its store connections hold.
inline QMap<QString, QByteArray> Digests(const QString& folder)
{
    QMap<QString, QByteArray> digests;
    const QStringList names = QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    if (names.isEmpty())
        return digests;
    QProcess sum;
    sum.setWorkingDirectory(folder);
    sum.start(QStringLiteral("sha256sum"), names);
    if (!sum.waitForFinished(30000))
        return {{QStringLiteral("sha256sum"), QByteArray("did not finish")}};
    for (const QByteArray& line : sum.readAllStandardOutput().split('\n'))
        if (const qsizetype gap = line.indexOf("  "); gap > 0)
            digests.insert(QFile::decodeName(line.mid(gap + 2)), line.left(gap));
    return digests;
}

// This test's executable as a second process in one of its roles.
inline std::unique_ptr<QProcess> StartSelf(const QStringList& arguments)
{
    auto process = std::make_unique<QProcess>();
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QCoreApplication::applicationFilePath(), arguments);
    return process;
}

// A line from a second process, or "" after timeoutMs.
inline QByteArray ReadLine(QProcess& process, int timeoutMs = 60000)
{
    while (!process.canReadLine())
        if (!process.waitForReadyRead(timeoutMs))
            return QByteArray();
    return process.readLine().trimmed();
}

} // namespace harness
