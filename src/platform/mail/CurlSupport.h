#pragma once

#include "platform/mail/MailLibrary.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <curl/curl.h>

#include <memory>
#include <optional>

/*
 * Small helpers shared by the POP3 and SMTP code: RAII wrappers for libcurl handles, the server
 * text, the TLS and timeout options, and the protocol transcript the error texts are taken from.
 */
namespace fumibako::platform::mail::net {

/** Owns one easy handle. Its destructor ends the session (for POP3 that sends QUIT). */
class CurlEasy {
public:
    CurlEasy();
    ~CurlEasy();
    CurlEasy(const CurlEasy&) = delete;
    CurlEasy& operator=(const CurlEasy&) = delete;

    CURL* get() const { return m_handle; }
    explicit operator bool() const { return m_handle != nullptr; }
    /** The text libcurl wrote for the last failure ("" when none). */
    QString errorText() const { return QString::fromUtf8(m_errorBuffer); }
    void clearError() { m_errorBuffer[0] = '\0'; }

private:
    CURL* m_handle = nullptr;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
};

/** Owns a curl_slist. */
class CurlList {
public:
    CurlList() = default;
    ~CurlList();
    CurlList(const CurlList&) = delete;
    CurlList& operator=(const CurlList&) = delete;

    bool append(const QByteArray& item);
    curl_slist* get() const { return m_list; }

private:
    curl_slist* m_list = nullptr;
};

enum class Protocol { Pop3, Smtp };

/** Where to connect and how securely: parsed from "host" or "host" TAB "port" and the account's choice. */
struct ServerAddress {
    QString host;
    int port = 0;
    bool implicitTls = false;
    /** STLS/STARTTLS must succeed before anything else is said (no unencrypted session at all). */
    bool upgradeRequired = false;
    /** SMTP: no AUTH over a session that is not encrypted (STARTTLS is taken when offered). */
    bool refuseClearLogin = false;
    ConnectionSecurity security = ConnectionSecurity::Automatic;
    /** The login is a bearer token (addressForLogin): no clear-text login can be allowed. */
    bool bearerLogin = false;
    bool valid = false;
    Protocol protocol = Protocol::Pop3;

    /** Base URL such as "pop3s://mail.example.jp:995". */
    QByteArray url() const;
    /** "host:port" for messages. */
    QString displayName() const;
};

/**
 * @p server is "host" or "host" TAB "port" ("pop3s://host" etc. choose the TLS form). Automatic
 * security takes implicit TLS on 995/465 and elsewhere upgrades when the server offers it; a
 * password is never sent unencrypted unless @p security allows it, or for POP3 with @p apop
 * (APOP sends a digest, never the password).
 */
ServerAddress parseServer(const QString& server, Protocol protocol, const ServerSecurity& security = {},
                          bool apop = false);

/**
 * What a session logs in with: the password, or an OAuth 2.0 access token (SASL XOAUTH2, or
 * OAUTHBEARER for a server that offers only that).
 */
struct Credentials {
    QString user;
    QString password;
    QString bearerToken;
    QByteArray bearerMechanism = "XOAUTH2";

    bool usesBearer() const { return !bearerToken.isEmpty(); }
};

/**
 * The address for @p credentials: a bearer token is a secret like a password, so it goes only
 * over TLS (implicit or a required STLS/STARTTLS), whatever the opt-in to clear-text logins says.
 */
ServerAddress addressForLogin(ServerAddress address, const Credentials& credentials);

/**
 * Sets the login of @p credentials on @p handle. A bearer token allows only its own SASL
 * mechanism: libcurl then never falls back to another one or to USER/PASS.
 */
void setLogin(CURL* handle, const Credentials& credentials);

/** The text for a server that offers neither XOAUTH2 nor OAUTHBEARER to an account that signs in. */
QString bearerNotOfferedText(const ServerAddress& address);

/**
 * Records the replies of one session through the header and debug callbacks: the last reply the
 * server gave to the last command, and whether a STLS/STARTTLS the server offered was refused.
 * In that case it stops the session before libcurl's "try" mode would log in unencrypted.
 */
class Transcript {
public:
    void attach(CURL* handle, Protocol protocol);
    void startCommand() { m_reply.clear(); m_lastLine.clear(); }
    /** Forgets the last error reply; called before each transfer. */
    void clearError() { m_errorReply.clear(); m_errorCommand.clear(); }

    /** The reply lines received since the last command went out, CR LF removed. */
    const QStringList& reply() const { return m_reply; }
    /** The last reply line received. */
    const QByteArray& lastLine() const { return m_lastLine; }
    /** The last command line sent (passwords are not kept). */
    const QByteArray& lastCommand() const { return m_lastCommand; }
    bool tlsUpgradeRefused() const { return m_tlsRefused; }
    /** True when the session was stopped before AUTH because it was not encrypted. */
    bool clearLoginRefused() const { return m_clearLoginRefused; }
    /** How many reply lines came in over the whole session. */
    qint64 linesReceived() const { return m_linesReceived; }
    /**
     * The SASL mechanisms the server offered last (POP3 CAPA "SASL …", SMTP EHLO "AUTH …"), upper
     * case; empty before (or without) such a list.
     */
    /**
     * Whether the SASL mechanisms the server offered last (POP3 CAPA "SASL …", SMTP EHLO "AUTH …")
     * include @p mechanism; nothing when the session saw no such list asked for.
     */
    std::optional<bool> offers(const QByteArray& mechanism) const;
    /**
     * Whether the last CAPA listing (POP3) or EHLO reply (SMTP) named @p capability
     * ("PIPELINING", "CHUNKING" ...), its first word compared without case.
     */
    bool offersCapability(const QByteArray& capability) const;
    /**
     * For protocol code that speaks on the connection itself: a command line it sent and each
     * line of its reply, in the order of the exchange, so the error texts and offers are taken
     * from them as from libcurl's own exchanges. replyReceived() is false when the session must
     * stop there (an upgrade to TLS was refused, or a login would go in clear text).
     */
    void commandSent(QByteArray line);
    bool replyReceived(QByteArray line);
    /**
     * The last error reply ("-ERR …", or an SMTP 4xx/5xx reply with its code) and the command it
     * answered. Kept apart because libcurl sends QUIT after an error, whose reply comes last.
     */
    const QString& errorReply() const { return m_errorReply; }
    const QByteArray& errorCommand() const { return m_errorCommand; }

private:
    friend void configureConnection(CURL*, const ServerAddress&, Transcript&);
    static size_t onHeader(char* data, size_t size, size_t count, void* self);
    static int onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self);
    bool isUpgradeCommand() const;
    bool isErrorLine(const QByteArray& line) const;
    bool refusesUpgrade(const QByteArray& line);
    bool refusesClearLogin(const QByteArray& line);
    void noteMechanisms(const QByteArray& line);
    void noteCapability(const QByteArray& line);

    QStringList m_reply;
    QByteArray m_lastLine;
    QByteArray m_lastCommand;
    bool m_sawReplySinceCommand = false;
    bool m_tlsRefused = false;
    bool m_refuseClearLogin = false; // set from the address
    bool m_encrypted = false;        // implicit TLS, or STARTTLS accepted
    bool m_offersAuth = false;       // in the last EHLO reply
    bool m_offersStartTls = false;
    bool m_clearLoginRefused = false;
    qint64 m_linesReceived = 0;
    std::optional<QByteArrayList> m_mechanisms; // set (empty) when CAPA or EHLO goes out
    QByteArrayList m_capabilities;              // of the last CAPA or EHLO reply
    Protocol m_protocol = Protocol::Pop3;
    QString m_errorReply;
    QByteArray m_errorCommand;
};

/**
 * Sets timeouts, TLS (implicit, required upgrade or upgrade when offered, as @p address says),
 * certificate checks and the callbacks.
 * Certificates are checked against the system store plus, when the environment variable
 * FUMIBAKO_CA_FILE names a PEM file, the CA certificates in it (local servers, tests).
 */
void configureConnection(CURL* handle, const ServerAddress& address, Transcript& transcript);

/** True when @p code means the server could not be reached at all. */
bool isConnectFailure(CURLcode code);
/** True when @p code is a failed certificate or TLS handshake. */
bool isTlsFailure(CURLcode code);

/**
 * The error text for a TLS failure: Japanese explanation with libcurl's own phrase kept. When the
 * system's certificate store is missing (no package ca-certificates), the text says so.
 */
QString tlsErrorText(const QString& curlText);
/** The same, with the trusted certificates expected in the file @p certificateStore. */
QString tlsErrorText(const QString& curlText, const QString& certificateStore);
/** The error text for a silent server. */
QString timeoutErrorText(const QString& curlText);
/** The text used when a server that offered STLS/STARTTLS refused it. */
QString tlsRefusedText(const QString& serverReply);
/** The text used when a session stopped before the login because the server offers no encryption. */
QString clearLoginRefusedText(const ServerAddress& address);

/** Seconds of silence after which a session gives up (FUMIBAKO_NET_TIMEOUT, default 60). */
long silenceTimeoutSeconds();

} // namespace fumibako::platform::mail::net
