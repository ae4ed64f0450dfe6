// The mail reader on a whole message, as a received file: its fields and body with the
// attachments written to a folder, its header lines, and the summary the folder index keeps.
// Whatever the message says, no file may appear outside the attachment folder.
#include "FuzzSupport.h"
#include "platform/mail/MailLibrary.h"

#include <QDirIterator>

using namespace fumibako;
namespace mail = fumibako::platform::mail;

namespace {

int filesUnder(const QString& dir)
{
    int count = 0;
    QDirIterator it(dir, QDir::Files | QDir::Dirs | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++count;
    }
    return count;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString root = fuzz::scratchDir();
    const QString messageFile = root + QStringLiteral("/message.eml");
    const QString attachments = root + QStringLiteral("/attachments/");
    QDir(attachments).removeRecursively();
    fuzz::require(QDir().mkpath(attachments), "the attachment folder can be made");
    fuzz::writeFile(messageFile, QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));

    const mail::LibraryResult fields = mail::ReadMail(messageFile, QStringLiteral("subject:from:date:To:body:"), attachments);
    mail::ReadMail(messageFile, QString(), QString());
    mail::ReadMailSummary(messageFile);

    // Only the message and the attachment folder's own files: nothing escaped, no sub-folder.
    fuzz::require(filesUnder(root) == 2 + QDir(attachments).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
                  "nothing is written outside the attachment folder");
    const QString prefix = QStringLiteral("file: ");
    for (const QString& element : fields.list) {
        if (element.startsWith(prefix))
            fuzz::require(QFileInfo(element.mid(prefix.size())).absolutePath() + QLatin1Char('/') == attachments,
                          "every attachment lies in the attachment folder");
    }
    return 0;
}
