// Speed and size of the junk filter: a token store that has learnt 100,000 messages, and
// judging 1,000 received messages of 8 KB with it (reading each file, its tokens, the store).
//
//   junk_bench DATADIR
//
// The learnt messages are generated Japanese mail (bench/JapaneseMail.h) of some 600 characters,
// each with some thirty words of its own (an order number, a tracking host, codes), as real mail has; half
// are learnt as junk. The judged messages are ISO-2022-JP files of 8 KB. With
// FUMIBAKO_BENCH_SMOKE=1: 2,000 learnt and 50 judged (the figures keep their names).
#include "BenchSupport.h"
#include "JapaneseMail.h"

#include "filing/JunkFilter.h"
#include "filing/JunkTokens.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <sys/resource.h>

using namespace fumibako;

namespace {

const bool kSmoke = qEnvironmentVariable("FUMIBAKO_BENCH_SMOKE") == QLatin1String("1");
const int kLearnt = kSmoke ? 2000 : 100000;
const int kJudged = kSmoke ? 50 : 1000;
constexpr int kJudgedBytes = 8 * 1024;

filing::JunkInput learntMessage(bench::JapaneseMail& mail, int i)
{
    filing::JunkInput input;
    input.subject = mail.subject();
    const QString sender = mail.sender(i);
    input.fromName = sender.section(QLatin1Char('<'), 0, 0).trimmed();
    input.fromAddress = sender.section(QLatin1Char('<'), 1).chopped(1);
    input.relays = {QStringLiteral("from mail%1.example%2.jp (mail.example.jp [192.0.%3.%4])")
                        .arg(i % 50).arg(i % 700).arg(i % 250).arg(i % 200)};
    input.body = mail.text(600) + QStringLiteral("\nご注文番号 A%1-%2\nhttps://t%3.track%4.example.com/c/%1\n")
                                       .arg(i).arg(i * 7919 % 100000).arg(i % 5000).arg(i % 900);
    // Words of its own, as names, codes and hosts are in real mail: most tokens of a large store.
    for (int word = 0; word < 25; ++word)
        input.body += QStringLiteral(" x%1y%2").arg(i).arg(word);
    return input;
}

double cpuSeconds()
{
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double storeMegabytes(const QString& dir)
{
    qint64 bytes = 0;
    for (const QFileInfo& file : QDir(dir).entryInfoList({QStringLiteral("JunkTokens.db*")}, QDir::Files))
        bytes += file.size();
    return bytes / (1024.0 * 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: junk_bench DATADIR\n");
        return 2;
    }
    const QString root = QString::fromLocal8Bit(argv[1]) + QStringLiteral("/junk-bench/");
    QDir(root).removeRecursively();
    QDir().mkpath(root + QStringLiteral("judged"));

    // Learning: the store's own calls, in batches as a large "迷惑メールにする" makes them.
    {
        filing::JunkStore::Opened opened = filing::JunkStore::open(filing::JunkStore::fileIn(root));
        bench::JapaneseMail mail(7);
        QElapsedTimer timer;
        timer.start();
        for (int start = 0; start < kLearnt; start += 1000) {
            opened.store->begin();
            for (int i = start; i < std::min(kLearnt, start + 1000); ++i) {
                const filing::JunkKind kind = i % 2 ? filing::JunkKind::Spam : filing::JunkKind::Ham;
                opened.store->learn(i, filing::junkTokenIds(learntMessage(mail, i)), kind);
            }
            opened.store->commit();
            opened.store->prune(filing::kMaxStoredTokens, filing::kPruneKeepRecent);
        }
        bench::printResult("junk_learn_100k_s", timer.nsecsElapsed() / 1e9, "s");
        std::fprintf(stderr, "junk_bench: %lld tokens kept\n", static_cast<long long>(opened.store->tokenCount()));
    }
    bench::printResult("junk_store_100k_mb", storeMegabytes(root), "MB");

    bench::JapaneseMail judged(11);
    for (int i = 0; i < kJudged; ++i) {
        QFile file(root + QStringLiteral("judged/%1.eml").arg(i));
        if (!file.open(QIODevice::WriteOnly) || file.write(judged.message(i, kJudgedBytes)) < 0)
            return 1;
    }
    filing::JunkFilter filter(root);
    filing::JunkSettings settings;
    int spam = 0;
    QElapsedTimer timer;
    timer.start();
    const double cpuBefore = cpuSeconds();
    for (int i = 0; i < kJudged; ++i)
        spam += filter.judgeFile(root + QStringLiteral("judged/%1.eml").arg(i), settings).verdict == filing::JunkVerdict::Spam;
    bench::printResult("junk_classify_1000_8k_ms", timer.nsecsElapsed() / 1e6, "ms");
    // On a machine others share, the processor time says more than the wall time.
    bench::printResult("junk_classify_1000_8k_cpu_ms", (cpuSeconds() - cpuBefore) * 1000, "ms");
    std::fprintf(stderr, "junk_bench: %d of %d judged junk (generated mail, half learnt as junk)\n", spam, kJudged);
    QDir(root).removeRecursively();
    return 0;
}
