#include "filing/FilingInput.h"

#include "platform/TextRules.h"
#include "platform/mail/HeaderFields.h"
#include "platform/mail/MailLibrary.h"

#include <QFileInfo>

#include <deque>

#include <utility>

namespace fumibako::filing {

void FieldNeeds::addHeader(const QString& name)
{
    const QString lower = name.toLower();
    if (!headers.contains(lower))
        headers.append(lower);
}

void FieldNeeds::add(const FieldNeeds& other)
{
    for (const QString& name : other.headers)
        addHeader(name);
    body = body || other.body;
    size = size || other.size;
    attachments = attachments || other.attachments;
}

bool FieldNeeds::indexFieldsSuffice() const
{
    if (body || size)
        return false;
    for (const QString& name : headers) {
        if (name != QLatin1String("from") && name != QLatin1String("subject"))
            return false;
    }
    return true;
}

namespace {

// A-Z as a-z, nothing else: Sieve's i;ascii-casemap.
QString asciiLowered(const QString& text)
{
    QString lowered = text;
    for (QChar& c : lowered) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 32);
    }
    return lowered;
}

} // namespace

QString comparedText(const QString& text, Comparison comparison)
{
    switch (comparison) {
    case Comparison::Folded: return textrules::foldText(text);
    case Comparison::AsciiCase: return asciiLowered(text);
    case Comparison::Exact: return text;
    }
    return text;
}

namespace {

constexpr int kComparisons = 3;

// @p name in lower case; without A-Z, the same string (no copy): field names are mostly asked
// for in lower case already, many times per message.
QString lowerName(const QString& name)
{
    for (QChar c : name) {
        if (c >= u'A' && c <= u'Z')
            return name.toLower();
    }
    return name;
}

} // namespace

// A message has only the few fields its rules ask for: a short list beats a hash.
struct FilingInput::Field {
    QString name; // lower case
    QStringList values;
    std::optional<QStringList> forms[kComparisons];
};

struct FilingInput::Data {
    QString path;
    bool headersRead = false;
    QList<std::pair<QByteArray, QByteArray>> rawFields;
    std::deque<Field> fields; // stays put as fields are added: header() hands out references
    bool contentRead = false;
    bool mail = false;
    QString body;
    QStringList links;
    std::optional<QString> bodyForms[kComparisons];
    std::optional<bool> attachments;
    std::optional<qint64> size;
};

FilingInput FilingInput::fromFile(const QString& path)
{
    FilingInput input;
    input.data().path = path;
    return input;
}

FilingInput FilingInput::withKnownFields(const QString& path, const QString& from, const QString& subject,
                                         bool hasAttachments)
{
    FilingInput input = fromFile(path);
    Data& d = input.data();
    // An empty field is what the reader gives for a missing one: the rules see no field then.
    d.fields.push_back({QStringLiteral("from"), from.isEmpty() ? QStringList() : QStringList{from}, {}});
    d.fields.push_back({QStringLiteral("subject"), subject.isEmpty() ? QStringList() : QStringList{subject}, {}});
    d.attachments = hasAttachments;
    return input;
}

FilingInput FilingInput::fromServerHeader(QByteArrayView header, qint64 size)
{
    FilingInput input;
    Data& d = input.data();
    d.rawFields = platform::mail::headerFields(header);
    d.headersRead = true;
    d.contentRead = true; // nothing to read: the body is not here
    d.attachments = false;
    d.size = size;
    return input;
}

FilingInput::Data& FilingInput::data()
{
    if (!m_data)
        m_data = std::make_shared<Data>();
    return *m_data;
}

const QString& FilingInput::path() const
{
    static const QString none;
    return m_data ? m_data->path : none;
}

void FilingInput::setPath(const QString& path)
{
    data().path = path;
}

void FilingInput::prefetch(const FieldNeeds& needs)
{
    for (const QString& name : needs.headers)
        header(name, Comparison::Folded);
    if (needs.body)
        body(Comparison::Folded);
    if (needs.size)
        size();
    if (needs.attachments)
        hasAttachments();
}

void FilingInput::setHeaderFields(QList<std::pair<QByteArray, QByteArray>> fields)
{
    Data& d = data();
    d.rawFields = std::move(fields);
    d.headersRead = true;
}

void FilingInput::readHeaders()
{
    Data& d = data();
    if (d.headersRead)
        return;
    d.headersRead = true;
    d.rawFields = platform::mail::ReadHeaderFields(d.path);
}

FilingInput::Field& FilingInput::field(const QString& name)
{
    Data& d = data();
    const QString key = lowerName(name);
    for (Field& field : d.fields) {
        if (field.name == key)
            return field;
    }
    readHeaders();
    QStringList values;
    for (const auto& [fieldName, raw] : std::as_const(d.rawFields)) {
        if (QString::fromLatin1(fieldName).compare(key, Qt::CaseInsensitive) == 0)
            values.append(platform::mail::decodedFieldValue(fieldName, raw));
    }
    d.fields.push_back({key, values, {}});
    return d.fields.back();
}

const QStringList& FilingInput::header(const QString& name)
{
    return field(name).values;
}

const QStringList& FilingInput::header(const QString& name, Comparison comparison)
{
    Field& found = field(name);
    if (comparison == Comparison::Exact)
        return found.values;
    std::optional<QStringList>& forms = found.forms[int(comparison)];
    if (!forms) {
        QStringList compared;
        compared.reserve(found.values.size());
        for (const QString& value : std::as_const(found.values))
            compared.append(comparedText(value, comparison));
        forms = std::move(compared);
    }
    return *forms;
}

void FilingInput::readContent()
{
    Data& d = data();
    if (d.contentRead)
        return;
    d.contentRead = true;
    std::optional<platform::mail::MailFilingText> content = platform::mail::ReadMailFilingText(d.path);
    if (!content)
        return;
    d.mail = true;
    d.body = std::move(content->body);
    d.links = std::move(content->links);
    if (!d.attachments)
        d.attachments = content->attachments > 0;
}

const QStringList& FilingInput::links()
{
    readContent();
    return data().links;
}

bool FilingInput::isMail()
{
    readContent();
    return data().mail;
}

const QString& FilingInput::body()
{
    readContent();
    return data().body;
}

const QString& FilingInput::body(Comparison comparison)
{
    std::optional<QString>& form = data().bodyForms[int(comparison)];
    if (!form)
        form = comparedText(body(), comparison);
    return *form;
}

qint64 FilingInput::size()
{
    Data& d = data();
    if (!d.size)
        d.size = QFileInfo(d.path).size();
    return *d.size;
}

bool FilingInput::hasAttachments()
{
    Data& d = data();
    if (!d.attachments)
        readContent();
    return d.attachments.value_or(false);
}

} // namespace fumibako::filing
