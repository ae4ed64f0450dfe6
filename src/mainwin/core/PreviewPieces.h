#pragma once

#include <QString>

namespace fumibako::mainwin {

/**
 * Cuts a preview page (see mailview::renderPreviewPage) into pages of about @p linesPerPiece
 * lines each, one piece at a time, for a pane that shows the first at once and appends the
 * others while idle. Only the piece asked for is cut, so showing the start of a long message
 * does not wait for the rest.
 *
 * Each piece is a page of its own: the page's font element around one paragraph that keeps its
 * line breaks (white-space: pre-wrap), so each line becomes a block of its own. A page whose
 * lines are "<br>"-separated inside one paragraph takes the text layout seconds for a 1 MB
 * message. A piece ends only after a line with text outside a quote run, so every run keeps its
 * colour.
 * A page not of the renderer's shape comes back whole, as the only piece.
 */
class PreviewPieces {
public:
    PreviewPieces() = default;
    PreviewPieces(QString page, int linesPerPiece);

    bool isEmpty() const { return m_done; }
    /** The next piece; "" once all were taken. */
    QString takeFirst();

private:
    QString m_page;
    QString m_head;          ///< the page up to and including the font element's start tag
    qsizetype m_next = 0;    ///< where the next line starts in m_page
    qsizetype m_textEnd = 0; ///< where the text ends in m_page
    int m_linesPerPiece = 1;
    bool m_whole = false;
    bool m_done = true;
};

} // namespace fumibako::mainwin
