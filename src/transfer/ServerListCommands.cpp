#include "platform/UserPrompts.h"
#include "transfer/OperationGuard.h"
#include "transfer/ServerList.h"

#include <QSet>

// The commands of the server list that fetch or delete chosen messages.
namespace fumibako::transfer {

struct ServerList::SelectiveRun {
    int command = 0;
    int mode = 0;
    QStringList arguments;
    qsizetype next = 0;
    bool anyNewMail = false;
    std::function<void()> done;
};

bool ServerList::runSelective(int command, const QList<int>& selected, std::function<void()> done)
{
    const qint16 operation = command == kSelectiveReceiveCommand ? kSelectiveReceive
        : command == kSelectiveReceiveDeleteCommand                 ? kReceivingAndDeleting
        : command == kSelectiveDeleteCommand                        ? kSelectiveDelete
                                                                    : kIdle;
    if (operation == kIdle || !m_guard.AcquireOperation(operation))
        return false;
    QList<ServerListRow>& rows = m_lists[m_visible];
    const QSet<int> chosen(selected.cbegin(), selected.cend());
    for (qsizetype i = rows.size() - 1; i >= 0; --i) {
        if (!chosen.contains(int(i)))
            rows.removeAt(i);
    }
    Q_EMIT rowsChanged();
    auto finishEarly = [this, done] {
        m_guard.release();
        if (done)
            done();
    };
    if (rows.isEmpty()) {
        finishEarly();
        return true;
    }
    static const QString questions[] = {QStringLiteral("表示している全てのメールを受信します"),
                                        QStringLiteral("表示している全てのメールを受信＆削除します"),
                                        QStringLiteral("表示している全てのメールを削除します")};
    if (m_prompts.message(questions[command - 1], QStringLiteral("メールの受信"), platform::Icon::None,
                          platform::Buttons::YesNo)
        != platform::Answer::Yes) {
        finishEarly();
        return true;
    }
    auto run = std::make_shared<SelectiveRun>();
    run->command = command;
    run->mode = command == kSelectiveReceiveCommand ? kModeSave
        : command == kSelectiveReceiveDeleteCommand ? kModeSaveDelete
                                                    : kModeDelete;
    QList<int> numbers;
    for (const ServerListRow& row : rows)
        numbers.append(row.number.toInt());
    run->arguments = consecutiveRunArguments(numbers);
    run->done = std::move(done);
    runNext(run);
    return true;
}

void ServerList::runNext(const std::shared_ptr<SelectiveRun>& run)
{
    if (run->next >= run->arguments.size()) {
        finishSelective(run);
        return;
    }
    setListStatus(QStringLiteral("連番摘出中"));
    const QString argument = run->arguments.at(run->next++);
    setListStatus(QStringLiteral("申請中"));
    m_receiver.RunServerCommand(run->mode, argument, [this, run](int code) {
        if (code == kResultNewMail)
            run->anyNewMail = true;
        runNext(run);
    });
}

void ServerList::finishSelective(const std::shared_ptr<SelectiveRun>& run)
{
    m_guard.release();
    const bool started = refetch([this, run](int) {
        if (run->command != kSelectiveDeleteCommand) {
            setListStatus(run->anyNewMail ? QStringLiteral("メールを受信しました")
                                          : QStringLiteral("すでに受信しているメールでした"));
        }
        if (run->done)
            run->done();
    });
    if (!started && run->done)
        run->done();
}

bool ServerList::openMessage(int index, ShowReceived show, std::function<void()> done)
{
    const QList<ServerListRow>& rows = m_lists[m_visible];
    if (index < 0 || index >= rows.size())
        return false;
    if (!m_guard.AcquireOperation(kReceiving))
        return false;
    setListStatus(QStringLiteral("メールを受信しています。お待ちください"));
    m_receiver.RunServerCommand(kModeFetchOne, rows.at(index).number, [this, show, done](int code) {
        // A message received before is not fetched again: saying so beats showing nothing.
        setListStatus(code == kResultNothingNew ? QStringLiteral("すでに受信しているメールでした") : QString());
        m_prompts.setStatus(1, QString());
        // The guard stays held while the received message is shown.
        auto finish = [this, done] {
            m_guard.release();
            if (done)
                done();
        };
        if (code == kResultNewMail && show)
            show(finish);
        else
            finish();
    });
    return true;
}

} // namespace fumibako::transfer
