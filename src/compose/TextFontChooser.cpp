#include "compose/TextFontChooser.h"

#include <QFontDialog>
#include <QWidget>

namespace fumibako::compose {

QFont textFont(const storage::TextFont& font)
{
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
    bool accepted = false;
    const QFont chosen = QFontDialog::getFont(&accepted, current, parent);
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
