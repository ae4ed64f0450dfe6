#pragma once

#include "platform/mail/MailLibrary.h"
#include "storage/MailtoCommandLine.h"

#include <QString>

#include <optional>

namespace fumibako::compose {

/** The four ways OpenCompose fills the compose window. */
enum class ComposeMode {
    New = 1,        ///< emptied; the automatic signature when the account asks for it
    Redirect = 2,   ///< emptied, caption "転送モード", body disabled; path = ">#xfr " + stored message path
    CopyOfSent = 3, ///< the outgoing message the caller just read into the current-mail record; no overwrite
    EditStored = 4, ///< the same, and "上書き保存(&S)" writes back over it
};

/** Compose fields to set; fields left unset keep what the window holds. */
struct ComposeFields {
    std::optional<QString> to;
    std::optional<QString> cc;
    std::optional<QString> bcc;
    std::optional<QString> subject;
    std::optional<QString> body;
    std::optional<QString> attachments; ///< the attachment list text, entries separated by ", "
    /** A reply's references to the message it answers; they go with the mail however it is sent. */
    std::optional<platform::mail::ReplyReferences> reply;
};

/**
 * @short How the other windows reach the one compose window.
 *
 * The main window owns the implementation and hands this interface to every window that starts
 * mail: the main window's own commands, the preview's "fumibako:" links, the address pane, the
 * read window (reply, redirect, forward as attachment), the address book manager and the
 * "mailto:" command line. Every call reuses the compose window when it is open.
 */
class ComposeLauncher {
public:
    virtual ~ComposeLauncher() = default;

    /**
     * OpenCompose with the mode, path, name and section its callers pass, then sets @p afterwards
     * (the address of a link, the redirect's subject and body, ...). Modes 3 and 4 show the
     * outgoing message the caller has just read into the program's current-mail record.
     */
    virtual void OpenCompose(ComposeMode mode, const QString& path, const QString& name, const QString& section,
                             const ComposeFields& afterwards = {}) = 0;

    /**
     * Without OpenCompose (reply, forward as attachment): creates the window when it is not open,
     * sets only @p fields and shows it; everything else in the window stays as it is.
     */
    virtual void showWithFields(const ComposeFields& fields) = 0;

    /**
     * The addresses of a "mailto:" command line: each appended to its box (after ", " when the box
     * is not empty), then the window shown. Nothing happens when @p addresses is empty.
     */
    virtual void addMailtoAddresses(const storage::MailtoAddresses& addresses) = 0;
};

} // namespace fumibako::compose
