#pragma once

#include "mailimport/ImportSources.h"
#include "mailimport/MailboxFlags.h"
#include "mailimport/MboxReader.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

namespace fumibako::mailimport {

/** A message as its store gives it, before its bytes are read. */
struct SourceMessage {
    QString where;       ///< how the report names it: its file, or its mbox file and number
    MessageFlags flags;  ///< what the store keeps beside the message (its own header fields aside)
    QDateTime time;      ///< when the store says it arrived; invalid when it says nothing
    bool truncated = false;
};

/** @short The messages of one store, one after the other, each read in pieces. */
class MessageReader {
public:
    virtual ~MessageReader() = default;

    /** False, with @p error, when the store cannot be read at all. */
    virtual bool open(QString* error) = 0;
    /** The next message; nothing after the last. */
    virtual std::optional<SourceMessage> next() = 0;
    /** Hands the bytes of the message next() gave last to @p sink; false on a read error or a stop. */
    virtual bool read(const ByteSink& sink, QString* error) = 0;
    /** The bytes of the store read so far, for the progress. */
    virtual qint64 bytesDone() const = 0;
};

/** The reader of @p source's format. */
std::unique_ptr<MessageReader> openReader(const ImportSource& source);

/** The date of an mbox "From " line ("From sender Mon Jan  1 09:00:00 2024"); invalid when it has none. */
QDateTime envelopeDate(const QByteArray& marker);

} // namespace fumibako::mailimport
