#pragma once

#include "platform/mail/CurlSupport.h"

#include <QString>

#include <curl/curl.h>

/*
 * Why a transfer failed, said in Japanese: one table from libcurl's result to the cause the user
 * can act on (a name that is not found, a port that refuses, a silent server, a certificate that
 * is not trusted, TLS that could not be agreed). The text keeps the phrase the transfer error
 * explanations look for ("Cant connect Server", "Server timeout", "TLS error") and puts the cause
 * in the parentheses after it; libcurl's own words stay only where no Japanese cause fits.
 */
namespace fumibako::platform::mail::net {

/** What is known about one failed libcurl call. */
struct CurlFailure {
    CURLcode code = CURLE_OK;
    QString curlText;        ///< libcurl's words: its error buffer, else curl_easy_strerror()
    Protocol protocol = Protocol::Pop3;
    QString host;
    int port = 0;
    bool connected = false;  ///< the TCP connection was made
    long timeoutSeconds = 0; ///< the limit of silence (and of connecting) that was in force
    int osErrno = 0;         ///< the system's error of a failed connect (ECONNREFUSED ...)
    long certificateResult = 0; ///< OpenSSL's verdict on a refused certificate (X509_V_OK: the name)
    QString certificateStore;   ///< the trusted certificates libcurl reads ("" when it names none)
};

/** The failure @p code of the call just made on @p curl to @p address, read from the handle. */
CurlFailure readFailure(const CurlEasy& curl, CURLcode code, const ServerAddress& address, long timeoutSeconds);

/** The text of a failure: the phrase, then the cause in parentheses. */
struct FailureText {
    QString phrase; ///< "Cant connect Server", "Server timeout", "TLS error", "POP3 failure", ...
    QString cause;  ///< Japanese, or libcurl's words where no Japanese one fits
    bool japanese = true; ///< false when the cause is libcurl's words

    /** "phrase (cause)". */
    QString text() const;
};

FailureText describeFailure(const CurlFailure& failure);

/** Why the certificate was not trusted, from OpenSSL's verdict @p result on the server @p host. */
QString certificateProblem(long result, const QString& host);

/** The trusted certificates libcurl reads by default (Debian: from the package ca-certificates). */
QString systemCertificateStore();

} // namespace fumibako::platform::mail::net
