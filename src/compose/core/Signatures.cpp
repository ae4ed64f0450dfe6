#include "compose/core/Signatures.h"

#include "platform/AtomicFile.h"
#include "platform/Cp932.h"
#include "platform/UserPrompts.h"
#include "platform/mail/LineEnds.h"
#include "storage/ProfileStore.h"
#include "storage/SettingValues.h"

#include <QFile>

namespace fumibako::compose {

namespace {

const QByteArray kUtf8Bom("\xEF\xBB\xBF", 3);
const QString kCrLf = QStringLiteral("\r\n");
// Names keep up to 69 bytes; the buffer counts the terminating NUL as well.
constexpr int kNameBuffer = 70;

bool isUsableName(const QString& name)
{
    static const QString forbidden = QStringLiteral("\\/:*?\"<>|");
    if (name.isEmpty() || name == QLatin1String(".") || name == QLatin1String(".."))
        return false;
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || forbidden.contains(c))
            return false;
    }
    return true;
}

} // namespace

QString signatureFolder(const QString& userMailDir)
{
    return userMailDir + QStringLiteral("署名/");
}

std::optional<QString> signatureFilePath(const QString& userMailDir, const QString& name)
{
    if (!isUsableName(name))
        return std::nullopt;
    return signatureFolder(userMailDir) + name + QStringLiteral(".txt");
}

std::optional<QString> ReadSignatureFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray bytes = file.readAll();
    if (bytes.isEmpty() || file.error() != QFileDevice::NoError)
        return std::nullopt;
    QString text = bytes.startsWith(kUtf8Bom) ? QString::fromUtf8(bytes.sliced(kUtf8Bom.size()))
                                              : platform::decodeCp932(bytes);
    text = platform::mail::withLineEnds(text, kCrLf);
    if (text.endsWith(kCrLf))
        text.chop(kCrLf.size());
    return text;
}

bool writeSignatureFile(const QString& path, const QString& text, QString* error)
{
    const QString content = platform::mail::withLineEnds(text, kCrLf) + kCrLf;
    bool lossless = true;
    QByteArray bytes = platform::encodeCp932(content, &lossless);
    if (!lossless)
        bytes = kUtf8Bom + content.toUtf8();
    return platform::writeFileAtomically(path, bytes, error);
}

QStringList LoadSignatureList(const QString& userFile, int countBuffer)
{
    const QString countText = storage::IniGetString(kSignatureSection, QStringLiteral("Count"), countBuffer, userFile);
    const std::optional<qint16> count = storage::parseInt16(countText);
    QStringList names;
    for (int i = 0; count && i < *count; ++i) {
        const QString name = storage::IniGetString(kSignatureSection, QString::number(i), kNameBuffer, userFile);
        if (!name.isEmpty())
            names.append(name);
    }
    return names;
}

bool SyomeiPlus(QString& body, const QString& name, const QString& userMailDir, platform::UserPrompts& prompts)
{
    const std::optional<QString> path = signatureFilePath(userMailDir, name);
    const std::optional<QString> signature = path ? ReadSignatureFile(*path) : std::nullopt;
    if (!signature) {
        prompts.message(QStringLiteral("署名ファイルが見つかりませんでした"), QStringLiteral("署名ファイルの未検出"),
                        platform::Icon::Exclamation, platform::Buttons::Ok);
        return false;
    }
    body += kCrLf + kCrLf + *signature;
    return true;
}

} // namespace fumibako::compose
