#include "mailview/PreviewSelection.h"

#include "platform/UserPrompts.h"
#include "storage/MailFolderView.h"

namespace fumibako::mailview {

namespace {
const QString kCrLf = QStringLiteral("\r\n");
}

void listPressed(PreviewState& state)
{
    state.itemClicked = false;
}

PreviewAction itemClicked(PreviewState& state, const QString& key, const QString& locationName)
{
    if (state.itemClicked) {
        if (state.shownKey.isEmpty())
            return PreviewAction::Nothing;
        state.shownKey.clear();
        return PreviewAction::Blank;
    }
    state.itemClicked = true;
    if (key != state.shownKey) {
        state.shownKey = key;
        return PreviewAction::Render;
    }
    return locationName == kPreviewFileName ? PreviewAction::Nothing : PreviewAction::Render;
}

PreviewAction listChanged(PreviewState& state, const QString& locationName, bool stillListed)
{
    if (state.shownKey.isEmpty() || stillListed || locationName != kPreviewFileName)
        return PreviewAction::Nothing;
    state.shownKey.clear();
    return PreviewAction::Blank;
}

bool emptySpaceClicked(const QString& locationName)
{
    return locationName != kBlankLocation;
}

transfer::StoredMailKind previewReadMode(const QString& folderKey)
{
    return storage::MailFolderView::isOutgoingKey(folderKey) ? transfer::StoredMailKind::Outgoing
                                                              : transfer::StoredMailKind::Received;
}

QString previewTextAfterRead(bool readOk, const QString& body)
{
    return readOk ? body : kReadErrorText;
}

LinkAction previewLinkAction(const QString& url)
{
    static const QString compose = QStringLiteral("fumibako:");
    if (url.startsWith(compose))
        return {LinkAction::Compose, url.mid(compose.size())};
    for (const char* scheme : {"http://", "https://", "ftp://"}) {
        if (url.startsWith(QLatin1String(scheme), Qt::CaseInsensitive) && url.size() > qsizetype(qstrlen(scheme)))
            return {LinkAction::External, QString()};
    }
    return {};
}

QString previewErrorText(int number, const QString& description)
{
    const QString request = QStringLiteral("できれば、掲示板で報告してください。お願いします。");
    const QString numberText = QString::number(number);
    if (description.isEmpty())
        return QStringLiteral("エラー番号「") + numberText + QStringLiteral("」のエラーが発生しました") + kCrLf + request;
    return QStringLiteral("エラー番号「") + numberText + QStringLiteral("」") + kCrLf
        + QStringLiteral("エラーメッセージ 「") + description + QStringLiteral("」") + kCrLf + kCrLf
        + QStringLiteral("のエラーが発生しました。") + kCrLf + request;
}

void showPreviewError(platform::UserPrompts& prompts, int number, const QString& description)
{
    prompts.message(previewErrorText(number, description), QStringLiteral("エラー"), platform::Icon::Exclamation,
                    platform::Buttons::Ok);
}

} // namespace fumibako::mailview
