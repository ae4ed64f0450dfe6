#include "widgets/StoredGeometry.h"

#include <QWidget>

namespace fumibako::widgets {

int twipsAcross(const QWidget& widget, int pixels)
{
    return static_cast<int>(storage::pixelsToTwips(pixels, widget.logicalDpiX()));
}

int twipsDown(const QWidget& widget, int pixels)
{
    return static_cast<int>(storage::pixelsToTwips(pixels, widget.logicalDpiY()));
}

int pixelsAcross(const QWidget& widget, double twips)
{
    return storage::twipsToPixels(twips, widget.logicalDpiX());
}

int pixelsDown(const QWidget& widget, double twips)
{
    return storage::twipsToPixels(twips, widget.logicalDpiY());
}

void applyStoredGeometry(QWidget& window, const storage::WindowGeometry& geometry)
{
    window.resize(pixelsAcross(window, geometry.width), pixelsDown(window, geometry.height));
    if (geometry.top && geometry.left)
        window.move(pixelsAcross(window, *geometry.left), pixelsDown(window, *geometry.top));
}

bool recordNormalGeometry(const QWidget& window, storage::WindowGeometry& geometry)
{
    if (window.windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen))
        return false;
    geometry.width = storage::toStoredTwips(twipsAcross(window, window.width()));
    geometry.height = storage::toStoredTwips(twipsDown(window, window.height()));
    geometry.left = storage::toStoredTwips(twipsAcross(window, window.x()));
    geometry.top = storage::toStoredTwips(twipsDown(window, window.y()));
    return true;
}

} // namespace fumibako::widgets
