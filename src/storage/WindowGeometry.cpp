#include "storage/WindowGeometry.h"

#include <algorithm>
#include <cmath>

namespace fumibako::storage {

namespace {
constexpr double kTwipsPerInch = 1440.0;
constexpr int kSideMargin = 500;
constexpr int kTopMargin = 1500;
constexpr int kBottomMargin = 2000;
} // namespace

int twipsToPixels(double twips, double dpi)
{
    return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

double pixelsToTwips(int pixels, double dpi)
{
    return dpi > 0 ? std::round(pixels * kTwipsPerInch / dpi) : 0;
}

qint16 toStoredTwips(double twips)
{
    return static_cast<qint16>(std::clamp(twips, -32768.0, 32767.0));
}

bool acceptsVerticalSplitter(int x, int formWidth)
{
    return x > kSideMargin && x < formWidth - kSideMargin;
}

bool acceptsHorizontalSplitter(int y, int formHeight)
{
    return y > kTopMargin && y < formHeight - kBottomMargin;
}

SplitterPositions fitSplittersToForm(SplitterPositions positions, int formWidth, int formHeight)
{
    if (positions.left > formWidth)
        positions.left = formWidth / 3;
    if (positions.listBottom > formHeight)
        positions.listBottom = formHeight * 2 / 3;
    if (positions.treeBottom > formHeight)
        positions.treeBottom = formHeight * 2 / 3;
    return positions;
}

} // namespace fumibako::storage
