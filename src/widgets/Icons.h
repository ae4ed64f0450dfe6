#pragma once

#include <QIcon>
#include <QString>

namespace fumibako::widgets {

/**
 * The pictures of the toolbar and the folder tree, by the keys the window uses ("new", "souju",
 * "trush", "list", "add"; "folder", "mailclose", "mailopen", "user", "search"; "program"). The desktop
 * theme's icon when it has one, else a small picture drawn here (no image plug-in needed).
 */
QIcon themedIcon(const QString& key);

} // namespace fumibako::widgets
