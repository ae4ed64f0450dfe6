#include "addressbook/core/ImportWizard.h"

#include "platform/UserPrompts.h"

#include <QFileInfo>

namespace fumibako::addressbook {

using platform::Buttons;
using platform::Icon;

ImportFileDialog fileDialogFor(ImportFormat format)
{
    switch (format) {
    case ImportFormat::OutlookExpress:
        return {QStringLiteral("Outlook形式のファイルを選んでください"), QStringLiteral("Outlook形式(*csv)")};
    case ImportFormat::AlMail:
        return {QStringLiteral("Al-Mailのファイルを選んでください"), QStringLiteral("Al-Mail(Address)")};
    case ImportFormat::Becky:
        break;
    }
    return {QStringLiteral("Becky! のアドレス帳を選んでください"), QStringLiteral("テキスト形式(*.txt)")};
}

bool ImportWizard::next(const QString& path)
{
    if (path.isEmpty()) {
        m_prompts.message(QStringLiteral("パスを入力してください"), QStringLiteral("パス未入力"), Icon::Information, Buttons::Ok);
        return false;
    }
    if (!QFileInfo(path).isFile()) {
        m_prompts.message(QStringLiteral("そのようなファイルは存在しません"), QStringLiteral("パス不明"), Icon::Information,
                          Buttons::Ok);
        return false;
    }
    m_preview.setRows({});
    m_page = Page::Preview;
    if (m_pageChanged)
        m_pageChanged();
    ImportResult result = importAddressFile(m_format, path);
    m_preview.setRows(std::move(result.rows));
    if (result.problem)
        m_prompts.message(result.problem->text, result.problem->title, Icon::Exclamation, Buttons::Ok);
    return true;
}

void ImportWizard::back()
{
    m_page = Page::ChooseFile;
    if (m_pageChanged)
        m_pageChanged();
}

} // namespace fumibako::addressbook
