#include "filing/JunkInput.h"

#include "platform/mail/Charsets.h"
#include "platform/mail/HeaderFields.h"

#include <QFile>

namespace fumibako::filing {

namespace {

// Of a message that cannot be parsed, its start: a broken file may be of any size.
constexpr qint64 kRawBytes = 256 * 1024;
// Received fields beyond these are the sender's own servers, which the sender chooses.
constexpr int kRelayFields = 6;

bool isField(const platform::mail::MailHeaderField& field, const char* name)
{
    return field.name.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

// The charset parameter of a raw Content-Type value, "" when it has none.
QString charsetOf(const QString& contentType)
{
    const QString value = platform::mail::headerParameter(contentType.toLatin1(), "charset");
    return value.isNull() ? QString() : value;
}

} // namespace

JunkInput junkInputOf(const platform::mail::MailFilingText& mail)
{
    JunkInput input;
    bool haveFrom = false;
    for (const platform::mail::MailHeaderField& field : mail.headers) {
        if (isField(field, "Subject") && input.subject.isEmpty()) {
            input.subject = field.value;
        } else if (isField(field, "From") && !haveFrom) {
            const QStringList entries = platform::mail::splitAddressList(field.value);
            const platform::mail::MailAddress from = platform::mail::parseAddress(entries.value(0));
            input.fromName = from.name;
            input.fromAddress = from.address;
            haveFrom = true;
        } else if (isField(field, "Received") && input.relays.size() < kRelayFields) {
            input.relays.append(field.value);
        } else if (isField(field, "X-Mailer") || isField(field, "User-Agent")) {
            input.mailers.append(field.value);
        } else if (isField(field, "Content-Type") && input.charset.isEmpty()) {
            input.charset = charsetOf(field.value);
        } else if (isField(field, "X-Spam-Flag") || isField(field, "X-Spam-Status")) {
            input.providerFlagged = input.providerFlagged || field.value.trimmed().startsWith(QLatin1String("yes"), Qt::CaseInsensitive);
        }
    }
    input.body = mail.body;
    input.links = mail.links;
    return input;
}

JunkInput junkInputOfBytes(const QByteArray& bytes)
{
    JunkInput input;
    input.body = platform::mail::decodeText(bytes, "");
    return input;
}

std::optional<JunkInput> readJunkInput(const QString& file)
{
    if (std::optional<platform::mail::MailFilingText> mail = platform::mail::ReadMailFilingText(file))
        return junkInputOf(*mail);
    QFile raw(file);
    if (!raw.open(QIODevice::ReadOnly))
        return std::nullopt;
    return junkInputOfBytes(raw.read(kRawBytes));
}

} // namespace fumibako::filing
