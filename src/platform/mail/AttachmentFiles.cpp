#include "platform/mail/AttachmentFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fumibako::platform::mail {

namespace {

constexpr int kMaxNameBytes = 200; // leaves room for " (n)" within the usual 255-byte limit
constexpr int kMaxAttempts = 10000;

QString cutToUtf8Bytes(const QString& text, int maxBytes)
{
    QString out;
    int bytes = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const int size = int(QStringView(text).mid(i, length).toUtf8().size());
        if (bytes + size > maxBytes)
            break;
        out += QStringView(text).mid(i, length);
        bytes += size;
        i += length - 1;
    }
    return out;
}

QString limitLength(const QString& name)
{
    if (name.toUtf8().size() <= kMaxNameBytes)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > 0 && name.size() - dot <= 16 ? name.mid(dot) : QString();
    const int room = kMaxNameBytes - int(extension.toUtf8().size());
    return cutToUtf8Bytes(name.left(name.size() - extension.size()), room) + extension;
}

QString numberedName(const QString& name, int number)
{
    if (number == 1)
        return name;
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString suffix = QStringLiteral(" (%1)").arg(number);
    if (dot <= 0)
        return name + suffix;
    return name.left(dot) + suffix + name.mid(dot);
}

} // namespace

QString safeAttachmentName(QStringView name, const QString& fallback)
{
    QString base = name.toString();
    base = base.mid(qMax(base.lastIndexOf(QLatin1Char('/')), base.lastIndexOf(QLatin1Char('\\'))) + 1);
    QString clean;
    for (QChar c : base) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u == 0x7F || (u >= 0x80 && u < 0xA0) || u == 0x2028 || u == 0x2029)
            continue;
        clean += QStringLiteral(":*?\"<>|").contains(c) ? QLatin1Char('_') : c;
    }
    while (clean.startsWith(QLatin1Char('.')) || clean.startsWith(QLatin1Char(' ')))
        clean.remove(0, 1);
    while (clean.endsWith(QLatin1Char('.')) || clean.endsWith(QLatin1Char(' ')))
        clean.chop(1);
    clean = limitLength(clean);
    return clean.isEmpty() ? fallback : clean;
}

QString saveUnderFreeName(const QString& folder, const QString& name, const QByteArray& bytes)
{
    const QDir dir(folder);
    if (!dir.exists() && !QDir().mkpath(folder))
        return {};
    for (int number = 1; number <= kMaxAttempts; ++number) {
        const QString path = dir.absoluteFilePath(numberedName(name, number));
        if (QFileInfo(path).absolutePath() != dir.absolutePath())
            return {}; // cannot happen with a safe name; never write outside the folder
        QFile file(path);
        // NewOnly is O_CREAT|O_EXCL: fails for any existing entry, dangling symlinks included.
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists() || QFileInfo(path).isSymLink())
                continue;
            return {};
        }
        if (file.write(bytes) != bytes.size() || !file.flush()) {
            file.close();
            file.remove();
            return {};
        }
        return path;
    }
    return {};
}

} // namespace fumibako::platform::mail
