#include "transfer/OperationGuard.h"

#include "platform/UserPrompts.h"

namespace fumibako::transfer {

QString OperationGuard::statusText(Operation operation)
{
    switch (operation) {
    case Operation::Sending: return QStringLiteral("送信中");
    case Operation::FetchingServerList: return QStringLiteral("リスト取得中");
    case Operation::SelectiveReceive: return QStringLiteral("選択受信中");
    case Operation::SelectiveDelete: return QStringLiteral("選択削除中");
    case Operation::Receiving: return QStringLiteral("メール受信中");
    case Operation::ReceivingAndDeleting: return QStringLiteral("選択受信＆削除中");
    case Operation::Importing: return QStringLiteral("メールのインポート中");
    case Operation::Exporting: return QStringLiteral("メールのエクスポート中");
    case Operation::Idle: break;
    }
    return QString();
}

QString OperationGuard::refusalText(Operation operation)
{
    switch (operation) {
    case Operation::Sending: return QStringLiteral("現在送信中のため、完了した後に再度実行してください");
    case Operation::FetchingServerList: return QStringLiteral("現在リスト取得中のため、この操作は中止します");
    case Operation::SelectiveReceive: return QStringLiteral("現在選択受信中のため、この操作は中止します");
    case Operation::SelectiveDelete: return QStringLiteral("現在選択削除中のため、この操作は中止します");
    case Operation::Receiving: return QStringLiteral("現在メール受信中のため、この操作は中止します");
    case Operation::ReceivingAndDeleting: return QStringLiteral("現在メール受信＆削除中のため、この操作は中止します");
    case Operation::Importing: return QStringLiteral("現在メールのインポート中のため、この操作は中止します");
    case Operation::Exporting: return QStringLiteral("現在メールのエクスポート中のため、この操作は中止します");
    case Operation::Idle: break;
    }
    return QString();
}

bool OperationGuard::confirmIdle()
{
    if (m_current == Operation::Idle)
        return true;
    m_prompts.message(refusalText(m_current), QString(), platform::Icon::None, platform::Buttons::Ok);
    return false;
}

bool OperationGuard::AcquireOperation(Operation operation)
{
    if (!confirmIdle())
        return false;
    if (operation != Operation::Idle) {
        m_prompts.setStatus(1, statusText(operation));
        m_current = operation;
    }
    return true;
}

void OperationGuard::refreshStatus()
{
    if (m_current == Operation::Idle)
        m_prompts.setStatus(1, QString());
    else if (m_current == Operation::Sending || m_current == Operation::FetchingServerList)
        m_prompts.setStatus(1, statusText(m_current));
}

} // namespace fumibako::transfer
