#include "platform/mail/CurlSupport.h"

#include <QFileInfo>
#include <QUrl>

#include <cctype>
#include <mutex>

namespace fumibako::platform::mail::net {

namespace {

void ensureGlobalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// Commands whose arguments carry no secret; anything else (USER, PASS, APOP, AUTH and SASL
// continuation lines) is recorded as "AUTH" so that no password lands in an error text.
bool isPlainCommand(const QByteArray& verb)
{
    static const QByteArrayList plain = {"STAT", "LIST", "RETR", "TOP", "DELE", "UIDL", "QUIT", "CAPA", "STLS",
                                         "NOOP", "RSET", "EHLO", "HELO", "STARTTLS", "MAIL", "RCPT", "DATA", "BDAT"};
    return plain.contains(verb.toUpper());
}

} // namespace

CurlEasy::CurlEasy()
{
    ensureGlobalInit();
    m_handle = curl_easy_init();
    if (m_handle)
        curl_easy_setopt(m_handle, CURLOPT_ERRORBUFFER, m_errorBuffer);
}

CurlEasy::~CurlEasy()
{
    if (m_handle)
        curl_easy_cleanup(m_handle);
}

CurlList::~CurlList()
{
    if (m_list)
        curl_slist_free_all(m_list);
}

bool CurlList::append(const QByteArray& item)
{
    curl_slist* grown = curl_slist_append(m_list, item.constData());
    if (!grown)
        return false;
    m_list = grown;
    return true;
}

QByteArray ServerAddress::url() const
{
    QByteArray hostPart = QUrl::toAce(host);
    if (hostPart.isEmpty())
        hostPart = host.toUtf8();
    if (host.contains(QLatin1Char(':')))
        hostPart = "[" + host.toUtf8() + "]"; // IPv6 literal
    QByteArray scheme = protocol == Protocol::Pop3 ? "pop3" : "smtp";
    if (implicitTls)
        scheme += 's';
    return scheme + "://" + hostPart + ":" + QByteArray::number(port);
}

QString ServerAddress::displayName() const
{
    return host + QLatin1Char(':') + QString::number(port);
}

ServerAddress parseServer(const QString& server, Protocol protocol, const ServerSecurity& security, bool apop)
{
    ServerAddress address;
    address.protocol = protocol;
    QString host = server.section(QLatin1Char('\t'), 0, 0).trimmed();
    const QString portText = server.section(QLatin1Char('\t'), 1, 1).trimmed();
    const QString tlsScheme = protocol == Protocol::Pop3 ? QStringLiteral("pop3s://") : QStringLiteral("smtps://");
    const QString plainScheme = protocol == Protocol::Pop3 ? QStringLiteral("pop3://") : QStringLiteral("smtp://");
    bool explicitScheme = false;
    if (host.startsWith(tlsScheme, Qt::CaseInsensitive)) {
        host = host.mid(tlsScheme.size());
        address.implicitTls = true;
        explicitScheme = true;
    } else if (host.startsWith(plainScheme, Qt::CaseInsensitive)) {
        host = host.mid(plainScheme.size());
        explicitScheme = true;
    }
    if (host.endsWith(QLatin1Char('/')))
        host.chop(1);
    const int defaultPort = protocol == Protocol::Pop3 ? (address.implicitTls ? 995 : 110)
                                                       : (address.implicitTls ? 465 : 25);
    bool portOk = true;
    address.port = portText.isEmpty() ? defaultPort : portText.toInt(&portOk);
    address.security = security.mode;
    if (security.mode == ConnectionSecurity::Tls)
        address.implicitTls = true;
    else if (security.mode == ConnectionSecurity::StartTls)
        address.implicitTls = false;
    else if (!explicitScheme)
        address.implicitTls = address.port == (protocol == Protocol::Pop3 ? 995 : 465);
    if (!address.implicitTls) {
        const bool clearLoginAllowed = security.mode == ConnectionSecurity::Automatic && security.allowPlainLogin;
        address.upgradeRequired = security.mode == ConnectionSecurity::StartTls
                                  || (protocol == Protocol::Pop3 && !clearLoginAllowed && !apop);
        // SMTP may go on unencrypted as long as it sends no password (relays, POP before SMTP).
        address.refuseClearLogin = protocol == Protocol::Smtp && !clearLoginAllowed;
    }
    address.host = host;
    address.valid = portOk && address.port > 0 && address.port < 65536 && !host.isEmpty()
                    && !host.contains(QLatin1Char('/')) && !host.contains(QLatin1Char(' '));
    return address;
}

ServerAddress addressForLogin(ServerAddress address, const Credentials& credentials)
{
    if (!credentials.usesBearer())
        return address;
    address.bearerLogin = true;
    if (!address.implicitTls) {
        address.upgradeRequired = true;
        address.refuseClearLogin = address.protocol == Protocol::Smtp;
    }
    return address;
}

void setLogin(CURL* handle, const Credentials& credentials)
{
    curl_easy_setopt(handle, CURLOPT_USERNAME, credentials.user.toUtf8().constData());
    if (credentials.usesBearer()) {
        curl_easy_setopt(handle, CURLOPT_XOAUTH2_BEARER, credentials.bearerToken.toUtf8().constData());
        curl_easy_setopt(handle, CURLOPT_LOGIN_OPTIONS, ("AUTH=" + credentials.bearerMechanism).constData());
    } else {
        curl_easy_setopt(handle, CURLOPT_PASSWORD, credentials.password.toUtf8().constData());
    }
}

QString bearerNotOfferedText(const ServerAddress& address)
{
    return QStringLiteral("Login failed: the server offers neither XOAUTH2 nor OAUTHBEARER\r\n"
                          "メールサーバー「%1」は OAuth 2.0 でのサインイン (XOAUTH2) に対応していません。"
                          "アカウントの設定で、認証の方法とサーバーを確認してください")
        .arg(address.displayName());
}

void Transcript::attach(CURL* handle, Protocol protocol)
{
    m_protocol = protocol;
    curl_easy_setopt(handle, CURLOPT_HEADERFUNCTION, &Transcript::onHeader);
    curl_easy_setopt(handle, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(handle, CURLOPT_DEBUGFUNCTION, &Transcript::onDebug);
    curl_easy_setopt(handle, CURLOPT_DEBUGDATA, this);
    curl_easy_setopt(handle, CURLOPT_VERBOSE, 1L); // the debug callback only runs in verbose mode
}

bool Transcript::isUpgradeCommand() const
{
    return m_lastCommand == "STLS" || m_lastCommand == "STARTTLS";
}

bool Transcript::isErrorLine(const QByteArray& line) const
{
    if (m_protocol == Protocol::Pop3)
        return line.startsWith("-ERR");
    // The final line of an SMTP reply ("550 …", not "550-…") with a 4xx or 5xx code.
    return line.size() >= 3 && (line.at(0) == '4' || line.at(0) == '5') && std::isdigit(uchar(line.at(1)))
           && std::isdigit(uchar(line.at(2))) && (line.size() == 3 || line.at(3) == ' ');
}

size_t Transcript::onHeader(char* data, size_t size, size_t count, void* self)
{
    const size_t total = size * count;
    // Returning 0 makes libcurl end the session here, before any credential is sent.
    return static_cast<Transcript*>(self)->replyReceived(QByteArray(data, qsizetype(total))) ? total : 0;
}

bool Transcript::replyReceived(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    m_lastLine = line;
    ++m_linesReceived;
    m_reply.append(QString::fromUtf8(line));
    noteMechanisms(line);
    noteCapability(line);
    if (isErrorLine(line)) {
        m_errorReply = m_reply.join(QLatin1Char(' '));
        m_errorCommand = m_lastCommand;
    }
    return !refusesUpgrade(line) && !refusesClearLogin(line);
}

void Transcript::noteCapability(const QByteArray& line)
{
    // POP3: the lines of the CAPA listing after its status line; SMTP: the EHLO reply's lines.
    const bool pop3Capa = m_protocol == Protocol::Pop3 && m_lastCommand == "CAPA" && m_reply.size() > 1 && line != ".";
    const bool ehlo = m_protocol == Protocol::Smtp && m_lastCommand.startsWith("EHLO") && line.size() > 4
                      && line.startsWith("250") && m_reply.size() > 1;
    if (pop3Capa || ehlo)
        m_capabilities.append(line.mid(ehlo ? 4 : 0).trimmed().toUpper().split(' ').value(0));
}

bool Transcript::offersCapability(const QByteArray& capability) const
{
    return m_capabilities.contains(capability.toUpper());
}

void Transcript::noteMechanisms(const QByteArray& line)
{
    if (!m_mechanisms)
        return;
    QByteArray offer;
    if (m_protocol == Protocol::Pop3 && m_lastCommand == "CAPA" && line.toUpper().startsWith("SASL "))
        offer = line.mid(5);
    else if (m_protocol == Protocol::Smtp && m_lastCommand.startsWith("EHLO") && line.size() > 8 && line.startsWith("250")
             && (line.mid(4, 5).toUpper() == "AUTH " || line.mid(4, 5).toUpper() == "AUTH="))
        offer = line.mid(9);
    else
        return;
    m_mechanisms = offer.trimmed().toUpper().simplified().split(' ');
}

std::optional<bool> Transcript::offers(const QByteArray& mechanism) const
{
    if (!m_mechanisms)
        return std::nullopt;
    return m_mechanisms->contains(mechanism.toUpper());
}

bool Transcript::refusesUpgrade(const QByteArray& line)
{
    if (!isUpgradeCommand())
        return false;
    // libcurl's "try" mode would go on without TLS after a refusal.
    const bool smtpFinal = line.size() >= 4 && line.at(3) == ' ';
    if (m_lastCommand == "STARTTLS" && smtpFinal && line.startsWith("220"))
        m_encrypted = true;
    const bool popRefused = line.startsWith("-ERR");
    const bool smtpRefused = m_lastCommand == "STARTTLS" && smtpFinal && !line.startsWith("220");
    m_tlsRefused = popRefused || smtpRefused;
    return m_tlsRefused;
}

bool Transcript::refusesClearLogin(const QByteArray& line)
{
    if (m_protocol != Protocol::Smtp || !m_lastCommand.startsWith("EHLO") || line.size() < 4)
        return false;
    if (!line.startsWith("250"))
        return false;
    const QByteArray capability = line.mid(4).trimmed().toUpper();
    if (capability == "STARTTLS")
        m_offersStartTls = true;
    else if (capability.startsWith("AUTH ") || capability.startsWith("AUTH="))
        m_offersAuth = true;
    if (line.at(3) != ' ')
        return false;
    // The last line of the EHLO reply: libcurl takes STARTTLS when offered, else logs in as it is.
    const bool refused = m_refuseClearLogin && !m_encrypted && m_offersAuth && !m_offersStartTls;
    m_offersAuth = false;
    m_offersStartTls = false;
    m_clearLoginRefused = refused;
    return refused;
}

int Transcript::onDebug(CURL*, curl_infotype type, char* data, size_t size, void* self)
{
    if (type == CURLINFO_HEADER_OUT)
        static_cast<Transcript*>(self)->commandSent(QByteArray(data, qsizetype(size)));
    return 0;
}

void Transcript::commandSent(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    const QByteArray verb = line.split(' ').value(0).toUpper();
    m_lastCommand = isPlainCommand(verb) ? (verb == "STLS" || verb == "STARTTLS" ? verb : line) : QByteArray("AUTH");
    if (verb == "CAPA" || verb == "EHLO") {
        m_mechanisms = QByteArrayList(); // what its reply offers, nothing until it says
        m_capabilities.clear();
    }
    startCommand();
}

long silenceTimeoutSeconds()
{
    bool ok = false;
    const long value = qEnvironmentVariable("FUMIBAKO_NET_TIMEOUT").toLong(&ok);
    return ok && value > 0 ? value : 60;
}

void configureConnection(CURL* handle, const ServerAddress& address, Transcript& transcript)
{
    const long silence = silenceTimeoutSeconds();
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT, std::min(silence, 30L));
    curl_easy_setopt(handle, CURLOPT_SERVER_RESPONSE_TIMEOUT, silence);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(handle, CURLOPT_LOW_SPEED_TIME, silence);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    // Implicit TLS comes from the URL scheme; elsewhere upgrade, required or when the server
    // offers it. The transcript turns libcurl's fallback after a refused upgrade into an error.
    if (!address.implicitTls)
        curl_easy_setopt(handle, CURLOPT_USE_SSL,
                         static_cast<long>(address.upgradeRequired ? CURLUSESSL_ALL : CURLUSESSL_TRY));
    const QByteArray caFile = qgetenv("FUMIBAKO_CA_FILE");
    if (!caFile.isEmpty() && QFileInfo::exists(QString::fromLocal8Bit(caFile))) {
        // CAINFO replaces the bundle file; the system's hashed directory stays trusted.
        curl_easy_setopt(handle, CURLOPT_CAINFO, caFile.constData());
        curl_easy_setopt(handle, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    transcript.attach(handle, address.protocol);
    transcript.m_refuseClearLogin = address.refuseClearLogin;
    transcript.m_encrypted = address.implicitTls;
}

bool isConnectFailure(CURLcode code)
{
    return code == CURLE_COULDNT_RESOLVE_HOST || code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_PROXY;
}

bool isTlsFailure(CURLcode code)
{
    switch (code) {
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_USE_SSL_FAILED:
        return true;
    default:
        return false;
    }
}

namespace {

// The CA bundle libcurl trusts by default ("/etc/ssl/certs/ca-certificates.crt" on Debian, from
// the package ca-certificates); empty when libcurl was built without one.
QString systemCertificateStore()
{
#if LIBCURL_VERSION_NUM >= 0x075400 // CURLINFO_CAINFO came with 7.84.0
    ensureGlobalInit();
    CURL* handle = curl_easy_init();
    if (!handle)
        return {};
    char* path = nullptr;
    QString store;
    if (curl_easy_getinfo(handle, CURLINFO_CAINFO, &path) == CURLE_OK && path)
        store = QString::fromLocal8Bit(path);
    curl_easy_cleanup(handle);
    return store;
#else
    return QStringLiteral("/etc/ssl/certs/ca-certificates.crt");
#endif
}

} // namespace

QString tlsErrorText(const QString& curlText)
{
    return tlsErrorText(curlText, systemCertificateStore());
}

QString tlsErrorText(const QString& curlText, const QString& certificateStore)
{
    if (!certificateStore.isEmpty() && !QFileInfo::exists(certificateStore)) {
        return QStringLiteral("TLS error: %1\r\nこのコンピューターには信頼する証明書の一覧（%2）がないため、"
                              "サーバーの証明書を確認できず、接続を中止しました。"
                              "ca-certificates パッケージをインストールしてください")
            .arg(curlText, certificateStore);
    }
    return QStringLiteral("TLS error: %1\r\nサーバーの証明書を確認できなかったため、接続を中止しました"
                          "（暗号化されない接続には切り替えていません）")
        .arg(curlText);
}

QString timeoutErrorText(const QString& curlText)
{
    return QStringLiteral("Server timeout: %1\r\nサーバーからの応答が途絶えたため、中止しました").arg(curlText);
}

QString clearLoginRefusedText(const ServerAddress& address)
{
    const QString upgrade = address.protocol == Protocol::Pop3 ? QStringLiteral("STLS") : QStringLiteral("STARTTLS");
    if (address.bearerLogin)
        return QStringLiteral("メールサーバー「%1」は暗号化 (%2) に対応していないため、サインインの情報を送らずに中止しました。\r\n"
                              "サインイン（OAuth 2.0）のトークンは、暗号化した接続でしか送りません")
            .arg(address.displayName(), upgrade);
    const QString advice = address.security == ConnectionSecurity::Automatic
                               ? QStringLiteral("暗号化しないでログインするには、アカウントの設定で許可してください")
                               : QStringLiteral("アカウントの設定で、接続の暗号化の方式を確認してください");
    return QStringLiteral("メールサーバー「%1」は暗号化 (%2) に対応していないため、パスワードを送らずに中止しました。\r\n%3")
        .arg(address.displayName(), upgrade, advice);
}

QString tlsRefusedText(const QString& serverReply)
{
    return QStringLiteral("TLS error: the server offered encryption but refused it (%1)\r\n"
                          "暗号化できなかったため、パスワードを送らずに中止しました")
        .arg(serverReply);
}

} // namespace fumibako::platform::mail::net

namespace fumibako::platform::mail {

QString serverArgument(const QString& host, bool portGiven, const QString& port)
{
    // net::parseServer reads it back.
    return portGiven ? host + QLatin1Char('\t') + port : host;
}

} // namespace fumibako::platform::mail
