#pragma once

#include <QByteArray>
#include <QString>

namespace fumibako::platform {
class UserPrompts;
}

/**
 * The preview pane shows a message body as a small HTML page written to the preview file:
 * the text escaped for HTML, runs of quoted lines in green, web addresses as links that open a
 * separate browser window, mail addresses as red "fumibako:" links.
 *
 * Nothing a message contains can become markup: every "&", "\"", "<" and ">" of the body is an
 * entity before any tag is inserted, and the only tags in the page are the ones the renderer
 * writes (font, a, br). A link's href is the text found in the body, which starts with "http"
 * (web links) or is "fumibako:" + an address; what a click does is decided by
 * previewLinkAction() (PreviewSelection.h), not by the page.
 */
namespace fumibako::mailview {

/** Face name and size of the preview font, as the settings hold them (the size may be empty). */
struct PreviewFont {
    QString name;
    QString size;
};

/**
 * The body of the page for @p body (lines separated by CR LF): escaping, the full-width space
 * for two spaces, green quote runs, web and mail links, and "<br>" before every CR LF.
 * A quote line is a line whose first character is ">"; consecutive quote lines form one run.
 */
QString renderPreviewText(const QString& body);

/** The whole page: the rendered text inside html, body and font elements, lines ended by CR LF. */
QString renderPreviewPage(const QString& body, const PreviewFont& font);

/**
 * The page as code page 932 bytes, as the pane reads it. A character code page 932 lacks (or
 * only approximates, like WAVE DASH) is written as a numeric character reference, so the pane
 * still shows it and the file stays plain code page 932.
 */
QByteArray encodePreviewPage(const QString& page);

/**
 * Renders @p body and replaces @p previewFile with the page atomically. Returns true when the
 * file is written and the pane may be told to show it; on a failure shows the error report
 * (previewErrorText) and returns false, and the pane must not navigate.
 */
bool MakePreview(platform::UserPrompts& prompts, const QString& previewFile, const QString& body,
                 const PreviewFont& font);

} // namespace fumibako::mailview
