#pragma once

#include <QString>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::mainwin {

/** The plain message of a command whose window or transfer is not built yet. */
QString notAvailableText(const QString& command);
void showNotAvailable(platform::UserPrompts& prompts, const QString& command);

} // namespace fumibako::mainwin
