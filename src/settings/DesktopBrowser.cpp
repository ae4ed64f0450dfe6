#include "settings/DesktopBrowser.h"

#include <QDesktopServices>

namespace fumibako::settings {

bool DesktopBrowser::openUrl(const QUrl& url)
{
    return QDesktopServices::openUrl(url);
}

} // namespace fumibako::settings
