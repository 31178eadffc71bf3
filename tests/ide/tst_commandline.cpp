// The command line of the real executable: bad arguments and bad palette files end with
// status 2 and one line on stderr before any window opens; --help and --version answer
// and exit; good arguments parse to what they say.

#include "host/ide/CommandLine.h"

#include "host/Registry.h"

#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

namespace {

struct Run {
    int status = -1;
    bool finished = false;
    QByteArray out;
    QByteArray err;
};

QProcessEnvironment Environment()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return environment;
}

Run RunIde(const QStringList& arguments, const QProcessEnvironment& environment = Environment(), int timeoutMs = 20000)
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(STANDIN_IDE), arguments);
    Run run;
    if (!process.waitForStarted())
        return run;
    run.finished = process.waitForFinished(timeoutMs);
    if (!run.finished) {
        process.kill();
        process.waitForFinished();
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

} // namespace

class CommandLineTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void badArguments_data();
    void badArguments();
    void namesNotUtf8_data();
    void namesNotUtf8();
    void noDisplay();
    void fileSizeSignalIgnored();
    void helpAndVersion_data();
    void helpAndVersion();
    void startsWithGoodArguments_data();
    void startsWithGoodArguments();
    void listPackages_data();
    void listPackages();
    void withoutRuntimeFolder_data();
    void withoutRuntimeFolder();

    void parse_data();
    void parse();

private:
    QString Write(const QString& name, const QByteArray& content);
    QString Sparse(const QString& name, qint64 size);

    QTemporaryDir m_dir;
    QString m_fifo;
};

void CommandLineTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFileInfo::exists(QStringLiteral(STANDIN_IDE)), STANDIN_IDE);
    m_fifo = m_dir.filePath(QStringLiteral("fifo"));
    QCOMPARE(::mkfifo(QFile::encodeName(m_fifo).constData(), 0600), 0);
}

QString CommandLineTest::Sparse(const QString& name, qint64 size)
{
    const QString path = Write(name, QByteArray());
    if (!QFile::resize(path, size))
        qFatal("cannot grow %s", qPrintable(path));
    return path;
}

QString CommandLineTest::Write(const QString& name, const QByteArray& content)
{
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void CommandLineTest::badArguments_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("expected"); // a part of the one line on stderr

    const auto palette = [this](const char* name, const QByteArray& content) {
        return QStringList{QStringLiteral("--palette"), Write(QString::fromLatin1(name), content)};
    };

    QTest::newRow("unknown option") << QStringList{"--frobnicate"} << "Unknown option 'frobnicate'";
    QTest::newRow("palette without value") << QStringList{"--palette"} << "Missing value after '--palette'";
    QTest::newRow("palette empty") << QStringList{"--palette", ""} << "--palette needs a file name";
    QTest::newRow("palette twice") << (palette("a.json", R"({"pages": []})") + palette("b.json", R"({"pages": []})"))
                                   << "--palette is given more than once";
    QTest::newRow("positional") << QStringList{"extra"} << "unexpected argument \"extra\"";
    QTest::newRow("theme unknown") << QStringList{"--theme", "purple"}
                                   << "--theme \"purple\" is not one of light, dark, none";
    QTest::newRow("theme case") << QStringList{"--theme", "Dark"} << "--theme \"Dark\" is not one of";
    QTest::newRow("theme twice") << QStringList{"--theme", "dark", "--theme", "light"}
                                 << "--theme is given more than once";
    const auto registry = [](const QString& path) { return QStringList{QStringLiteral("--registry"), path}; };
    QTest::newRow("registry is a folder") << registry(m_dir.path()) << "is not a usable store: the path is a folder";
    QTest::newRow("registry not a store") << registry(Write(QStringLiteral("notes.sqlite"), "Standard=Common\n"))
                                          << "is not a usable store: the file is not a database";
    QTest::newRow("registry a device") << registry(QStringLiteral("/dev/null")) << "the path is not a regular file";
    QTest::newRow("registry cannot be created")
        << registry(Write(QStringLiteral("plain"), "x") + QStringLiteral("/sub/registry.sqlite"))
        << "its folder \"" + m_dir.filePath(QStringLiteral("plain/sub")) + "\" cannot be created";
    QTest::newRow("registry beside a journal") << registry(
        QFileInfo(Write(QStringLiteral("gone.sqlite-journal"), "journal")).path() + QStringLiteral("/gone.sqlite"))
                                               << "\"gone.sqlite-journal\" beside it belongs to another database";
    QTest::newRow("package missing") << QStringList{"--package", m_dir.filePath("none.so")} << "package file";
    QTest::newRow("package is a folder") << QStringList{"--package", m_dir.path()} << "is a folder";

    QTest::newRow("palette missing") << QStringList{"--palette", m_dir.filePath("missing.json")} << "does not exist";
    // Refused before a byte is read: a device never ends, a FIFO waits for a writer for ever.
    QTest::newRow("palette is a folder") << QStringList{"--palette", m_dir.path()} << "is a folder, not a regular file";
    for (const char* device : {"/dev/zero", "/dev/urandom", "/dev/full"})
        QTest::newRow(device) << QStringList{"--palette", device} << "is a device, not a regular file";
    QTest::newRow("palette is a FIFO") << QStringList{"--palette", m_fifo} << "is a FIFO, not a regular file";
    QTest::newRow("palette over 64 MiB") << QStringList{"--palette", Sparse("huge.json", (qint64(64) << 20) + 1)}
                                         << "is larger than 64 MiB";
    QTest::newRow("palette of 64 MiB is read")
        << QStringList{"--palette", Sparse("limit.json", qint64(64) << 20)} << "not valid JSON";
    QTest::newRow("palette empty file") << palette("empty.json", "")
                                        << "palette file \"" + m_dir.filePath("empty.json") + "\" is empty";
    QTest::newRow("palette of white space") << palette("blank.json", " \r\n\t") << "is empty";
    // Control characters in names are escaped, so that the message stays one line.
    QTest::newRow("newline in a name") << QStringList{"--palette", "a\nb\r\x1b[31m.json"}
                                       << "\"a\\nb\\r\\x1b[31m.json\" does not exist";
    QTest::newRow("newline in an option") << QStringList{"--x\ny"} << "Unknown option 'x\\ny'";
    QTest::newRow("palette not JSON") << palette("text.json", "pages: Standard") << "not valid JSON";
    QTest::newRow("palette truncated") << palette("cut.json", R"({"pages": [{"caption": "Standard")")
                                       << "not valid JSON";
    QTest::newRow("palette bad UTF-8") << palette("utf8.json",
                                                  "{\"pages\": [{\"caption\": \"\xff\xfe\", \"components\": []}]}")
                                       << "not valid JSON";
    QTest::newRow("top level array") << palette("array.json", "[]") << "the top level is not an object";
    QTest::newRow("no pages") << palette("nopages.json", R"({"tabs": []})") << "has no \"pages\"";
    QTest::newRow("pages object") << palette("pagesobj.json", R"({"pages": {}})") << "pages is an object, not an array";
    QTest::newRow("page number") << palette("pagenum.json", R"({"pages": [7]})")
                                 << "pages[0] is a number, not an object";
    QTest::newRow("caption missing") << palette("nocaption.json", R"({"pages": [{"components": []}]})")
                                     << "pages[0] has no caption";
    QTest::newRow("caption not string") << palette(
        "captionnum.json", R"({"pages": [{"caption": "A", "components": []}, {"caption": "B", "components": []},
                                                    {"caption": "C", "components": []}, {"caption": 4, "components": []}]})")
                                        << "palette file \"" + m_dir.filePath("captionnum.json")
            + "\": pages[3].caption is a number, not a string";
    QTest::newRow("caption null") << palette("captionnull.json", R"({"pages": [{"caption": null, "components": []}]})")
                                  << "pages[0].caption is null, not a string";
    QTest::newRow("components missing") << palette("nocomps.json", R"({"pages": [{"caption": "A"}]})")
                                        << "pages[0] has no components";
    QTest::newRow("components string") << palette(
        "compsstr.json",
        R"({"pages": [{"caption": "A", "components": []}, {"caption": "B", "components": "PushButton"}]})")
                                       << "pages[1].components is a string, not an array";
    QTest::newRow("component not string")
        << palette("compnum.json", R"({"pages": [{"caption": "A", "components": ["PushButton", false]}]})")
        << "pages[0].components[1] is a boolean, not a string";

    if (geteuid() != 0) { // root reads any file
        const QString locked = Write(QStringLiteral("locked.json"), R"({"pages": []})");
        QFile::setPermissions(locked, QFileDevice::WriteOwner);
        QTest::newRow("palette unreadable") << QStringList{"--palette", locked} << "cannot be read";
        const QString readOnly = m_dir.filePath(QStringLiteral("read-only"));
        QDir().mkpath(readOnly);
        QFile::setPermissions(readOnly, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        QTest::newRow("registry in a folder that cannot be written")
            << registry(readOnly + QStringLiteral("/registry.sqlite"))
            << "its folder \"" + readOnly + "\" cannot be written";
    }
}

void CommandLineTest::badArguments()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, expected);

    const Run run = RunIde(arguments);
    QVERIFY2(run.finished, "the IDE started instead of refusing its arguments");
    QCOMPARE(run.status, 2);
    QVERIFY(run.out.isEmpty());
    const QString err = QString::fromUtf8(run.err);
    QVERIFY2(err.endsWith(QLatin1Char('\n')) && err.count(QLatin1Char('\n')) == 1, qPrintable(err));
    QVERIFY2(err.startsWith(QLatin1String("standin-ide: ")), qPrintable(err));
    QVERIFY2(err.contains(expected), qPrintable(err));
}

void CommandLineTest::namesNotUtf8_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("joined"); // "--option=NAME" rather than "--option NAME"
    QTest::addColumn<QString>("expected");
    QTest::newRow("palette") << "--palette" << false << "palette file";
    QTest::newRow("palette=") << "--palette" << true << "palette file";
    QTest::newRow("package") << "--package" << false << "package file";
}

void CommandLineTest::namesNotUtf8()
{
    QFETCH(QString, option);
    QFETCH(bool, joined);
    QFETCH(QString, expected);

    // The file is there; its name cannot be passed on, so it is unreadable, not missing.
    const QByteArray path = QFile::encodeName(m_dir.path()) + "/x\xff.json";
    std::FILE* file = std::fopen(path.constData(), "w");
    const auto remove = qScopeGuard([&] { std::remove(path.constData()); }); // QDir cannot name it
    QVERIFY(file && std::fputs(R"({"pages": []})", file) >= 0 && std::fclose(file) == 0);

    // Only a shell passes the bytes on as they are.
    const QString name = QStringLiteral("\"$2$(printf 'x\\377.json')\"");
    const QString script = QStringLiteral("exec \"$0\" ")
        + (joined ? QStringLiteral("\"$1\"=") : QStringLiteral("\"$1\" ")) + name;
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.start(QStringLiteral("/bin/sh"),
                  {QStringLiteral("-c"), script, QStringLiteral(STANDIN_IDE), option, m_dir.path() + QLatin1Char('/')});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 2);
    const QString err = QString::fromUtf8(process.readAllStandardError());
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    QVERIFY2(err.contains(expected + QStringLiteral(" \"") + m_dir.path())
                 && err.contains(QLatin1String("cannot be read: its name is not valid UTF-8")),
             qPrintable(err));
}

void CommandLineTest::noDisplay()
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));

    const Run run = RunIde({QStringLiteral("--no-default-package")}, environment);
    QVERIFY(run.finished);
    QCOMPARE(run.status, 2);
    const QString err = QString::fromUtf8(run.err);
    QCOMPARE(err.count(QLatin1Char('\n')), 1);
    QVERIFY2(err.contains(QLatin1String("no display")) && err.contains(QLatin1String("xvfb-run")), qPrintable(err));
    QVERIFY2(!err.contains(QLatin1String("platform plugin")), qPrintable(err));

    // A bad argument is still named first, display or not.
    const Run bad = RunIde({QStringLiteral("--theme"), QStringLiteral("blue")}, environment);
    QCOMPARE(bad.status, 2);
    QVERIFY(QString::fromUtf8(bad.err).contains(QLatin1String("--theme")));

    // Help needs no display.
    QCOMPARE(RunIde({QStringLiteral("--help")}, environment).status, 0);
}

void CommandLineTest::helpAndVersion_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("expected"); // parts of stdout

    const QStringList usage{"Usage: standin-ide",      "--palette FILE", "--registry FILE",
                            "--theme light|dark|none", "--package FILE", "--no-default-package",
                            "--list-packages",         "--help",         "--version"};
    QTest::newRow("--help") << QStringList{"--help"} << usage;
    QTest::newRow("-h") << QStringList{"-h"} << usage;
    QTest::newRow("help wins over the rest") << QStringList{"--theme", "dark", "--help"} << usage;
    QTest::newRow("--version") << QStringList{"--version"} << QStringList{"standin-ide " VORLA_VERSION "\n"};
    QTest::newRow("-v") << QStringList{"-v"} << QStringList{"standin-ide " VORLA_VERSION "\n"};
}

void CommandLineTest::helpAndVersion()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, expected);

    const Run run = RunIde(arguments);
    QVERIFY(run.finished);
    QCOMPARE(run.status, 0);
    QVERIFY2(run.err.isEmpty(), run.err.constData());
    const QString out = QString::fromUtf8(run.out);
    for (const QString& part : expected)
        QVERIFY2(out.contains(part), qPrintable(part + QLatin1String(" not in:\n") + out));
}

void CommandLineTest::startsWithGoodArguments_data()
{
    QTest::addColumn<bool>("storeLocked");
    QTest::newRow("new store") << false;
    // Not refused: the store is used once the other process lets it go.
    QTest::newRow("store locked by another process") << true;
}

void CommandLineTest::startsWithGoodArguments()
{
    QFETCH(bool, storeLocked);
    const QString store = m_dir.filePath(QStringLiteral("registry-%1.sqlite").arg(storeLocked));
    sqlite3* holder = nullptr;
    const auto release = qScopeGuard([&] { sqlite3_close(holder); });
    if (storeLocked) {
        host::ide::setRegistryFile(store);
        host::TRegIniFile(QStringLiteral("Software\\Vorla\\Palette Menu"))
            .WriteString(QStringLiteral("Categories"), QStringLiteral("Standard"), QStringLiteral("Mine"));
        QCOMPARE(sqlite3_open(QFile::encodeName(store).constData(), &holder), SQLITE_OK);
        QCOMPARE(sqlite3_exec(holder, "PRAGMA locking_mode = EXCLUSIVE; BEGIN EXCLUSIVE", nullptr, nullptr, nullptr),
                 SQLITE_OK);
    }

    // The IDE runs until it is closed: still running after a while means it started.
    const QString palette = Write(QStringLiteral("good.json"),
                                  R"({"pages": [{"caption": "A & B", "components": ["PushButton"]},
                                                {"caption": "A & B", "components": []}]})");
    const Run run = RunIde({QStringLiteral("--palette"), palette, QStringLiteral("--registry"), store,
                            QStringLiteral("--theme"), QStringLiteral("dark"), QStringLiteral("--package"),
                            QStringLiteral(TEST_PACKAGE)},
                           Environment(), 1500);
    QVERIFY2(!run.finished, run.err.constData());
    // Qt may warn about the headless platform; the IDE itself must have nothing to say.
    const QString err = QString::fromUtf8(run.err);
    for (const char* complaint : {"standin-ide:", "Error:", "Exception:"})
        QVERIFY2(!err.contains(QLatin1String(complaint)), qPrintable(err));
}

void CommandLineTest::listPackages_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QStringList>("listed"); // package names, in load order
    QTest::addColumn<int>("status");

    const QString mine = QStringLiteral(TEST_PACKAGE);
    const QString vorla = QStringLiteral(VORLA_PACKAGE);
    QTest::newRow("the default package") << QStringList{} << QStringList{"VorlaPaletteMenu"} << 0;
    QTest::newRow("a named package replaces it") << QStringList{"--package", mine} << QStringList{"TestPackage"} << 0;
    QTest::newRow("unless it is named too")
        << QStringList{"--package", mine, "--package", vorla} << QStringList{"TestPackage", "VorlaPaletteMenu"} << 0;
    QTest::newRow("none") << QStringList{"--no-default-package"} << QStringList{} << 0;
    QTest::newRow("a refused package") << QStringList{"--package", QStringLiteral(BAD_REQUIRES_PACKAGE), "--package",
                                                      mine}
                                       << QStringList{"TestPackage"} << 1;
}

void CommandLineTest::listPackages()
{
    QFETCH(QStringList, arguments);
    QFETCH(QStringList, listed);
    QFETCH(int, status);

    // A listing opens no window, so it needs no display.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
        environment.remove(QString::fromLatin1(name));
    const Run run = RunIde(QStringList{QStringLiteral("--list-packages"), QStringLiteral("--registry"),
                                       m_dir.filePath(QStringLiteral("listing.sqlite"))}
                               + arguments,
                           environment);
    QVERIFY(run.finished);
    QCOMPARE(run.status, status);
    QStringList names;
    for (const QByteArray& line : run.out.split('\n')) {
        if (!line.isEmpty())
            names.append(QString::fromUtf8(line.left(line.indexOf(' '))));
    }
    QCOMPARE(names, listed);
    // A refusal is told on stderr: no box waits for a person who is not there.
    QCOMPARE(run.err.contains("requires"), status != 0);
}

void CommandLineTest::withoutRuntimeFolder_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out"); // how stdout starts
    QTest::addColumn<int>("errLines");

    QTest::newRow("a listing") << QStringList{"--list-packages"} << 0 << "VorlaPaletteMenu " << 0;
    QTest::newRow("a refused argument") << QStringList{"--theme", "blue"} << 2 << "" << 1;
    QTest::newRow("a refused package") << QStringList{"--list-packages", "--package",
                                                      QStringLiteral(BAD_REQUIRES_PACKAGE)}
                                       << 1 << "" << 1;
}

void CommandLineTest::withoutRuntimeFolder()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(int, errLines);

    // A root shell or a container: no XDG_RUNTIME_DIR. Qt would complain of it first.
    QTemporaryDir temporary;
    QVERIFY(temporary.isValid());
    QProcessEnvironment environment = Environment();
    environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
    environment.insert(QStringLiteral("TMPDIR"), temporary.path());
    const Run run = RunIde(arguments
                               + QStringList{QStringLiteral("--registry"), m_dir.filePath(QStringLiteral("rt.sqlite"))},
                           environment);
    QVERIFY(run.finished);
    QCOMPARE(run.status, status);
    QCOMPARE(QString::fromUtf8(run.out.left(out.size())), out);
    QCOMPARE(run.err.count('\n'), errLines);
    QVERIFY2(!run.err.contains("XDG_RUNTIME_DIR"), run.err.constData());
    // The private folder it made in its stead is gone with it.
    QCOMPARE(QDir(temporary.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList());
}

void CommandLineTest::parse_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("palette");
    QTest::addColumn<QString>("registry");
    QTest::addColumn<int>("theme");
    QTest::addColumn<QStringList>("packages");
    QTest::addColumn<bool>("loadsDefaultPackage");

    const int light = int(host::ide::Theme::Light);
    const QString package = QStringLiteral(TEST_PACKAGE);

    QTest::newRow("nothing") << QStringList{} << ""
                             << "" << light << QStringList{} << true;
    QTest::newRow("palette") << QStringList{"--palette", "p.json"} << "p.json"
                             << "" << light << QStringList{} << true;
    QTest::newRow("palette=") << QStringList{"--palette=p q.json"} << "p q.json"
                              << "" << light << QStringList{} << true;
    const QString store = m_dir.filePath(QStringLiteral("r.sqlite"));
    QTest::newRow("registry") << QStringList{"--registry", store} << "" << store << light << QStringList{} << true;
    QTest::newRow("dark") << QStringList{"--theme", "dark"} << ""
                          << "" << int(host::ide::Theme::Dark) << QStringList{} << true;
    QTest::newRow("none") << QStringList{"--theme=none"} << ""
                          << "" << int(host::ide::Theme::None) << QStringList{} << true;
    QTest::newRow("light") << QStringList{"--theme", "light"} << ""
                           << "" << light << QStringList{} << true;
    QTest::newRow("no default package") << QStringList{"--no-default-package"} << ""
                                        << "" << light << QStringList{} << false;
    QTest::newRow("packages in order") << QStringList{"--package", package, "--package", package} << ""
                                       << "" << light << QStringList{package, package} << false;
}

void CommandLineTest::parse()
{
    QFETCH(QStringList, arguments);

    standin::CommandLine commandLine;
    QString error;
    QVERIFY2(commandLine.parse(QStringList{QStringLiteral("standin-ide")} + arguments, &error), qPrintable(error));
    QTEST(commandLine.paletteFile, "palette");
    QTEST(commandLine.registryFile, "registry");
    QTEST(int(commandLine.theme), "theme");
    QTEST(commandLine.packages, "packages");
    QTEST(commandLine.loadsDefaultPackage(), "loadsDefaultPackage");
    QVERIFY(!commandLine.showHelp && !commandLine.showVersion);
}

// A write past the limit on the size of files (ulimit -f) fails with an error the package
// reports, rather than SIGXFSZ ending the IDE: the signal is ignored while the IDE runs.
void CommandLineTest::fileSizeSignalIgnored()
{
    QProcess process;
    process.setProcessEnvironment(Environment());
    process.start(QStringLiteral(STANDIN_IDE),
                  {QStringLiteral("--no-default-package"), QStringLiteral("--registry"),
                   m_dir.filePath(QStringLiteral("signal.sqlite"))});
    QVERIFY(process.waitForStarted());
    const auto ignored = [&] {
        QFile status(QStringLiteral("/proc/%1/status").arg(process.processId()));
        if (!status.open(QIODevice::ReadOnly))
            return false;
        for (const QByteArray& line : status.readAll().split('\n'))
            if (line.startsWith("SigIgn:"))
                return (line.mid(7).trimmed().toULongLong(nullptr, 16) >> (SIGXFSZ - 1) & 1) != 0;
        return false;
    };
    const bool seen = QTest::qWaitFor(ignored, 10000);
    process.kill();
    process.waitForFinished();
    QVERIFY(seen);
}

QTEST_GUILESS_MAIN(CommandLineTest)
#include "tst_commandline.moc"
