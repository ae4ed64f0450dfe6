#pragma once

#include "settings/core/FontChoice.h"

namespace fumibako::settings {

/**
 * The installed font families that support the Japanese writing system, in the font database's
 * order; their fixedPitch is not filled in (see markFixedPitch).
 */
QList<FontFamilyInfo> installedJapaneseFamilies();

/**
 * Fills in fixedPitch: a family counts as fixed-pitch when the font database says so or when its
 * half-width letters are all equally wide (Japanese monospaced fonts pair half-width Latin
 * letters with full-width kana and kanji, which the database does not call fixed-pitch).
 * Measuring loads every font, so it is done only when the filter asks for it.
 */
void markFixedPitch(QList<FontFamilyInfo>& families);

} // namespace fumibako::settings
