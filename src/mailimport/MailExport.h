#pragma once

#include "mailimport/ImportReport.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <atomic>
#include <functional>

namespace fumibako::storage {
class MailFolderView;
}

namespace fumibako::mailimport {

/** What an export writes. */
enum class ExportFormat {
    Mbox,     ///< one mbox file (mboxrd)
    EmlFiles, ///< one .eml file per message in a folder
};

/** A stored message to write out. */
struct ExportItem {
    QString path; ///< its file
    QString date; ///< the date its index entry gives ("yyyy/MM/dd HH:mm:ss"), for the order
};

/**
 * The received messages the view lists, oldest first (by the dates of their entries). The
 * outgoing folders' files are the program's own form, not mail as it travels: they are left out.
 */
QList<ExportItem> exportItems(const storage::MailFolderView& view);

/**
 * @short Writes stored messages out, their bytes as they are stored.
 *
 * An mbox file gets for each message a "From " line (its sender and date), its bytes with the
 * mboxrd quoting and an empty line; the file appears only once it is complete (a cancelled or
 * failed export leaves nothing, and never a half file). In a folder each message becomes a file
 * of its own, named after its stored file with ".eml", and no file there is ever replaced.
 * Importing what it wrote gives back the same messages.
 */
class MailExporter {
public:
    using Progress = std::function<void(int done, int total)>;

    MailExporter(QList<ExportItem> items, ExportFormat format, const QString& target);

    void requestCancel() { m_cancel = true; }
    ExportReport run(const Progress& progress = {});

private:
    void writeMbox(ExportReport& report, const Progress& progress);
    void writeFiles(ExportReport& report, const Progress& progress);

    QList<ExportItem> m_items;
    ExportFormat m_format;
    QString m_target;
    std::atomic<bool> m_cancel{false};
};

/** The "From " line an mbox export writes before a message (without its line end). */
QByteArray mboxMarker(const QByteArray& message, const QDateTime& when);

} // namespace fumibako::mailimport
