#include "storage/AccountSettings.h"

#include "storage/AccountSecrets.h"
#include "storage/ProfileStore.h"
#include "storage/SettingValues.h"

#include <QRandomGenerator>

namespace fumibako::storage {

namespace {

const QString kProperty = QStringLiteral("Property");
const QString kKankyou = QStringLiteral("Kankyou");
const QString kSecurity = QStringLiteral("Security");
const QString kOAuth2 = QStringLiteral("OAuth2");

// The stored password is read with a large buffer (AccountSecrets): the historical 50-byte buffer
// silently cut passwords longer than 24 characters, so logins with today's long passwords failed.
// The other texts of "Property" and the sound file's path are read whole too: a cut server name
// or address breaks the account, a cut sender name changes the password's shift (so the password
// reads back wrong), and the account manager would write the cut values back.
constexpr int kTextBuffer = 1024;

// Ports are read as 1 to 65535: a 16-bit signed reading made every port above 32767 unusable.
quint16 readPort(const QString& key, const QString& userFile, quint16 fallback)
{
    const std::optional<double> value = parseDecimal(IniGetString(kProperty, key, 50, userFile));
    if (!value || *value < 1 || *value > 65535)
        return fallback;
    return static_cast<quint16>(*value);
}

QString readProperty(const QString& key, const QString& userFile)
{
    return IniGetString(kProperty, key, kTextBuffer, userFile);
}

} // namespace

AccountProperties readAccountProperties(const QString& userFile)
{
    AccountProperties p;
    p.loginName = readProperty(QStringLiteral("AccName"), userFile);
    p.mailAddress = readProperty(QStringLiteral("MailAddress"), userFile);
    p.smtpServer = readProperty(QStringLiteral("SMTPServer"), userFile);
    p.pop3Server = readProperty(QStringLiteral("POP3Server"), userFile);
    p.senderName = readProperty(QStringLiteral("Name"), userFile);
    p.password = readAccountSecret(userFile, AccountSecret::Password);
    p.apop = readInt16(kProperty, QStringLiteral("APOP"), 50, userFile, 0);
    p.smtpPortGiven = readInt16(kProperty, QStringLiteral("SMTPport"), 50, userFile, 0);
    p.smtpPort = readPort(QStringLiteral("SportNum"), userFile, 25);
    p.popPortGiven = readInt16(kProperty, QStringLiteral("POPport"), 50, userFile, 0);
    p.popPort = readPort(QStringLiteral("PportNum"), userFile, 110);
    p.security = readAccountSecurity(userFile);
    p.oauthProvider = readAccountProvider(userFile);
    return p;
}

QString readAccountProvider(const QString& userFile)
{
    return IniGetString(kOAuth2, QStringLiteral("Provider"), kTextBuffer, userFile).trimmed();
}

bool writeAccountProvider(const QString& userFile, const QString& provider)
{
    return writeProfileString(userFile, kOAuth2, QStringLiteral("Provider"), quotedIfNeeded(provider));
}

namespace {

platform::mail::ServerSecurity readServerSecurity(const QString& prefix, const QString& userFile)
{
    using platform::mail::ConnectionSecurity;
    platform::mail::ServerSecurity security;
    const qint16 mode = readInt16(kSecurity, prefix + QStringLiteral("Security"), 10, userFile, 0);
    if (mode == qint16(ConnectionSecurity::Tls) || mode == qint16(ConnectionSecurity::StartTls))
        security.mode = ConnectionSecurity(mode);
    security.allowPlainLogin = readInt16(kSecurity, prefix + QStringLiteral("PlainLogin"), 10, userFile, 0) == 1;
    return security;
}

} // namespace

AccountSecurity readAccountSecurity(const QString& userFile)
{
    return {readServerSecurity(QStringLiteral("POP3"), userFile), readServerSecurity(QStringLiteral("SMTP"), userFile)};
}

bool writeAccountSecurity(const QString& userFile, const AccountSecurity& security)
{
    const auto line = [](const char* key, int value) { return QString::fromLatin1(key) + QLatin1Char('=') + QString::number(value); };
    return IniWriteSection(kSecurity, userFile,
                           {line("POP3Security", int(security.pop3.mode)),
                            line("POP3PlainLogin", security.pop3.allowPlainLogin ? 1 : 0),
                            line("SMTPSecurity", int(security.smtp.mode)),
                            line("SMTPPlainLogin", security.smtp.allowPlainLogin ? 1 : 0)});
}

std::optional<ReceiveMethod> receiveMethodOf(int code)
{
    if (code < int(ReceiveMethod::CountOnly) || code > int(ReceiveMethod::ReceiveAndDelete))
        return std::nullopt;
    return static_cast<ReceiveMethod>(code);
}

AccountEnvironment readAccountEnvironment(const QString& userFile)
{
    AccountEnvironment e;
    e.receiveAtStart = readInt16(kKankyou, QStringLiteral("KidouJusin"), 50, userFile, 0);
    e.saveByDefault = readInt16(kKankyou, QStringLiteral("MailHozon"), 50, userFile, 0);
    e.receiveMethod = readInt16(kKankyou, QStringLiteral("MailJusin"), 50, userFile, 0);
    e.autoReceive = readInt16(kKankyou, QStringLiteral("AutoPOP"), 10, userFile, 0);
    e.autoReceiveMinutes = readInt16(kKankyou, QStringLiteral("AutoPOPTime"), 50, userFile, 3);
    e.newMailSound = readInt16(kKankyou, QStringLiteral("MailSound"), 50, userFile, 0);
    e.soundFile = IniGetString(kKankyou, QStringLiteral("MailSoundPath"), kTextBuffer, userFile);
    e.signatureByDefault = readInt16(kKankyou, QStringLiteral("Syomei"), 10, userFile, 0);
    e.gridLines = parseTruth(IniGetString(kKankyou, QStringLiteral("GridLine"), 10, userFile)).value_or(false);
    return e;
}

bool readReceiveAtStart(const QString& userFile)
{
    return readInt16(kKankyou, QStringLiteral("KidouJusin"), 50, userFile, 0) == 1;
}

int passwordShift(int nameLength)
{
    int k = nameLength;
    while (k > 4)
        k = (k / 2) + ((k % 2 == 1 && (k / 2) % 2 == 1) ? 1 : 0); // k/2 rounded, halves to even
    return k;
}

char16_t randomFiller()
{
    // 35 to 124 without the single quote, which could pair with a quote that begins the value.
    const int code = QRandomGenerator::global()->bounded(35, 124);
    return static_cast<char16_t>(code >= '\'' ? code + 1 : code);
}

QString scramblePassword(const QString& password, const QString& senderName, const FillerSource& filler)
{
    const int shift = passwordShift(senderName.size());
    QString stored;
    stored.reserve(password.size() * 2);
    for (const QChar c : password) {
        stored.append(QChar(static_cast<char16_t>(c.unicode() + shift)));
        stored.append(QChar(filler()));
    }
    return stored;
}

QString unscramblePassword(const QString& stored, const QString& senderName)
{
    const int shift = passwordShift(senderName.size());
    QString password;
    password.reserve(stored.size() / 2);
    for (qsizetype i = 0; i < stored.size(); i += 2)
        password.append(QChar(static_cast<char16_t>(stored.at(i).unicode() - shift)));
    return password;
}

bool storePassword(const QString& userFile, const QString& password, const FillerSource& filler)
{
    const QString senderName = readProperty(QStringLiteral("Name"), userFile);
    // A stored form that begins with a space or a quote is written between double quotes, which
    // every reader removes: unquoted, a read would trim the space or take the quote and a filler
    // that happens to match it at the end for a pair of quotes.
    const QString stored = quotedIfNeeded(scramblePassword(password, senderName, filler));
    return writeProfileString(userFile, kProperty, QStringLiteral("Password"), stored);
}

} // namespace fumibako::storage
