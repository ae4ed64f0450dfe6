#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace fumibako::platform {
class UserPrompts;
}

/**
 * An account's named signatures. A signature is the file name + ".txt" in the folder
 * userMailDir + "署名/"; the names and their order are the ordered list "Syomei" of the account
 * file, the first name being the default signature.
 *
 * Signature files are code page 932 with CR LF line ends, the text followed by one CR LF. A text
 * holding a character code page 932 cannot give back exactly is written as UTF-8 with a byte order
 * mark instead, and a file that starts with that mark is read as UTF-8, so nothing typed is lost.
 */
namespace fumibako::compose {

/** Section of the signature names in the account file. */
inline const QString kSignatureSection = QStringLiteral("Syomei");

/** Room the compose window gives the count when it reads the list (the settings dialog gives 9). */
constexpr int kComposeCountBuffer = 4;
constexpr int kSettingsCountBuffer = 9;

/** The signature folder of the account whose mailbox directory is @p userMailDir. */
QString signatureFolder(const QString& userMailDir);

/**
 * The file of the signature @p name, or nothing when the name cannot be a file name here: empty,
 * "." or "..", or holding a control character or one of \ / : * ? " < > | (a "/" would reach out
 * of the signature folder).
 */
std::optional<QString> signatureFilePath(const QString& userMailDir, const QString& name);

/**
 * The text of a signature file: its lines joined with CR LF, without the file's final line break.
 * Nothing when the file is missing, cannot be read or is empty.
 */
std::optional<QString> ReadSignatureFile(const QString& path);

/** Writes @p text (any line ends) as a signature file, replacing it. False and why in @p error on failure. */
bool writeSignatureFile(const QString& path, const QString& text, QString* error = nullptr);

/**
 * The signature names of @p userFile in display order. "Count" is read with room for
 * @p countBuffer characters, each name with room for 69 bytes (longer names come back cut). A
 * count that is empty or no number gives no names; names that are missing are left out.
 */
QStringList LoadSignatureList(const QString& userFile, int countBuffer);

/**
 * Appends the signature @p name to @p body: the body, CR LF, CR LF and the signature's text. When
 * the file cannot be read, says "署名ファイルが見つかりませんでした", leaves @p body as it was and
 * returns false.
 */
bool SyomeiPlus(QString& body, const QString& name, const QString& userMailDir, platform::UserPrompts& prompts);

} // namespace fumibako::compose
