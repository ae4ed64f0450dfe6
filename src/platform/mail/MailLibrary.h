#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

/**
 * The mail library layer: the three calls through which the rest of the program receives, sends
 * and reads mail. POP3, SMTP and TLS go through libcurl; MIME parsing and composing through GMime.
 * Each call blocks; the transfer core runs RcvMail2 and SendMail on a worker thread.
 */
namespace fumibako::platform::mail {

/** How a connection to a server is secured. */
enum class ConnectionSecurity : qint16 {
    Automatic = 0, ///< implicit TLS on 995 (POP3) and 465 (SMTP), elsewhere STLS/STARTTLS when offered
    Tls = 1,       ///< implicit TLS on any port
    StartTls = 2,  ///< STLS/STARTTLS, required
};

/** The security of one server of an account. */
struct ServerSecurity {
    ConnectionSecurity mode = ConnectionSecurity::Automatic;
    /**
     * Allows a password in clear text when the connection is not encrypted (Automatic only).
     * Without it a session that is not encrypted stops before USER/PASS or AUTH; APOP sends no
     * password and is always allowed.
     */
    bool allowPlainLogin = false;
};

/** A call's result: either a list of strings or a single string. */
struct LibraryResult {
    bool isList = false;
    QStringList list;
    QString text;
    /**
     * Receiving: the first @c recovered paths of the list are messages of an earlier receive that
     * ended before their filing was sure (the program was killed); they may be filed already.
     */
    int recovered = 0;
    /**
     * Receiving: why the receive ended before every message was saved (a dropped connection, a
     * full disk, a refused DELE), although the listed messages were saved; "" when it completed.
     */
    QString stoppedEarly;
    /**
     * The server refused the login (a wrong password, an access token it no longer takes): nothing
     * was received, sent or deleted, so the call may be made again with other credentials.
     */
    bool loginRefused = false;

    static LibraryResult ofList(QStringList items)
    {
        LibraryResult result;
        result.isList = true;
        result.list = std::move(items);
        return result;
    }
    static LibraryResult ofText(QString value)
    {
        LibraryResult result;
        result.text = std::move(value);
        return result;
    }
};

/**
 * Called during transfers with the current message number (1-based) and the bytes of it received
 * so far. Returning 1 asks the call to stop (what was completely saved is kept), 0 to go on.
 * Called on the thread that runs the transfer.
 */
using ProgressCallback = std::function<int(int messageNumber, int bytesSoFar)>;

/** The @p server argument of RcvMail2 and SendMail: @p host, then TAB and @p port when a port is given. */
QString serverArgument(const QString& host, bool portGiven, const QString& port);

/**
 * POP3. @p server is "host" or "host" TAB "port"; a password starting with "a " asks for APOP with
 * the rest. @p command: "STAT", "LIST", "SAVEALL", "SAVEALLD", or "SAVE ", "SAVD ", "DELE " followed
 * by n or "low-high". @p directory: "<" or ">" followed by the folder the messages are saved into.
 */
LibraryResult RcvMail2(const QString& server, const QString& user, const QString& password,
                       const QString& command, const QString& directory, const ProgressCallback& progress);

/**
 * Called, on a thread of the library's own, for each newly saved message file as soon as it is
 * complete: its position among the new messages and its temporary path. The file keeps its
 * bytes but gets its final name only when the whole batch is published, and is removed should
 * that fail.
 */
using SavedFileCallback = std::function<void(int position, const QString& temporaryPath)>;

/** A new message as the server shows it before it is fetched: its header and its size. */
struct ServerMessage {
    int number = 0;    ///< its number in this login
    QByteArray id;     ///< its UIDL; empty when the server has none or the receive keeps no record
    qint64 size = 0;   ///< in bytes, as LIST gives it
    QByteArray header; ///< TOP n 0: the header lines, CR LF, ending with the empty line
};

/** What is done at the server with a message that was screened. */
enum class ServerAction { Fetch, Leave, Delete };

/**
 * Decides at the server: given the new messages of a receive, before any of them is fetched,
 * one action each, in order. Leave: not fetched, and screened again at the next receive. Delete:
 * deleted on the server without being fetched, with the receive's other deletions, once its
 * fetched messages are safely on disk. What is to be deleted must be written where the user sees
 * it before the call returns. Called on the thread that runs the receive.
 */
using ServerScreen = std::function<QList<ServerAction>(const QList<ServerMessage>& messages)>;

/** What RcvMail2 needs beyond its historical arguments. */
struct ReceiveOptions {
    ServerSecurity security;
    /**
     * The account's record of the unique ids of received messages (its folder also holds the
     * journal of the last batch). "SAVEALL" and "SAVEALLD" fetch only messages whose id is not
     * recorded, "SAVE"/"SAVD" skip recorded ones, the D forms delete recorded ones without
     * fetching them, "STAT" counts only the others. "": no record (everything is fetched).
     */
    QString recordFile;
    /** Hears of each new file as soon as it is complete, so reading can start while the rest downloads. */
    SavedFileCallback saved;
    /**
     * Set: the saving commands first ask TOP n 0 of every new message (pipelined where the server
     * allows it) and fetch only what this keeps. A server that refuses TOP has everything fetched.
     * "STAT" with a record asks it too and counts only the new messages it would fetch; a screen
     * given to STAT must only answer, as nothing is done with the messages then.
     */
    ServerScreen screen;
    /**
     * An OAuth 2.0 access token: when given, the login is SASL XOAUTH2 (OAUTHBEARER with a server
     * that offers only that) with it instead of the password, and only over an encrypted
     * connection, whatever the opt-in to clear-text logins says.
     */
    QString bearerToken;
};

/** RcvMail2 with the account's security, its record of received messages and the saved-file callback. */
LibraryResult RcvMail2(const QString& server, const QString& user, const QString& password,
                       const QString& command, const QString& directory, const ProgressCallback& progress,
                       const ReceiveOptions& options);

/**
 * After a saving RcvMail2 with a record, once every listed file has its index entry: ends the
 * batch (its journal is no longer needed). False, with @p error, when that could not be written.
 */
bool finishReceivedBatch(const QString& recordFile, QString* error);

/** Login for SMTP AUTH, used when the server offers AUTH. Empty user: no AUTH. */
struct SmtpLogin {
    QString user;
    QString password;
    ServerSecurity security;
    /** An OAuth 2.0 access token instead of the password, as ReceiveOptions::bearerToken. */
    QString bearerToken = {};
};

/**
 * What ties a reply to the message it answers (RFC 5322 3.6.4): the values of its In-Reply-To and
 * References fields, message ids "<...>" separated by single spaces; empty texts for no field.
 */
struct ReplyReferences {
    QString inReplyTo;  ///< the answered message's Message-ID
    QString references; ///< the answered message's References (or its one In-Reply-To id), then its Message-ID

    bool isEmpty() const { return inReplyTo.isEmpty() && references.isEmpty(); }
    friend bool operator==(const ReplyReferences&, const ReplyReferences&) = default;
};

/** The references of a reply to the stored message @p file: empty when it names no message id. */
ReplyReferences ReadReplyReferences(const QString& file);

/** The address fields a reply to everyone takes from the message it answers, decoded as ReadMail shows From. */
struct ReplyAddresses {
    QString from;
    QString replyTo;
    QString to;
    QString cc;
};

/** The address fields of the stored message @p file; empty texts when it cannot be read. */
ReplyAddresses ReadReplyAddresses(const QString& file);

/** The message a walk sends next: its recipients and sender as SendMail takes them. */
struct NextRecipients {
    QString recipients;
    QString from;
};

/**
 * SMTP. @p server as for RcvMail2; @p recipients TAB-separated with "cc"/"bcc" markers; @p body
 * lines end with CR LF; @p attachments TAB-separated paths ("path|name" to give the name); @p reply
 * the In-Reply-To and References of a reply (a redirect goes without them).
 * Returns "" when sent, else the error text; @p loginRefused, when given, tells whether the
 * server refused the login (nothing was sent then). @p nextEnvelope: the recipients and sender
 * (as @p recipients and @p from) of the message a walk sends next over the same connection.
 */
QString SendMail(const QString& server, const QString& recipients, const QString& from, const QString& subject,
                 const QString& body, const QString& attachments, const SmtpLogin& login = {},
                 const ReplyReferences& reply = {}, bool* loginRefused = nullptr,
                 const std::optional<NextRecipients>& nextEnvelope = std::nullopt);

/**
 * Reads a stored message. @p options "subject:from:date:To:body:" gives the fields and saves the
 * attachments into @p directory; "" gives the header lines; "To:" with @p directory ">" + folder
 * saves the attachments there. A result that is not a list means the file cannot be read.
 * With an empty @p directory no attachment is decoded or written: the attachment elements then
 * carry the names the files would get instead of their paths.
 */
LibraryResult ReadMail(const QString& file, const QString& options, const QString& directory);

/** What a folder index keeps of a message: ReadMail's subject, from and date, and its attachment count. */
struct MailSummary {
    QString subject;
    QString from;
    QString date;
    int attachments = 0;
};

/**
 * The summary of a stored message, as ReadMail with "subject:from:date:To:body:" would give it,
 * without decoding the body or saving attachments: for filing many messages at once. Nothing
 * when the file cannot be read as mail.
 */
std::optional<MailSummary> ReadMailSummary(const QString& file);

/**
 * ReadMailSummary of the bytes @p bytes that the file @p file holds, read already (only the file's
 * time is looked at, for a message without a date of its own).
 */
std::optional<MailSummary> ReadMailSummary(QByteArrayView bytes, const QString& file);

/**
 * ReadMailSummary, and the header fields of the message as ReadHeaderFields() gives them into
 * @p headerFields, from the same reading of the file.
 */
std::optional<MailSummary> ReadMailSummary(const QString& file, QList<std::pair<QByteArray, QByteArray>>* headerFields);

/**
 * The header fields of the stored message @p file as they are stored, in order, each as its name
 * and its raw value with the folding line breaks removed; the body is not read. Empty when the
 * file cannot be read.
 */
QList<std::pair<QByteArray, QByteArray>> ReadHeaderFields(const QString& file);

/**
 * The raw value of the header field @p name decoded as the reader shows it: address fields
 * (From, To, Cc, Reply-To, ...) in the display form "Name <address>, ...", every other field as
 * its text with encoded words and raw 8-bit text decoded.
 */
QString decodedFieldValue(QByteArrayView name, QByteArrayView raw);

/** The texts of a stored message that a search looks through, decoded as the reader shows them. */
struct MailText {
    QString subject;
    QString from;
    QString to;
    QString cc;
    QString date;   ///< as ReadMail gives it
    QString body;   ///< as ReadMail gives it: the text part, or the HTML part turned into text
    QStringList attachmentNames; ///< as the message names them (not yet made safe as file names)
};

/**
 * The texts of the stored message @p file, without saving or decoding any attachment. Nothing
 * when the file cannot be read as mail.
 */
std::optional<MailText> ReadMailText(const QString& file);

/** What deciding where a received message goes reads of its content (its header comes from ReadHeaderFields()). */
struct MailFilingText {
    QString body;        ///< as ReadMail gives it
    QStringList links;   ///< the link and image targets of an HTML body, as written
    int attachments = 0; ///< as ReadMail counts them
};

/**
 * The body text, HTML links and attachment count of the stored message @p file, without saving
 * or decoding any attachment. Nothing when the file cannot be read as mail.
 */
std::optional<MailFilingText> ReadMailFilingText(const QString& file);

} // namespace fumibako::platform::mail
