#pragma once

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

namespace fumibako::platform::mail {

/**
 * @short The unique ids (UIDL) of the messages an account has received from its POP3 server.
 *
 * One id per line after a version line, ASCII, CR LF. Written whole and atomically, once per
 * batch; a set in memory, so 100,000 ids cost one hash lookup each.
 */
class ReceivedIdRecord {
public:
    /** Reads @p path; a missing file is an empty record. False (with @p error) when it cannot be read. */
    bool load(const QString& path, QString* error);
    /** Replaces @p path atomically. */
    bool save(const QString& path, QString* error) const;

    bool contains(const QByteArray& id) const { return m_ids.contains(id); }
    /** True when @p id was not recorded yet. */
    bool add(const QByteArray& id);
    /** True when @p id was recorded. */
    bool remove(const QByteArray& id) { return m_ids.remove(id); }
    /** Drops every id not in @p present; true when one was dropped. */
    bool keepOnly(const QSet<QByteArray>& present);
    qsizetype size() const { return m_ids.size(); }

private:
    QSet<QByteArray> m_ids;
};

/** One message of a batch between its download and its index entry. */
struct JournalEntry {
    QByteArray id;       ///< its UIDL; empty when the server has none
    QString stagedName;  ///< its file name in the staging folder while it is being received
    QString finalName;   ///< the name it gets in the input folder
    /**
     * Where its index entry goes, in the caller's own words (an import names the folder and the
     * flags); empty for received mail, which is always filed into the inbox. Any bytes.
     */
    QByteArray filing = {};
};

/**
 * @short The messages of the last batch whose index entries may not be written yet.
 *
 * Written (atomically) before the batch's files get their final names and removed once they
 * have their index entries, so that a receive that ended at any step is finished by the next
 * one: a staged file is published, a published one indexed, an id recorded or dropped.
 */
class ReceiveJournal {
public:
    /** Reads @p path; a missing file is an empty journal. */
    bool load(const QString& path, QString* error);
    bool save(const QString& path, QString* error) const;
    /** Removes the file (and makes the removal durable); a missing file is fine. */
    static bool remove(const QString& path, QString* error);

    QList<JournalEntry>& entries() { return m_entries; }
    const QList<JournalEntry>& entries() const { return m_entries; }

private:
    QList<JournalEntry> m_entries;
};

} // namespace fumibako::platform::mail
