#include "addressbook/QuickAdd.h"

#include "addressbook/AddressTable.h"
#include "addressbook/core/AddressManager.h"
#include "platform/UserPrompts.h"

namespace fumibako::addressbook {

QuickAddResult QuickAddSender(const QString& programDir, platform::UserPrompts& prompts, const QString& name,
                              const QString& address)
{
    QuickAddResult result;
    const AddressEntry entry{kRootFolder, entryField(name, false), entryField(address, false), QString()};
    result.written = SaveWithNewSender(programDir, AddressTable::instance().entries(), entry.name, entry.address,
                                       &result.error);
    if (AddressManager* manager = AddressManager::loaded()) {
        manager->takeQuickAddedEntry(entry, result.written);
        result.inOpenManager = true;
    }
    if (!result.written) {
        prompts.message(QStringLiteral("アドレス帳に書き込めませんでした。") + QStringLiteral("\r\n") + result.error,
                        QStringLiteral("アドレス帳に追加"), platform::Icon::Exclamation, platform::Buttons::Ok);
        return result;
    }
    RebuildAddressTable(programDir, prompts);
    return result;
}

} // namespace fumibako::addressbook
