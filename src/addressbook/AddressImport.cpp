#include "addressbook/AddressImport.h"

#include "addressbook/AddressBook.h"
#include "addressbook/CsvFields.h"
#include "platform/AtomicFile.h"
#include "storage/Paths.h"

#include <QDir>

namespace fumibako::addressbook {

namespace {

const QString kNameColumn = QStringLiteral("表示名");
const QString kAddressColumn = QStringLiteral("電子メール アドレス");
const QString kMemoColumn = QStringLiteral("メモ");

// A line break inside a quoted field becomes one space, whichever line end it is.
QString oneLine(QString field)
{
    field.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return entryField(field, false);
}

ImportedAddress cleanRow(const QString& name, const QString& address, const QString& comment)
{
    return {oneLine(name), oneLine(address), oneLine(comment)};
}

ImportResult formatError(ImportResult result, ImportFormat format)
{
    result.problem = ImportMessage{formatErrorText(format), kUnsupportedTitle};
    return result;
}

/** The lines of @p text that hold more than blanks, with their 1-based numbers. */
template <typename Visit>
bool forEachLine(QStringView text, Visit&& visit)
{
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = start;
        while (end < text.size() && text[end] != u'\r' && text[end] != u'\n')
            ++end;
        const QStringView line = text.sliced(start, end - start);
        if (!line.trimmed().isEmpty() && !visit(line))
            return false;
        if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() && text[end + 1] == u'\n')
            ++end;
        start = end + 1;
    }
    return true;
}

QString problemText(const DecodedText& decoded)
{
    switch (decoded.problem) {
    case TextProblem::TooLarge:
        return QStringLiteral("ファイルが大きすぎるため取り込めません。") + QStringLiteral("\r\n")
            + QStringLiteral("取り込めるのは %1 MB までのファイルです。").arg(kMaxImportBytes / (1024 * 1024));
    case TextProblem::NotText:
        return QStringLiteral("%1 行目に文字ではないデータがあります。").arg(decoded.problemLine) + QStringLiteral("\r\n")
            + QStringLiteral("テキスト形式のアドレス帳ではないようです。");
    case TextProblem::Undecodable:
        if (decoded.problemLine == 0)
            return QStringLiteral("ファイルを読み込めません。");
        return QStringLiteral("%1 行目に読み取れない文字があります。").arg(decoded.problemLine) + QStringLiteral("\r\n")
            + QStringLiteral("文字コードは Shift_JIS、UTF-8、UTF-16、EUC-JP、JIS に対応しています。");
    case TextProblem::None:
        break;
    }
    return {};
}

} // namespace

QString formatErrorText(ImportFormat format)
{
    switch (format) {
    case ImportFormat::OutlookExpress:
        return QStringLiteral("対応しているOutlookのアドレス形式ではありません");
    case ImportFormat::AlMail:
        return QStringLiteral("対応しているAl-Mailのアドレス形式ではありません");
    case ImportFormat::Becky:
        break;
    }
    return QStringLiteral("対応しているBecky!のアドレス形式ではありません");
}

ImportResult parseOutlookExpress(QStringView text)
{
    CsvFieldReader reader(text);
    QStringList header;
    while (const std::optional<QString> field = reader.next()) {
        header.append(*field);
        if (reader.endedLine())
            break;
    }
    ImportResult result;
    if (reader.failed())
        return formatError(std::move(result), ImportFormat::OutlookExpress);
    const qsizetype fieldCount = std::max<qsizetype>(1, header.size());
    const qsizetype nameAt = header.indexOf(kNameColumn);
    const qsizetype addressAt = header.indexOf(kAddressColumn);
    const qsizetype memoAt = header.indexOf(kMemoColumn);
    while (!reader.atEnd()) {
        QString fields[3];
        for (qsizetype i = 0; i < fieldCount; ++i) {
            const std::optional<QString> field = reader.next();
            if (!field)
                break;
            if (i == nameAt)
                fields[0] = *field;
            else if (i == addressAt)
                fields[1] = *field;
            else if (i == memoAt)
                fields[2] = *field;
        }
        if (reader.failed())
            return formatError(std::move(result), ImportFormat::OutlookExpress);
        result.rows.append(cleanRow(fields[0], fields[1], fields[2]));
    }
    return result;
}

ImportResult parseAlMail(QStringView text)
{
    ImportResult result;
    const bool read = forEachLine(text, [&result](QStringView line) {
        const qsizetype colon = line.indexOf(u": ");
        if (colon < 0)
            return false;
        result.rows.append(cleanRow(line.left(colon).toString(), line.sliced(colon + 2).toString(), QString()));
        return true;
    });
    return read ? result : formatError(std::move(result), ImportFormat::AlMail);
}

ImportResult parseBecky(QStringView text)
{
    ImportResult result;
    const bool read = forEachLine(text, [&result](QStringView line) {
        const QList<QStringView> fields = line.split(u'\t');
        if (fields.size() < 5)
            return false;
        result.rows.append(cleanRow(fields.at(0).toString(), fields.at(1).toString(), fields.at(3).toString()));
        return true;
    });
    return read ? result : formatError(std::move(result), ImportFormat::Becky);
}

ImportResult importAddressFile(ImportFormat format, const QString& path)
{
    const DecodedText decoded = readTextFile(path);
    if (decoded.problem != TextProblem::None)
        return ImportResult{{}, ImportMessage{problemText(decoded), kUnsupportedTitle}};
    switch (format) {
    case ImportFormat::OutlookExpress:
        return parseOutlookExpress(decoded.text);
    case ImportFormat::AlMail:
        return parseAlMail(decoded.text);
    case ImportFormat::Becky:
        break;
    }
    return parseBecky(decoded.text);
}

QByteArray exportBytes(const QList<AddressEntry>& entries)
{
    QString text = csvLine({kNameColumn, kAddressColumn, kMemoColumn}) + QStringLiteral("\r\n");
    for (const AddressEntry& entry : entries)
        text += csvLine({entry.name, entry.address, entry.comment}) + QStringLiteral("\r\n");
    return encodeBookText(text);
}

QString exportDoneText(const QString& programDir)
{
    // The program directory as every path of the program keeps it: with its trailing separator.
    return QDir::toNativeSeparators(storage::withTrailingSlash(programDir)) + QStringLiteral("\r\n")
        + QStringLiteral("に「Exp_Address.csv」を作成しました");
}

bool ExportAddressBook(const QString& programDir, const QList<AddressEntry>& entries, QString* error)
{
    return platform::writeFileAtomically(programDir + kExportFileName, exportBytes(entries), error);
}

} // namespace fumibako::addressbook
