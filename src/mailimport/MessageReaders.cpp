#include "mailimport/MessageReaders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <algorithm>
#include <climits>

namespace fumibako::mailimport {

namespace {

constexpr qint64 kPieceBytes = 256 * 1024;

class MboxMessages : public MessageReader {
public:
    explicit MboxMessages(const QString& path) : m_path(path), m_reader(path) {}

    bool open(QString* error) override { return m_reader.open(error); }

    std::optional<SourceMessage> next() override
    {
        m_current = m_reader.next();
        if (!m_current)
            return std::nullopt;
        const QString where = QStringLiteral("%1 の %2 通目").arg(QDir::toNativeSeparators(m_path)).arg(m_current->number);
        return SourceMessage{where, {}, envelopeDate(m_current->marker), m_current->truncated};
    }

    bool read(const ByteSink& sink, QString* error) override
    {
        return m_current && m_reader.read(*m_current, sink, error);
    }

    qint64 bytesDone() const override { return m_current ? m_current->end : 0; }

private:
    QString m_path;
    MboxReader m_reader;
    std::optional<MboxMessage> m_current;
};

/** One file per message: a Maildir, an MH folder or a single message file. */
class MessageFiles : public MessageReader {
public:
    struct File {
        QString path;
        MessageFlags flags;
    };

    explicit MessageFiles(QList<File> files) : m_files(std::move(files)) {}

    bool open(QString*) override { return true; }

    std::optional<SourceMessage> next() override
    {
        if (m_next > 0)
            m_done += QFileInfo(m_files.at(m_next - 1).path).size();
        if (m_next >= m_files.size())
            return std::nullopt;
        const File& file = m_files.at(m_next++);
        return SourceMessage{QDir::toNativeSeparators(file.path), file.flags, QFileInfo(file.path).lastModified(), false};
    }

    bool read(const ByteSink& sink, QString* error) override
    {
        QFile file(m_files.at(m_next - 1).path);
        if (!file.open(QIODevice::ReadOnly)) {
            *error = file.errorString();
            return false;
        }
        while (!file.atEnd()) {
            const QByteArray piece = file.read(kPieceBytes);
            if (file.error() != QFileDevice::NoError) {
                *error = file.errorString();
                return false;
            }
            if (!sink(piece))
                return false;
        }
        return true;
    }

    qint64 bytesDone() const override { return m_done; }

private:
    QList<File> m_files;
    qsizetype m_next = 0;
    qint64 m_done = 0;
};

QList<MessageFiles::File> maildirFiles(const QString& path)
{
    QList<MessageFiles::File> files;
    for (const QString& sub : {QStringLiteral("cur"), QStringLiteral("new")}) {
        const QDir dir(path + QLatin1Char('/') + sub);
        // Maildir names start with the time of delivery: in name order, the oldest come first.
        for (const QString& name : dir.entryList(QDir::Files, QDir::Name))
            files.append({dir.filePath(name), maildirFlags(name, sub == QLatin1String("new"))});
    }
    return files;
}

QList<MessageFiles::File> mhFiles(const QString& path)
{
    const QDir dir(path);
    QFile sequencesFile(dir.filePath(QStringLiteral(".mh_sequences")));
    const MhSequences sequences =
        MhSequences::parse(sequencesFile.open(QIODevice::ReadOnly) ? sequencesFile.read(16 * 1024 * 1024) : QByteArray());
    QList<std::pair<qint64, QString>> numbered;
    for (const QString& name : dir.entryList(QDir::Files)) {
        bool ok = false;
        const qint64 number = name.toLongLong(&ok);
        if (ok && number > 0 && std::all_of(name.cbegin(), name.cend(), [](QChar c) { return c.isDigit(); }))
            numbered.append({number, name});
    }
    std::sort(numbered.begin(), numbered.end());
    QList<MessageFiles::File> files;
    for (const auto& [number, name] : std::as_const(numbered))
        files.append({dir.filePath(name), sequences.flagsOf(int(std::min<qint64>(number, INT_MAX)))});
    return files;
}

} // namespace

std::unique_ptr<MessageReader> openReader(const ImportSource& source)
{
    switch (source.format) {
    case SourceFormat::Mbox: return std::make_unique<MboxMessages>(source.path);
    case SourceFormat::Maildir: return std::make_unique<MessageFiles>(maildirFiles(source.path));
    case SourceFormat::Mh: return std::make_unique<MessageFiles>(mhFiles(source.path));
    case SourceFormat::MessageFile: return std::make_unique<MessageFiles>(QList<MessageFiles::File>{{source.path, {}}});
    }
    return nullptr;
}

QDateTime envelopeDate(const QByteArray& marker)
{
    // "From" and the sender come first; the date is the rest, in the form of C's asctime().
    const QList<QByteArray> words = marker.simplified().split(' ');
    if (words.size() < 7)
        return {};
    const QString date = QString::fromLatin1(words.mid(2, 5).join(' '));
    return QLocale::c().toDateTime(date, QStringLiteral("ddd MMM d HH:mm:ss yyyy"));
}

} // namespace fumibako::mailimport
