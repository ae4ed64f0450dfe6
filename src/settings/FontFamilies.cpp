#include "settings/FontFamilies.h"

#include <QFont>
#include <QFontDatabase>
#include <QFontMetricsF>

namespace fumibako::settings {

namespace {

bool halfWidthLettersEqual(const QString& family)
{
    QFont font(family);
    font.setStyleStrategy(QFont::NoFontMerging);
    const QFontMetricsF metrics(font);
    const qreal narrow = metrics.horizontalAdvance(QLatin1Char('i'));
    return narrow > 0 && narrow == metrics.horizontalAdvance(QLatin1Char('W'))
        && narrow == metrics.horizontalAdvance(QLatin1Char('m'));
}

} // namespace

QList<FontFamilyInfo> installedJapaneseFamilies()
{
    QList<FontFamilyInfo> families;
    for (const QString& name : QFontDatabase::families(QFontDatabase::Japanese)) {
        FontFamilyInfo info;
        info.name = name;
        info.japanese = true;
        info.symbol = QFontDatabase::writingSystems(name).contains(QFontDatabase::Symbol);
        families.append(info);
    }
    return families;
}

void markFixedPitch(QList<FontFamilyInfo>& families)
{
    for (FontFamilyInfo& family : families)
        family.fixedPitch = QFontDatabase::isFixedPitch(family.name) || halfWidthLettersEqual(family.name);
}

} // namespace fumibako::settings
