#include "filing/JunkInput.h"

#include "platform/mail/Charsets.h"
#include "platform/mail/HeaderFields.h"

#include <QFile>

namespace fumibako::filing {

namespace {

// Of a message that cannot be parsed, its start: a broken file may be of any size.
constexpr qint64 kRawBytes = 256 * 1024;
// Received fields beyond these are the sender's own servers, which the sender chooses.
constexpr qsizetype kRelayFields = 6;

const char* const kHeaders[] = {"subject", "from", "received", "x-mailer", "user-agent", "content-type",
                                "x-spam-flag", "x-spam-status"};

QString first(FilingInput& message, const char* name)
{
    return message.header(QLatin1String(name)).value(0);
}

// The charset parameter of a Content-Type value, "" when it has none.
QString charsetOf(const QString& contentType)
{
    const QString value = platform::mail::headerParameter(contentType.toLatin1(), "charset");
    return value.isNull() ? QString() : value;
}

bool saysYes(const QStringList& values)
{
    return std::any_of(values.cbegin(), values.cend(),
                       [](const QString& value) { return value.trimmed().startsWith(QLatin1String("yes"), Qt::CaseInsensitive); });
}

} // namespace

FieldNeeds junkNeeds()
{
    FieldNeeds needs;
    for (const char* name : kHeaders)
        needs.addHeader(QLatin1String(name));
    needs.body = true;
    return needs;
}

JunkInput junkInputOf(FilingInput& message)
{
    if (!message.isMail()) {
        QFile raw(message.path());
        return junkInputOfBytes(raw.open(QIODevice::ReadOnly) ? raw.read(kRawBytes) : QByteArray());
    }
    JunkInput input;
    input.subject = first(message, "subject");
    const platform::mail::MailAddress from =
        platform::mail::parseAddress(platform::mail::splitAddressList(first(message, "from")).value(0));
    input.fromName = from.name;
    input.fromAddress = from.address;
    input.relays = message.header(QStringLiteral("received")).mid(0, kRelayFields);
    input.mailers = message.header(QStringLiteral("x-mailer")) + message.header(QStringLiteral("user-agent"));
    input.charset = charsetOf(first(message, "content-type"));
    input.body = message.body();
    input.links = message.links();
    input.providerFlagged = saysYes(message.header(QStringLiteral("x-spam-flag")))
        || saysYes(message.header(QStringLiteral("x-spam-status")));
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
    if (!QFile(file).open(QIODevice::ReadOnly))
        return std::nullopt;
    FilingInput message = FilingInput::fromFile(file);
    return junkInputOf(message);
}

} // namespace fumibako::filing
