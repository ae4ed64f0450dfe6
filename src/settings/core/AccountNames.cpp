#include "settings/core/AccountNames.h"

#include "platform/Cp932.h"
#include "platform/UserPrompts.h"
#include "storage/FolderTree.h"
#include "storage/ProfileStore.h"

namespace fumibako::settings {

using platform::Buttons;
using platform::Icon;

namespace {

const QString kAName = QStringLiteral("AName");

QString asciiLower(const QString& text)
{
    QString lower = text;
    for (QChar& c : lower) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    return lower;
}

bool hasControlCharacter(const QString& name)
{
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return true;
    }
    return false;
}

// "." and ".." would make the mailbox folder the "MailBox" folder itself or the data directory;
// "AName" would make the account's file the registry.
bool isReservedFileName(const QString& name)
{
    return name == QLatin1String(".") || name == QLatin1String("..") || sameAccountName(name, kAName)
        || hasControlCharacter(name);
}

} // namespace

bool sameAccountName(const QString& a, const QString& b)
{
    return a.size() == b.size() && asciiLower(a) == asciiLower(b);
}

bool checkNewAccountName(const QString& name, const QStringList& listed, platform::UserPrompts& prompts)
{
    if (name.isEmpty()) {
        prompts.message(QStringLiteral("「ユーザー名(ファイル名)」を入力してください"), QString(), Icon::Exclamation,
                        Buttons::Ok);
        return false;
    }
    for (const QString& other : listed) {
        if (sameAccountName(other, name)) {
            prompts.message(QStringLiteral("同じユーザー名があります"), QStringLiteral("ユーザー追加"), Icon::None,
                            Buttons::Ok);
            return false;
        }
    }
    if (!storage::CheckName(true, name, prompts))
        return false;
    if (isReservedFileName(name)) {
        prompts.message(QStringLiteral("このユーザー名はファイル名に使えません"), QStringLiteral("不正文字"),
                        Icon::Information, Buttons::Ok);
        return false;
    }
    if (platform::cp932ByteLength(name) > kAccountNameMaxBytes) {
        prompts.message(QStringLiteral("ユーザー名が長すぎます") + QStringLiteral("\r\n")
                            + QStringLiteral("半角で49文字、全角で24文字までです"),
                        QStringLiteral("不正文字"), Icon::Information, Buttons::Ok);
        return false;
    }
    return true;
}

bool writeAccountRegistry(const QString& registryFile, const QStringList& names)
{
    return storage::writeOrderedList(kAName, registryFile, names);
}

QStringList readAccountRegistry(const QString& registryFile, int bufferSize)
{
    return storage::readOrderedList(kAName, registryFile, 50, bufferSize);
}

} // namespace fumibako::settings
