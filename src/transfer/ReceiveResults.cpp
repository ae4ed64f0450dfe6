#include "platform/UserPrompts.h"
#include "storage/ProfileStore.h"
#include "transfer/ReceiveUi.h"
#include "transfer/Receiving.h"
#include "transfer/StoredMail.h"
#include "transfer/TransferErrors.h"

#include <QFileInfo>

// The result handlers of the server commands and the closing report of every receive.
namespace fumibako::transfer {

using platform::mail::LibraryResult;

int Receiver::handleCount(const LibraryResult& result)
{
    if (!result.isList)
        return result.text.isEmpty() ? kResultNothingNew : kResultError;
    int code = kResultNothingNew;
    for (const QString& element : result.list) {
        const qsizetype space = element.indexOf(QLatin1Char(' '));
        const QString count = space < 0 ? element : element.left(space);
        const qint64 bytes = space < 0 ? 0 : element.mid(space + 1).trimmed().toLongLong();
        if (count == QLatin1String("0"))
            return kResultNothingNew;
        const platform::Answer answer = m_prompts.message(countQuestionText(count, bytes), QStringLiteral("受信確認"),
                                                          platform::Icon::Information, platform::Buttons::YesNo);
        if (answer == platform::Answer::Yes)
            code = kResultWantsReceive;
    }
    return code;
}

int Receiver::handleSave(int mode, const LibraryResult& result)
{
    if (result.isList) {
        if (mode != kModeFetchOne && !m_runner.progressSeen())
            return kResultNothingNew;
        const storage::AccountPaths& paths = m_account.paths;
        const std::vector<std::optional<platform::mail::MailSummary>> summaries =
            m_fileWorker ? m_fileWorker->takeAll() : std::vector<std::optional<platform::mail::MailSummary>>();
        m_fileWorker.reset();
        storage::ProfileWriteBatch batch;
        // Only the last message read stays in the current-mail record, so only that one needs
        // reading whole (body decoded, attachments saved to the work folder); the others were
        // mostly read while the download went on.
        for (qsizetype i = 0; i < result.list.size(); ++i) {
            const QString name = QFileInfo(result.list.at(i)).fileName();
            const bool read = size_t(i) < summaries.size() && summaries[size_t(i)].has_value();
            if (i + 1 < result.list.size() && read)
                IndexReceivedMailSummary(true, paths.inputDir, name, kStandardBox, paths.receivedIndexFile,
                                         *summaries[size_t(i)]);
            else if (i + 1 < result.list.size())
                IndexReceivedMailSummary(true, paths.inputDir, name, kStandardBox, paths.receivedIndexFile);
            else
                IndexReceivedMail(m_currentMail, true, paths.inputDir, name, kStandardBox, paths.receivedIndexFile,
                                  m_account.workDir);
        }
        batch.commit();
        return kResultNewMail;
    }
    // An empty text would only wipe what the user had on the clipboard.
    if (!result.text.isEmpty())
        m_ui.setClipboardText(result.text);
    if (result.text.isEmpty() || result.text == kInvalidMessageNumber)
        return kResultNothingNew;
    return kResultError;
}

int Receiver::handleList(const LibraryResult& result)
{
    if (result.isList) {
        if (m_sink)
            m_sink->fillServerList(result.list);
        return kResultListFilled;
    }
    if (result.text.isEmpty())
        return kResultNothingNew;
    if (m_sink)
        m_sink->setListStatus(QString());
    if (result.text == kEmptyMailboxText) {
        if (m_sink)
            m_sink->setListStatus(QStringLiteral("メールはありません"));
        return kResultNothingNew;
    }
    if (result.text.contains(QLatin1String("message(s) deleted")))
        return kResultNothingNew;
    return kResultError;
}

void Receiver::ReportReceiveOutcome(int code, const LibraryResult& result)
{
    switch (code) {
    case kResultError:
        m_prompts.setStatus(1, QStringLiteral("エラー"));
        ShowLibraryError(m_prompts, result.isList ? result.list.join(QLatin1Char('\n')) : result.text);
        break;
    case kResultNothingNew:
        m_prompts.setStatus(1, QStringLiteral("新着はありません"));
        break;
    case kResultNewMail:
        if (m_account.environment.newMailSound == 1)
            m_ui.playNewMailSound(m_account.environment.soundFile);
        m_ui.showUnreadFolder();
        m_prompts.setStatus(1, QStringLiteral("新着メールあり"));
        break;
    default:
        break;
    }
}

} // namespace fumibako::transfer
