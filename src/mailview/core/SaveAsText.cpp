#include "mailview/core/SaveAsText.h"

#include "mailview/core/ReadingDialogs.h"
#include "platform/AtomicFile.h"
#include "platform/Cp932.h"
#include "platform/UserPrompts.h"

namespace fumibako::mailview {

using platform::Buttons;
using platform::Icon;

namespace {

const QString kCrLf = QStringLiteral("\r\n");

} // namespace

const QList<TextItem>& offeredTextItems()
{
    static const QList<TextItem> items{TextItem::To,        TextItem::From,    TextItem::Date,
                                       TextItem::BlankLine, TextItem::Subject, TextItem::Body};
    return items;
}

QString textItemCaption(TextItem item)
{
    switch (item) {
    case TextItem::To: return QStringLiteral("宛先");
    case TextItem::From: return QStringLiteral("送信元");
    case TextItem::Date: return QStringLiteral("送信日");
    case TextItem::BlankLine: return QStringLiteral("項目間に改行");
    case TextItem::Subject: return QStringLiteral("件名");
    case TextItem::Body: return QStringLiteral("本文");
    }
    return QString();
}

QString savedText(const QList<TextItem>& items, const ShownMail& mail)
{
    QString text;
    for (TextItem item : items) {
        switch (item) {
        // The labels are padded so that, with full-width characters two columns wide, the colons line up.
        case TextItem::To: text += QStringLiteral("宛先   : ") + mail.to; break;
        case TextItem::From: text += QStringLiteral("送信元 : ") + mail.from; break;
        case TextItem::Date: text += QStringLiteral("送信日 : ") + mail.date; break;
        case TextItem::Subject: text += QStringLiteral("件名   : ") + mail.subject; break;
        case TextItem::Body: text += QStringLiteral("本文   : ") + mail.body; break;
        case TextItem::BlankLine: break;
        }
        text += kCrLf;
    }
    return text + kCrLf;
}

QByteArray savedTextBytes(const QString& text)
{
    bool lossless = true;
    const QByteArray bytes = platform::encodeCp932(text, &lossless);
    if (lossless)
        return bytes;
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

SaveAsText::SaveAsText(platform::UserPrompts& prompts, ReadingDialogs& dialogs, const ShownMail& mail)
    : m_prompts(prompts), m_dialogs(dialogs), m_mail(mail)
{
}

void SaveAsText::choose(TextItem item)
{
    m_chosen.append(item);
}

void SaveAsText::remove(int index)
{
    if (index >= 0 && index < m_chosen.size())
        m_chosen.removeAt(index);
}

bool SaveAsText::next()
{
    if (m_chosen.isEmpty()) {
        m_prompts.message(QStringLiteral("一つはチェックしてください"), QString(), Icon::None, Buttons::Ok);
        return false;
    }
    const std::optional<QString> file =
        m_dialogs.chooseSaveFile(QStringLiteral("保存"), QStringLiteral("テキスト形式(*.txt)"), QStringLiteral("txt"));
    if (!file || file->isEmpty())
        return false;
    if (!platform::writeFileAtomically(*file, savedTextBytes(savedText(m_chosen, m_mail)))) {
        m_prompts.message(QStringLiteral("ファイルに保存できませんでした。") + kCrLf + *file + kCrLf
                              + QStringLiteral("保存先のフォルダに書き込めるか、ディスクに空きがあるか確かめてください。"),
                          QString(), Icon::Exclamation, Buttons::Ok);
        return false;
    }
    m_prompts.message(QStringLiteral("保存しました"), platform::kProgramTitle, Icon::None, Buttons::Ok);
    return true;
}

} // namespace fumibako::mailview
