#pragma once

#include "filing/FilingRule.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <utility>

namespace fumibako::filing {

/**
 * What the filing stages read of a message. The header names are compared without regard to
 * case; "from" and "subject" are the fields a mail index entry already holds.
 */
struct FieldNeeds {
    QStringList headers; ///< lower case, each once
    bool body = false;
    bool size = false;
    bool attachments = false;

    void addHeader(const QString& name);
    void add(const FieldNeeds& other);
    /** Whether an index entry's sender, subject and attachment flag answer every need (no file is read). */
    bool indexFieldsSuffice() const;
};

/** @p text in the form @p comparison compares it in: folded, with A-Z lowered, or as it is. */
QString comparedText(const QString& text, Comparison comparison);

/**
 * @short A message as the filing rules see it: its header fields decoded as the reader shows
 * them, its body as the preview shows it, its size and whether it has attachments.
 *
 * Each field is read from the message file when it is first asked for and kept; what an index
 * entry or a summary already holds (the sender, the subject, the attachment flag) can be given
 * instead, so that filing a large folder by its index reads no file. prefetch() reads the
 * needed fields at once: receiving does that on its reading thread, so that deciding on the
 * window's thread reads nothing. Not shared between threads at the same time; copying shares
 * what was read.
 */
class FilingInput {
public:
    FilingInput() = default;

    /** The message file @p path; every field read from it when asked for. */
    static FilingInput fromFile(const QString& path);
    /**
     * A message whose sender (the From field as the reader decodes it), subject and attachment
     * flag are known already (from its index entry or summary); the rest is read from @p path.
     */
    static FilingInput withKnownFields(const QString& path, const QString& from, const QString& subject,
                                       bool hasAttachments);

    /**
     * A message still on the server: its header block (the answer to TOP n 0) and the size LIST
     * gives. No file is read: its body is empty and it has no attachments.
     */
    static FilingInput fromServerHeader(QByteArrayView header, qint64 size);

    /** The message's header fields as ReadHeaderFields() gives them, read already with something else. */
    void setHeaderFields(QList<std::pair<QByteArray, QByteArray>> fields);

    /** Reads now what @p needs names and is not known yet, and folds the texts for comparing. */
    void prefetch(const FieldNeeds& needs);

    const QString& path() const;
    /** The file was renamed (a staged download reached its final name). */
    void setPath(const QString& path);

    /**
     * The values of every field named @p name (any case), in the order of the file, decoded:
     * address fields (From, To, Cc, ...) in the reader's display form "Name <address>, ...",
     * other fields as their decoded text. Empty when the message has no such field or cannot be read.
     */
    const QStringList& header(const QString& name);
    /** header() in the form @p comparison compares (folded, A-Z lowered, or as it is); kept once made. */
    const QStringList& header(const QString& name, Comparison comparison);
    /** The body text, as the preview shows it ("" when the file cannot be read). */
    const QString& body();
    /** body() in the form @p comparison compares. */
    const QString& body(Comparison comparison);
    /** The link and image targets of an HTML body, as written. */
    const QStringList& links();
    /** Whether the file could be read as mail (its body, links and attachments then are its own). */
    bool isMail();
    /** The file's size in bytes (0 when it cannot be read). */
    qint64 size();
    bool hasAttachments();

private:
    struct Field;
    struct Data;
    Data& data();
    Field& field(const QString& name);
    void readHeaders();
    void readContent();

    std::shared_ptr<Data> m_data;
};

} // namespace fumibako::filing
