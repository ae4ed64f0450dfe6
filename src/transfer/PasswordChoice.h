#pragma once

#include <QString>

namespace fumibako::storage {
struct AccountProperties;
}

namespace fumibako::transfer {

/** The three choices "種類" of the password prompt "パスワード確認". */
enum class PasswordKeep {
    ThisTimeOnly = 0, ///< "今回のみ": used for this call only
    WhileRunning = 1, ///< "起動中のみ": kept in memory until the account is closed (the prompt's default)
    Store = 2,        ///< "保存する": kept in memory and stored (the keyring, else the account's settings file)
};

struct PasswordAnswer {
    QString password;
    PasswordKeep keep = PasswordKeep::WhileRunning;
};

/**
 * Keeps a typed password as its choice says: in the account's memory ("起動中のみ"), and also in
 * the secret store of the account of @p userFile ("保存する": the keyring, else its file); "今回のみ" changes nothing. Receiving and sending
 * share the prompt and this rule.
 */
void keepPassword(storage::AccountProperties& account, const QString& userFile, const PasswordAnswer& answer);

} // namespace fumibako::transfer
