// The readers of POP3 and SMTP server replies on arbitrary bytes: status lines, listings,
// multi-line bodies cut into pieces at arbitrary places, SMTP reply lines; and the DATA form of
// a message read back by the POP3 body reader, which must give the message again.
#include "FuzzSupport.h"
#include "platform/mail/Pop3Replies.h"
#include "platform/mail/SmtpReplies.h"

using namespace fumibako;
namespace mail = fumibako::platform::mail;

namespace {

// The body of a multi-line reply, handed over in pieces of @p piece bytes; what follows its end.
QByteArray decodeBody(QByteArrayView wire, qsizetype piece, bool* finished, qsizetype* used)
{
    mail::pop3::MultiLineDecoder decoder;
    QByteArray body;
    const auto sink = [&body](const char* data, qsizetype size) {
        fuzz::require(size >= 0, "a sink gets no negative size");
        body.append(data, size);
        return true;
    };
    qsizetype at = 0;
    while (at < wire.size() && !decoder.finished()) {
        const qsizetype size = std::min(piece, wire.size() - at);
        const qsizetype taken = decoder.feed(wire.data() + at, size, sink);
        fuzz::require(taken >= 0 && taken <= size, "the decoder takes what it was given at most");
        fuzz::require(taken == size || decoder.finished(), "the decoder takes everything until the end line");
        at += taken;
    }
    fuzz::require(body.size() <= at, "the body is never longer than the bytes read");
    *finished = decoder.finished();
    *used = at;
    return body;
}

void pop3Replies(QByteArrayView bytes, qsizetype piece)
{
    bool whole = false;
    qsizetype wholeUsed = 0;
    const QByteArray once = decodeBody(bytes, bytes.size() + 1, &whole, &wholeUsed);
    bool pieces = false;
    qsizetype piecesUsed = 0;
    const QByteArray cut = decodeBody(bytes, piece, &pieces, &piecesUsed);
    fuzz::require(once == cut && whole == pieces && wholeUsed == piecesUsed, "cutting the bytes changes nothing");

    for (const QByteArray& line : bytes.toByteArray().split('\n'))
        mail::pop3::parseStatus(line);
    mail::pop3::parseStat(bytes);
    mail::pop3::parseUidlListing(bytes);
    mail::pop3::parseSizeListing(bytes);
    mail::pop3::offersCapability(bytes, "PIPELINING");
}

void smtpReplies(QByteArrayView bytes, qsizetype piece)
{
    mail::smtp::ReplyAssembler assembler;
    for (const QByteArray& line : bytes.toByteArray().split('\n')) {
        const mail::smtp::ReplyAssembler::State state = assembler.add(line);
        if (state == mail::smtp::ReplyAssembler::State::Complete) {
            const mail::smtp::Reply reply = assembler.take();
            fuzz::require(reply.code >= 200 && reply.code <= 599 && !reply.lines.isEmpty(), "a reply has a code");
        } else if (state == mail::smtp::ReplyAssembler::State::Malformed) {
            assembler.take();
        }
    }

    // What DATA sends, read as a POP3 body: the message again, ended by a line end.
    mail::smtp::DotStuffer stuffer;
    QByteArray wire;
    for (qsizetype at = 0; at < bytes.size(); at += piece)
        wire += stuffer.stuff(bytes.sliced(at, std::min(piece, bytes.size() - at)));
    wire += stuffer.end();
    bool finished = false;
    qsizetype used = 0;
    const QByteArray back = decodeBody(wire, piece, &finished, &used);
    const bool endsLine = bytes.isEmpty() || bytes.endsWith("\r\n");
    fuzz::require(finished && used == wire.size(), "the end line ends the message, and only it");
    fuzz::require(back == bytes.toByteArray() + (endsLine ? QByteArray() : QByteArray("\r\n")),
                  "stuffed and read back, the message is the same");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype piece = 1 + data[0] % 17;
    const QByteArrayView bytes(reinterpret_cast<const char*>(data) + 1, qsizetype(size - 1));
    pop3Replies(bytes, piece);
    smtpReplies(bytes, piece);
    return 0;
}
