#include "app/tool/JunkCommand.h"

#include "addressbook/AddressLookup.h"
#include "app/tool/ToolIo.h"
#include "filing/JunkFilter.h"
#include "storage/DataDirectory.h"
#include "storage/Paths.h"

#include <QFileInfo>

namespace fumibako::tool {

using namespace fumibako::filing;

namespace {

const char* const kUsage = "usage: fumibako-tool [--data-dir DIR] junk ACCOUNT learn spam|ham FILE...\n"
                           "       fumibako-tool [--data-dir DIR] junk ACCOUNT classify FILE...\n"
                           "       fumibako-tool [--data-dir DIR] junk ACCOUNT explain FILE\n"
                           "       fumibako-tool [--data-dir DIR] junk ACCOUNT status";

QString verdictWord(JunkVerdict verdict)
{
    switch (verdict) {
    case JunkVerdict::Spam:
        return QStringLiteral("spam");
    case JunkVerdict::Unsure:
        return QStringLiteral("unsure");
    case JunkVerdict::Ham:
        break;
    }
    return QStringLiteral("ham");
}

QString learntText(const TrainingTotals& totals)
{
    return QStringLiteral("学習済み: 迷惑メール %1 通、通常のメール %2 通").arg(totals.spam).arg(totals.ham);
}

void printNotice(JunkFilter& filter)
{
    const QString notice = filter.takeNotice();
    if (!notice.isEmpty())
        printError(notice);
}

int learn(JunkFilter& filter, JunkKind kind, const QStringList& files)
{
    int failed = 0;
    filter.begin();
    for (const QString& file : files) {
        if (filter.learnFile(file, kind) == JunkStore::Learning::Failed) {
            printError(QStringLiteral("学習できませんでした: ") + file);
            ++failed;
        }
    }
    if (!filter.commit()) {
        printError(QStringLiteral("学習した内容を保存できませんでした"));
        failed = int(files.size());
    }
    printNotice(filter);
    printError(learntText(filter.totals()));
    return failed == 0 ? 0 : 1;
}

int classify(JunkFilter& filter, const QString& programDir, const QString& userFile, const QStringList& files)
{
    // The account's own settings, but judged even where its filter is off: the score is asked for.
    JunkSettings settings = readJunkSettings(userFile);
    settings.enabled = true;
    const addressbook::EntryAddressLookup addressBook = addressbook::EntryAddressLookup::fromFile(programDir);
    int failed = 0;
    bool notLearnt = false;
    for (const QString& file : files) {
        if (!QFileInfo(file).isFile()) {
            printError(QStringLiteral("ファイルがありません: ") + file);
            ++failed;
            continue;
        }
        const JunkJudgement judgement = filter.judgeFile(file, settings, &addressBook);
        notLearnt = notLearnt || judgement.reason == JunkReason::NotLearnt;
        const JunkVerdict verdict = judgement.reason == JunkReason::NotLearnt ? judgement.scoreVerdict : judgement.verdict;
        printLine(verdictWord(verdict) + QLatin1Char('\t') + QString::number(judgement.score, 'f', 4) + QLatin1Char('\t')
                  + file);
    }
    printNotice(filter);
    if (notLearnt) {
        printError(QStringLiteral("まだ学習が足りないため、受信したメールは振り分けません（それぞれ %1 通以上必要です。%2）")
                       .arg(kMinimumLearnt)
                       .arg(learntText(filter.totals())));
    }
    return failed == 0 ? 0 : 1;
}

// The tokens of a message, the most telling first: token TAB spam count TAB good count TAB probability.
int explain(JunkFilter& filter, const QString& file)
{
    const std::vector<JunkFilter::TokenClue> clues = filter.explainFile(file);
    printNotice(filter);
    if (clues.empty()) {
        printError(QStringLiteral("ファイルを読めません: ") + file);
        return 1;
    }
    for (const JunkFilter::TokenClue& clue : clues) {
        printLine(clue.token + QLatin1Char('\t') + QString::number(clue.counts.spam) + QLatin1Char('\t')
                  + QString::number(clue.counts.ham) + QLatin1Char('\t') + QString::number(clue.probability, 'f', 4));
    }
    return 0;
}

} // namespace

int runJunkCommand(const QString& dataDirOption, const QStringList& args)
{
    const QString command = args.value(1);
    const bool learning = command == QLatin1String("learn") && args.size() >= 4
        && (args.at(2) == QLatin1String("spam") || args.at(2) == QLatin1String("ham"));
    const bool classifying = command == QLatin1String("classify") && args.size() >= 3;
    const bool status = command == QLatin1String("status") && args.size() == 2;
    const bool explaining = command == QLatin1String("explain") && args.size() == 3;
    if (!learning && !classifying && !status && !explaining)
        throw UsageError{QString::fromUtf8(kUsage)};
    const QString programDir = storage::resolveProgramDir(storage::DataDirectoryInputs::fromProcess(dataDirOption));
    const storage::AccountPaths paths = storage::AccountPaths::make(programDir, args.at(0));
    if (!QFileInfo::exists(paths.userFile)) {
        printError(QStringLiteral("アカウントがありません: ") + args.at(0));
        return 1;
    }
    JunkFilter filter(programDir);
    if (learning)
        return learn(filter, args.at(2) == QLatin1String("spam") ? JunkKind::Spam : JunkKind::Ham, args.mid(3));
    if (explaining)
        return explain(filter, args.at(2));
    if (classifying)
        return classify(filter, programDir, paths.userFile, args.mid(2));
    const TrainingTotals totals = filter.totals();
    printNotice(filter);
    printLine(QStringLiteral("spam\t%1\nham\t%2").arg(totals.spam).arg(totals.ham));
    return 0;
}

} // namespace fumibako::tool
