#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <exception>
#include <functional>
#include <memory>

#include <sys/types.h>

namespace host {
class TRegIniFile;
}

// The category file (".cpc"): the section "Categories" as plain text, one "name=value" line
// per entry, lines ending in CR LF. A line's name is the text before its first "=" and its
// value all after it; a line without "=", and a blank line, are an entry with an empty name
// and value. On reading, CR, LF and CR LF each end a line and a final line break adds no
// line; a UTF-8, UTF-16 LE or UTF-16 BE byte-order mark selects that encoding; a file without
// one is UTF-8 when it is valid UTF-8 (what today's editors save), else Windows-1252 (what the
// host writes). Writing uses Windows-1252 without a byte-order mark when every character fits
// and the bytes read back as written, and UTF-8 with a mark otherwise, so no name is ever
// changed.
namespace CategoryFile {

using Entries = QList<QPair<QString, QString>>;

// Larger files are refused rather than read: no grouping comes near it.
inline constexpr qint64 MaxFileSize = 16 * 1024 * 1024;

// Thrown by a Progress callback when the user cancels; an import then leaves the store, and
// an export the old file, exactly as they were.
class Cancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

// How far a long import or export has come, in thousandths. It may throw Cancelled.
using Progress = std::function<void(int permille)>;

// The file's lines as entries, in file order, read and checked whole. Raises EFOpenError,
// naming the file and, where there is one, the line, when the file cannot be read, is not a
// plain file, is the store's file or journal (storeFile names the store), is larger than
// MaxFileSize, holds a NUL character, is not valid in the encoding its byte-order mark names,
// or has a name or value beyond the store's limits.
Entries ReadFile(const QString& fileName, const QString& storeFile = QString());

// The same for bytes already read; fileName only names them in messages.
Entries ParseBytes(const QByteArray& bytes, const QString& fileName);

// What an import writes from those bytes: each name once, matched as the store matches names,
// where it first stands and as it is first spelt, with the value of its last line.
Entries ParseBytesCollapsed(const QByteArray& bytes, const QString& fileName);

// Asked before a file is overwritten in place, its folder being one that may not be written:
// a kill during such a write cannot be made safe. false leaves the file as it is and cancels
// the write (Cancelled).
using ConfirmInPlace = std::function<bool()>;

// The system calls an in-place write makes, which tests replace to make a disk fill up or a
// write fail midway.
struct InPlaceCalls {
    int (*reserve)(int descriptor, off_t offset, off_t length);                      // as posix_fallocate
    ssize_t (*writeAt)(int descriptor, const void* data, size_t size, off_t offset); // as pwrite
};
InPlaceCalls& InPlaceWriteCalls();

// lines as the file's bytes: each line followed by CR LF, in Windows-1252 when every
// character fits and those bytes read back as the same text, else in UTF-8 after a
// byte-order mark. No lines make no bytes.
QByteArray EncodeLines(const QStringList& lines);

// Replaces fileName with bytes all at once: a failure or a cancel leaves any old file as it
// was, and its permission bits stay. A symbolic link to a plain file writes its target. A
// target that is not a plain file (a folder, a device, a pipe, a socket), or is the store's
// file or journal, is refused before anything is written. Where the folder may not be
// written but the file may, the file is written in place, once confirm agrees: room for the
// new bytes is reserved before the old are touched, Cancel is heard only until then, and the
// old bytes are put back when the new cannot all be written. Raises EFCreateError naming the
// file and the cause.
void WriteFile(const QString& fileName, const QByteArray& bytes, const QString& storeFile = QString(),
               const Progress& progress = {}, const ConfirmInPlace& confirm = {});

struct ParsedFile;

// A category file read and checked whole for an import: what the import would write.
class ImportFile {
public:
    ImportFile();
    ~ImportFile();
    ImportFile(ImportFile&&) noexcept;
    ImportFile& operator=(ImportFile&&) noexcept;

    QString FileName() const { return m_fileName; }
    // The entries it writes: each name once, however many lines name it.
    qsizetype EntryCount() const;
    // The file's lines, each read as one entry; those beyond EntryCount() add no entry of
    // their own (a later line of a name replaces the earlier one's value; every line without
    // "=", a blank one too, is the one entry of the empty name).
    qsizetype LineCount() const;

private:
    friend ImportFile ReadForImport(const QString&, const QString&, const Progress&);
    friend qsizetype Import(host::TRegIniFile&, const ImportFile&, const Progress&);
    QString m_fileName;
    std::unique_ptr<ParsedFile> m_parsed;
};

// Reads and checks fileName for an import, raising as ReadFile does.
ImportFile ReadForImport(const QString& fileName, const QString& storeFile, const Progress& progress = {});

// Replaces the section with the file's entries as one all-or-nothing change, a later line
// replacing an earlier one of the same name; a file of no line changes nothing. The grouping
// it replaces is kept for Undo Import (CategoryStore::UndoImport). Cancel is heard until the
// change is committed. Returns how many entries the section now holds from the file.
qsizetype Import(host::TRegIniFile& reg, const ImportFile& file, const Progress& progress = {});

// Both in one: the file is read and checked whole first, so a bad file leaves the store
// exactly as it was.
qsizetype Import(host::TRegIniFile& reg, const QString& fileName, const Progress& progress = {});

// Writes the section's entries to fileName, leaving out those with an empty value (they mean
// no category) and those that would read back as something else: a name holding "=", or a
// line break, NUL or broken UTF-16 anywhere in the line. When any was left out it raises
// EFCreateError after writing the rest, naming some of them. Returns how many entries it wrote.
// A file to be written in place is confirmed (WriteFile) before the store is read.
qsizetype Export(const host::TRegIniFile& reg, const QString& fileName, const Progress& progress = {},
                 const ConfirmInPlace& confirm = {});

} // namespace CategoryFile
