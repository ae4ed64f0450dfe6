#pragma once

#include "compose/core/ComposeLauncher.h"

#include <QObject>
#include <QString>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::mainwin {

/** The plain message of a command whose window or transfer is not built yet. */
QString notAvailableText(const QString& command);
void showNotAvailable(platform::UserPrompts& prompts, const QString& command);

/** The compose window's stand-in while it is not built: every call says "新規メール" is not ready. */
class NotAvailableComposeLauncher : public QObject, public compose::ComposeLauncher {
    Q_OBJECT
public:
    NotAvailableComposeLauncher(platform::UserPrompts& prompts, QObject* parent) : QObject(parent), m_prompts(prompts) {}

    void OpenCompose(compose::ComposeMode, const QString&, const QString&, const QString&,
                     const compose::ComposeFields&) override;
    void showWithFields(const compose::ComposeFields&) override;
    void addMailtoAddresses(const storage::MailtoAddresses&) override;

private:
    platform::UserPrompts& m_prompts;
};

} // namespace fumibako::mainwin
