#pragma once

#include "platform/mail/MailLibrary.h"

#include <QString>

#include <functional>
#include <optional>

/** The settings of one account, kept in its file programDir + name + ".ini". */
namespace fumibako::storage {

/**
 * Section "Security": how the connections to the two servers are secured. Kept apart from
 * "Property", which keeps exactly its historical lines; a file without it gets the defaults
 * (automatic security, no password in clear text).
 */
struct AccountSecurity {
    platform::mail::ServerSecurity pop3; ///< "POP3Security" (0 automatic, 1 TLS, 2 STARTTLS), "POP3PlainLogin" (1 allows)
    platform::mail::ServerSecurity smtp; ///< "SMTPSecurity", "SMTPPlainLogin"
};

/** Section "Property": the servers and the login. */
struct AccountProperties {
    QString loginName;   ///< "AccName": POP3 and SMTP login; the display name of sent mail without a sender name
    QString mailAddress; ///< "MailAddress"
    QString smtpServer;  ///< "SMTPServer"
    QString pop3Server;  ///< "POP3Server"
    QString senderName;  ///< "Name": the display name of sent mail, and the key of the password's stored form
    QString password;    ///< the keyring's entry, else "Password" unscrambled (AccountSecrets.h)
    qint16 apop = 0;         ///< "APOP": 1 use APOP
    qint16 smtpPortGiven = 0; ///< "SMTPport": 1 use smtpPort, 0 use 25
    quint16 smtpPort = 25;   ///< "SportNum"
    qint16 popPortGiven = 0;  ///< "POPport": 1 use popPort, 0 use 110
    quint16 popPort = 110;   ///< "PportNum"
    AccountSecurity security; ///< section "Security"
    /**
     * Section "OAuth2", "Provider": the provider the account signs in with (a name of OAuth2.ini
     * or a built-in one); empty for a login with the password.
     */
    QString oauthProvider;
};

/** Receive methods of the menu and of "MailJusin" (the numbers are the stored ones). */
enum class ReceiveMethod : qint16 { CountOnly = 0, ReceiveAll = 1, ReceiveAndDelete = 2 };

/** The receive method stored as @p code; nothing for a number that names none. */
std::optional<ReceiveMethod> receiveMethodOf(int code);

/** Section "Kankyou": the environment settings of the account. */
struct AccountEnvironment {
    qint16 receiveAtStart = 0;     ///< "KidouJusin"
    qint16 saveByDefault = 0;      ///< "MailHozon"
    qint16 receiveMethod = 0;      ///< "MailJusin": a ReceiveMethod, as stored
    qint16 autoReceive = 0;        ///< "AutoPOP"
    qint16 autoReceiveMinutes = 3; ///< "AutoPOPTime"
    qint16 newMailSound = 0;       ///< "MailSound"
    QString soundFile;             ///< "MailSoundPath"
    qint16 signatureByDefault = 0; ///< "Syomei"
    bool gridLines = false;        ///< "GridLine"
};

/** Reads section "Property" of @p userFile, unscrambling the password with the stored sender name. */
AccountProperties readAccountProperties(const QString& userFile);

/** "Provider" of section "OAuth2" of @p userFile: "" for an account that logs in with its password. */
QString readAccountProvider(const QString& userFile);

/** Writes "Provider" of section "OAuth2" (the section's other lines stay). */
bool writeAccountProvider(const QString& userFile, const QString& provider);

/** Reads section "Security" of @p userFile; missing or invalid values give the defaults. */
AccountSecurity readAccountSecurity(const QString& userFile);

/** Rewrites section "Security" of @p userFile with its four lines. */
bool writeAccountSecurity(const QString& userFile, const AccountSecurity& security);

/** Reads section "Kankyou" of @p userFile; missing or invalid values give their defaults. */
AccountEnvironment readAccountEnvironment(const QString& userFile);

/** "KidouJusin" of @p userFile as the start-up reads it: true only for the number 1. */
bool readReceiveAtStart(const QString& userFile);

/** The shift of the password's stored form for a sender name of @p nameLength characters. */
int passwordShift(int nameLength);

/** A random filler character code from 35 to 124, never the single quote; tests pass their own. */
using FillerSource = std::function<char16_t()>;
char16_t randomFiller();

/**
 * The stored form of @p password: each character shifted up by passwordShift(senderName), each
 * followed by one filler character.
 */
QString scramblePassword(const QString& password, const QString& senderName, const FillerSource& filler = randomFiller);

/** The password back from its stored form: every other character, shifted down. */
QString unscramblePassword(const QString& stored, const QString& senderName);

/**
 * Writes the password's stored form into "Property" of @p userFile (keyed by the stored sender
 * name), between double quotes when it begins with a space or a quote, so that it reads back as
 * written.
 */
bool storePassword(const QString& userFile, const QString& password, const FillerSource& filler = randomFiller);

} // namespace fumibako::storage
