#pragma once

#include "storage/WindowGeometry.h"

class QWidget;

/** Windows placed from, and recorded into, the geometry the settings keep in twips. */
namespace fumibako::widgets {

/** @p pixels of @p widget across (x) or down (y), in twips at its logical dots per inch. */
int twipsAcross(const QWidget& widget, int pixels);
int twipsDown(const QWidget& widget, int pixels);
/** @p twips across or down, in pixels of @p widget. */
int pixelsAcross(const QWidget& widget, double twips);
int pixelsDown(const QWidget& widget, double twips);

/** Sizes @p window as @p geometry says and moves it there when the position is set. */
void applyStoredGeometry(QWidget& window, const storage::WindowGeometry& geometry);

/**
 * Records the size and position of @p window in @p geometry; nothing while it is minimised,
 * maximised or full screen, so that the normal bounds are what is kept. False then.
 */
bool recordNormalGeometry(const QWidget& window, storage::WindowGeometry& geometry);

} // namespace fumibako::widgets
