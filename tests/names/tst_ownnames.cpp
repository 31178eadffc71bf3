// No file of the source tree, and no file's name, holds a word on a short list: identifiers
// the code once used, and names of other software's products, classes and pages that sample
// data once used.
// The list is kept as hashes of the lower-case words, so that this file does not spell them.

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QtTest>

namespace {

// The first 128 bits of the SHA-256 of each word, in lower case.
const char* const ForbiddenWords[] = {
    "613df1c0dea62dfb518d105b3a16de7f", "829a1393de47f5de0e7cf6498b5ce279", "14b003174772ea0719caabb4d1503747",
    "268a0732119d2c7fa18990a369d81fe1", "1fee6685301ea965d397f9f115bd2732", "a8615cf434404d264e4e601e43d5d0cf",
    "cb9fa2a3b15a4d2e76d27bf339ea5f0d", "3c4a48696c3057adbc508e75f83cf507", "4cd73ff57702ad976433998e3d007bfd",
    "197499a205542b6ac751dd3f7167d37d", "54db7aa2038e72eaf503cb42d8917ae3", "9271e14e01690279369ad141a784b18f",
    "437c250c83eae551d2a94e2f45ac2506", "fed38e0585cacbd1e67aa4411342990e", "06c3a4a7b3d654d9db1cb7aec925f82d",
    "c2c94086d0c22aeb033c3ae6c581b447", "963eef94010c4cb31f4ce8e10e56e36a", "3650c81450093c5d41ca2d902f02fea2",
    "3a9023d5efaf19c2ef7d8f82da962a6a", "bac8e44005910731a9672b65c89f62eb", "b90355db35f5c54770b45c94e39f21d8",
    "f39a0d2f9dd8fd664bb56ed89a88f6ac", "a08b46dc0d8a62abc0696d2488226941", "cd050ed6cade76dfbbfcd46ee471e6f1",
    "53b847dff76b5f1b8e03dfc9ee5b984c", "5ce51add6b595e42be03c1838effb965", "66ddb9f53564de7abfc802c4aa8fa2fe",
    "bf7406407b744dd744ff351170b54730", "42181baffd09ba7ac23ccf5f835aedf5", "7c19f0a929f55b7eac56d571bbff3479",
    "cd22d3477319fc75be5f5db683c4f55a", "5aae2aca42e267545811f913eccd2fcf", "d26de0e7b27c4741fba12ef798a4f7fd",
    "76dcd39e2c89cadaddeb205d64206301", "278123fa9149445f664d49b89d1c613d", "cd4863318c3c47783ddb3c7c3da0b99b",
    "405b2d857e210a714e757d186b8d0cac", "0e189f1d119d6597e71f1600632bb72c", "41e79e8db8fd5fb932d11bf592c9f9c5",
    "7c37bf01c34073b335d3d7ca4e0911dc", "c4b01057d3b3f3dc05b4bccf20266d48", "b6816e02812a1eb7812dce0526884b77",
    "d11c38ce698ab37e1120c2cc62dd4ad8", "22a3b20d6de14dc8c02c1ad8c22e5ed7", "8dad2857ec500946e4d09638a9d09ec0",
    "b3acf58412f2ee5fa4f7a41a546b95df", "42d514863a1e4d12967564d8ca3ddfcd", "71fbe9cceea381c87e7e5bbf5fbbcefd",
    "84e16c0eabdb8d209ad455bf969d9a4f", "72f7b8b855598579742fe873dbcc9d3b", "1957e70a2f1ecc2b44f8de4e502eb045",
    "aab2d880719a50920cd182b0b8d48dbc", "d70378d91d62959609bd8b8fd75e825d", "c2856eac7c8eb4f37321b7fb7f1cf2e1",
    "fe75b2f36c139b36eb07abea5834c5a9", "3af7a80c36c5c70a3892f66ccc2d74f3", "97859de8fd3bc2e430caec0a1a6d3745",
    "9c4b9f9d3875d536e84db007f61ab7c1", "171ce899d7b89f16764dd2353aaa15d1", "4b17deb284261a6226bbea01ccfdd1cc",
    "eb2faca1c6efdb5729a219b0936df330", "1865d6cd59f096a3376520f13bfa8e70", "10437fbdf931b1dffcf080b32e861da0",
};

QByteArray WordHash(const QByteArray& word)
{
    return QCryptographicHash::hash(word.toLower(), QCryptographicHash::Sha256).toHex().left(32);
}

// The words of bytes: runs of ASCII letters and digits.
template <typename Visit>
void ForEachWord(const QByteArray& bytes, Visit&& visit)
{
    qsizetype start = -1;
    for (qsizetype i = 0; i <= bytes.size(); ++i) {
        const char c = i < bytes.size() ? bytes[i] : ' ';
        const bool wordChar = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (wordChar && start < 0)
            start = i;
        else if (!wordChar && start >= 0) {
            visit(bytes.mid(start, i - start), start);
            start = -1;
        }
    }
}

// A build folder inside the source tree (build/, build-asan/, ...): made, not kept.
bool IsBuildFolder(const QDir& folder)
{
    return folder.exists(QStringLiteral("CMakeCache.txt"));
}

} // namespace

class OwnNamesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        for (const char* hash : ForbiddenWords)
            m_forbidden.insert(QByteArray(hash));
        QCOMPARE(m_forbidden.size(), int(std::size(ForbiddenWords)));
    }

    // The check itself finds a listed word in text, whatever its case and wherever it stands.
    void findsAListedWord()
    {
        QVERIFY(Found(QByteArrayLiteral("a plain line of our own")).isEmpty());
        // The hash of a word made up here is put on a list of its own for this check.
        const QByteArray made = QByteArrayLiteral("Zorblax");
        m_forbidden.insert(WordHash(made));
        QCOMPARE(Found(QByteArrayLiteral("x=1;ZORBLAX(2)")), QList<qsizetype>{4});
        QVERIFY(Found(QByteArrayLiteral("zorblaxes")).isEmpty()); // whole words only
        m_forbidden.remove(WordHash(made));
    }

    void noFileHoldsAListedWord()
    {
        const QDir root(QStringLiteral(SOURCE_DIR));
        QStringList hits;
        int files = 0;
        QStringList pending{root.path()};
        while (!pending.isEmpty()) {
            const QDir folder(pending.takeLast());
            for (const QFileInfo& entry :
                 folder.entryInfoList(QDir::Files | QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
                const QString relative = root.relativeFilePath(entry.filePath());
                if (!Found(entry.fileName().toUtf8()).isEmpty())
                    hits.append(relative + QStringLiteral(": its name"));
                if (entry.isSymLink())
                    continue;
                if (entry.isDir()) {
                    if (entry.fileName() != QLatin1String(".git") && !IsBuildFolder(QDir(entry.filePath())))
                        pending.append(entry.filePath());
                    continue;
                }
                QFile file(entry.filePath());
                QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(relative));
                const QByteArray bytes = file.readAll();
                ++files;
                for (const qsizetype at : Found(bytes))
                    hits.append(QStringLiteral("%1: line %2").arg(relative).arg(bytes.left(at).count('\n') + 1));
            }
        }
        QVERIFY2(files > 100, "the source tree was not found");
        QVERIFY2(hits.isEmpty(), qPrintable(hits.join(QLatin1Char('\n'))));
    }

private:
    // Where listed words start in bytes.
    QList<qsizetype> Found(const QByteArray& bytes) const
    {
        QList<qsizetype> at;
        ForEachWord(bytes, [&](const QByteArray& word, qsizetype start) {
            if (word.size() >= 4 && m_forbidden.contains(WordHash(word)))
                at.append(start);
        });
        return at;
    }

    QSet<QByteArray> m_forbidden;
};

QTEST_GUILESS_MAIN(OwnNamesTest)
#include "tst_ownnames.moc"
