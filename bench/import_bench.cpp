// Import of a large mbox file: 100,000 messages of 8 KB (ISO-2022-JP, as Japanese mail is) brought
// into an account with their index entries, beside a floor in the same run that copies the same
// bytes into one file per message. Makes its data under the folder given as the first argument;
// FUMIBAKO_BENCH_SMOKE=1 makes it tiny.
#include "BenchSupport.h"

#include "mailimport/MailImport.h"
#include "storage/DataDirectory.h"
#include "storage/FolderTree.h"
#include "storage/ProfileStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

using namespace fumibako;

namespace {

constexpr qsizetype kMessageBytes = 8 * 1024;

// One message of about 8 KB: an ISO-2022-JP subject and body, as Japanese mailers send them.
QByteArray message(int n)
{
    static const QByteArray line = "\x1b$B2q5D$N;qNA$rAw$j$^$9!#$43NG'$/$@$5$$!#\x1b(B\n";
    QByteArray bytes = "Message-ID: <bench-" + QByteArray::number(n) + "@example.jp>\n"
                       "From: =?ISO-2022-JP?B?GyRCOzNFRBsoQiAbJEJCQE86GyhC?= <yamada" + QByteArray::number(n % 97) + "@example.jp>\n"
                       "To: taro@example.jp\n"
                       "Subject: =?ISO-2022-JP?B?GyRCMnE1RDtxTkEkTkF3SVUbKEI=?= " + QByteArray::number(n) + "\n"
                       "Date: Tue, 02 Apr 2024 09:" + QByteArray::number(10 + n % 50) + ":00 +0900\n"
                       "MIME-Version: 1.0\nContent-Type: text/plain; charset=ISO-2022-JP\nContent-Transfer-Encoding: 7bit\n\n";
    while (bytes.size() + line.size() <= kMessageBytes)
        bytes += line;
    return bytes;
}

// Writes the mbox; the offsets of each message's bytes go to @p messages.
bool writeMbox(const QString& path, int count, QList<std::pair<qint64, qint64>>& messages)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    qint64 offset = 0;
    for (int n = 0; n < count; ++n) {
        const QByteArray marker = "From yamada@example.jp Tue Apr  2 09:30:00 2024\n";
        const QByteArray bytes = message(n);
        file.write(marker + bytes + "\n");
        messages.append({offset + marker.size(), bytes.size()});
        offset += marker.size() + bytes.size() + 1;
    }
    return file.flush();
}

// The floor: the same bytes copied into one new file each, made durable with one flush at the end.
double copyFloor(const QString& mbox, const QList<std::pair<qint64, qint64>>& messages, const QString& folder)
{
    QDir().mkpath(folder);
    QFile in(mbox);
    in.open(QIODevice::ReadOnly);
    QElapsedTimer timer;
    timer.start();
    for (qsizetype i = 0; i < messages.size(); ++i) {
        in.seek(messages.at(i).first);
        const QByteArray bytes = in.read(messages.at(i).second);
        const int fd = ::open(QFile::encodeName(folder + QStringLiteral("/%1.eml").arg(i)).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 || ::write(fd, bytes.constData(), size_t(bytes.size())) != bytes.size())
            return -1;
        ::close(fd);
    }
    const int dir = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY);
    ::syncfs(dir);
    ::close(dir);
    return timer.nsecsElapsed() / 1e6;
}

class DirectFiler : public mailimport::ImportFiler {
public:
    explicit DirectFiler(const storage::AccountPaths& paths) : m_paths(paths) {}
    bool file(const QList<mailimport::ImportedMessage>& messages) override
    {
        return mailimport::fileImportedMessages(m_paths, messages, nullptr);
    }

private:
    storage::AccountPaths m_paths;
};

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().size() < 2) {
        std::fprintf(stderr, "usage: import_bench DATADIR\n");
        return 2;
    }
    const bool smoke = qEnvironmentVariableIntValue("FUMIBAKO_BENCH_SMOKE") == 1;
    const int count = smoke ? 500 : 100000;
    const QString root = app.arguments().at(1) + QStringLiteral("/import/");
    QDir(root).removeRecursively();
    QDir().mkpath(root);
    const QString mbox = root + QStringLiteral("big.mbox");
    QList<std::pair<qint64, qint64>> messages;
    if (!writeMbox(mbox, count, messages))
        return 1;

    // The floor's files stay until the end: on ext4 without a journal, new files are slow to
    // create for minutes after many were deleted (see README), which would slow the import.
    const double floorMs = copyFloor(mbox, messages, root + QStringLiteral("floor"));

    storage::writeProfileString(root + QStringLiteral("taro.ini"), QStringLiteral("Property"), QStringLiteral("AccName"),
                                QStringLiteral("taro"));
    storage::prepareAccountDirs(root, QStringLiteral("taro"));
    const storage::AccountPaths paths = storage::AccountPaths::make(root, QStringLiteral("taro"));
    storage::FolderTree tree;
    const std::optional<mailimport::ImportTarget> target = mailimport::importTargetFor(tree, storage::FixedFolder::Standard);
    const mailimport::ImportPlan plan = mailimport::planImport({mbox});
    DirectFiler filer(paths);
    mailimport::MailImporter importer(paths, *target, plan, filer);
    const double before = bench::residentMegabytes();
    bench::resetPeakMemory();
    QElapsedTimer timer;
    timer.start();
    const mailimport::ImportReport report = importer.run();
    const double importMs = timer.nsecsElapsed() / 1e6;
    const double peak = bench::peakResidentMegabytes() - before;
    if (report.imported != count) {
        std::fprintf(stderr, "import_bench: %d of %d messages imported\n", report.imported, count);
        return 1;
    }
    // The same names with the tiny data of a smoke run, which only checks that they are printed.
    const char* name = "import_mbox_100k";
    bench::printResult(name, count / (importMs / 1000), "msg/s");
    bench::printResult((QByteArray(name) + "_floor").constData(), count / (floorMs / 1000), "msg/s");
    bench::printResult((QByteArray(name) + "_ratio").constData(), importMs / floorMs, "x");
    bench::printResult("rss_import_mbox_100k", peak, "MB");
    QDir(root).removeRecursively();
    return 0;
}
