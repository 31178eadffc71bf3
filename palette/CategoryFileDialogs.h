#pragma once

#include "store/CategoryFile.h"

#include <QAbstractFileIconProvider>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QPointer>
#include <QProgressDialog>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

// Icons and type names for the file dialogs told from the file's name and kind alone. Qt's own
// provider asks the MIME database, which may open a file to read its first bytes; closing that
// descriptor would release every lock the IDE's store connections hold on the file, since
// POSIX locks belong to the process, and the store's file and journals may well be listed.
class NameOnlyFileIconProvider : public QAbstractFileIconProvider {
public:
    QIcon icon(IconType type) const override;
    QIcon icon(const QFileInfo& info) const override;
    QString type(const QFileInfo& info) const override;
};

// The category file filter first, then every file.
QStringList CategoryFileFilters();
// ".cpc" is added to a name typed without a suffix.
QString CategoryFileSuffix();

// Whether folder is, or lies in, one of the folders of examples the package ships: examples/
// of the source tree it was built from, or the examples installed beside it.
bool IsShippedFolder(const QString& folder);

// Makes the import (AcceptOpen) or export dialog, showing folder, with icons from icons. Made
// only when it is about to be shown, and pointed at its folder as it is made, so that no
// folder is listed before the user asks; a relative name typed in is taken relative to the
// folder shown, and gets ".cpc" only when no file of the name as typed exists.
std::unique_ptr<QFileDialog> CreateCategoryFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                                      const QString& folder, QAbstractFileIconProvider* icons);

// The progress of one import or export: a dialog with Cancel, shown only once the run has
// taken longer than ShowAfterMs, so that a short run neither slows down nor flashes a window.
// Its Progress callback throws CategoryFile::Cancelled at the next report after Cancel.
class CommandProgress {
public:
    static constexpr int ShowAfterMs = 500;

    CommandProgress(const QString& label, QWidget* parent);
    ~CommandProgress();
    CommandProgress(const CommandProgress&) = delete;
    CommandProgress& operator=(const CommandProgress&) = delete;

    CategoryFile::Progress Callback();

private:
    void Update(int permille);

    QString m_label;
    QPointer<QWidget> m_parent;
    QElapsedTimer m_started;
    QElapsedTimer m_lastEvents;
    std::unique_ptr<QProgressDialog> m_dialog;
};

// Runs work with a CommandProgress: what work returns (how many entries it read or wrote), or
// nothing when the user cancelled, which ends it quietly, having changed nothing.
std::optional<qsizetype> RunWithProgress(const QString& label, QWidget* parent,
                                         const std::function<qsizetype(const CategoryFile::Progress&)>& work);
