#include "filing/JunkUnsureMarks.h"

#include "platform/AtomicFile.h"

#include <QFile>

namespace fumibako::filing {

namespace {

QStringList readNames(const QString& file)
{
    QFile marks(file);
    if (!marks.open(QIODevice::ReadOnly))
        return {};
    QStringList names = QString::fromUtf8(marks.readAll()).split(u'\n', Qt::SkipEmptyParts);
    for (QString& name : names)
        name = name.trimmed();
    names.removeAll(QString());
    return names;
}

bool writeNames(const QString& file, const QStringList& names)
{
    if (names.isEmpty() && !QFile::exists(file))
        return true;
    const QByteArray text = names.isEmpty() ? QByteArray() : (names.join(u'\n') + u'\n').toUtf8();
    return platform::writeFileAtomically(file, text);
}

} // namespace

QString JunkUnsureMarks::fileOf(const storage::AccountPaths& paths)
{
    return paths.userMailDir + QStringLiteral("JunkUnsure.txt");
}

void JunkUnsureMarks::load(const QString& file)
{
    const QStringList names = readNames(file);
    m_names = QSet<QString>(names.cbegin(), names.cend());
}

bool JunkUnsureMarks::add(const QString& file, const QStringList& names)
{
    if (names.isEmpty())
        return true;
    QStringList kept = readNames(file);
    QSet<QString> known(kept.cbegin(), kept.cend());
    for (const QString& name : names) {
        if (!known.contains(name)) {
            known.insert(name);
            kept.append(name);
        }
    }
    if (kept.size() > kMaxUnsureMarks)
        kept.remove(0, kept.size() - kMaxUnsureMarks);
    return writeNames(file, kept);
}

bool JunkUnsureMarks::remove(const QString& file, const QStringList& names)
{
    QStringList kept = readNames(file);
    const qsizetype before = kept.size();
    const QSet<QString> gone(names.cbegin(), names.cend());
    kept.removeIf([&gone](const QString& name) { return gone.contains(name); });
    return kept.size() == before || writeNames(file, kept);
}

} // namespace fumibako::filing
