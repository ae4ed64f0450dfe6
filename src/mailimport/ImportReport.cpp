#include "mailimport/ImportReport.h"

#include <QDir>

namespace fumibako::mailimport {

namespace {

// Long lists name their first items and count the rest, so that a report stays readable.
constexpr int kNamedItems = 100;

void appendItems(QString& text, const QList<ReportItem>& items)
{
    for (qsizetype i = 0; i < items.size() && i < kNamedItems; ++i)
        text += QStringLiteral("  %1: %2\n").arg(items.at(i).where, items.at(i).reason);
    if (items.size() > kNamedItems)
        text += QStringLiteral("  ほか %1 件\n").arg(items.size() - kNamedItems);
}

QString endLine(RunEnd end, const QString& failure, const QString& what)
{
    switch (end) {
    case RunEnd::Completed: return QString();
    case RunEnd::Cancelled: return QStringLiteral("%1は途中で中止しました。\n").arg(what);
    case RunEnd::Failed: return QStringLiteral("%1は途中で止まりました: %2\n").arg(what, failure);
    }
    return QString();
}

} // namespace

QString importReportText(const ImportReport& report)
{
    QString text = endLine(report.end, report.failure, QStringLiteral("インポート"));
    text += QStringLiteral("インポートしたメール: %1 通\n").arg(report.imported);
    if (report.resumed > 0)
        text += QStringLiteral("前回中断したインポートの続き: %1 通\n").arg(report.resumed);
    text += QStringLiteral("インポート済みのため飛ばしたメール: %1 通\n").arg(report.alreadyImported);
    if (!report.notImported.isEmpty()) {
        text += QStringLiteral("メールとして読めず、インポートしなかったもの: %1 件\n").arg(report.notImported.size());
        appendItems(text, report.notImported);
    }
    if (!report.notes.isEmpty()) {
        text += QStringLiteral("インポートしましたが、途中で切れている可能性があるメール: %1 通\n").arg(report.notes.size());
        appendItems(text, report.notes);
    }
    if (report.end == RunEnd::Cancelled || report.end == RunEnd::Failed)
        text += QStringLiteral("同じものをもう一度インポートすると、残りのメールだけが加わります。\n");
    return text;
}

QString exportReportText(const ExportReport& report)
{
    QString text = endLine(report.end, report.failure, QStringLiteral("エクスポート"));
    if (report.end == RunEnd::Completed || report.written > 0)
        text += QStringLiteral("%1 に %2 通のメールを書き出しました。\n").arg(QDir::toNativeSeparators(report.target)).arg(report.written);
    if (!report.notWritten.isEmpty()) {
        text += QStringLiteral("ファイルを読めず、書き出せなかったメール: %1 通\n").arg(report.notWritten.size());
        appendItems(text, report.notWritten);
    }
    return text;
}

} // namespace fumibako::mailimport
