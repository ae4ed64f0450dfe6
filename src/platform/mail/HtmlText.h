#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

namespace fumibako::platform::mail {

/**
 * Plain text of an HTML mail body: scripts, styles and the head are dropped, block ends and <br>
 * become line breaks, other tags vanish, entities are decoded, runs of white space inside a line
 * become one space and more than one empty line in a row become one. Lines end in LF.
 */
QString htmlToText(QStringView html);

/**
 * The targets of the links (a href) and images (img src) of an HTML document, entities decoded,
 * in document order; at most @p limit of them.
 */
QStringList htmlLinkTargets(QStringView html, int limit = 200);

/** The charset an HTML document declares in a <meta> tag, or an empty array. */
QByteArray htmlDeclaredCharset(QByteArrayView html);

} // namespace fumibako::platform::mail
