#pragma once

#include "mailview/core/ReplyText.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace fumibako::compose {
class ComposeLauncher;
}
namespace fumibako::platform {
class UserPrompts;
}
namespace fumibako::transfer {
struct CurrentMail;
}

namespace fumibako::mailview {

class ReadingDialogs;

/** What the read window shows. */
struct ReadMailView {
    QString to;
    QString from;
    QString subject;
    QString date;
    QString body;            ///< the text the body box shows: the header lines while the header view is on
    QString messagePath;     ///< the stored message's file
    QStringList attachments; ///< the attachment names
    QString senderCaption;   ///< the sender's name in the address book, or "未登録"
    bool headerShown = false;
    bool replyEnabled = true; ///< reply, quote options and forwarding (not for a message opened from the server list)
};

/** What the read window works with. */
struct ReadMailContext {
    platform::UserPrompts& prompts;
    ReadingDialogs& dialogs;
    transfer::CurrentMail& currentMail;
    compose::ComposeLauncher& composer;
    QString programDir;
    QString workDir;
    /** The open account's mail address, which a reply to everyone leaves out. */
    std::function<QString()> ownAddress = {};
};

/**
 * @short The rules of the read window `frmRMail`: filling it from a stored message, the header
 * view, the attachments, the sender's address-book state, reply, redirect and forward.
 *
 * One controller lives as long as the window; windowLoaded() starts each time the window opens
 * anew (it is not open), the open calls refill it.
 */
class ReadMailController {
public:
    explicit ReadMailController(const ReadMailContext& context);

    const ReadMailView& view() const { return m_view; }

    /** The window is loaded: header view off, no quote options. */
    void windowLoaded();

    /**
     * Reads the received message @p name of @p folder (once) into the current-mail record and
     * shows it. False, after telling the user and leaving the window as it was, when the file
     * cannot be read as mail.
     */
    bool openStored(const QString& folder, const QString& name);

    /**
     * Shows the message the current-mail record holds (just received from the server list);
     * its attachment files are removed from the work folder. Reply and forward are disabled.
     */
    void showReceived();

    bool quoteBody = false;    ///< "本文"
    bool quoteSubject = false; ///< "件名"

    /** "ヘッダー表示(&H)": the header lines in place of the body, and back. */
    void toggleHeader();

    /** Each command below returns true when the window is to close. */
    bool reply() { return startReply(ReplyTo::Sender); }
    /** "全員に返信": as reply(), to the Reply-To (or the sender) with every other recipient in CC. */
    bool replyToAll() { return startReply(ReplyTo::Everyone); }
    bool redirect();
    bool forwardAsAttachment();

    /** "添付保存": every attachment into a folder the user chooses; failures are reported. */
    void saveAttachments();

    /** "アドレス帳に追加(&A)": asks the display name and adds the sender to the address book. */
    void addSenderToAddressBook();

private:
    bool startReply(ReplyTo who);
    void fillFromCurrentMail(const QStringList& attachmentNames);

    ReadMailContext m_context;
    ReadMailView m_view;
    QString m_headerPath; ///< the message the header was last loaded for
    QString m_keptBody;
    QString m_keptHeader;
};

} // namespace fumibako::mailview
