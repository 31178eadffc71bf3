// Runs a fuzz target once on each file of the folders (or the files) named: its seed corpus,
// every input that ever failed included. A plain program, so the regular test suite and the
// sanitizer build run the corpus without libFuzzer.

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

int main(int argc, char** argv)
{
    QStringList files;
    for (int i = 1; i < argc; ++i) {
        const QString path = QFile::decodeName(argv[i]);
        if (!QFileInfo(path).isDir()) {
            files.append(path);
            continue;
        }
        const QDir folder(path);
        for (const QString& name : folder.entryList(QDir::Files | QDir::Hidden, QDir::Name))
            files.append(folder.filePath(name));
    }
    if (files.isEmpty()) {
        std::fprintf(stderr, "usage: %s FOLDER-OR-FILE...: no input found\n", argv[0]);
        return 2;
    }
    for (const QString& path : files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "%s: %s\n", qUtf8Printable(path), qUtf8Printable(file.errorString()));
            return 2;
        }
        const QByteArray bytes = file.readAll();
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
    }
    std::printf("%lld inputs ran without a failure\n", static_cast<long long>(files.size()));
    return 0;
}
