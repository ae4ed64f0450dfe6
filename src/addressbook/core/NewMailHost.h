#pragma once

#include <QString>

namespace fumibako::addressbook {

/** The compose window's box the chosen addresses go into. */
enum class RecipientBox { To = 0, Cc = 1, Bcc = 2 };

/**
 * @short How the address book asks for a new mail: implemented by whoever hosts the manager.
 *
 * The address book knows nothing of the compose window; its host (the main window) hands in an
 * implementation that starts the mail there.
 */
class NewMailHost {
public:
    virtual ~NewMailHost() = default;

    /** Shows the compose window as it is: nothing was chosen. */
    virtual void showComposeWindow() = 0;

    /** Starts a new mail with @p addresses (joined with ", ") in @p box. */
    virtual void startNewMail(RecipientBox box, const QString& addresses) = 0;
};

} // namespace fumibako::addressbook
