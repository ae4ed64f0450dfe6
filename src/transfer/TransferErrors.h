#pragma once

#include <QString>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::transfer {

/** The mail library's error text with the explanation lines that fit it (CR LF separated). */
QString libraryErrorText(const QString& libraryText);

/** Shows an error text returned by the mail library, explained (OK button, no icon). */
void ShowLibraryError(platform::UserPrompts& prompts, const QString& libraryText);

/**
 * Reports an unexpected failure caught by a procedure: its number, its description (may be empty)
 * and what happens next (@p consequence, e.g. "処理を中止します"). Exclamation icon, title "エラー".
 */
void ShowUnexpectedError(platform::UserPrompts& prompts, int number, const QString& description,
                         const QString& consequence);

} // namespace fumibako::transfer
