#pragma once

#include "platform/mail/CurlSupport.h"
#include "platform/mail/MailLibrary.h"
#include "platform/mail/Pop3Replies.h"
#include "platform/mail/ServerConnection.h"

#include <QHash>
#include <QList>

#include <memory>

namespace fumibako::platform::mail {

class MailFileWriter;

/** What a login finds on the server. */
struct Pop3Mailbox {
    int count = 0;
    qint64 bytes = 0;
    QHash<int, QByteArray> ids; ///< UIDL, when asked for and offered
    QHash<int, qint64> sizes;   ///< LIST, when asked for
};

/**
 * @short One POP3 login, with the commands of a batch pipelined when the server allows it.
 *
 * libcurl connects, secures and logs in (net::ServerConnection); the commands after the login
 * are written and their replies read here. When the server's CAPA names PIPELINING, the
 * commands of a batch (the listings, then every RETR, then every DELE) go out in a window of
 * commands on their way, limited by the bytes of replies expected, and the replies are read in
 * order; without it, each command waits for its reply, one at a time.
 *
 * A refused command (-ERR) fails that command only: the login goes on. A failed connection
 * (closed, silent, stopped) ends the login without QUIT, so its DELEs are not committed
 * (connectionLost()). Destroying the session says QUIT, which commits the DELEs of this login.
 * A password beginning with "a " logs in with APOP.
 */
class Pop3Session {
public:
    Pop3Session(const net::ServerAddress& address, const net::Credentials& credentials);
    /** QUIT when the login is still open. */
    ~Pop3Session();
    Pop3Session(const Pop3Session&) = delete;
    Pop3Session& operator=(const Pop3Session&) = delete;

    /** What logIn() asks for beside STAT. */
    struct Listings {
        bool ids = false;         ///< UIDL
        bool sizes = false;       ///< LIST
        bool windowSizes = false; ///< LIST, when the server pipelines (it sizes the window)
    };

    /**
     * Logs in and asks STAT and the @p wanted listings, in one go when the server pipelines.
     * A server that refuses UIDL leaves the ids empty. False when the login or STAT failed.
     */
    bool logIn(const Listings& wanted, Pop3Mailbox* mailbox);
    /** Whether the server takes pipelined commands (its CAPA names PIPELINING). */
    bool pipelines() const { return m_pipelining; }

    /**
     * TOP n 0 of each of @p numbers, in order. False when one was refused (@p refusal says how,
     * and the login goes on) or the connection failed (failureText()).
     */
    bool headers(const QList<int>& numbers, QList<QByteArray>* headers, QString* refusal);

    /** A message whose RETR completed, in its writer. Returning false stops the batch. */
    using Retrieved = std::function<bool(int number, std::unique_ptr<MailFileWriter> message)>;
    /**
     * RETR of @p numbers in order, each into a new MailFileWriter in @p folder, handed to
     * @p retrieved once its last line came in. A message the server refuses is skipped (the
     * failure names it) and the others go on. @p sizes (LIST) sizes the window. False when the
     * batch ended early: the connection failed, a file could not be written, the progress
     * answered stop (stopRequested()) or @p retrieved said so.
     */
    bool retrieve(const QList<int>& numbers, const QHash<int, qint64>& sizes, const QString& folder,
                  const ProgressCallback& progress, const Retrieved& retrieved);

    /**
     * DELE of each of @p numbers; the numbers the server marked. A refused one is left and the
     * failure names it; the others go on. The deletions take effect at QUIT.
     */
    QList<int> deleteMessages(const QList<int>& numbers);

    /** QUIT: commits this login's DELEs. False when the server's answer did not come. */
    bool quit();

    /** What ended this login early, else the first refusal ("" when none). */
    QString failureText() const { return m_failure; }
    /** The server refused the login: nothing was done in this session. */
    bool loginRefused() const { return m_loginRefused; }
    /**
     * A login with a bearer token failed because the server does not offer its mechanism; true
     * when it offers OAUTHBEARER instead (a new session may try that).
     */
    bool offersOAuthBearerInstead() const { return m_offersOAuthBearerInstead; }
    bool stopRequested() const { return m_stopRequested; }
    /** The connection ended without QUIT (dropped, silent, stopped): its DELEs were not committed. */
    bool connectionLost() const { return m_connectionLost; }
    /** True once this login is over. */
    bool loginEnded() const { return m_connectionLost || m_quitSent; }

private:
    struct Request {
        QByteArray command;
        bool multiLine = false;
        qint64 replyBytes = 0; ///< expected, for the window
    };
    struct Replies;
    struct Retrieval;

    bool open();
    bool exchange(const QList<Request>& requests, const Replies& replies);
    std::optional<pop3::Status> readStatus();
    bool readBody(const pop3::MultiLineDecoder::Sink& sink);
    bool connectionFailed();
    void noteRefusal();
    bool takeStat(const pop3::Status& status, Pop3Mailbox* mailbox);
    bool finish(CURLcode code);
    QString describeFailure(CURLcode code) const;

    net::ServerAddress m_address;
    net::Credentials m_credentials;
    net::Transcript m_transcript;
    net::ServerConnection m_connection;
    const net::CurlEasy& m_curl = m_connection.curl(); // what libcurl said of the last failure
    bool m_opened = false;
    bool m_pipelining = false;
    QString m_failure;
    bool m_stopRequested = false;
    bool m_connectionLost = false;
    bool m_quitSent = false;
    bool m_loginRefused = false;
    bool m_offersOAuthBearerInstead = false;
    QByteArray m_bearerMechanism; // empty for a password login
};

} // namespace fumibako::platform::mail
