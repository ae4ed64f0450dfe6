#include "mailimport/MailExport.h"

#include "mailimport/FromLines.h"
#include "platform/mail/AttachmentFiles.h"
#include "platform/mail/HeaderFields.h"
#include "storage/MailFolderView.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>

namespace fumibako::mailimport {

namespace {

constexpr qint64 kPieceBytes = 256 * 1024;

// The date of a "From " line, as C's asctime() writes it: "Mon Jan  1 09:00:00 2024".
QByteArray asctimeDate(const QDateTime& when)
{
    static const char* const days[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    const QDate date = when.date();
    const QTime time = when.time();
    return QByteArray(days[date.dayOfWeek() - 1]) + ' ' + months[date.month() - 1] + ' '
        + QByteArray::number(date.day()).rightJustified(2, ' ') + ' '
        + time.toString(QStringLiteral("HH:mm:ss")).toLatin1() + ' ' + QByteArray::number(date.year());
}

// The bare address of a From field, fit for a "From " line (no spaces); a placeholder without one.
QByteArray envelopeSender(const QByteArray& message)
{
    const QByteArray from = platform::mail::fieldValue(platform::mail::headerFields(message.left(64 * 1024)), "From");
    const QStringList entries = platform::mail::splitAddressList(QString::fromLatin1(from));
    const QString address = entries.isEmpty() ? QString() : platform::mail::parseAddress(entries.first()).address;
    const bool usable = !address.isEmpty() && std::all_of(address.cbegin(), address.cend(), [](QChar c) {
        return c > u' ' && c < u'\x7f';
    });
    return usable ? address.toLatin1() : QByteArray("MAILER-DAEMON");
}

QByteArray lineEndOf(const QByteArray& message)
{
    const qsizetype newline = message.indexOf('\n');
    return newline > 0 && message.at(newline - 1) == '\r' ? QByteArray("\r\n") : QByteArray("\n");
}

} // namespace

QByteArray mboxMarker(const QByteArray& message, const QDateTime& when)
{
    return "From " + envelopeSender(message) + ' ' + asctimeDate(when.isValid() ? when : QDateTime::currentDateTime());
}

QList<ExportItem> exportItems(const storage::MailFolderView& view)
{
    QList<ExportItem> items;
    for (const storage::MailRow& row : view.rows().rows()) {
        if (storage::MailFolderView::isOutgoingKey(row.tag))
            continue;
        items.append({view.mailDirOf(row.tag) + row.keyString(), row.date().toString()});
    }
    std::stable_sort(items.begin(), items.end(), [](const ExportItem& a, const ExportItem& b) { return a.date < b.date; });
    return items;
}

MailExporter::MailExporter(QList<ExportItem> items, ExportFormat format, const QString& target)
    : m_items(std::move(items)), m_format(format), m_target(target)
{
}

ExportReport MailExporter::run(const Progress& progress)
{
    ExportReport report;
    report.target = m_target;
    if (m_format == ExportFormat::Mbox)
        writeMbox(report, progress);
    else
        writeFiles(report, progress);
    if (m_cancel && report.end == RunEnd::Completed)
        report.end = RunEnd::Cancelled;
    return report;
}

void MailExporter::writeMbox(ExportReport& report, const Progress& progress)
{
    QSaveFile out(m_target);
    if (!out.open(QIODevice::WriteOnly)) {
        report.end = RunEnd::Failed;
        report.failure = out.errorString();
        return;
    }
    int written = 0;
    for (qsizetype i = 0; i < m_items.size() && !m_cancel; ++i) {
        const ExportItem& item = m_items.at(i);
        QFile file(item.path);
        if (!file.open(QIODevice::ReadOnly)) {
            report.notWritten.append({QDir::toNativeSeparators(item.path), file.errorString()});
            continue;
        }
        QByteArray piece = file.read(kPieceBytes);
        const QByteArray lineEnd = lineEndOf(piece);
        QByteArray chunk = mboxMarker(piece, QFileInfo(file).lastModified()) + lineEnd;
        FromLineFilter quote(FromLineFilter::Mode::Quote);
        char last = '\n';
        while (!piece.isEmpty()) {
            last = piece.back();
            quote.feed(piece, chunk);
            out.write(chunk);
            chunk.clear();
            piece = file.read(kPieceBytes);
        }
        quote.finish(chunk);
        // A message ends with a line end; then the empty line that parts it from the next.
        if (last != '\n')
            chunk += lineEnd;
        chunk += lineEnd;
        out.write(chunk);
        ++written;
        if (progress)
            progress(int(i + 1), int(m_items.size()));
    }
    if (m_cancel) {
        out.cancelWriting();
        return;
    }
    if (!out.commit()) {
        report.end = RunEnd::Failed;
        report.failure = out.errorString();
        return;
    }
    report.written = written;
}

void MailExporter::writeFiles(ExportReport& report, const Progress& progress)
{
    if (!QDir().mkpath(m_target)) {
        report.end = RunEnd::Failed;
        report.failure = QStringLiteral("フォルダを作れません: ") + QDir::toNativeSeparators(m_target);
        return;
    }
    for (qsizetype i = 0; i < m_items.size() && !m_cancel; ++i) {
        const ExportItem& item = m_items.at(i);
        QFile file(item.path);
        if (!file.open(QIODevice::ReadOnly)) {
            report.notWritten.append({QDir::toNativeSeparators(item.path), file.errorString()});
            continue;
        }
        const QByteArray bytes = file.readAll();
        QString name = QFileInfo(item.path).fileName();
        if (!name.endsWith(QLatin1String(".eml"), Qt::CaseInsensitive))
            name += QStringLiteral(".eml");
        if (platform::mail::saveUnderFreeName(m_target, name, bytes).isEmpty()) {
            report.end = RunEnd::Failed;
            report.failure = QStringLiteral("書き込めません: ") + QDir::toNativeSeparators(m_target);
            return;
        }
        ++report.written;
        if (progress)
            progress(int(i + 1), int(m_items.size()));
    }
}

} // namespace fumibako::mailimport
