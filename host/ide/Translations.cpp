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
        if (translator->load(locale, QLatin1String(catalogue.name), QStringLiteral("_"),
                             catalogue.fromQt ? qtFolder : ourFolder)) {
            QCoreApplication::installTranslator(translator);
            installed().emplace_back(translator);
        } else {
            delete translator;
        }
    }
}

} // namespace standin
