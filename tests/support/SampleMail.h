#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

namespace fumibako::test {

/** An attachment of a sample message: its name (any characters) and its bytes. */
struct SampleAttachment {
    QString name;
    QByteArray bytes;
};

/** The four body lines of japaneseMail(), as a reader shows them (CR LF between). */
inline QString japaneseMailBody()
{
    return QStringLiteral("鈴木様\r\nいつもお世話になっております。\r\n会議の資料を添付します。\r\n> 前回の議事録もご確認ください。");
}

/**
 * A message as Japanese mailers send it: subject "会議資料の送付" and sender "山田 太郎
 * <yamada@example.jp>" as ISO-2022-JP encoded words, the body (japaneseMailBody(), followed by
 * @p extraBody) in ISO-2022-JP, and @p attachments in base64 with RFC 2231 UTF-8 names.
 */
inline QByteArray japaneseMail(const QList<SampleAttachment>& attachments, const QByteArray& extraBody = {})
{
    const QByteArray body = "\x1b$BNkLZMM\x1b(B\r\n"
                            "\x1b$B$$$D$b$*@$OC$K$J$C$F$*$j$^$9!#\x1b(B\r\n"
                            "\x1b$B2q5D$N;qNA$rE:IU$7$^$9!#\x1b(B\r\n"
                            "> \x1b$BA02s$N5D;vO?$b$43NG'$/$@$5$$!#\x1b(B\r\n"
        + extraBody;
    QByteArray mail = "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQiAbJEJCQE86GyhC?= <yamada@example.jp>\r\n"
                      "To: taro@example.jp\r\n"
                      "Subject: =?ISO-2022-JP?B?GyRCMnE1RDtxTkEkTkF3SVUbKEI=?=\r\n"
                      "Date: Tue, 02 Apr 2024 09:30:00 +0900\r\n"
                      "Message-ID: <sample-1@example.jp>\r\n"
                      "MIME-Version: 1.0\r\n";
    const QByteArray textPart = "Content-Type: text/plain; charset=ISO-2022-JP\r\n"
                                "Content-Transfer-Encoding: 7bit\r\n\r\n"
        + body;
    if (attachments.isEmpty())
        return mail + textPart;
    mail += "Content-Type: multipart/mixed; boundary=\"SAMPLE-BOUNDARY\"\r\n\r\n--SAMPLE-BOUNDARY\r\n" + textPart;
    for (const SampleAttachment& attachment : attachments) {
        QByteArray encoded = attachment.bytes.toBase64();
        for (qsizetype at = 76; at < encoded.size(); at += 78)
            encoded.insert(at, "\r\n");
        mail += "\r\n--SAMPLE-BOUNDARY\r\nContent-Type: application/octet-stream\r\n"
                "Content-Disposition: attachment; filename*=UTF-8''"
            + QUrl::toPercentEncoding(attachment.name) + "\r\nContent-Transfer-Encoding: base64\r\n\r\n" + encoded
            + "\r\n";
    }
    return mail + "--SAMPLE-BOUNDARY--\r\n";
}

} // namespace fumibako::test
