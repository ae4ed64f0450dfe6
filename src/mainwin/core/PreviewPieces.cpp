#include "mainwin/core/PreviewPieces.h"

#include <algorithm>
#include <utility>

namespace fumibako::mainwin {

namespace {

const QString kLineEnd = QStringLiteral("<br>\r\n");
const QString kFontOpen = QStringLiteral("<font "); // quote runs and mail links
const QString kFontClose = QStringLiteral("</font>");
const QString kParagraph = QStringLiteral("<p style=\"margin:0; white-space:pre-wrap\">");
const QString kFontStart = QStringLiteral("<font face=\"");
const QString kTail = QStringLiteral("\r\n</font>\r\n</body></html>\r\n");

} // namespace

PreviewPieces::PreviewPieces(QString page, int linesPerPiece)
    : m_page(std::move(page)), m_linesPerPiece(std::max(linesPerPiece, 1)), m_done(false)
{
    const qsizetype font = m_page.indexOf(kFontStart);
    const qsizetype headEnd = font < 0 ? -1 : m_page.indexOf(QStringLiteral(">\r\n"), font);
    m_whole = headEnd < 0 || !m_page.endsWith(kTail) || m_page.size() - kTail.size() < headEnd + 3;
    if (m_whole)
        return;
    m_head = m_page.left(headEnd + 1);
    m_next = headEnd + 3;
    m_textEnd = m_page.size() - kTail.size();
}

QString PreviewPieces::takeFirst()
{
    if (m_done)
        return {};
    if (m_whole) {
        m_done = true;
        return std::exchange(m_page, QString());
    }
    // Like a browser, the text layout drops a line break that directly follows the start tag and
    // one just before the end tag: each gets one to drop, so empty first and last lines stay.
    QString piece = m_head + kParagraph + QLatin1Char('\n');
    const QStringView text = QStringView(m_page).first(m_textEnd);
    qsizetype depth = 0;
    for (int count = 1;; ++count) {
        const qsizetype end = text.indexOf(kLineEnd, m_next);
        const QStringView line = text.sliced(m_next, (end < 0 ? text.size() : end) - m_next);
        if (count > 1)
            piece += QLatin1Char('\n');
        piece += line;
        if (end < 0) {
            m_done = true;
            m_page.clear();
            break;
        }
        m_next = end + kLineEnd.size();
        depth += line.count(kFontOpen) - line.count(kFontClose);
        if (depth <= 0 && !line.isEmpty() && count >= m_linesPerPiece)
            break;
    }
    return piece + QStringLiteral("\n</p></font></body></html>");
}

} // namespace fumibako::mainwin
