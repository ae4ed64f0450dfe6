#pragma once

#include <QByteArray>
#include <QString>

namespace fumibako::platform {

/**
 * Replaces the file at @p path by @p data so that a crash or a full disk at any moment leaves
 * either the old content or the new one, never a mix or a truncated file: the data goes to a
 * temporary file in the same directory, is flushed to disk and then renamed over the old file.
 * Returns false (and the reason in @p error) when any step fails; the old file is then untouched.
 * The directory must exist.
 */
bool writeFileAtomically(const QString& path, const QByteArray& data, QString* error = nullptr);

} // namespace fumibako::platform
