#include "storage/ProfileDocument.h"

#include "platform/Cp932.h"

#include <QStringDecoder>

#include <algorithm>
#include <cstring>

namespace fumibako::storage::detail {

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\v';
}

qsizetype skipBlanks(QStringView text, qsizetype from, qsizetype to)
{
    while (from < to && isBlank(text[from]))
        ++from;
    return from;
}

qsizetype trimEnd(QStringView text, qsizetype from, qsizetype to)
{
    while (to > from && isBlank(text[to - 1]))
        --to;
    return to;
}

QString decodeLine(const QByteArray& bytes, FileEncoding encoding)
{
    return encoding == FileEncoding::Utf8 ? QString::fromUtf8(bytes) : platform::decodeCp932(bytes);
}

/** Decodes @p bytes into @p out (room for bytes.size() units); the number of units written. */
qsizetype decodeLineInto(QByteArrayView bytes, FileEncoding encoding, char16_t* out)
{
    if (encoding == FileEncoding::Cp932)
        return platform::decodeCp932(bytes, out);
    // As QString::fromUtf8 of each line on its own (which drops a byte order mark starting it).
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QChar* begin = reinterpret_cast<QChar*>(out);
    return decoder.appendToBuffer(begin, bytes) - begin;
}

void classifyKey(ProfileLine& line, QStringView text, qsizetype begin, qsizetype eq)
{
    const qsizetype keyEnd = trimEnd(text, begin, eq);
    const qsizetype valueBegin = skipBlanks(text, eq + 1, text.size());
    const qsizetype valueEnd = trimEnd(text, valueBegin, text.size());
    line.kind = LineKind::Key;
    line.keyLength = qint32(keyEnd - begin);
    if (begin == 0 && keyEnd == eq && valueBegin == eq + 1 && valueEnd == text.size()) {
        line.entry = text; // the usual case: the decoded line itself
        return;
    }
    QString entry;
    entry.reserve(keyEnd - begin + 1 + valueEnd - valueBegin);
    entry.append(text.mid(begin, keyEnd - begin)).append(u'=');
    entry.append(text.mid(valueBegin, valueEnd - valueBegin));
    line.own = std::make_shared<const QString>(std::move(entry));
    line.entry = *line.own;
}

/**
 * Classifies one line the way the Windows profile functions read it. Its entry views @p text,
 * which the caller keeps alive, unless the entry had to be put together anew (then it is own).
 */
ProfileLine classifyLine(const QByteArray& bytes, LineEnd end, QStringView text)
{
    ProfileLine line;
    line.bytes = bytes;
    line.end = end;
    const qsizetype begin = skipBlanks(text, 0, text.size());
    if (begin == text.size())
        return line;
    const QChar first = text[begin];
    if (first == u'[') {
        qsizetype close = text.indexOf(u']', begin + 1);
        if (close < 0)
            close = text.size();
        const qsizetype nameBegin = skipBlanks(text, begin + 1, close);
        line.kind = LineKind::Header;
        line.entry = text.mid(nameBegin, trimEnd(text, nameBegin, close) - nameBegin);
    } else if (first == u';') {
        line.kind = LineKind::Comment;
    } else if (const qsizetype eq = text.indexOf(u'=', begin); eq >= 0) {
        classifyKey(line, text, begin, eq);
    } else {
        line.kind = LineKind::Text;
        line.entry = text.mid(begin, trimEnd(text, begin, text.size()) - begin);
    }
    return line;
}

/** A line that is not part of a parsed file (a changed or new line): it owns its text. */
ProfileLine parseLine(const QByteArray& bytes, FileEncoding encoding, LineEnd end)
{
    auto text = std::make_shared<const QString>(decodeLine(bytes, encoding));
    ProfileLine line = classifyLine(bytes, end, *text);
    if (!line.own)
        line.own = std::move(text);
    return line;
}

/** Position of the next CR or LF at or after @p pos, or @p size. */
qsizetype lineEndAt(const char* data, qsizetype pos, qsizetype size)
{
    const char* from = data + pos;
    const auto* lf = static_cast<const char*>(std::memchr(from, '\n', size_t(size - pos)));
    const qsizetype limit = lf ? lf - data : size;
    const auto* cr = static_cast<const char*>(std::memchr(from, '\r', size_t(limit - pos)));
    return cr ? cr - data : limit;
}

bool isAsciiLower(QStringView name)
{
    for (const QChar c : name) {
        if (c.unicode() >= 0x80 || (c >= u'A' && c <= u'Z'))
            return false;
    }
    return true;
}

const char* lineEndBytes(LineEnd end)
{
    switch (end) {
    case LineEnd::CrLf: return "\r\n";
    case LineEnd::Lf: return "\n";
    case LineEnd::Cr: return "\r";
    case LineEnd::None: break;
    }
    return "";
}

/** Adds @p key unless present (the first occurrence wins); false when it was present. */
bool insertFirst(QHash<QString, qsizetype>& hash, QString key, qsizetype value)
{
    if (hash.contains(key))
        return false;
    hash.insert(std::move(key), value);
    return true;
}

QString keyLine(QStringView key, QStringView value)
{
    QString line;
    line.reserve(key.size() + 1 + value.size());
    return line.append(key).append(u'=').append(value);
}

/** Where the line at @p pos ends and the next begins. */
struct LineBounds {
    qsizetype end;
    qsizetype next;
    LineEnd lineEnd;
};

LineBounds boundsAt(const char* data, qsizetype pos, qsizetype size)
{
    const qsizetype end = lineEndAt(data, pos, size);
    if (end < size && data[end] == '\r') {
        const bool crlf = end + 1 < size && data[end + 1] == '\n';
        return {end, end + (crlf ? 2 : 1), crlf ? LineEnd::CrLf : LineEnd::Cr};
    }
    if (end < size)
        return {end, end + 1, LineEnd::Lf};
    return {end, end, LineEnd::None};
}

/**
 * The number of lines before the first section header and in each section, so that every line
 * array is allocated once at its size. A header is found by its first byte that is not blank,
 * which in both encodings is the character itself.
 */
std::vector<qsizetype> countSectionLines(const char* data, qsizetype pos, qsizetype size)
{
    std::vector<qsizetype> counts{0};
    while (pos < size) {
        const LineBounds line = boundsAt(data, pos, size);
        qsizetype first = pos;
        while (first < line.end && (data[first] == ' ' || data[first] == '\t' || data[first] == '\v'))
            ++first;
        if (first < line.end && data[first] == '[')
            counts.push_back(0);
        else
            ++counts.back();
        pos = line.next;
    }
    return counts;
}

} // namespace

QString foldName(QStringView name)
{
    if (isAsciiLower(name))
        return name.toString();
    return name.toString().toCaseFolded();
}

// ---- ProfileDocument: reading ----

ProfileDocument ProfileDocument::parse(QByteArrayView bytes)
{
    return parse(platform::LargeVector<char>(bytes.begin(), bytes.end()));
}

ProfileDocument ProfileDocument::parse(platform::LargeVector<char> bytes)
{
    ProfileDocument doc;
    doc.m_source = std::move(bytes);
    const char* data = doc.m_source.data();
    const qsizetype size = qsizetype(doc.m_source.size());
    qsizetype pos = 0;
    if (QByteArrayView(data, size).startsWith(kUtf8Bom)) {
        doc.m_encoding = FileEncoding::Utf8;
        pos = 3;
    }
    const std::vector<qsizetype> counts = countSectionLines(data, pos, size);
    doc.m_preamble.reserve(size_t(counts.front()));
    doc.m_sections.reserve(counts.size() - 1);
    auto text = std::make_shared<DocumentText>();
    text->resize(size_t(size - pos)); // a byte never decodes to more than one unit
    qsizetype used = 0;
    ProfileSection* current = nullptr;
    while (pos < size) {
        const LineBounds bounds = boundsAt(data, pos, size);
        const QByteArrayView raw(data + pos, bounds.end - pos);
        const qsizetype units = decodeLineInto(raw, doc.m_encoding, text->data() + used);
        ProfileLine line = classifyLine(QByteArray::fromRawData(raw.data(), raw.size()), bounds.lineEnd,
                                        QStringView(text->data() + used, units));
        used += units;
        pos = bounds.next;
        if (line.kind == LineKind::Header) {
            doc.m_sections.emplace_back();
            current = &doc.m_sections.back();
            current->header = std::move(line);
            if (doc.m_sections.size() < counts.size())
                current->body.reserve(size_t(counts[doc.m_sections.size()]));
        } else if (current) {
            if (line.kind == LineKind::Key || line.kind == LineKind::Text)
                current->lastEntry = qsizetype(current->body.size());
            current->body.push_back(std::move(line));
        } else {
            doc.m_preamble.push_back(std::move(line));
        }
    }
    doc.m_text = std::move(text);
    doc.rebuildSectionIndex();
    return doc;
}

void ProfileDocument::rebuildSectionIndex()
{
    m_sectionIndex.clear();
    for (qsizetype i = 0; i < qsizetype(m_sections.size()); ++i)
        insertFirst(m_sectionIndex, foldName(m_sections[i].name()), i);
}

ProfileSection* ProfileDocument::findSection(QStringView name)
{
    const auto it = m_sectionIndex.constFind(foldName(name));
    return it == m_sectionIndex.cend() ? nullptr : &m_sections[*it];
}

const ProfileLine* ProfileDocument::findKey(QStringView section, QStringView key)
{
    ProfileSection* s = findSection(section);
    if (!s)
        return nullptr;
    const qsizetype i = s->findKey(key);
    return i < 0 ? nullptr : &s->body[i];
}

QStringList ProfileDocument::sectionLines(QStringView section)
{
    QStringList lines;
    ProfileSection* s = findSection(section);
    if (!s)
        return lines;
    lines.reserve(qsizetype(s->body.size()) - s->deadCount);
    for (const ProfileLine& line : s->body) {
        if (line.isEntry())
            lines.append(line.entry.toString());
    }
    return lines;
}

SectionText ProfileDocument::sectionText(QStringView section)
{
    SectionText lines;
    ProfileSection* s = findSection(section);
    if (!s)
        return lines;
    lines.reserve(s->body.size() - size_t(s->deadCount));
    for (const ProfileLine& line : s->body) {
        if (!line.isEntry())
            continue;
        if (line.own)
            lines.push_back({line.entry, line.own});
        else
            lines.push_back({line.entry, m_text});
    }
    return lines;
}

QStringList ProfileDocument::sectionNames() const
{
    QStringList names;
    for (const ProfileSection& s : m_sections) {
        if (!s.name().isEmpty()) // a nameless section is not listed, as on Windows
            names.append(s.header.entry.toString());
    }
    return names;
}

// ---- ProfileDocument: writing ----

QByteArray ProfileDocument::serialize(FileEncoding target) const
{
    const bool reencode = target != m_encoding;
    qsizetype total = 3;
    auto measure = [&total](const ProfileLine& l) { total += l.bytes.size() + 2; };
    std::for_each(m_preamble.begin(), m_preamble.end(), measure);
    for (const ProfileSection& s : m_sections) {
        measure(s.header);
        std::for_each(s.body.begin(), s.body.end(), measure);
    }
    QByteArray out;
    out.reserve(reencode ? total * 2 : total);
    if (target == FileEncoding::Utf8)
        out.append(kUtf8Bom);
    // A line without a line end is only ever the file's last; one that gets a successor gets CR LF.
    bool pendingEnd = false;
    auto put = [&](const ProfileLine& l) {
        if (l.dead)
            return;
        if (pendingEnd)
            out.append("\r\n");
        out.append(reencode ? decodeLine(l.bytes, m_encoding).toUtf8() : l.bytes);
        out.append(lineEndBytes(l.end));
        pendingEnd = l.end == LineEnd::None;
    };
    std::for_each(m_preamble.begin(), m_preamble.end(), put);
    for (const ProfileSection& s : m_sections) {
        put(s.header);
        std::for_each(s.body.begin(), s.body.end(), put);
    }
    return out;
}

ProfileLine ProfileDocument::makeLine(const QString& text, bool isHeader)
{
    // CR, LF or NUL in a name or value would break the line into several on disk.
    QString clean = text;
    for (QChar& c : clean) {
        if (c == u'\r' || c == u'\n' || c == QChar(0))
            c = u' ';
    }
    const QByteArray bytes = m_encoding == FileEncoding::Utf8 ? clean.toUtf8() : platform::encodeCp932(clean);
    ProfileLine line = parseLine(bytes, m_encoding, LineEnd::CrLf);
    if (line.kind == LineKind::Header && !isHeader)
        m_needsReparse = true; // a key or line starting with '[' opens a new section, as on Windows
    return line;
}

void ProfileDocument::ensureEncodable(std::initializer_list<QStringView> texts)
{
    if (m_encoding == FileEncoding::Utf8)
        return;
    for (QStringView t : texts) {
        if (!platform::isCp932Representable(t)) {
            *this = parse(serialize(FileEncoding::Utf8));
            return;
        }
    }
}

void ProfileDocument::ensureEncodable(const QStringList& texts)
{
    for (const QString& t : texts)
        ensureEncodable({QStringView(t)});
}

void ProfileDocument::reparseIfNeeded()
{
    if (m_needsReparse) {
        m_needsReparse = false;
        *this = parse(serialize());
    }
}

// Only the file's last line can lack a line end; lines are about to follow it.
void ProfileDocument::terminateLastLine()
{
    ProfileLine* last = nullptr;
    if (!m_sections.empty())
        last = m_sections.back().body.empty() ? &m_sections.back().header : &m_sections.back().body.back();
    else if (!m_preamble.empty())
        last = &m_preamble.back();
    if (last && last->end == LineEnd::None)
        last->end = LineEnd::CrLf;
}

void ProfileDocument::addSection(ProfileSection section)
{
    insertFirst(m_sectionIndex, foldName(section.name()), qsizetype(m_sections.size()));
    m_sections.push_back(std::move(section));
}

ProfileSection& ProfileDocument::appendSection(QStringView name)
{
    terminateLastLine();
    ProfileSection section;
    section.header = makeLine(QLatin1Char('[') + name.toString() + QLatin1Char(']'), true);
    addSection(std::move(section));
    return m_sections.back();
}

bool ProfileDocument::setString(QStringView section, QStringView key, QStringView value)
{
    ensureEncodable({section, key, value});
    ProfileSection* s = findSection(section);
    if (!s)
        s = &appendSection(section);
    const qsizetype i = s->findKey(key);
    if (i >= 0) {
        ProfileLine line = makeLine(keyLine(s->body[i].key(), value));
        if (line.bytes == s->body[i].bytes && s->body[i].end != LineEnd::None)
            return false;
        s->body[i] = std::move(line);
    } else {
        if (s == &m_sections.back())
            terminateLastLine();
        s->insertEntry(makeLine(keyLine(key, value)));
    }
    reparseIfNeeded();
    return true;
}

bool ProfileDocument::deleteKey(QStringView section, QStringView key)
{
    ProfileSection* s = findSection(section);
    const qsizetype i = s ? s->findKey(key) : -1;
    if (i < 0)
        return false;
    s->killLine(i);
    return true;
}

// The header and the entries go; comments and blank lines stay where they were, so they now
// belong to the section before (or to the lines before the first section).
bool ProfileDocument::deleteSection(QStringView section)
{
    ProfileSection* s = findSection(section);
    if (!s)
        return false;
    const qsizetype index = s - m_sections.data();
    LineVector& receiver = index == 0 ? m_preamble : m_sections[index - 1].body;
    for (ProfileLine& line : s->body) {
        if (!line.dead && (line.kind == LineKind::Comment || line.kind == LineKind::Blank))
            receiver.push_back(std::move(line));
    }
    m_sections.erase(m_sections.begin() + index);
    rebuildSectionIndex();
    return true;
}

// The new lines come right after the header; comments and blank lines of the old section stay
// after them.
bool ProfileDocument::writeSection(QStringView section, const QStringList& lines)
{
    ensureEncodable({section});
    ensureEncodable(lines);
    ProfileSection* s = findSection(section);
    if (!s)
        s = &appendSection(section);
    else if (s == &m_sections.back())
        terminateLastLine();
    LineVector body;
    body.reserve(size_t(lines.size()));
    for (const QString& text : lines)
        body.push_back(makeLine(text));
    for (ProfileLine& line : s->body) {
        if (!line.dead && (line.kind == LineKind::Comment || line.kind == LineKind::Blank))
            body.push_back(std::move(line));
    }
    s->body = std::move(body);
    s->resetIndex();
    reparseIfNeeded();
    return true;
}

} // namespace fumibako::storage::detail
