#pragma once

#include <QString>
#include <QStringList>

namespace fumibako::platform {
class UserPrompts;
}

/** The checks a new account's name passes before anything is written, and the registry's account list. */
namespace fumibako::settings {

/**
 * Account names are read back from the registry with room for 49 code page 932 bytes; a longer
 * name would be written, then never found again.
 */
constexpr int kAccountNameMaxBytes = 49;

/** True when @p a and @p b differ at most in the letter case of ASCII letters. */
bool sameAccountName(const QString& a, const QString& b);

/**
 * Whether @p name may name a new account beside @p listed, in the order the user learns of the
 * problems: empty, already listed (ASCII letter case ignored), the name check of the folder tree
 * (forbidden characters, outer spaces), then what this system's file names cannot carry (".",
 * "..", control characters, the registry's own name "AName") and the length the registry keeps.
 * Each refusal shows its message through @p prompts.
 */
bool checkNewAccountName(const QString& name, const QStringList& listed, platform::UserPrompts& prompts);

/** Rewrites section "AName" of @p registryFile with @p names: "Count=n", "0=first", ... */
bool writeAccountRegistry(const QString& registryFile, const QStringList& names);

/**
 * The names in section "AName" as stored: "Count" and each name read with room for
 * @p bufferSize - 1 bytes, as the account list reads them unless a caller needs them whole.
 */
QStringList readAccountRegistry(const QString& registryFile, int bufferSize = kAccountNameMaxBytes + 1);

} // namespace fumibako::settings
