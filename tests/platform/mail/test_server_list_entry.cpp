#include "platform/mail/ServerListEntry.h"

#include <QtTest>

using fumibako::platform::mail::serverListEntry;

namespace {

struct Row {
    QString subject;
    QString sender;
    QString date;
};

// Cuts an element exactly as the server list window does (positions are 1-based there).
Row cutAsTheServerList(const QString& s)
{
    Row row;
    const qsizetype firstTab = s.indexOf(QLatin1Char('\t'), 7); // first TAB at or after character 8
    if (firstTab >= 9)                                           // at character 10 or later
        row.subject = s.mid(9, firstTab - 9);
    const qsizetype tab1 = s.indexOf(QLatin1Char('\t'));
    const qsizetype tab2 = s.indexOf(QLatin1Char('\t'), tab1 + 1);
    row.sender = s.mid(tab1 + 7, tab2 - 1 - (tab1 + 7));
    row.date = s.mid(tab2 + 7);
    return row;
}

} // namespace

class ServerListEntryTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fieldsSurviveTheCut_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("sender");
        QTest::addColumn<QString>("date");
        const QString local = QDateTime(QDate(2024, 5, 3), QTime(9, 30), QTimeZone::utc())
                                  .toLocalTime()
                                  .toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        QTest::newRow("plain") << QByteArray("Subject: Hi\r\nFrom: a@example.jp\r\nDate: Fri, 3 May 2024 18:30:00 +0900\r\n")
                               << "Hi" << "a@example.jp" << local;
        QTest::newRow("encoded words") << QByteArray("Subject: =?UTF-8?B?5re75LuY?=\r\n"
                                                     "From: =?UTF-8?B?6Yi05pyo?= <s@example.jp>\r\n")
                                       << "添付" << "鈴木 <s@example.jp>" << "";
        QTest::newRow("nothing") << QByteArray("X-Other: 1\r\n") << "" << "" << "";
        QTest::newRow("TABs and folds") << QByteArray("subject: a\tb\r\n\tc\r\nFROM: x\t<y@example.jp>\r\n")
                                        << "a b c" << "x <y@example.jp>" << "";
        QTest::newRow("unreadable date kept") << QByteArray("Date: someday\r\n") << "" << "" << "someday";
        QTest::newRow("fields after the header ignored") << QByteArray("From: a@b\r\n\r\nSubject: body\r\n") << ""
                                                         << "a@b" << "";
    }

    void fieldsSurviveTheCut()
    {
        QFETCH(QByteArray, header);
        QFETCH(QString, subject);
        QFETCH(QString, sender);
        QFETCH(QString, date);
        const QString entry = serverListEntry(header);
        QCOMPARE(entry.count(QLatin1Char('\t')), 2);
        const Row row = cutAsTheServerList(entry);
        QCOMPARE(row.subject, subject);
        QCOMPARE(row.sender, sender);
        QCOMPARE(row.date, date);
    }
};

QTEST_GUILESS_MAIN(ServerListEntryTest)
#include "test_server_list_entry.moc"
