#pragma once

#include "compose/ComposeWindow.h"
#include "compose/core/ComposeController.h"
#include "compose/core/ComposeLauncher.h"

#include <QPointer>

namespace fumibako::transfer {
struct CurrentMail;
}

namespace fumibako::compose {

/**
 * @short The one compose window of the program, behind ComposeLauncher.
 *
 * The window is loaded when a call finds none open and unloads when it is closed; every call
 * while it is open refills that window.
 */
class ComposeHost : public ComposeLauncher {
public:
    /** @p currentMail is the program's current-mail record (modes 3 and 4 show it). */
    ComposeHost(ComposeServices services, ComposeWindowContext context, const transfer::CurrentMail& currentMail,
                QWidget* owner);
    ~ComposeHost() override;

    void OpenCompose(ComposeMode mode, const QString& path, const QString& name, const QString& section,
                     const ComposeFields& afterwards = {}) override;
    void showWithFields(const ComposeFields& fields) override;
    void addMailtoAddresses(const storage::MailtoAddresses& addresses) override;

    /** The open window, or none. */
    ComposeWindow* window() const { return m_window; }
    /** Closes the open window as its close box does; false when it stays open (the user cancelled). */
    bool closeWindow();

private:
    /** The open window, loaded when there is none; @p loaded tells which. */
    ComposeWindow& ensureWindow(bool* loaded = nullptr);

    ComposeServices m_services;
    ComposeWindowContext m_context;
    const transfer::CurrentMail& m_currentMail;
    QWidget* m_owner;
    QPointer<ComposeWindow> m_window;
};

} // namespace fumibako::compose
