#pragma once

#include "compose/core/ComposeLauncher.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <memory>

namespace fumibako::platform {
class UserPrompts;
}
namespace fumibako::storage {
struct AccountEnvironment;
struct AccountPaths;
struct AddressHistories;
class MailChangeListener;
struct MailtoAddresses;
} // namespace fumibako::storage
namespace fumibako::transfer {
class OperationGuard;
class Sender;
enum class SendOutcome;
struct CurrentMail;
struct SendContext;
} // namespace fumibako::transfer

namespace fumibako::compose {

/** What the compose window's fields hold. Line ends of the body are CR LF. */
struct ComposeContent {
    QString to;
    QString cc;
    QString bcc;
    QString subject;
    QString body;
    QString attachments; ///< the attachment list, entries separated by ", "
    bool keep = false;   ///< "保存": keep a copy in the sent box after sending

    friend bool operator==(const ComposeContent&, const ComposeContent&) = default;
};

/** Sets each field that @p fields gives; the others keep their text. */
void applyFields(ComposeContent& content, const ComposeFields& fields);

/**
 * Adds what a "mailto:" command line gives: each address list after what its field holds (", "
 * between), the subject when the subject field is empty, the body in front of the body (on a line
 * of its own), so that nothing already in the window is lost.
 */
void addMailtoFields(ComposeContent& content, const storage::MailtoAddresses& mailto);

/** The recipient fields with a drop-down of recent recipients. */
enum class RecipientField { To = 0, Cc = 1, Bcc = 2 };

/** What the compose window needs of the program: the open account, the screen, sending. */
struct ComposeServices {
    const storage::AccountPaths& paths;              ///< of the open account
    const storage::AccountEnvironment& environment;  ///< "MailHozon", "Syomei"
    storage::AddressHistories& histories;            ///< the recent-recipient lists
    platform::UserPrompts& prompts;
    transfer::OperationGuard& guard;
    std::function<transfer::SendContext()> sendContext; ///< as the main window sends
    std::function<QDateTime()> clock = [] { return QDateTime::currentDateTime(); };
    /** Hears of the drafts and outbox messages stored, and of what leaves the outbox (none: nobody). */
    storage::MailChangeListener* changes = nullptr;
};

/**
 * @short The rules of the compose window `frmSend`: opening in its four modes, signatures, send,
 * store to the outbox or the drafts, overwrite.
 *
 * One controller lives as long as one loaded window. The window hands in what its fields hold
 * (ComposeContent) and shows what the controller gives back; the caption, the body's enabled
 * state, the overwrite command and the drop-downs follow the controller's state.
 */
class ComposeController {
public:
    explicit ComposeController(ComposeServices services);
    ~ComposeController();

    /** The load step: the signature list of the open account. */
    void load();

    const QStringList& signatureNames() const { return m_signatures; }
    int signatureIndex() const { return m_signatureIndex; }
    void chooseSignature(int index);
    /** The signature box and "署名" button are usable only when there is a signature. */
    bool signaturesEnabled() const { return !m_signatures.isEmpty(); }
    /** "署名": appends the chosen signature to the body (SyomeiPlus). */
    bool appendSignature(ComposeContent& content);

    /**
     * OpenCompose: @p content becomes what the window shows in @p mode; modes 3 and 4 take the
     * message @p stored (just read from its outgoing file).
     */
    void open(ComposeMode mode, const QString& path, const QString& name, const QString& section,
              const transfer::CurrentMail& stored, ComposeContent& content);
    /** "保存" as the account presets it ("MailHozon"), for a window shown without OpenCompose. */
    void presetKeep(ComposeContent& content);
    /**
     * A caller (a reply, a link, a redirect) sets @p fields: they are part of what the window
     * opened with. The references a reply gives are kept with the message until OpenCompose fills
     * the window anew: they go out with it when sent, and are stored with it in the outbox or drafts.
     */
    void setFields(ComposeContent& content, const ComposeFields& fields);
    /** A "mailto:" command line adds to the fields (addMailtoFields), as a caller does. */
    void addMailto(ComposeContent& content, const storage::MailtoAddresses& mailto);

    /**
     * Whether the user changed a field since the window was opened, filled by a caller or stored:
     * what closing would lose.
     */
    bool changedSinceOpened(const ComposeContent& content) const;

    QString caption() const;
    bool isRedirect() const { return m_redirect; }
    bool bodyEnabled() const { return !m_redirect; }
    bool overwriteEnabled() const { return m_overwriteEnabled; }
    const QStringList& recentRecipients(RecipientField field) const;
    /** The recipient picker wrote the fields: the drop-downs are emptied. */
    void clearRecentRecipients();

    /** After a command: close the window, or keep it open with everything it holds. */
    enum class Outcome { StayOpen, Close };
    enum class StoreTarget { Outbox, Drafts };

    /**
     * "送信": under the sending operation; a failure keeps the window and its fields. Returns at
     * once: the exchange with the server runs on a worker thread, and @p done gets the outcome on
     * this thread once the operation was released (before returning when nothing went out).
     */
    void send(const ComposeContent& content, std::function<void(Outcome)> done);
    /** "送信BOX行き" and "下書き保存(&P)": a new outgoing file and its index entry. */
    Outcome store(StoreTarget target, const ComposeContent& content);
    /** "上書き保存(&S)": writes back over the stored message the window was opened from. */
    Outcome overwrite(const ComposeContent& content);

    enum class Closing { StayOpen, Close, CloseStored };
    /**
     * Closing the window (its close box, "閉じる(&X)", the end of the program). Unchanged, it
     * closes. Changed, it asks "編集中のメールを下書きに保存しますか？": "保存" stores a draft as
     * "下書き保存(&P)" does (CloseStored; a failed store keeps the window), "破棄" closes,
     * "キャンセル" keeps the window open.
     */
    Closing confirmClose(const ComposeContent& content);
    /** A close while this window's send is on its way: the user is told why the window stays. */
    void refuseCloseWhileSending();

    /** Dropped files: each path appended to the attachment list. */
    static void addAttachments(ComposeContent& content, const QStringList& paths);

    // The window's public state: where the message came from or was stored.
    const QString& mailPath() const { return m_mailPath; }
    const QString& mailName() const { return m_mailName; }
    const QString& transName() const { return m_transName; }
    const QString& section() const { return m_section; }

private:
    void applyReply(const ComposeFields& fields);
    void emptyFields(ComposeContent& content);
    void fillRecentRecipients();
    transfer::CurrentMail record(const ComposeContent& content, bool withRedirect) const;
    bool writeStored(const transfer::CurrentMail& mail, const QString& indexFile, const QString& section);
    bool removeSentFromOutbox(const QString& indexFile, const QString& folder, const QString& name);
    bool attachmentsReadable(const QString& attachmentList);
    struct PendingSend;
    Outcome sendEnded(PendingSend& pending, transfer::SendOutcome result);

    ComposeServices m_services;
    QStringList m_signatures;
    int m_signatureIndex = -1;
    bool m_redirect = false;
    bool m_overwriteEnabled = false;
    std::array<QStringList, 3> m_recent;
    QString m_mailPath;
    QString m_mailName;
    QString m_transName;
    QString m_section;
    platform::mail::ReplyReferences m_reply;
    QString m_indexFile;    ///< the outgoing index of the account the stored message belongs to
    ComposeContent m_opened; ///< the fields as opened, filled by callers or last stored; body in CR LF
    quint64 m_openings = 0; ///< counts OpenCompose calls: a send only closes the message it sent
    std::unique_ptr<transfer::Sender> m_sender; ///< last: a send under way ends before the rest goes
};

} // namespace fumibako::compose
