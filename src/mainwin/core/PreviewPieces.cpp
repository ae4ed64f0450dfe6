#include "mainwin/core/PreviewPieces.h"

namespace fumibako::mainwin {

namespace {

const QString kLineEnd = QStringLiteral("<br>\r\n");
const QString kFontOpen = QStringLiteral("<font "); // quote runs and mail links
const QString kFontClose = QStringLiteral("</font>");
const QString kParagraph = QStringLiteral("<p style=\"margin:0; white-space:pre-wrap\">");

struct PageParts {
    QString head; ///< up to and including the font element's start tag
    QString text;
};

bool splitPage(const QString& page, PageParts& parts)
{
    static const QString fontStart = QStringLiteral("<font face=\"");
    static const QString tail = QStringLiteral("\r\n</font>\r\n</body></html>\r\n");
    const qsizetype font = page.indexOf(fontStart);
    const qsizetype headEnd = font < 0 ? -1 : page.indexOf(QStringLiteral(">\r\n"), font);
    if (headEnd < 0 || !page.endsWith(tail) || page.size() - tail.size() < headEnd + 3)
        return false;
    parts.head = page.left(headEnd + 1);
    parts.text = page.mid(headEnd + 3, page.size() - tail.size() - headEnd - 3);
    return true;
}

QString piecePage(const QString& head, const QStringList& lines, qsizetype first, qsizetype end)
{
    // Like a browser, the text layout drops a line break that directly follows the start tag and
    // one just before the end tag: each gets one to drop, so empty first and last lines stay.
    QString piece = head + kParagraph + QLatin1Char('\n');
    for (qsizetype i = first; i < end; ++i) {
        if (i > first)
            piece += QLatin1Char('\n');
        piece += lines.at(i);
    }
    return piece + QStringLiteral("\n</p></font></body></html>");
}

} // namespace

QStringList previewPieces(const QString& page, int linesPerPiece)
{
    PageParts parts;
    if (!splitPage(page, parts))
        return {page};
    const QStringList lines = parts.text.split(kLineEnd);
    QStringList pieces;
    qsizetype first = 0;
    qsizetype depth = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString& line = lines.at(i);
        depth += line.count(kFontOpen) - line.count(kFontClose);
        if (depth <= 0 && !line.isEmpty() && i + 1 - first >= linesPerPiece) {
            pieces.append(piecePage(parts.head, lines, first, i + 1));
            first = i + 1;
            depth = 0;
        }
    }
    if (first < lines.size() || pieces.isEmpty())
        pieces.append(piecePage(parts.head, lines, first, lines.size()));
    return pieces;
}

} // namespace fumibako::mainwin
