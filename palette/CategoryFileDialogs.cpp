#include "palette/CategoryFileDialogs.h"

#include "palette/Tr.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QStyle>

#if __has_include(<dlfcn.h>)
#include <dlfcn.h>
#endif

using PaletteMenu::Tr;

namespace {

constexpr char CategoryFileFilter[] = QT_TRANSLATE_NOOP("PaletteMenu", "Component Palette Categories Files");
constexpr char AllFilesFilter[] = QT_TRANSLATE_NOOP("PaletteMenu", "All Files");
constexpr QLatin1String Suffix("cpc");
// How often a long run lets the IDE repaint and hear the Cancel button.
constexpr int EventsEveryMs = 30;

QIcon StandardIcon(QStyle::StandardPixmap pixmap)
{
    return QApplication::style() ? QApplication::style()->standardIcon(pixmap) : QIcon();
}

// Qt's dialog adds the default suffix to any name typed without one, also to the name of a
// file that exists as typed ("groups" opened "groups.cpc" or said it was not found).
class CategoryFileDialog : public QFileDialog {
public:
    using QFileDialog::QFileDialog;

    void accept() override
    {
        const auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        const QString typed = edit ? edit->text() : QString();
        const bool exists = !typed.isEmpty() && QFileInfo(directory().absoluteFilePath(typed)).isFile();
        // Read again by selectedFiles() once the dialog has closed.
        setDefaultSuffix(exists ? QString() : QString(Suffix));
        QFileDialog::accept();
    }
};

// The package's own file: the installed examples are found relative to it.
QString PackageFile()
{
#if __has_include(<dlfcn.h>)
    static const char marker = 0;
    Dl_info info{};
    if (dladdr(&marker, &info) && info.dli_fname)
        return QFile::decodeName(info.dli_fname);
#endif
    return QString();
}

} // namespace

bool IsShippedFolder(const QString& folder)
{
    const QString canonical = QFileInfo(folder).canonicalFilePath();
    QStringList shipped{QStringLiteral(VORLA_SOURCE_EXAMPLES)};
    if (const QString package = PackageFile(); !package.isEmpty())
        shipped.append(QFileInfo(package).dir().filePath(QStringLiteral(VORLA_PACKAGE_TO_EXAMPLES)));
    for (const QString& examples : std::as_const(shipped)) {
        const QString known = QFileInfo(examples).canonicalFilePath();
        if (!known.isEmpty() && !canonical.isEmpty()
            && (canonical == known || canonical.startsWith(known + QLatin1Char('/'))))
            return true;
    }
    return false;
}

QIcon NameOnlyFileIconProvider::icon(IconType type) const
{
    switch (type) {
    case Computer: return StandardIcon(QStyle::SP_ComputerIcon);
    case Desktop: return StandardIcon(QStyle::SP_DesktopIcon);
    case Trashcan: return StandardIcon(QStyle::SP_TrashIcon);
    case Network: return StandardIcon(QStyle::SP_DriveNetIcon);
    case Drive: return StandardIcon(QStyle::SP_DriveHDIcon);
    case Folder: return StandardIcon(QStyle::SP_DirIcon);
    case File: break;
    }
    return StandardIcon(QStyle::SP_FileIcon);
}

QIcon NameOnlyFileIconProvider::icon(const QFileInfo& info) const
{
    if (info.isRoot())
        return icon(Drive);
    if (info.isDir())
        return StandardIcon(info.isSymLink() ? QStyle::SP_DirLinkIcon : QStyle::SP_DirIcon);
    return StandardIcon(info.isSymLink() ? QStyle::SP_FileLinkIcon : QStyle::SP_FileIcon);
}

QString NameOnlyFileIconProvider::type(const QFileInfo& info) const
{
    if (info.isRoot())
        return Tr::tr("Drive");
    if (info.isDir())
        return Tr::tr("Folder");
    if (info.suffix().isEmpty())
        return Tr::tr("File");
    return Tr::tr("%1 File").arg(info.suffix());
}

QStringList CategoryFileFilters()
{
    // The patterns are the dialogs' own, whatever the language of their names.
    return {Tr::tr(CategoryFileFilter) + QStringLiteral(" (*.cpc)"), Tr::tr(AllFilesFilter) + QStringLiteral(" (*)")};
}

QString CategoryFileSuffix()
{
    return Suffix;
}

std::unique_ptr<QFileDialog> CreateCategoryFileDialog(QWidget* parent, QFileDialog::AcceptMode mode,
                                                      const QString& folder, QAbstractFileIconProvider* icons)
{
    const bool opening = mode == QFileDialog::AcceptOpen;
    // Qt's own dialog, so that it looks and works alike everywhere and tests and screen readers
    // can drive it. Its folder is given as it is made: made without one, it would list the
    // working folder at once. The icons are set before Qt returns to its event loop, where the
    // listing's results are first looked at.
    auto dialog = std::make_unique<CategoryFileDialog>(
        parent, opening ? Tr::tr("Open Import File") : Tr::tr("Save Export File"), folder);
    dialog->setIconProvider(icons);
    dialog->setObjectName(opening ? QStringLiteral("dlgOpen") : QStringLiteral("dlgSave"));
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setOption(QFileDialog::DontUseCustomDirectoryIcons);
    dialog->setAcceptMode(mode);
    dialog->setFileMode(opening ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog->setOption(QFileDialog::DontConfirmOverwrite, false);
    dialog->setNameFilters(CategoryFileFilters());
    dialog->setDefaultSuffix(Suffix);
    dialog->setSizeGripEnabled(true);
    return dialog;
}

CommandProgress::CommandProgress(const QString& label, QWidget* parent) : m_label(label), m_parent(parent)
{
    m_started.start();
}

CommandProgress::~CommandProgress() = default;

CategoryFile::Progress CommandProgress::Callback()
{
    return [this](int permille) { Update(permille); };
}

void CommandProgress::Update(int permille)
{
    if (!m_dialog) {
        if (m_started.elapsed() < ShowAfterMs)
            return;
        m_dialog = std::make_unique<QProgressDialog>(m_label, Tr::tr("Cancel"), 0, 1000, m_parent);
        m_dialog->setObjectName(QStringLiteral("ProgressDialog"));
        m_dialog->setWindowTitle(QStringLiteral("Vorla Palette Menu"));
        // Nothing else of the IDE may be used meanwhile: the store is in the middle of a change.
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setMinimumDuration(0);
        m_dialog->setAutoClose(false);
        m_dialog->setAutoReset(false);
        m_dialog->setValue(permille);
        m_dialog->show();
    } else if (m_lastEvents.isValid() && m_lastEvents.elapsed() < EventsEveryMs) {
        return;
    }
    m_dialog->setValue(permille);
    QCoreApplication::processEvents();
    m_lastEvents.start();
    if (m_dialog->wasCanceled())
        throw CategoryFile::Cancelled();
}

std::optional<qsizetype> RunWithProgress(const QString& label, QWidget* parent,
                                         const std::function<qsizetype(const CategoryFile::Progress&)>& work)
{
    CommandProgress progress(label, parent);
    try {
        return work(progress.Callback());
    } catch (const CategoryFile::Cancelled&) {
        // The user's choice: the store, or the old file, is as it was, and there is nothing to report.
        return std::nullopt;
    }
}
