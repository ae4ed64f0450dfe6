#include "mainwin/core/NotAvailable.h"

#include "platform/UserPrompts.h"

namespace fumibako::mainwin {

QString notAvailableText(const QString& command)
{
    return QStringLiteral("「%1」はまだ使えません。").arg(command) + QLatin1Char('\n')
        + QStringLiteral("この機能は現在準備中です。");
}

void showNotAvailable(platform::UserPrompts& prompts, const QString& command)
{
    prompts.message(notAvailableText(command), QString(), platform::Icon::Information, platform::Buttons::Ok);
}

} // namespace fumibako::mainwin
