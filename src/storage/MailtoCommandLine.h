#pragma once

#include <QString>

#include <optional>

namespace fumibako::storage {

/** What a "mailto:" command line asks the compose window to open with. */
struct MailtoAddresses {
    QString to;
    QString cc;
    QString bcc;
    std::optional<QString> subject; ///< a "subject" field of a mailto: URI
    std::optional<QString> body;    ///< a "body" field of a mailto: URI, line ends CR LF

    bool isEmpty() const { return to.isEmpty() && cc.isEmpty() && bcc.isEmpty() && !subject && !body; }
};

/**
 * Splits the command line at single spaces; "to", "cc" and "bcc" (any case) choose the field for
 * the following addresses; a piece holding "mailto:" (any case, last occurrence) is a mailto: URI
 * (RFC 6068) of the text after it. Several addresses of one field are joined with ", ".
 *
 * A URI's addresses (separated by commas) go to the chosen field; its query fields "to", "cc" and
 * "bcc" add to those fields, "subject" and "body" give the subject and the body, others are
 * ignored. Its parts are percent-decoded as UTF-8 (code page 932 when the bytes are no UTF-8).
 * Decoded addresses have control characters turned into spaces, and an address starting with ">"
 * is dropped: it would be taken for the compose window's redirect command, which sends a local file.
 * Pieces that are no URI are taken as they are.
 */
MailtoAddresses ParseMailtoCommandLine(const QString& commandLine);

} // namespace fumibako::storage
