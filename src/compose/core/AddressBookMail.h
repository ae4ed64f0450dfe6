#pragma once

#include "addressbook/core/NewMailHost.h"

namespace fumibako::compose {

class ComposeLauncher;

/** @short The address book's new mails, started in the compose window that a launcher reaches. */
class AddressBookMail final : public addressbook::NewMailHost {
public:
    explicit AddressBookMail(ComposeLauncher& launcher) : m_launcher(launcher) {}

    void showComposeWindow() override;
    /** OpenCompose for a new mail, then @p addresses set in the To, Cc or Bcc box. */
    void startNewMail(addressbook::RecipientBox box, const QString& addresses) override;

private:
    ComposeLauncher& m_launcher;
};

} // namespace fumibako::compose
