#pragma once

#include "settings/core/FontChoice.h"

namespace fumibako::settings {

/**
 * The installed font families that support the Japanese writing system, in the font database's
 * order. A family counts as fixed-pitch when the font database says so or when its half-width
 * letters are all equally wide: Japanese monospaced fonts pair half-width Latin letters with
 * full-width kana and kanji, which the database does not call fixed-pitch.
 */
QList<FontFamilyInfo> installedJapaneseFamilies();

} // namespace fumibako::settings
