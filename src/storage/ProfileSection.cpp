#include "storage/ProfileDocument.h"

#include <algorithm>

namespace fumibako::storage::detail {

namespace {

constexpr qsizetype kIndexThreshold = 16; // below this many lines a linear search is cheaper

/**
 * FNV-1a over the case-folded code points, without building the folded string: a mail index
 * section holds a hundred thousand keys. Names that compare equal ignoring case hash equal.
 */
quint64 foldedHash(QStringView name)
{
    quint64 h = 14695981039346656037ull;
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        if (c < 0x80) {
            if (c >= u'A' && c <= u'Z')
                c += 0x20;
        } else {
            if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate())
                c = QChar::surrogateToUcs4(char16_t(c), name[++i].unicode());
            c = QChar::toCaseFolded(c);
        }
        h = (h ^ c) * 1099511628211ull;
    }
    return h;
}

bool isKeyLine(const ProfileLine& line)
{
    return !line.dead && line.kind == LineKind::Key;
}

} // namespace

void ProfileSection::buildKeyIndex()
{
    keyIndex = std::make_unique<std::unordered_multimap<quint64, qsizetype>>();
    keyIndex->reserve(body.size());
    for (qsizetype i = 0; i < qsizetype(body.size()); ++i) {
        if (isKeyLine(body[i]))
            keyIndex->emplace(foldedHash(body[i].key()), i);
    }
}

// With duplicate keys the first line wins; after it is deleted the next one is found.
qsizetype ProfileSection::findKey(QStringView key)
{
    if (!keyIndex && qsizetype(body.size()) >= kIndexThreshold)
        buildKeyIndex();
    if (!keyIndex) {
        for (qsizetype i = 0; i < qsizetype(body.size()); ++i) {
            if (isKeyLine(body[i]) && body[i].key().compare(key, Qt::CaseInsensitive) == 0)
                return i;
        }
        return -1;
    }
    qsizetype found = -1;
    const auto [first, last] = keyIndex->equal_range(foldedHash(key));
    for (auto it = first; it != last; ++it) {
        const qsizetype i = it->second;
        if ((found < 0 || i < found) && body[i].key().compare(key, Qt::CaseInsensitive) == 0)
            found = i;
    }
    return found;
}

// A new entry goes right after the last entry, before trailing comments and blank lines; only
// lines without an index entry follow it, so no indexed position moves.
void ProfileSection::insertEntry(ProfileLine line)
{
    qsizetype at = lastEntry + 1;
    while (at < qsizetype(body.size()) && body[at].dead)
        ++at;
    const bool isKey = line.kind == LineKind::Key;
    const bool isEntry = isKey || line.kind == LineKind::Text;
    const quint64 hash = isKey && keyIndex ? foldedHash(line.key()) : 0;
    if (at == qsizetype(body.size()))
        body.push_back(std::move(line));
    else
        body.insert(body.begin() + at, std::move(line));
    if (isEntry)
        lastEntry = at; // a comment written as a key (";x") stays below later keys
    if (isKey && keyIndex)
        keyIndex->emplace(hash, at);
}

void ProfileSection::killLine(qsizetype index)
{
    ProfileLine& line = body[index];
    if (keyIndex && isKeyLine(line)) {
        const auto [first, last] = keyIndex->equal_range(foldedHash(line.key()));
        const auto it = std::find_if(first, last, [index](const auto& e) { return e.second == index; });
        if (it != last)
            keyIndex->erase(it);
    }
    line.dead = true;
    ++deadCount;
    if (index == lastEntry) {
        while (lastEntry >= 0 && !body[lastEntry].isEntry())
            --lastEntry;
    }
    compactIfSparse();
}

// Deleted lines stay as tombstones, so that deleting is O(1); once they are a quarter of the
// section they are dropped in one pass and the index is rebuilt on the next lookup.
void ProfileSection::compactIfSparse()
{
    if (deadCount < 64 || deadCount * 4 < qsizetype(body.size()))
        return;
    body.erase(std::remove_if(body.begin(), body.end(), [](const ProfileLine& l) { return l.dead; }),
               body.end());
    resetIndex();
}

void ProfileSection::resetIndex()
{
    keyIndex.reset();
    deadCount = 0;
    lastEntry = -1;
    for (qsizetype i = 0; i < qsizetype(body.size()); ++i) {
        if (body[i].dead)
            ++deadCount;
        else if (body[i].isEntry())
            lastEntry = i;
    }
}

} // namespace fumibako::storage::detail
