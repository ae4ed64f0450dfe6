#pragma once

#include "addressbook/AddressFolderTree.h"

#include <QList>
#include <QString>

namespace fumibako::platform {
class UserPrompts;
}

/**
 * The address book file "Address.txt" in the program directory: the line "1.1", then one line
 * per entry, path TAB display name TAB address TAB comment, lines ended by CR LF.
 *
 * The file is code page 932. When an entry holds a character code page 932 cannot give back
 * exactly, the whole file is written as UTF-8 with a byte order mark instead (the choice of the
 * profile store), and a file that starts with that mark, or is valid UTF-8 (as an editor may have
 * saved it), is read as UTF-8, so nothing typed or received is lost. Writes replace the file
 * atomically.
 */
namespace fumibako::addressbook {

/** File name of the address book in the program directory. */
inline const QString kAddressBookFileName = QStringLiteral("Address.txt");
/** The first line of an address book of the current format. */
inline const QString kAddressBookVersion = QStringLiteral("1.1");

inline const QString kOldFormatMessage =
    QStringLiteral("昔のアドレス帳は使えません。「保存」しますと今のアドレス帳はなくなります。");
inline const QString kBrokenBookMessage = QStringLiteral("アドレス帳が壊れているか、対応してないアドレス帳です");

/** One address; no field holds a CR or LF, and none but the comment a TAB. */
struct AddressEntry {
    QString path; ///< "Root", or "Root" + "\" + name for each folder level
    QString name;
    QString address;
    QString comment;

    friend bool operator==(const AddressEntry&, const AddressEntry&) = default;
};

/**
 * Splits an entry line at its first three TABs; the comment is the rest and may hold more TABs.
 * False (and @p entry untouched) when the line has fewer than three TABs.
 */
bool SplitAddressLine(const QString& line, AddressEntry& entry);

/** The manager's working copy: every entry, sorted by path, and the folder tree. */
struct AddressBook {
    QList<AddressEntry> entries;
    AddressFolderTree tree;
};

enum class LoadResult {
    Missing,   ///< no file: an empty book, no message
    Loaded,
    OldFormat, ///< the first line is not "1.1": kOldFormatMessage shown, empty book
    Broken,    ///< empty or unreadable file, or a path the tree refuses: kBrokenBookMessage shown, empty book
};

/** Path of the address book in @p programDir (which ends in "/"). */
QString addressBookFile(const QString& programDir);

/** @p field as it may stand in an entry line: CR and LF, and TABs unless @p mayHoldTabs, become spaces. */
QString entryField(const QString& field, bool mayHoldTabs);

/**
 * The bytes of a text the book's way: code page 932, or UTF-8 with a byte order mark when the
 * text holds a character code page 932 cannot give back exactly.
 */
QByteArray encodeBookText(const QString& text);

/**
 * Reads the address book of @p programDir into @p book: the entries sorted by path (the order
 * of one folder's entries as in the file), lines with fewer than three TABs skipped, and the
 * folder tree built with the root folder selected. Failures are shown on @p prompts (plain box,
 * OK button, the program's title) and leave an empty book with the root folder alone.
 */
LoadResult LoadAddressBook(const QString& programDir, platform::UserPrompts& prompts, AddressBook& book);

/** LoadAddressBook from the book file @p path (the tool shows any file). */
LoadResult LoadAddressBookFile(const QString& path, platform::UserPrompts& prompts, AddressBook& book);

/** Sorts @p entries by path, keeping the order of entries with the same path. */
void sortByPath(QList<AddressEntry>& entries);

/** The file's bytes for @p entries, in their order (see the file format above). */
QByteArray addressBookBytes(const QList<AddressEntry>& entries);

/** Replaces the address book of @p programDir with @p entries. False (and why in @p error) on failure. */
bool SaveAddressBook(const QString& programDir, const QList<AddressEntry>& entries, QString* error = nullptr);

/**
 * The read-mail window's quick add: rewrites the book as the new entry "Root" TAB @p name TAB
 * @p address TAB (empty comment), followed by every entry of @p tableEntries in their order.
 */
bool SaveWithNewSender(const QString& programDir, const QList<AddressEntry>& tableEntries, const QString& name,
                       const QString& address, QString* error = nullptr);

} // namespace fumibako::addressbook
