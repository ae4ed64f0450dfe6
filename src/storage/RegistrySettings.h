#pragma once

#include "storage/WindowGeometry.h"

#include <QString>
#include <QStringList>

#include <array>

/**
 * The registry "AName.ini": the account list and the settings that belong to the installation
 * (list columns and sort, address pane, fonts, window geometry in twips).
 */
namespace fumibako::storage {

/**
 * The names of the usable accounts in registry order: those whose settings file exists. When none
 * is found, the first-start defaults are written ("Count=0", sort by date descending).
 */
QStringList LoadAccountList(const QString& programDir);

/** The display state read once at start and written once on exit. */
struct DisplaySettings {
    std::array<double, 6> columnWidths{360, 360, 360, 2500, 3300, 1740}; ///< "LsvMailWidth", twips
    bool columnWidthsStored = false; ///< a width came from "LsvMailWidth" (else all are the built-in ones)
    int sortKey = 5;                                                      ///< 0-5
    int sortOrder = 1;                                                    ///< 0 ascending, 1 descending
    bool addressPaneShown = false;                                        ///< "LsvAdd" "Hyouji"
    std::array<double, 2> addressColumnWidths{1260, 1140};
    QString previewFontName; ///< "Font" "MainName"
    QString previewFontSize; ///< "Font" "MainSize"
    WindowGeometry mainWindow{11200, 7500, {}, {}};
    WindowGeometry composeWindow{6270, 7000, {}, {}};
    WindowGeometry readWindow{6510, 7000, {}, {}};
    std::array<qint16, 4> splitters{2500, 2700, 4000, 2000};
    qint16 mainState = 0; ///< 0 normal, 1 minimised, 2 maximised
};

/**
 * Reads the display settings; a value that is missing or does not convert keeps the value of
 * @p builtIn. Window sizes below 3000 twips are replaced by their minimum-rule sizes.
 */
DisplaySettings loadDisplaySettings(const QString& registryFile, const DisplaySettings& builtIn = {});

/**
 * The registry half of closing the program. Columns and sort are written only when a column
 * header was clicked during the run (@p sortChanged).
 */
void writeExitDisplaySettings(const QString& registryFile, const DisplaySettings& settings, bool sortChanged);

/** The text font of the read and compose windows. */
struct TextFont {
    bool bold = false;
    bool italic = false;
    QString name = QStringLiteral("ＭＳ ゴシック");
    QString size = QStringLiteral("10");
};

TextFont readTextFont(const QString& registryFile);

/** Writes each item of @p chosen that differs from @p kept, and makes @p kept equal to @p chosen. */
void saveTextFontChanges(const QString& registryFile, TextFont& kept, const TextFont& chosen);

} // namespace fumibako::storage
