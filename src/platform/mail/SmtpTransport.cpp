#include "platform/mail/CurlSupport.h"
#include "platform/mail/MailLibrary.h"
#include "platform/mail/SmtpTransport.h"

#include <cctype>
#include <cstring>

namespace fumibako::platform::mail {

namespace {

struct Upload {
    const QByteArray* data = nullptr;
    qsizetype position = 0;
};

size_t readUpload(char* buffer, size_t size, size_t count, void* source)
{
    auto* upload = static_cast<Upload*>(source);
    const qsizetype left = upload->data->size() - upload->position;
    const qsizetype chunk = std::min<qsizetype>(left, qsizetype(size * count));
    std::memcpy(buffer, upload->data->constData() + upload->position, size_t(chunk));
    upload->position += chunk;
    return size_t(chunk);
}

QByteArray angleAddress(QByteArray address)
{
    address = address.trimmed();
    if (!address.startsWith('<'))
        address = '<' + address + '>';
    return address;
}

QString describeFailure(CURLcode code, const net::CurlEasy& curl, const net::Transcript& transcript)
{
    const QString curlText = curl.errorText().isEmpty() ? QString::fromUtf8(curl_easy_strerror(code)) : curl.errorText();
    curl_off_t connectTime = 0;
    curl_easy_getinfo(curl.get(), CURLINFO_CONNECT_TIME_T, &connectTime);
    if (transcript.tlsUpgradeRefused())
        return net::tlsRefusedText(transcript.reply().join(QLatin1Char(' ')));
    if (net::isConnectFailure(code) || (code == CURLE_OPERATION_TIMEDOUT && connectTime == 0))
        return QStringLiteral("Cant connect Server (%1)").arg(curlText);
    if (net::isTlsFailure(code))
        return net::tlsErrorText(curlText);
    if (!transcript.errorReply().isEmpty()) {
        QString text = QStringLiteral("SMTP error ") + transcript.errorReply();
        if (transcript.errorCommand().startsWith("RCPT"))
            text += QStringLiteral(" (%1)\r\nあて先が受け付けられなかったため、どのあて先にも送信していません")
                        .arg(QString::fromUtf8(transcript.errorCommand()));
        return text;
    }
    if (code == CURLE_OPERATION_TIMEDOUT)
        return net::timeoutErrorText(curlText);
    return QStringLiteral("SMTP failure: ") + curlText;
}

void setEnvelope(CURL* handle, const ComposedMessage& message, net::CurlList& recipients)
{
    curl_easy_setopt(handle, CURLOPT_MAIL_FROM, angleAddress(message.envelopeFrom).constData());
    for (const QByteArray& recipient : message.envelopeRecipients)
        recipients.append(angleAddress(recipient));
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT, recipients.get());
    // A refused recipient fails the whole send (no partial delivery): the user fixes the address
    // and sends again without the others receiving the message twice.
    curl_easy_setopt(handle, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 0L);
}

} // namespace

QString sendMessage(const QString& server, const ComposedMessage& message, const SmtpLogin& login)
{
    if (message.envelopeRecipients.isEmpty())
        return QStringLiteral("SMTP failure: no recipient");
    const net::ServerAddress address = net::parseServer(server, net::Protocol::Smtp);
    if (!address.valid)
        return QStringLiteral("Cant connect Server (invalid server name: %1)").arg(server);

    net::CurlEasy curl;
    net::Transcript transcript;
    CURL* handle = curl.get();
    if (!handle)
        return QStringLiteral("SMTP failure: cannot start libcurl");
    net::configureConnection(handle, address, transcript);
    curl_easy_setopt(handle, CURLOPT_URL, address.url().constData());
    net::CurlList envelopeRecipients;
    setEnvelope(handle, message, envelopeRecipients);
    if (!login.user.isEmpty()) { // used only when the server offers AUTH
        curl_easy_setopt(handle, CURLOPT_USERNAME, login.user.toUtf8().constData());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, login.password.toUtf8().constData());
    }
    Upload upload{&message.data, 0};
    curl_easy_setopt(handle, CURLOPT_UPLOAD, 1L);
    curl_easy_setopt(handle, CURLOPT_READFUNCTION, &readUpload);
    curl_easy_setopt(handle, CURLOPT_READDATA, &upload);
    curl_easy_setopt(handle, CURLOPT_INFILESIZE_LARGE, curl_off_t(message.data.size()));
    const CURLcode code = curl_easy_perform(handle);
    return code == CURLE_OK ? QString() : describeFailure(code, curl, transcript);
}

} // namespace fumibako::platform::mail
