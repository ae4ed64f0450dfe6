#include "addressbook/AddressBook.h"

#include "addressbook/TextDecoding.h"

#include "platform/AtomicFile.h"
#include "platform/Cp932.h"
#include "platform/UserPrompts.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace fumibako::addressbook {

namespace {

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

/**
 * Lines of @p text, ended by CR LF, a lone CR or a lone LF; a final line ending adds no empty
 * line. An empty text has no lines.
 */
QStringList splitLines(const QString& text)
{
    QStringList lines;
    qsizetype start = 0;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n')
            continue;
        lines.append(text.mid(start, i - start));
        if (c == u'\r' && i + 1 < n && text[i + 1] == u'\n')
            ++i;
        start = i + 1;
    }
    if (start < n)
        lines.append(text.mid(start));
    return lines;
}

void appendEntryLine(QString& text, const AddressEntry& entry)
{
    text += entryField(entry.path, false) + u'\t' + entryField(entry.name, false) + u'\t'
        + entryField(entry.address, false) + u'\t' + entryField(entry.comment, true) + QStringLiteral("\r\n");
}

LoadResult fail(platform::UserPrompts& prompts, AddressBook& book, LoadResult result, const QString& text)
{
    prompts.message(text, QString(), platform::Icon::None, platform::Buttons::Ok);
    book.entries.clear();
    book.tree.clear();
    return result;
}

} // namespace

bool SplitAddressLine(const QString& line, AddressEntry& entry)
{
    const qsizetype first = line.indexOf(u'\t');
    const qsizetype second = first < 0 ? -1 : line.indexOf(u'\t', first + 1);
    const qsizetype third = second < 0 ? -1 : line.indexOf(u'\t', second + 1);
    if (third < 0)
        return false;
    entry.path = line.left(first);
    entry.name = line.mid(first + 1, second - first - 1);
    entry.address = line.mid(second + 1, third - second - 1);
    entry.comment = line.mid(third + 1);
    return true;
}

QString addressBookFile(const QString& programDir)
{
    return programDir + kAddressBookFileName;
}

QString entryField(const QString& field, bool mayHoldTabs)
{
    QString out = field;
    for (QChar& c : out) {
        if (c == u'\r' || c == u'\n' || (c == u'\t' && !mayHoldTabs))
            c = u' ';
    }
    return out;
}

QByteArray encodeBookText(const QString& text)
{
    bool lossless = true;
    const QByteArray bytes = platform::encodeCp932(text, &lossless);
    if (lossless)
        return bytes;
    return QByteArray(kUtf8Bom) + text.toUtf8();
}

void sortByPath(QList<AddressEntry>& entries)
{
    // Plain UTF-16 order puts a folder's path ("Root\A") before its subfolders' ("Root\A\B").
    std::stable_sort(entries.begin(), entries.end(),
                     [](const AddressEntry& a, const AddressEntry& b) { return a.path < b.path; });
}

LoadResult LoadAddressBook(const QString& programDir, platform::UserPrompts& prompts, AddressBook& book)
{
    return LoadAddressBookFile(addressBookFile(programDir), prompts, book);
}

LoadResult LoadAddressBookFile(const QString& path, platform::UserPrompts& prompts, AddressBook& book)
{
    book.tree.clear();
    book.entries.clear();
    QFile file(path);
    if (!QFileInfo(file.fileName()).exists())
        return LoadResult::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return fail(prompts, book, LoadResult::Broken, kBrokenBookMessage);
    const QStringList lines = splitLines(decodeBookBytes(file.readAll()));
    file.close();
    if (lines.isEmpty())
        return fail(prompts, book, LoadResult::Broken, kBrokenBookMessage);
    LoadResult result = LoadResult::Loaded;
    if (lines.first() != kAddressBookVersion) {
        prompts.message(kOldFormatMessage, QString(), platform::Icon::None, platform::Buttons::Ok);
        result = LoadResult::OldFormat;
    } else {
        AddressEntry entry;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            if (SplitAddressLine(lines.at(i), entry))
                book.entries.append(entry);
        }
        sortByPath(book.entries);
    }
    if (!BuildFolderTree(book.tree, book.entries, kRootFolder))
        return fail(prompts, book, LoadResult::Broken, kBrokenBookMessage);
    return result;
}

QByteArray addressBookBytes(const QList<AddressEntry>& entries)
{
    QString text = kAddressBookVersion + QStringLiteral("\r\n");
    for (const AddressEntry& entry : entries)
        appendEntryLine(text, entry);
    return encodeBookText(text);
}

bool SaveAddressBook(const QString& programDir, const QList<AddressEntry>& entries, QString* error)
{
    return platform::writeFileAtomically(addressBookFile(programDir), addressBookBytes(entries), error);
}

bool SaveWithNewSender(const QString& programDir, const QList<AddressEntry>& tableEntries, const QString& name,
                       const QString& address, QString* error)
{
    QList<AddressEntry> entries;
    entries.reserve(tableEntries.size() + 1);
    entries.append(AddressEntry{kRootFolder, name, address, QString()});
    entries.append(tableEntries);
    return SaveAddressBook(programDir, entries, error);
}

} // namespace fumibako::addressbook
