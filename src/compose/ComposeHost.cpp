#include "compose/ComposeHost.h"

#include "transfer/StoredMail.h"

namespace fumibako::compose {

ComposeHost::ComposeHost(ComposeServices services, ComposeWindowContext context,
                         const transfer::CurrentMail& currentMail, QWidget* owner)
    : m_services(std::move(services)), m_context(std::move(context)), m_currentMail(currentMail), m_owner(owner)
{
}

ComposeHost::~ComposeHost()
{
    delete m_window.data();
}

ComposeWindow& ComposeHost::ensureWindow(bool* loaded)
{
    if (loaded)
        *loaded = m_window.isNull();
    if (!m_window)
        m_window = new ComposeWindow(m_services, m_context, m_owner);
    return *m_window;
}

bool ComposeHost::closeWindow()
{
    return !m_window || m_window->close();
}

void ComposeHost::OpenCompose(ComposeMode mode, const QString& path, const QString& name, const QString& section,
                              const ComposeFields& afterwards)
{
    ComposeWindow& window = ensureWindow();
    window.present();
    window.open(mode, path, name, section, m_currentMail, afterwards);
}

void ComposeHost::showWithFields(const ComposeFields& fields)
{
    bool loaded = false;
    ComposeWindow& window = ensureWindow(&loaded);
    if (loaded)
        window.presetKeep(); // "保存" starts as the account wants it, as for every new window
    window.setFields(fields);
    window.present();
}

void ComposeHost::addMailtoAddresses(const storage::MailtoAddresses& addresses)
{
    if (addresses.isEmpty())
        return;
    bool loaded = false;
    ComposeWindow& window = ensureWindow(&loaded);
    // A window loaded for the link starts as new mail does (keep box, drop-downs, signature).
    if (loaded)
        window.open(ComposeMode::New, QString(), QString(), QString(), m_currentMail, {});
    window.addMailto(addresses);
    window.present();
}

} // namespace fumibako::compose
