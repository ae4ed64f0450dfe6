#include "mailview/core/ReadMailController.h"

#include "addressbook/AddressTable.h"
#include "addressbook/QuickAdd.h"
#include "compose/core/ComposeLauncher.h"
#include "mailview/core/ReadingDialogs.h"
#include "mailview/core/ReplyText.h"
#include "mailview/core/SenderName.h"
#include "platform/UserPrompts.h"
#include "platform/mail/MailLibrary.h"
#include "transfer/StoredMail.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace fumibako::mailview {

using platform::Buttons;
using platform::Icon;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString fileNameOf(const QString& path)
{
    return path.mid(std::max(path.lastIndexOf(QLatin1Char('/')), path.lastIndexOf(QLatin1Char('\\'))) + 1);
}

// Attachment paths 1..n of a received current-mail record.
QStringList attachmentPaths(const transfer::CurrentMail& mail)
{
    const int count = mail.attachments.value(0).toInt();
    return mail.attachments.mid(1, std::max(0, count));
}

bool liesIn(const QString& path, const QString& folder)
{
    const QString dir = QDir(folder).absolutePath() + QLatin1Char('/');
    return QFileInfo(path).absoluteFilePath().startsWith(dir);
}

} // namespace

ReadMailController::ReadMailController(const ReadMailContext& context) : m_context(context) {}

void ReadMailController::windowLoaded()
{
    quoteBody = false;
    quoteSubject = false;
    m_view.headerShown = false;
    m_headerPath.clear();
    m_keptBody.clear();
    m_keptHeader.clear();
}

bool ReadMailController::openStored(const QString& folder, const QString& name)
{
    // The attachments are extracted into a folder of their own, only to learn their names, and
    // removed with it at once; their own names never clash with files already in the work folder.
    QTemporaryDir extracted(m_context.workDir + QStringLiteral("read-XXXXXX"));
    const QString attachmentFolder = extracted.isValid() ? extracted.path() + QLatin1Char('/') : m_context.workDir;
    if (!transfer::ReadStoredMail(m_context.currentMail, transfer::StoredMailKind::Received, folder, name,
                                  attachmentFolder)) {
        m_context.prompts.message(QStringLiteral("メールを読み込めませんでした。") + kCrLf + folder + name, QString(),
                                  Icon::Exclamation, Buttons::Ok);
        return false;
    }
    QStringList names;
    for (const QString& path : attachmentPaths(m_context.currentMail)) {
        names.append(fileNameOf(path));
        if (!extracted.isValid())
            QFile::remove(path);
    }
    m_view.replyEnabled = true;
    fillFromCurrentMail(names);
    return true;
}

void ReadMailController::showReceived()
{
    QStringList names;
    for (const QString& path : attachmentPaths(m_context.currentMail)) {
        names.append(fileNameOf(path));
        if (liesIn(path, m_context.workDir))
            QFile::remove(path);
    }
    m_view.replyEnabled = false;
    fillFromCurrentMail(names);
}

void ReadMailController::fillFromCurrentMail(const QStringList& attachmentNames)
{
    const transfer::CurrentMail& mail = m_context.currentMail;
    m_view.attachments = attachmentNames;
    m_view.messagePath = mail.mailPath + mail.mailName;
    m_view.subject = mail.subject;
    m_view.from = mail.from;
    m_view.date = mail.date;
    m_view.to = mail.to;
    m_view.body = mail.body;
    m_view.senderCaption = SenderName(m_context.programDir, addressbook::AddressTable::instance().entries(), mail.from);
}

void ReadMailController::toggleHeader()
{
    if (m_view.messagePath != m_headerPath) {
        m_keptBody = m_view.body;
        if (m_view.headerShown) {
            // The window was refilled with another message while the header was shown.
            m_view.headerShown = false;
            return;
        }
        m_headerPath = m_view.messagePath;
        m_view.headerShown = true;
        const platform::mail::LibraryResult header =
            platform::mail::ReadMail(m_view.messagePath, QString(), m_context.workDir);
        if (header.isList)
            m_view.body = header.list.join(kCrLf) + (header.list.isEmpty() ? QString() : kCrLf);
        m_keptHeader = m_view.body;
        return;
    }
    m_view.headerShown = !m_view.headerShown;
    m_view.body = m_view.headerShown ? m_keptHeader : m_keptBody;
}

bool ReadMailController::startReply(ReplyTo who)
{
    if (!m_view.replyEnabled)
        return false;
    const RepliedMail mail{m_view.messagePath, m_view.from, m_view.subject, m_view.body};
    m_context.composer.showWithFields(replyFields(mail, who, quoteSubject, quoteBody,
                                                  m_context.ownAddress ? m_context.ownAddress() : QString()));
    return true;
}

bool ReadMailController::redirect()
{
    if (!m_view.replyEnabled)
        return false;
    compose::ComposeFields afterwards;
    afterwards.body = QStringLiteral("編集できません");
    afterwards.subject = m_view.subject;
    m_context.composer.OpenCompose(compose::ComposeMode::Redirect, QStringLiteral(">#xfr ") + m_view.messagePath,
                                    QString(), QString(), afterwards);
    return true;
}

bool ReadMailController::forwardAsAttachment()
{
    if (!m_view.replyEnabled)
        return false;
    compose::ComposeFields fields;
    fields.attachments = forwardAttachmentEntry(m_view.messagePath, m_view.subject);
    m_context.composer.showWithFields(fields);
    return true;
}

void ReadMailController::saveAttachments()
{
    const std::optional<QString> folder = m_context.dialogs.chooseFolder();
    if (!folder)
        return;
    const platform::mail::LibraryResult saved =
        platform::mail::ReadMail(m_view.messagePath, QStringLiteral("To:"), QStringLiteral(">") + *folder);
    // A readable message lists its six fields, then one element per attachment file written.
    const qsizetype written = saved.isList ? std::max<qsizetype>(0, saved.list.size() - 6) : 0;
    if (saved.isList && written >= m_view.attachments.size())
        return;
    const QString text = saved.isList
        ? QStringLiteral("添付ファイルを保存できませんでした（%1 個中 %2 個を保存しました）。").arg(m_view.attachments.size()).arg(written)
            + kCrLf + *folder + kCrLf + QStringLiteral("フォルダに書き込めるか確かめてください。")
        : QStringLiteral("メールを読み込めなかったため、添付ファイルを保存できませんでした。") + kCrLf + m_view.messagePath;
    m_context.prompts.message(text, QString(), Icon::Exclamation, Buttons::Ok);
}

void ReadMailController::addSenderToAddressBook()
{
    const std::optional<QString> name =
        m_context.dialogs.askText(QStringLiteral("表示名を入力してください"), QStringLiteral("アドレス帳に追加"));
    if (!name || name->isEmpty())
        return;
    // The address alone is stored, so that the sender is found by it the next time.
    if (!addressbook::QuickAddSender(m_context.programDir, m_context.prompts, *name, senderAddress(m_view.from)).written)
        return;
    m_view.senderCaption = *name;
}

} // namespace fumibako::mailview
