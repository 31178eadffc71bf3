// `cmake --install` into a temporary prefix: every file where the usual Linux layout puts
// it, no path that leads back into the build tree, and the installed IDE loading its own
// package, also once the whole prefix has been moved elsewhere.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

namespace {

const QString BinDir = QStringLiteral(INSTALL_BINDIR);
const QString LibDir = QStringLiteral(INSTALL_LIBDIR);
const QString PackageDir = QStringLiteral(INSTALL_PACKAGEDIR);
const QString DataDir = QStringLiteral(INSTALL_DATADIR);
const QString ExamplesDir = QStringLiteral(INSTALL_EXAMPLESDIR);
const QString TranslationsDir = QStringLiteral(INSTALL_TRANSLATIONSDIR);

struct Run {
    int status = -1;
    QString out;
    QString err;
};

Run Start(const QString& program, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    Run run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
        process.kill();
        process.waitForFinished();
        run.err = process.errorString();
        return run;
    }
    run.status = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

// The run paths an ELF file names (RUNPATH or RPATH), as readelf prints them.
QStringList RunPaths(const QString& file)
{
    const Run run = Start(QStringLiteral("readelf"), {QStringLiteral("-d"), file});
    QStringList paths;
    const QRegularExpression line(QStringLiteral(R"(\((?:RUNPATH|RPATH)\)\s+Library r\w*path: \[(.*)\])"));
    for (auto it = line.globalMatch(run.out); it.hasNext();)
        paths += it.next().captured(1).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return paths;
}

} // namespace

class InstallTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void installedFiles_data();
    void installedFiles();
    void desktopEntry();
    void startsWithItsPackage_data();
    void startsWithItsPackage();

private:
    QTemporaryDir m_dir;
    QString m_prefix;
    QString m_moved;
};

void InstallTest::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_prefix = m_dir.filePath(QStringLiteral("prefix"));
    const Run install = Start(
        QStringLiteral(CMAKE_COMMAND),
        {QStringLiteral("--install"), QStringLiteral(BUILD_DIR), QStringLiteral("--prefix"), m_prefix});
    QVERIFY2(install.status == 0, qPrintable(install.out + install.err));

    // A copy moved elsewhere must work as well as the tree installed there.
    m_moved = m_dir.filePath(QStringLiteral("moved/elsewhere"));
    QVERIFY(QDir().mkpath(m_moved));
    const Run copy = Start(QStringLiteral("cp"), {QStringLiteral("-a"), m_prefix + QStringLiteral("/."), m_moved});
    QVERIFY2(copy.status == 0, qPrintable(copy.err));
}

void InstallTest::installedFiles_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("executable");
    QTest::addColumn<bool>("needsRunPath"); // finds the host library through it

    QTest::newRow("the IDE") << BinDir + QStringLiteral("/standin-ide") << true << true;
    QTest::newRow("the host library") << LibDir + QStringLiteral("/" HOST_LIBRARY_NAME) << false << false;
    QTest::newRow("the package") << PackageDir + QStringLiteral("/" PACKAGE_NAME) << false << true;
    QTest::newRow("desktop entry") << DataDir + QStringLiteral("/applications/standin-ide.desktop") << false << false;
    for (const char* size : {"16x16", "32x32", "48x48", "64x64", "128x128", "256x256"})
        QTest::newRow(size) << DataDir
                + QStringLiteral("/icons/hicolor/%1/apps/vorla-palette-menu.png").arg(QLatin1String(size))
                            << false << false;
    QTest::newRow("scalable icon") << DataDir + QStringLiteral("/icons/hicolor/scalable/apps/vorla-palette-menu.svg")
                                   << false << false;
    // Where the README's first steps send the Import dialog.
    for (const char* example : {"default-palette.cpc", "small-palette.json"})
        QTest::newRow(example) << ExamplesDir + QLatin1Char('/') + QLatin1String(example) << false << false;
    // Where the installed IDE looks for its translations, relative to itself: German, and the
    // English forms of texts with a count.
    for (const char* translation :
         {"standin-ide_de.qm", "vorla-palette-menu_de.qm", "standin-ide_en.qm", "vorla-palette-menu_en.qm"})
        QTest::newRow(translation) << TranslationsDir + QLatin1Char('/') + QLatin1String(translation) << false << false;
}

void InstallTest::installedFiles()
{
    QFETCH(QString, file);
    QFETCH(bool, executable);
    QFETCH(bool, needsRunPath);

    const QFileInfo info(QDir(m_prefix).filePath(file));
    QVERIFY2(info.isFile(), qPrintable(info.filePath()));
    QCOMPARE(info.isExecutable(), executable);
    // Any run path must be relative to the file itself: an absolute one would lead an
    // installed tree to the build tree's host library, or to none once the build is gone.
    const QStringList runPaths = RunPaths(info.filePath());
    for (const QString& path : runPaths)
        QVERIFY2(path.startsWith(QLatin1String("$ORIGIN")), qPrintable(path));
    QCOMPARE(!runPaths.isEmpty(), needsRunPath);
}

void InstallTest::desktopEntry()
{
    const QSettings entry(QDir(m_prefix).filePath(DataDir + QStringLiteral("/applications/standin-ide.desktop")),
                          QSettings::IniFormat);
    QCOMPARE(entry.value(QStringLiteral("Desktop Entry/Type")).toString(), QStringLiteral("Application"));
    QCOMPARE(entry.value(QStringLiteral("Desktop Entry/Exec")).toString(), QStringLiteral("standin-ide"));
    const QString icon = entry.value(QStringLiteral("Desktop Entry/Icon")).toString();
    QVERIFY(QFile::exists(QDir(m_prefix).filePath(DataDir + QStringLiteral("/icons/hicolor/32x32/apps/") + icon
                                                  + QStringLiteral(".png"))));
}

void InstallTest::startsWithItsPackage_data()
{
    QTest::addColumn<QString>("prefix"); // empty: the build tree

    QTest::newRow("installed") << QStringLiteral("prefix");
    QTest::newRow("installed, then moved") << QStringLiteral("moved/elsewhere");
    QTest::newRow("build tree") << QString();
}

void InstallTest::startsWithItsPackage()
{
    QFETCH(QString, prefix);
    const QDir root(m_dir.filePath(prefix));
    const QString ide = prefix.isEmpty() ? QStringLiteral(STANDIN_IDE)
                                         : root.filePath(BinDir + QStringLiteral("/standin-ide"));
    const QString package = prefix.isEmpty() ? QStringLiteral(BUILT_PACKAGE)
                                             : root.filePath(PackageDir + QStringLiteral("/" PACKAGE_NAME));

    const Run run = Start(ide,
                          {QStringLiteral("--list-packages"), QStringLiteral("--registry"),
                           m_dir.filePath(QStringLiteral("registry.sqlite"))});
    QVERIFY2(run.status == 0, qPrintable(run.err));
    const QStringList listed = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(listed.size(), 1);
    QVERIFY2(listed.first().startsWith(QLatin1String("VorlaPaletteMenu ")), qPrintable(listed.first()));
    QVERIFY2(listed.first().endsWith(QLatin1Char(' ') + QFileInfo(package).canonicalFilePath())
                 || listed.first().endsWith(QLatin1Char(' ') + package),
             qPrintable(listed.first() + QLatin1String(" is not ") + package));
    QVERIFY2(!run.err.contains(QLatin1String("standin-ide:")), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(InstallTest)
#include "tst_install.moc"
