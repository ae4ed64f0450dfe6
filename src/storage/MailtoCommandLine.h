#pragma once

#include <QString>

namespace fumibako::storage {

/** The addresses a "mailto:" command line asks the compose window to open with. */
struct MailtoAddresses {
    QString to;
    QString cc;
    QString bcc;

    bool isEmpty() const { return to.isEmpty() && cc.isEmpty() && bcc.isEmpty(); }
};

/**
 * Splits the command line at single spaces; "to", "cc" and "bcc" (any case) choose the field for
 * the following addresses; a piece holding "mailto:" (any case, last occurrence) is the text after
 * it. Several addresses of one field are joined with ", ". A query part stays in the address.
 */
MailtoAddresses ParseMailtoCommandLine(const QString& commandLine);

} // namespace fumibako::storage
