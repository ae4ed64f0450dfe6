#include "mainwin/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace fumibako::mainwin {

bool installJapaneseQtTexts(QCoreApplication& app)
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    // "qt_ja" gathers the catalogues of every Qt module (qtbase_ja, qtmultimedia_ja, ...);
    // "qtbase_ja" alone holds every text of the widgets the program uses.
    for (const QString& catalogue : {QStringLiteral("qt_ja"), QStringLiteral("qtbase_ja")}) {
        auto* translator = new QTranslator(&app);
        if (translator->load(catalogue, folder) && QCoreApplication::installTranslator(translator))
            return true;
        delete translator;
    }
    return false;
}

} // namespace fumibako::mainwin
