#include "mainwin/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>

namespace fumibako::mainwin {

namespace {

/**
 * Qt's texts that its Japanese catalogue lacks: Qt 6 moved the file types of its file dialog
 * ("Folder", "Drive") to a context of their own that the catalogue of Qt 6.4 does not translate.
 */
class MissingQtTexts : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* source, const char*, int) const override
    {
        struct Text {
            const char* context;
            const char* source;
            const char16_t* japanese;
        };
        static constexpr Text texts[] = {
            {"QAbstractFileIconProvider", "Folder", u"フォルダ"},
            {"QAbstractFileIconProvider", "Drive", u"ドライブ"},
            {"QAbstractFileIconProvider", "File", u"ファイル"},
            {"QAbstractFileIconProvider", "%1 File", u"%1 ファイル"},
        };
        if (!context || !source)
            return {};
        for (const Text& text : texts) {
            if (std::strcmp(context, text.context) == 0 && std::strcmp(source, text.source) == 0)
                return QString::fromUtf16(text.japanese);
        }
        return {};
    }
    bool isEmpty() const override { return false; }
};

} // namespace

bool installJapaneseQtTexts(QCoreApplication& app)
{
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QCoreApplication::installTranslator(new MissingQtTexts(&app));
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
