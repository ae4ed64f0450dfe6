// The readers of other programs' mail stores on any bytes: the input as an mbox file (split, its
// messages unquoted), its quoting undone after being done, and as the flags a header field, a
// Maildir name and an MH sequences file carry, and as a folder name from a store.
#include "FuzzSupport.h"
#include "mailimport/FromLines.h"
#include "mailimport/ImportSources.h"
#include "mailimport/MailboxFlags.h"
#include "mailimport/MboxReader.h"
#include "platform/mail/HeaderFields.h"

#include <climits>

using namespace fumibako;
using namespace fumibako::mailimport;

namespace {

void splitAsMbox(const QByteArray& input)
{
    const QString path = fuzz::scratchDir() + QStringLiteral("/input.mbox");
    fuzz::writeFile(path, input);
    MboxReader reader(path);
    QString error;
    fuzz::require(reader.open(&error), "the file opens");
    qint64 previousEnd = 0;
    while (const std::optional<MboxMessage> message = reader.next()) {
        fuzz::require(message->markerOffset >= previousEnd, "messages come in order without overlapping");
        fuzz::require(message->begin > message->markerOffset && message->begin <= message->end, "a message lies after its From line");
        fuzz::require(message->end <= input.size(), "a message ends within the file");
        fuzz::require(input.mid(message->markerOffset, 5) == "From ", "a message starts at a From line");
        qint64 bytes = 0;
        reader.read(*message, [&](QByteArrayView piece) { bytes += piece.size(); return true; }, &error);
        fuzz::require(bytes <= message->end - message->begin, "unquoting never adds bytes");
        previousEnd = message->end;
    }
}

void quotingRoundTrip(const QByteArray& input)
{
    QByteArray quoted;
    FromLineFilter quote(FromLineFilter::Mode::Quote);
    quote.feed(input, quoted);
    quote.finish(quoted);
    QByteArray back;
    FromLineFilter unquote(FromLineFilter::Mode::Unquote);
    // In uneven pieces, as the reader hands them over.
    for (qsizetype i = 0; i < quoted.size(); i += 7)
        unquote.feed(QByteArrayView(quoted).sliced(i, std::min<qsizetype>(7, quoted.size() - i)), back);
    unquote.finish(back);
    fuzz::require(back == input, "unquoting what was quoted gives it back");
}

void flags(const QByteArray& input)
{
    headerFlags(platform::mail::headerFields(input));
    mozillaStatusFlags(input);
    maildirFlags(QString::fromUtf8(input), false);
    const MhSequences sequences = MhSequences::parse(input);
    for (int n : {1, 2, 100, 65535, INT_MAX})
        sequences.flagsOf(n);
    const QString name = folderNameFrom(maildirFolderName(input));
    fuzz::require(!name.isEmpty() && name == name.trimmed(), "a folder name is never empty nor has outer spaces");
    for (const QChar c : QStringLiteral("\\/?:*\"<>|[]="))
        fuzz::require(!name.contains(c), "a folder name holds none of the forbidden characters");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    splitAsMbox(input);
    quotingRoundTrip(input);
    flags(input);
    return 0;
}
