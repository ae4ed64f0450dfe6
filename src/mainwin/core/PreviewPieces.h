#pragma once

#include <QStringList>

namespace fumibako::mainwin {

/**
 * Cuts a preview page (see mailview::renderPreviewPage) into pages of about @p linesPerPiece
 * lines each, for a pane that shows the first at once and appends the others while idle.
 *
 * Each piece is a page of its own: the page's font element around one paragraph that keeps its
 * line breaks (white-space: pre-wrap), so each line becomes a block of its own. A page whose
 * lines are "<br>"-separated inside one paragraph takes the text layout seconds for a 1 MB
 * message. A piece ends only after a line with text outside a quote run, so every run keeps its
 * colour.
 * A page not of the renderer's shape comes back whole.
 */
QStringList previewPieces(const QString& page, int linesPerPiece);

} // namespace fumibako::mainwin
