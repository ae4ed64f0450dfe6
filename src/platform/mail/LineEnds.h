#pragma once

#include <QString>
#include <QStringView>

namespace fumibako::platform::mail {

/** @p text with every line end (CR LF, a lone CR or a lone LF) written as @p lineEnd, in one pass. */
QString withLineEnds(QStringView text, QStringView lineEnd);

} // namespace fumibako::platform::mail
