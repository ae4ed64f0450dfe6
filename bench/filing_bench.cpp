// Filing rules: receiving 1,000 new messages with 50 rules against without (local Dovecot), and
// "振り分け実行" of 50 rules over 100,000 messages, by the index alone and with headers or the body.
// FUMIBAKO_BENCH_SMOKE=1 makes everything tiny.
#include "BenchSupport.h"
#include "JapaneseMail.h"
#include "MailServers.h"
#include "filing/FilingEngine.h"
#include "filing/ManualFiling.h"
#include "filing/RuleFile.h"
#include "storage/DataDirectory.h"
#include "storage/ProfileStore.h"
#include "transfer/OperationGuard.h"
#include "transfer/ReceiveUi.h"
#include "transfer/Receiving.h"
#include "transfer/StoredMail.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <algorithm>
#include <cstdio>

#include <sys/resource.h>
#include <unistd.h>

using namespace fumibako;
using namespace fumibako::filing;
using fumibako::bench::JapaneseMail;

namespace {

bool smoke()
{
    return qEnvironmentVariable("FUMIBAKO_BENCH_SMOKE") == QLatin1String("1");
}

// Says on stderr what went wrong, so that a figure of a failed receive is not taken for one.
class TellingPrompts : public bench::SilentPrompts {
public:
    platform::Answer message(const QString& text, const QString&, platform::Icon, platform::Buttons) override
    {
        std::fprintf(stderr, "filing_bench: %s\n", qPrintable(text));
        return platform::Answer::Yes;
    }
};

class QuietReceiveUi : public transfer::ReceiveUi {
public:
    std::optional<transfer::PasswordAnswer> askPassword() override { return std::nullopt; }
    void showProgress(const transfer::ProgressFigures&) override {}
    void updateProgress(const transfer::ProgressFigures&) override {}
    void closeProgress() override {}
    void setClipboardText(const QString&) override {}
    void playNewMailSound(const QString&) override {}
    void showUnreadFolder() override {}
};

Condition textCondition(ConditionField field, const QString& key, const QStringList& names = {})
{
    Condition condition;
    condition.field = field;
    condition.keys = {key};
    condition.headerNames = names;
    return condition;
}

Rule moveRule(int n, const Condition& condition)
{
    Rule rule;
    rule.name = QStringLiteral("ルール%1").arg(n);
    rule.conditions = {condition};
    rule.actions = {{ActionKind::MarkRead, QString()}, {ActionKind::Move, QStringLiteral("受信BOX\\フォルダ%1").arg(n)}};
    return rule;
}

/**
 * 50 rules as people write them: on the sender and on words of the subject (rare words, so most
 * rules do not hold and every rule is tried), with @p headerRules of them on a mailing list's
 * List-Id and @p bodyRules on the body.
 */
RuleList fiftyRules(int headerRules, int bodyRules)
{
    RuleList rules;
    for (int n = 0; n < 50; ++n) {
        if (n < headerRules)
            rules.append(moveRule(n, textCondition(ConditionField::Header, QStringLiteral("list%1.example.jp").arg(n),
                                                   {QStringLiteral("List-Id")})));
        else if (n < headerRules + bodyRules)
            rules.append(moveRule(n, textCondition(ConditionField::Body, JapaneseMail::vocabularyWord(400 + n))));
        else if (n % 2 == 0)
            rules.append(moveRule(n, textCondition(ConditionField::From, QStringLiteral("no-such-sender%1@").arg(n))));
        else
            rules.append(moveRule(n, textCondition(ConditionField::Subject, JapaneseMail::vocabularyWord(300 + n))));
    }
    return rules;
}

// User and system time of this process so far, in ms.
double processCpuMs()
{
    struct rusage usage {};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto ms = [](const timeval& t) { return t.tv_sec * 1000.0 + t.tv_usec / 1000.0; };
    return ms(usage.ru_utime) + ms(usage.ru_stime);
}

const FolderExists kEveryFolder = [](const QString&) { return true; };

// ---- receive_1000_rules_ratio

QList<QByteArray> receivedMessages(int count)
{
    JapaneseMail mail(7);
    QList<QByteArray> messages;
    for (int i = 0; i < count; ++i) {
        QByteArray message = mail.message(i, 4000);
        // Every third message comes from one of ten mailing lists.
        if (i % 3 == 0)
            message.prepend("List-Id: <list" + QByteArray::number(i % 10) + ".example.jp>\r\n");
        messages.append(message);
    }
    return messages;
}

void receiveFigures(const QString& root)
{
    test::MailServers servers;
    QString error;
    if (!servers.start(test::MailServers::Pop3, &error)) {
        std::fprintf(stderr, "filing_bench: receive_1000_rules_ratio skipped (%s)\n", qPrintable(error));
        return;
    }
    servers.useInThisProcess();
    const int count = smoke() ? 30 : 1000;
    const int rounds = smoke() ? 1 : 7;
    const QList<QByteArray> messages = receivedMessages(count);
    std::vector<double> plain, ruled, ratios, cpuRatios;
    for (int round = 0; round < rounds; ++round) {
        double pair[2] = {0, 0};
        double cpu[2] = {0, 0};
        for (int turn = 0; turn < 2; ++turn) {
            const int withRules = round % 2 == 0 ? turn : 1 - turn; // who goes first changes every round
            const QString dir = root + QStringLiteral("receive%1-%2/").arg(round).arg(withRules);
            QDir().mkpath(dir);
            storage::prepareAccountDirs(dir, QStringLiteral("taro"));
            storage::AccountProperties properties;
            properties.loginName = QStringLiteral("taro");
            properties.password = QStringLiteral("secret");
            properties.pop3Server = QStringLiteral("127.0.0.1");
            properties.popPortGiven = 1;
            properties.popPort = servers.pop3Port();
            transfer::ReceiveAccount account;
            account.properties = &properties;
            account.paths = storage::AccountPaths::make(dir, QStringLiteral("taro"));
            account.workDir = dir;
            account.folderExists = kEveryFolder;
            if (withRules)
                writeRules(rulesFile(account.paths), fiftyRules(10, 0));
            servers.seedMailbox(QStringLiteral("taro"), messages);
            // Seeding deleted the mailbox's files: on ext4 without a journal new files are slow to
            // make until the freed inodes are written back, so each receive starts flushed.
            ::sync();
            TellingPrompts prompts;
            transfer::OperationGuard guard(prompts);
            QuietReceiveUi ui;
            transfer::CurrentMail mail;
            transfer::Receiver receiver(guard, prompts, ui, mail);
            receiver.setAccount(account);
            const double cpuBefore = processCpuMs();
            pair[withRules] = bench::medianMs(1, {}, [&] {
                const std::optional<transfer::ReceiveResult> ended =
                    transfer::startReceiveAndWait(receiver, storage::ReceiveMethod::ReceiveAll);
                if (ended != transfer::ReceiveResult::NewMail)
                    std::fprintf(stderr, "filing_bench: the receive brought no new mail\n");
            });
            cpu[withRules] = processCpuMs() - cpuBefore;
        }
        plain.push_back(pair[0]);
        ruled.push_back(pair[1]);
        ratios.push_back(pair[1] / pair[0]);
        cpuRatios.push_back(cpu[1] / cpu[0]);
    }
    std::sort(plain.begin(), plain.end());
    std::sort(ruled.begin(), ruled.end());
    std::sort(ratios.begin(), ratios.end());
    std::sort(cpuRatios.begin(), cpuRatios.end());
    bench::printResult("receive_1000_plain", plain[plain.size() / 2], "ms");
    bench::printResult("receive_1000_rules", ruled[ruled.size() / 2], "ms");
    std::printf("RESULT receive_1000_rules_ratio %.3f x\n", ratios[ratios.size() / 2]);
    std::printf("RESULT receive_1000_rules_ratio_min %.3f x\nRESULT receive_1000_rules_ratio_max %.3f x\n",
                ratios.front(), ratios.back());
    // The processor time of this process (both threads): what the rules add, whatever else the machine does.
    std::printf("RESULT receive_1000_rules_cpu_ratio %.3f x\n", cpuRatios[cpuRatios.size() / 2]);
}

// ---- 振り分け実行 over 100,000 messages

double fileFolderMs(const storage::AccountPaths& paths, const QByteArray& index, const RuleList& rules, int* moved)
{
    std::unique_ptr<FilingEngine> engine = makeAccountEngine({rules, kEveryFolder, nullptr});
    return bench::medianMs(smoke() ? 1 : 3, [&] {
        // Every run starts from the same index.
        QFile file(paths.receivedIndexFile);
        file.open(QIODevice::WriteOnly);
        file.write(index);
        file.close();
        storage::clearProfileCache();
    }, [&] {
        ManualFiling filing(paths, *engine, kEveryFolder);
        filing.addFolder(QStringLiteral("標準BOX"));
        while (filing.step(50)) {
        }
        *moved = filing.apply(nullptr).moved;
    });
}

void manualFigures(const QString& root)
{
    const int count = smoke() ? 1000 : 100000;
    QDir().mkpath(root);
    storage::prepareAccountDirs(root, QStringLiteral("hanako"));
    const storage::AccountPaths paths = storage::AccountPaths::make(root, QStringLiteral("hanako"));
    if (!bench::writeJapaneseMailbox(paths, count, 2000)) {
        std::fprintf(stderr, "filing_bench: the mailbox could not be written\n");
        return;
    }
    QFile file(paths.receivedIndexFile);
    file.open(QIODevice::ReadOnly);
    const QByteArray index = file.readAll();
    file.close();
    int moved = 0;
    bench::printResult("filing_100k_index", fileFolderMs(paths, index, fiftyRules(0, 0), &moved), "ms");
    std::fprintf(stderr, "filing_bench: by the index, %d of %d filed\n", moved, count);
    bench::printResult("filing_100k_headers", fileFolderMs(paths, index, fiftyRules(10, 0), &moved), "ms");
    bench::printResult("filing_100k_body", fileFolderMs(paths, index, fiftyRules(10, 2), &moved), "ms");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || (args.size() > 2 && args.at(2) != QLatin1String("receive") && args.at(2) != QLatin1String("manual"))) {
        std::fprintf(stderr, "usage: filing_bench DATADIR [receive|manual]\n");
        return 2;
    }
    const QString root = QDir(args.at(1)).absoluteFilePath(QStringLiteral("filing")) + u'/';
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    if (args.size() == 2 || args.at(2) == QLatin1String("receive"))
        receiveFigures(root);
    if (args.size() == 2 || args.at(2) == QLatin1String("manual"))
        manualFigures(root + QStringLiteral("manual/"));
    QDir(root).removeRecursively();
    return 0;
}
