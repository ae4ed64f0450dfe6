#include "transfer/PasswordChoice.h"

#include "storage/AccountSecrets.h"
#include "storage/AccountSettings.h"

namespace fumibako::transfer {

void keepPassword(storage::AccountProperties& account, const QString& userFile, const PasswordAnswer& answer)
{
    if (answer.keep != PasswordKeep::ThisTimeOnly)
        account.password = answer.password;
    if (answer.keep == PasswordKeep::Store)
        storage::storeAccountSecret(userFile, storage::AccountSecret::Password, answer.password);
}

} // namespace fumibako::transfer
