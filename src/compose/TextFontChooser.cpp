#include "compose/TextFontChooser.h"

#include <QFontDialog>
#include <QFontInfo>
#include <QWidget>

namespace fumibako::compose {

namespace {

// The Japanese fonts of Windows that settings written there name, as the fonts this system
// installs (fonts-noto-cjk): without them Qt falls back to a Latin sans-serif font.
void substituteWindowsFonts()
{
    static const bool done = [] {
        QFont::insertSubstitution(QStringLiteral("ＭＳ ゴシック"), QStringLiteral("Noto Sans Mono CJK JP"));
        QFont::insertSubstitution(QStringLiteral("ＭＳ 明朝"), QStringLiteral("Noto Serif CJK JP"));
        QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("Noto Sans CJK JP"));
        QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("Noto Serif CJK JP"));
        QFont::insertSubstitution(QStringLiteral("MS UI Gothic"), QStringLiteral("Noto Sans CJK JP"));
        return true;
    }();
    Q_UNUSED(done);
}

} // namespace

QFont textFont(const storage::TextFont& font)
{
    substituteWindowsFonts();
    QFont qfont(font.name);
    bool ok = false;
    const double size = font.size.toDouble(&ok);
    if (ok && size > 0)
        qfont.setPointSizeF(size);
    qfont.setBold(font.bold);
    qfont.setItalic(font.italic);
    return qfont;
}

void applyTextFontTo(const storage::TextFont& font, const QList<QWidget*>& widgets)
{
    const QFont qfont = textFont(font);
    for (QWidget* widget : widgets)
        widget->setFont(qfont);
}

std::optional<storage::TextFont> ChooseTextFont(QWidget* parent, const QFont& current, const QString& registryFile)
{
    // The dialog lists installed fonts: it starts on the one the text is shown in.
    QFont initial = current;
    initial.setFamily(QFontInfo(current).family());
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, initial, parent);
    if (!accepted)
        return std::nullopt;
    storage::TextFont font;
    font.bold = chosen.bold();
    font.italic = chosen.italic();
    font.name = chosen.family();
    font.size = QString::number(chosen.pointSizeF(), 'g', 6);
    storage::TextFont kept = storage::readTextFont(registryFile);
    storage::saveTextFontChanges(registryFile, kept, font);
    return font;
}

} // namespace fumibako::compose
