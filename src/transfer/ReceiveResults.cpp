#include "filing/JunkExpiry.h"
#include "platform/CrashPoint.h"
#include "platform/UserPrompts.h"
#include "storage/MailChangeListener.h"
#include "storage/ProfileStore.h"
#include "transfer/ReceiveUi.h"
#include "transfer/ReceivedFiling.h"
#include "transfer/Receiving.h"
#include "transfer/StoredMail.h"
#include "transfer/TransferErrors.h"

#include <QFileInfo>

#include <algorithm>

// The result handlers of the server commands and the closing report of every receive.
namespace fumibako::transfer {

using platform::mail::LibraryResult;

ReceiveResult Receiver::handleCount(const LibraryResult& result)
{
    if (!result.isList)
        return result.text.isEmpty() ? ReceiveResult::NothingNew : ReceiveResult::Error;
    ReceiveResult outcome = ReceiveResult::NothingNew;
    for (const QString& element : result.list) {
        const qsizetype space = element.indexOf(QLatin1Char(' '));
        const QString count = space < 0 ? element : element.left(space);
        const qint64 bytes = space < 0 ? 0 : element.mid(space + 1).trimmed().toLongLong();
        if (count == QLatin1String("0"))
            return ReceiveResult::NothingNew;
        const platform::Answer answer = m_prompts.message(countQuestionText(count, bytes), QStringLiteral("受信確認"),
                                                          platform::Icon::Information, platform::Buttons::YesNo);
        if (answer == platform::Answer::Yes)
            outcome = ReceiveResult::WantsReceive;
    }
    return outcome;
}


ReceiveResult Receiver::handleSave(ServerMode mode, const LibraryResult& result)
{
    if (!result.isList) {
        // An empty text would only wipe what the user had on the clipboard.
        if (!result.text.isEmpty())
            m_ui.setClipboardText(result.text);
        if (result.text.isEmpty() || result.text == kInvalidMessageNumber)
            return ReceiveResult::NothingNew;
        return ReceiveResult::Error;
    }
    const storage::AccountPaths& paths = m_account.paths;
    std::vector<std::optional<ReceivedFileRead>> read =
        m_fileWorker ? m_fileWorker->takeAll() : std::vector<std::optional<ReceivedFileRead>>();
    m_fileWorker.reset();
    const qsizetype recovered = std::clamp<qsizetype>(result.recovered, 0, result.list.size());
    const bool newFiles = mode == ServerMode::FetchOne || m_runner.progressSeen();
    int filed = 0;
    ReceivedBatchFiling filing(paths, m_account.workDir, m_engine.get(), m_currentMail);
    for (qsizetype i = 0; i < result.list.size(); ++i) {
        ReceivedMessage message;
        message.name = QFileInfo(result.list.at(i)).fileName();
        // Messages of a receive that was cut short are filed unless they already are, in any folder.
        if (i < recovered ? hasIndexEntry(paths.receivedIndexFile, message.name) : !newFiles)
            continue;
        // Only the last message read stays in the current-mail record, so only that one needs
        // reading whole (its body decoded; its attachments only named, nothing is written to the
        // work folder); the others were mostly read while the download went on.
        const qsizetype position = i - recovered;
        if (position >= 0 && size_t(position) < read.size() && read[size_t(position)]) {
            message.summary = std::move(read[size_t(position)]->summary);
            message.filingInput = std::move(read[size_t(position)]->filing);
        }
        message.intoCurrentMail = i + 1 == result.list.size();
        if (filing.file(std::move(message)))
            ++filed;
    }
    // The batch's journal goes only once its entries are on disk; until then the next receive
    // files them again.
    QString error;
    const bool written = filing.commit();
    platform::crashPoint("filed");
    const bool everyFileFiled = newFiles || result.list.size() == recovered;
    if (written && everyFileFiled)
        platform::mail::finishReceivedBatch(paths.receivedIdsFile, &error);
    // Only now, with the batch on disk, and only noted: the index reads them later, off this path.
    if (written && m_changes) {
        for (const FiledMessage& message : filing.filed())
            m_changes->mailStored(message.folder, message.name);
    }
    if (written)
        reportFiling(filing);
    m_stoppedEarly = result.stoppedEarly;
    m_savedCount = filed;
    m_filedElsewhere = written ? filing.filedElsewhere() : 0;
    m_junkCount = written ? filing.junkCount() : 0;
    if (written && m_account.junkFilter && m_junkSettings.enabled)
        m_junkExpired = filing::expireJunk(paths, m_junkSettings.deleteAfterDays, QDateTime::currentDateTime(), m_changes).moved;
    if (filed == 0)
        return result.stoppedEarly.isEmpty() ? ReceiveResult::NothingNew : ReceiveResult::Error;
    return ReceiveResult::NewMail;
}

void Receiver::reportFiling(const ReceivedBatchFiling& filing)
{
    filing::appendFilingLog(filing::filingLogFile(m_account.paths), filing.logEntries());
    // A rule whose folder is gone is said once while the program runs; its mail stays in 標準BOX.
    QStringList lines;
    for (const filing::MissingFolder& missing : filing.missingFolders()) {
        if (m_reportedMissing.contains(missing))
            continue;
        m_reportedMissing.append(missing);
        lines.append(QStringLiteral("ルール「%1」: %2").arg(missing.rule, missing.folder));
    }
    if (!lines.isEmpty()) {
        m_prompts.message(QStringLiteral("振り分け先のフォルダがないため、次のルールのメールは標準BOXに入れました。\r\n")
                              + lines.join(QStringLiteral("\r\n"))
                              + QStringLiteral("\r\n\r\n振り分け設定でフォルダを選び直してください。"),
                          QStringLiteral("振り分け"), platform::Icon::Exclamation, platform::Buttons::Ok);
    }
}

ReceiveResult Receiver::handleList(const LibraryResult& result)
{
    if (result.isList) {
        if (m_sink)
            m_sink->fillServerList(result.list);
        return ReceiveResult::ListFilled;
    }
    if (result.text.isEmpty())
        return ReceiveResult::NothingNew;
    if (m_sink)
        m_sink->setListStatus(QString());
    if (result.text == kEmptyMailboxText) {
        if (m_sink)
            m_sink->setListStatus(QStringLiteral("メールはありません"));
        return ReceiveResult::NothingNew;
    }
    if (result.text.contains(QLatin1String("message(s) deleted")))
        return ReceiveResult::NothingNew;
    return ReceiveResult::Error;
}

void Receiver::ReportReceiveOutcome(ReceiveResult outcome, const LibraryResult& result)
{
    switch (outcome) {
    case ReceiveResult::Error:
        m_prompts.setStatus(1, QStringLiteral("エラー"));
        ShowLibraryError(m_prompts, result.isList ? result.stoppedEarly : result.text);
        break;
    case ReceiveResult::NothingNew:
        if (m_junkExpired > 0)
            m_ui.mailFiled(0, m_junkExpired);
        m_prompts.setStatus(1, QStringLiteral("新着はありません"));
        break;
    case ReceiveResult::NewMail:
        m_ui.mailFiled(m_junkCount, m_junkExpired);
        // Junk is no new mail: no sound and no unread view for it alone.
        if (m_savedCount > m_junkCount) {
            if (m_account.environment.newMailSound == 1)
                m_ui.playNewMailSound(m_account.environment.soundFile);
            m_ui.showUnreadFolder();
        }
        m_prompts.setStatus(1, newMailStatusText(m_savedCount, m_filedElsewhere, m_junkCount));
        if (!m_stoppedEarly.isEmpty())
            reportStoppedEarly();
        break;
    case ReceiveResult::WantsReceive:
    case ReceiveResult::ListFilled:
        break;
    }
}

QString newMailStatusText(int received, int filedElsewhere, int junk)
{
    const int mail = received - junk;
    const int filed = filedElsewhere - junk;
    if (mail <= 0)
        return QStringLiteral("新着メールなし（迷惑メール%1通）").arg(junk);
    QString text = QStringLiteral("新着メールあり");
    if (filed > 0)
        text += QStringLiteral("（%1通、うち%2通を振り分けました）").arg(mail).arg(filed);
    else if (junk > 0)
        text += QStringLiteral("（%1通）").arg(mail);
    if (junk > 0)
        text += QStringLiteral("、迷惑メール%1通").arg(junk);
    return text;
}

QString stoppedEarlyText(int saved, const QString& libraryText)
{
    return QStringLiteral("受信が途中で止まりました。受信できた %1 通は保存しました。残りのメールはサーバーに残っています。")
               .arg(saved)
        + QStringLiteral("\r\n\r\n") + libraryErrorText(libraryText);
}

void Receiver::reportStoppedEarly()
{
    m_prompts.setStatus(1, QStringLiteral("新着メールあり（受信は途中で止まりました）"));
    m_prompts.message(stoppedEarlyText(m_savedCount, m_stoppedEarly), QStringLiteral("受信エラー"),
                      platform::Icon::Exclamation, platform::Buttons::Ok);
}

} // namespace fumibako::transfer
