#include "compose/core/AddressBookMail.h"

#include "compose/core/ComposeLauncher.h"

namespace fumibako::compose {

using addressbook::RecipientBox;

void AddressBookMail::showComposeWindow()
{
    m_launcher.showWithFields({});
}

void AddressBookMail::startNewMail(RecipientBox box, const QString& addresses)
{
    ComposeFields fields;
    (box == RecipientBox::To ? fields.to : box == RecipientBox::Cc ? fields.cc : fields.bcc) = addresses;
    m_launcher.OpenCompose(ComposeMode::New, QString(), QString(), QString(), fields);
}

} // namespace fumibako::compose
