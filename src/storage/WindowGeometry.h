#pragma once

#include <QtGlobal>

#include <optional>

/**
 * Window geometry as the settings keep it: sizes, positions and splitters in twips (1/1440 inch),
 * stored as 16-bit numbers, and the rules for where a splitter may stand.
 */
namespace fumibako::storage {

/** Size and position of a window in twips; an unset position leaves the window where it is. */
struct WindowGeometry {
    qint16 width = 0;
    qint16 height = 0;
    std::optional<qint16> top;
    std::optional<qint16> left;
};

/** Twips (1/1440 inch) and pixels at @p dpi logical dots per inch. */
int twipsToPixels(double twips, double dpi);
double pixelsToTwips(int pixels, double dpi);

/** @p twips as the settings store it: clamped to 16 bits, so that a huge screen does not wrap negative. */
qint16 toStoredTwips(double twips);

/** Splitter 0 (between the columns) may stand at @p x twips only when 500 < x < width - 500. */
bool acceptsVerticalSplitter(int x, int formWidth);
/** Splitters 1 and 2 may stand at @p y twips only when 1500 < y < height - 2000. */
bool acceptsHorizontalSplitter(int y, int formHeight);

/** The main window's splitter positions in twips; after a resize one that fell outside the form moves to 1/3 or 2/3. */
struct SplitterPositions {
    int left = 2500;       ///< splitter 0, from the form's left edge
    int listBottom = 2700; ///< splitter 1, from the form's top
    int treeBottom = 4000; ///< splitter 2, from the form's top
};
SplitterPositions fitSplittersToForm(SplitterPositions positions, int formWidth, int formHeight);

} // namespace fumibako::storage
