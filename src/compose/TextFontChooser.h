#pragma once

#include "storage/RegistrySettings.h"

#include <QFont>
#include <QList>

#include <optional>

class QWidget;

/** The text font of the read and compose windows ("Font", "Read*" in the registry) on widgets. */
namespace fumibako::compose {

/** @p font as a QFont. */
QFont textFont(const storage::TextFont& font);

/** Gives every widget of @p widgets the text font @p font. */
void applyTextFontTo(const storage::TextFont& font, const QList<QWidget*>& widgets);

/**
 * ChooseTextFont: the font dialog, preset with @p current. Each of bold, italic, name and size
 * that differs from the kept text font is written into @p registryFile at once. The chosen font,
 * or nothing when the dialog was cancelled.
 */
std::optional<storage::TextFont> ChooseTextFont(QWidget* parent, const QFont& current, const QString& registryFile);

} // namespace fumibako::compose
