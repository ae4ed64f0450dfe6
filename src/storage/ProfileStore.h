#pragma once

#include "platform/LargeMemory.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <memory>

/**
 * The profile (INI) file store: every settings file, the account registry and the mail indexes are
 * read and written through these functions, with the semantics of the Windows profile functions
 * (see docs in ProfileStore.cpp): case-insensitive names, trimmed values, one pair of outer quotes
 * removed by IniGetString, values cut at the caller's buffer size counted in code page 932 bytes.
 *
 * Files are code page 932 with CR LF line ends. A file holding a character that code page 932
 * cannot represent (or only approximates, like WAVE DASH U+301C) is written as UTF-8 with a byte
 * order mark instead, and read back as such, so no text is ever lost; a file that starts with a
 * UTF-8 byte order mark is read as UTF-8 and stays UTF-8. Every write replaces the file
 * atomically; lines the write does not touch keep their exact bytes.
 *
 * CR, LF and NUL in a written section name, key, value or section line become spaces: written
 * as they are they would split the line and inject keys or sections into the file. Section and
 * key arguments of every call get the same treatment, so a read finds what a write wrote.
 *
 * Reads never fail: a missing, unreadable or non-regular file, or one larger than 1 GiB, reads
 * as empty. Writes to such a file (other than a missing one whose directory exists) fail and
 * leave it untouched.
 *
 * Parsed files are cached; a file changed on disk behind the store's back (other size,
 * modification time or inode) is parsed again. Calls may come from any thread; they are
 * serialised by one lock.
 */
namespace fumibako::storage {

/** Value of @p key, at most @p bufferSize - 1 code page 932 bytes; "" when file, section or key is missing. */
QString IniGetString(const QString& section, const QString& key, int bufferSize, const QString& file);

/** Sets the key's value; creates the key, section or file as needed. "1" on success, "0" on failure. */
QString IniWriteString(const QString& section, const QString& key, const QString& value, const QString& file);

/** IniWriteString with its outcome as a truth value: true when written. */
bool writeProfileString(const QString& file, const QString& section, const QString& key, const QString& value);

/**
 * Removes the key (the first one, when the section holds it twice); true also when there was
 * nothing to remove, false on a failure.
 */
bool IniDeleteKey(const QString& file, const QString& section, const QString& key);

/** Removes the section and all its keys; true also when there was nothing to remove. */
bool IniDeleteSection(const QString& file, const QString& section);

/**
 * Every line of the section as stored ("key=value", quotes kept, spaces around "=" removed).
 * False, with @p lines untouched, when the section is missing or has no lines.
 */
bool IniGetSection(const QString& section, const QString& file, QStringList& lines);

/**
 * Replaces every line of the section by @p lines; the list ends at its first empty element. The
 * section keeps its place, or is appended at the end of the file. Comment and blank lines of the
 * old section are kept, after the new lines.
 */
bool IniWriteSection(const QString& section, const QString& file, const QStringList& lines);

/** One line of a section read by readSectionText(): its text and what keeps that text alive. */
struct SharedLine {
    QStringView text;
    std::shared_ptr<const void> owner;
};

/** The lines of one section, sharing the text the store holds. */
using SectionText = platform::LargeVector<SharedLine>;

/**
 * The lines IniGetSection() reads, without copying them: each views the text the store parsed
 * and keeps it alive, so it stays valid whatever happens to the file or the store later. For
 * sections of many lines (a mail index): no allocation per line. Empty when the section is
 * missing or has no lines.
 */
SectionText readSectionText(const QString& file, const QString& section);

/** Every section name in file order. False, with @p names untouched, when the file has no section. */
bool IniGetSectionNames(const QString& file, QStringList& names);

/**
 * @p value in the form IniGetString gives back unchanged: wrapped in double quotes when it begins
 * or ends with a space, TAB or VT (a read trims them) or begins with a quote (a read takes a
 * matching last character for the second of a pair and removes both). Windows readers remove the
 * same quotes.
 */
QString quotedIfNeeded(const QString& value);

/** @p text up to (not including) its first NUL character. */
QString StripAtNul(const QString& text);

/**
 * Writes an ordered list: the whole section becomes "Count=k", "0=first", "1=second", ...
 */
bool writeOrderedList(const QString& section, const QString& file, const QStringList& entries);

/**
 * Reads an ordered list: "Count" with room for @p countBuffer - 1 bytes, then the entries "0" …
 * "Count" - 1 with room for @p entryBuffer - 1 bytes each (a missing one reads as ""). A "Count"
 * that is not a number gives no entries.
 */
QStringList readOrderedList(const QString& section, const QString& file, int countBuffer, int entryBuffer);

/**
 * @short Makes many writes cost one file write per file.
 *
 * While a batch is alive, every write of the store changes only the cached file; reads see the
 * changes at once. commit() (or the destructor of the outermost batch) writes each changed file
 * once, atomically. Batches nest; only the outermost one writes.
 */
class ProfileWriteBatch {
public:
    ProfileWriteBatch();
    ~ProfileWriteBatch();
    ProfileWriteBatch(const ProfileWriteBatch&) = delete;
    ProfileWriteBatch& operator=(const ProfileWriteBatch&) = delete;

    /**
     * Writes the changed files now (outermost batch only; in an inner batch it does nothing and
     * gives true). False when a file could not be written; its pending changes are then dropped
     * and the file reads as it is on disk. Inside a batch a write reports "1" unless the failure
     * is known at once (missing directory, unreadable file); later failures show here. Writes
     * after commit() are written by the destructor of the outermost batch.
     */
    bool commit();

private:
    bool m_committed = false;
};

/**
 * Forgets every cached file (tests that edit files by hand within one clock tick use it).
 * Changes pending in a batch are kept.
 */
void clearProfileCache();

} // namespace fumibako::storage
