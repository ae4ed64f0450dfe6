#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace fumibako::platform::mail {

/**
 * A file name made from an attachment's name that cannot leave its folder or hide: only the part
 * after the last "/" or "\" is kept, control characters are dropped, characters that file systems
 * refuse (: * ? " < > |) become "_", leading dots and trailing dots and spaces are removed, and the
 * name is cut to 200 UTF-8 bytes keeping its extension. @p fallback when nothing is left.
 */
QString safeAttachmentName(QStringView name, const QString& fallback);

/**
 * Writes @p bytes as a new file in @p folder under @p name, or under "stem (2).ext", "stem (3).ext"…
 * when the name is taken: an existing file is never replaced. Returns the full path of the file
 * written, or an empty string when it could not be written.
 */
QString saveUnderFreeName(const QString& folder, const QString& name, const QByteArray& bytes);

} // namespace fumibako::platform::mail
