#include "host/ide/Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QPointer>
#include <QTranslator>

#include <vector>

namespace standin {

namespace {

// Qt's own strings (standard buttons, file dialogs), the IDE's, the package's.
struct Catalogue {
    const char* name;
    bool fromQt;
};
constexpr Catalogue Catalogues[] = {{"qtbase", true}, {"standin-ide", false}, {"vorla-palette-menu", false}};

std::vector<QPointer<QTranslator>>& installed()
{
    static std::vector<QPointer<QTranslator>> translators;
    return translators;
}

} // namespace

QString translationsFolder()
{
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral(VORLA_TRANSLATIONS));
}

void installTranslations(const QLocale& locale)
{
    for (const QPointer<QTranslator>& translator : installed())
        delete translator.data(); // leaves the application's list as it goes
    installed().clear();

    const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    const QString ourFolder = translationsFolder();
    for (const Catalogue& catalogue : Catalogues) {
        // Owned by the application, so that none outlives it.
        auto* translator = new QTranslator(QCoreApplication::instance());
        const QString name = QLatin1String(catalogue.name);
        const QString folder = catalogue.fromQt ? qtFolder : ourFolder;
        // The locale's, else (the "C" locale, a language not translated) the English one: the
        // text stays English, and texts with a count need its singular forms.
        if (translator->load(locale, name, QStringLiteral("_"), folder)
            || translator->load(name + QStringLiteral("_en"), folder)) {
            QCoreApplication::installTranslator(translator);
            installed().emplace_back(translator);
        } else {
            delete translator;
        }
    }
}

} // namespace standin
