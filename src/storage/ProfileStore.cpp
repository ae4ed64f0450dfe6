#include "storage/ProfileStore.h"

#include "platform/Cp932.h"
#include "storage/ProfileCache.h"

/*
 * Semantics kept from the Windows profile functions:
 * - a line is a section header when its first non-blank character is '[' (the name ends at the
 *   first ']'), a comment when it is ';', a key when it holds '=' (split at the first one), else a
 *   text line that IniGetSection returns but that is no key; lines before the first header are
 *   unreachable;
 * - key names and values are trimmed of space, TAB and VT; section and key arguments of ASCII
 *   spaces only; names compare without case (full-width letters too);
 * - with duplicate sections or keys the first one is read, written and deleted;
 * - a new key goes after the last key line of its section, a new section at the end of the file;
 *   untouched lines are written back byte for byte.
 * Mended: CR, LF and NUL in names, values and section lines become spaces when written (they
 * would otherwise inject lines), and a value is cut at whole characters only.
 */
namespace fumibako::storage {

using detail::CachedFile;
using detail::ProfileCache;
using detail::ProfileDocument;

namespace {

/** A section or key argument as the profile functions see it: ASCII spaces trimmed. */
QString cleanName(const QString& name)
{
    QString clean = name;
    for (QChar& c : clean) {
        if (c == u'\r' || c == u'\n' || c == QChar(0))
            c = u' ';
    }
    qsizetype begin = 0;
    qsizetype end = clean.size();
    while (begin < end && clean[begin] == u' ')
        ++begin;
    while (end > begin && clean[end - 1] == u' ')
        --end;
    return clean.mid(begin, end - begin);
}

/** One pair of equal outer quotes is removed, as GetPrivateProfileString does. */
QStringView unquote(QStringView value)
{
    if (value.size() >= 2 && (value.front() == u'"' || value.front() == u'\'') && value.back() == value.front())
        return value.mid(1, value.size() - 2);
    return value;
}

/** Runs @p change on the file's document and writes it when it changed. */
template<typename Change>
bool modify(const QString& file, bool isDelete, Change&& change)
{
    if (file.isEmpty())
        return false;
    ProfileCache& cache = ProfileCache::instance();
    const auto lock = cache.lock();
    const QString path = detail::cacheKey(file);
    CachedFile& cached = cache.load(path);
    if (!cache.writable(path, cached)) // nothing to delete from a missing file is no failure
        return isDelete && !cached.unreadable && !cached.stamp.exists;
    if (!change(cached.doc))
        return true;
    return cache.changed(path, cached);
}

} // namespace

QString IniGetString(const QString& section, const QString& key, int bufferSize, const QString& file)
{
    if (bufferSize <= 1 || file.isEmpty())
        return {};
    ProfileCache& cache = ProfileCache::instance();
    const auto lock = cache.lock();
    CachedFile& cached = cache.load(detail::cacheKey(file));
    const detail::ProfileLine* line = cached.doc.findKey(cleanName(section), cleanName(key));
    if (!line)
        return {};
    return StripAtNul(platform::cutToCp932Bytes(unquote(line->value()), bufferSize - 1));
}

QString quotedIfNeeded(const QString& value)
{
    if (value.isEmpty())
        return value;
    const auto isBlank = [](QChar c) { return c == u' ' || c == u'\t' || c == u'\v'; };
    const QChar first = value.front();
    if (isBlank(first) || isBlank(value.back()) || first == u'"' || first == u'\'')
        return QLatin1Char('"') + value + QLatin1Char('"');
    return value;
}

QString IniWriteString(const QString& section, const QString& key, const QString& value, const QString& file)
{
    const QString s = cleanName(section);
    const QString k = cleanName(key);
    const bool ok = modify(file, false, [&](ProfileDocument& doc) { return doc.setString(s, k, value); });
    return ok ? QStringLiteral("1") : QStringLiteral("0");
}

bool writeProfileString(const QString& file, const QString& section, const QString& key, const QString& value)
{
    return IniWriteString(section, key, value, file) == QLatin1String("1");
}

bool IniDeleteKey(const QString& file, const QString& section, const QString& key)
{
    const QString s = cleanName(section);
    const QString k = cleanName(key);
    return modify(file, true, [&](ProfileDocument& doc) { return doc.deleteKey(s, k); });
}

bool IniDeleteSection(const QString& file, const QString& section)
{
    const QString s = cleanName(section);
    return modify(file, true, [&](ProfileDocument& doc) { return doc.deleteSection(s); });
}

bool IniGetSection(const QString& section, const QString& file, QStringList& lines)
{
    if (file.isEmpty())
        return false;
    ProfileCache& cache = ProfileCache::instance();
    const auto lock = cache.lock();
    QStringList found = cache.load(detail::cacheKey(file)).doc.sectionLines(cleanName(section));
    if (found.isEmpty())
        return false;
    lines = std::move(found);
    return true;
}

SectionText readSectionText(const QString& file, const QString& section)
{
    if (file.isEmpty())
        return {};
    ProfileCache& cache = ProfileCache::instance();
    const auto lock = cache.lock();
    return cache.load(detail::cacheKey(file)).doc.sectionText(cleanName(section));
}

bool IniWriteSection(const QString& section, const QString& file, const QStringList& lines)
{
    // The platform reads the joined list up to its first empty element.
    qsizetype count = 0;
    while (count < lines.size() && !lines.at(count).isEmpty())
        ++count;
    const QStringList written = lines.mid(0, count);
    const QString s = cleanName(section);
    return modify(file, false, [&](ProfileDocument& doc) { return doc.writeSection(s, written); });
}

bool IniGetSectionNames(const QString& file, QStringList& names)
{
    if (file.isEmpty())
        return false;
    ProfileCache& cache = ProfileCache::instance();
    const auto lock = cache.lock();
    QStringList found = cache.load(detail::cacheKey(file)).doc.sectionNames();
    if (found.isEmpty())
        return false;
    names = std::move(found);
    return true;
}

QString StripAtNul(const QString& text)
{
    const qsizetype nul = text.indexOf(QChar(0));
    return nul < 0 ? text : text.left(nul);
}

bool writeOrderedList(const QString& section, const QString& file, const QStringList& entries)
{
    QStringList lines;
    lines.reserve(entries.size() + 1);
    lines.append(QStringLiteral("Count=") + QString::number(entries.size()));
    for (qsizetype i = 0; i < entries.size(); ++i)
        lines.append(QString::number(i) + QLatin1Char('=') + entries.at(i));
    return IniWriteSection(section, file, lines);
}

QStringList readOrderedList(const QString& section, const QString& file, int countBuffer, int entryBuffer)
{
    QStringList entries;
    bool ok = false;
    const int count = IniGetString(section, QStringLiteral("Count"), countBuffer, file).trimmed().toInt(&ok);
    for (int i = 0; ok && i < count; ++i)
        entries.append(IniGetString(section, QString::number(i), entryBuffer, file));
    return entries;
}

ProfileWriteBatch::ProfileWriteBatch()
{
    ProfileCache& cache = ProfileCache::instance();
    const auto lock = cache.lock();
    cache.beginBatch();
}

ProfileWriteBatch::~ProfileWriteBatch()
{
    ProfileCache& cache = ProfileCache::instance();
    const auto lock = cache.lock();
    cache.endBatch();
}

bool ProfileWriteBatch::commit()
{
    ProfileCache& cache = ProfileCache::instance();
    const auto lock = cache.lock();
    m_committed = true;
    return cache.batchDepth() == 1 ? cache.flush() : true;
}

void clearProfileCache()
{
    ProfileCache& cache = ProfileCache::instance();
    const auto lock = cache.lock();
    cache.clear();
}

} // namespace fumibako::storage
