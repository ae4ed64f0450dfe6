#pragma once

#include "storage/AccountSettings.h"

#include <QString>

/**
 * The secrets of an account (its password, the refresh token of its sign-in): in the desktop
 * keyring where one is reachable, else in the account's file in the scrambled form passwords have
 * always had there (the file is written with mode 0600).
 */
namespace fumibako::storage {

enum class AccountSecret {
    Password,     ///< file: "Property" "Password"
    RefreshToken, ///< file: "OAuth2" "RefreshToken"
};

enum class SecretPlace { Keyring, AccountFile };

/**
 * Where the secrets of the accounts of @p programDir are kept: the keyring when one answers,
 * except for a portable install (the data beside the program, "AName.ini" in its folder), whose
 * secrets go with its files.
 */
SecretPlace secretPlace(const QString& programDir);

/** Where a secret is kept, in a sentence for the account manager. */
QString secretPlaceText(SecretPlace place);

/**
 * The secret of the account whose file is @p userFile: the keyring's entry, or the file's value
 * when the keyring holds none (files of the original form keep working). "" when there is none.
 */
QString readAccountSecret(const QString& userFile, AccountSecret which);

/**
 * Keeps @p value where secretPlace() says. A secret that goes to the keyring is removed from the
 * file; should the keyring refuse it, it goes to the file. An empty @p value removes the secret.
 */
bool storeAccountSecret(const QString& userFile, AccountSecret which, const QString& value,
                        const FillerSource& filler = randomFiller);

/** Removes both secrets of the account from the keyring (its file is going away). */
void forgetKeyringSecrets(const QString& userFile);

} // namespace fumibako::storage
