#include "compose/core/SignatureSettings.h"

#include "compose/core/Signatures.h"
#include "platform/UserPrompts.h"
#include "storage/DataDirectory.h"
#include "storage/ProfileStore.h"

#include <QFile>
#include <QFileInfo>

namespace fumibako::compose {

using platform::Answer;
using platform::Buttons;
using platform::Icon;

namespace {

const QString kTitle = QStringLiteral("署名");
const QString kMissingAskText = QStringLiteral("ファイルが見つかりません\r\n項目を削除しますか？");

} // namespace

void SignatureSettings::load(const QString& userFile, const QString& userMailDir)
{
    m_userFile = userFile;
    m_userMailDir = userMailDir;
    m_names = LoadSignatureList(userFile, kSettingsCountBuffer);
    m_selected = -1;
    m_changed = false;
    m_enabling = {};
}

void SignatureSettings::nameTyped()
{
    m_selected = -1;
    m_enabling = {true, false, false};
}

std::optional<QString> SignatureSettings::nameChosen(int index)
{
    if (index < 0 || index >= m_names.size())
        return std::nullopt;
    m_selected = index;
    m_enabling = {false, true, true};
    const std::optional<QString> path = signatureFilePath(m_userMailDir, m_names.at(index));
    std::optional<QString> text = path ? ReadSignatureFile(*path) : std::nullopt;
    if (!text && askDropMissing())
        dropSelected();
    return text;
}

bool SignatureSettings::create(const QString& name, const QString& text)
{
    if (name.isEmpty()) {
        m_prompts.message(QStringLiteral("ファイル名を入力してください"), QStringLiteral("ファイル名"),
                          Icon::Information, Buttons::Ok);
        return false;
    }
    const std::optional<QString> path = signatureFilePath(m_userMailDir, name);
    if (path && QFileInfo::exists(*path)) {
        m_prompts.message(QStringLiteral("同じ名前の署名があります"), QStringLiteral("署名作成"), Icon::Information,
                          Buttons::Ok);
        return false;
    }
    if (!path || !storage::makePrivatePath(signatureFolder(m_userMailDir)) || !writeSignatureFile(*path, text)) {
        m_prompts.message(QStringLiteral("有効な名前を付けてください"), QString(), Icon::None, Buttons::Ok);
        return false;
    }
    // A name whose file had gone missing is still listed: it gets its file back, not a second entry.
    if (!m_names.contains(name)) {
        m_names.append(name);
        m_changed = true;
    }
    return true;
}

bool SignatureSettings::edit(const QString& name, const QString& text)
{
    const std::optional<QString> path = signatureFilePath(m_userMailDir, name);
    if (!path || !QFileInfo(*path).isFile()) {
        m_prompts.message(QStringLiteral("ファイルが見つかりません"), kTitle, Icon::Information, Buttons::Ok);
        return false;
    }
    QString error;
    if (!writeSignatureFile(*path, text, &error)) {
        m_prompts.message(QStringLiteral("署名ファイルを保存できませんでした") + QStringLiteral("\r\n") + error, kTitle,
                          Icon::Exclamation, Buttons::Ok);
        return false;
    }
    return true;
}

SignatureSettings::Removal SignatureSettings::remove()
{
    if (m_selected < 0 || m_selected >= m_names.size()) {
        m_prompts.message(QStringLiteral("リストから選択してください"), kTitle, Icon::None, Buttons::Ok);
        return Removal::None;
    }
    const std::optional<QString> path = signatureFilePath(m_userMailDir, m_names.at(m_selected));
    if (!path || !QFileInfo::exists(*path)) {
        if (!askDropMissing())
            return Removal::None;
        dropSelected();
        return Removal::NameOnly;
    }
    const Answer answer = m_prompts.message(QStringLiteral("本当に削除してもよろしいですか？"),
                                            QStringLiteral("署名の削除"), Icon::Exclamation, Buttons::YesNo);
    if (answer != Answer::Yes)
        return Removal::None;
    if (!QFile::remove(*path)) {
        m_prompts.message(QStringLiteral("なんらかの理由でファイルの削除に失敗しました"), QStringLiteral("署名の削除"),
                          Icon::Information, Buttons::Ok);
        return Removal::None;
    }
    dropSelected();
    return Removal::FileAndName;
}

bool SignatureSettings::saveIfChanged()
{
    if (!m_changed)
        return true;
    if (!storage::writeOrderedList(kSignatureSection, m_userFile, m_names)) {
        m_prompts.message(QStringLiteral("署名情報の保存に失敗しました"), QString(), Icon::None, Buttons::Ok);
        return false;
    }
    m_changed = false;
    return true;
}

void SignatureSettings::dropSelected()
{
    m_names.removeAt(m_selected);
    m_selected = -1;
    m_changed = true;
}

bool SignatureSettings::askDropMissing()
{
    return m_prompts.message(kMissingAskText, kTitle, Icon::Exclamation, Buttons::YesNo) == Answer::Yes;
}

} // namespace fumibako::compose
