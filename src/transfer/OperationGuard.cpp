#include "transfer/OperationGuard.h"

#include "platform/UserPrompts.h"

namespace fumibako::transfer {

QString OperationGuard::statusText(qint16 code)
{
    switch (code) {
    case kSending: return QStringLiteral("送信中");
    case kFetchingServerList: return QStringLiteral("リスト取得中");
    case kSelectiveReceive: return QStringLiteral("選択受信中");
    case kSelectiveDelete: return QStringLiteral("選択削除中");
    case kReceiving: return QStringLiteral("メール受信中");
    case kReceivingAndDeleting: return QStringLiteral("選択受信＆削除中");
    default: return QString();
    }
}

QString OperationGuard::refusalText(qint16 code)
{
    switch (code) {
    case kSending: return QStringLiteral("現在送信中のため、完了した後に再度実行してください");
    case kFetchingServerList: return QStringLiteral("現在リスト取得中のため、この操作は中止します");
    case kSelectiveReceive: return QStringLiteral("現在選択受信中のため、この操作は中止します");
    case kSelectiveDelete: return QStringLiteral("現在選択削除中のため、この操作は中止します");
    case kReceiving: return QStringLiteral("現在メール受信中のため、この操作は中止します");
    case kReceivingAndDeleting: return QStringLiteral("現在メール受信＆削除中のため、この操作は中止します");
    default: return QString();
    }
}

bool OperationGuard::AcquireOperation(qint16 code)
{
    if (code == kRefreshStatus) {
        if (m_current == kIdle)
            m_prompts.setStatus(1, QString());
        else if (m_current == kSending || m_current == kFetchingServerList)
            m_prompts.setStatus(1, statusText(m_current));
        return true;
    }
    if (m_current != kIdle) {
        m_prompts.message(refusalText(m_current), QString(), platform::Icon::None, platform::Buttons::Ok);
        return false;
    }
    if (code != kIdle) {
        m_prompts.setStatus(1, statusText(code));
        m_current = code;
    }
    return true;
}

} // namespace fumibako::transfer
