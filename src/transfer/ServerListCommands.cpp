#include "platform/UserPrompts.h"
#include "transfer/OperationGuard.h"
#include "transfer/ServerList.h"

#include <QSet>

// The commands of the server list that fetch or delete chosen messages.
namespace fumibako::transfer {

struct ServerList::SelectiveRun {
    SelectiveCommand command = SelectiveCommand::Receive;
    ServerMode mode = ServerMode::Save;
    QStringList arguments;
    qsizetype next = 0;
    bool anyNewMail = false;
    std::function<void()> done;
};

bool ServerList::runSelective(SelectiveCommand command, const QList<int>& selected, std::function<void()> done)
{
    const Operation operation = command == SelectiveCommand::Receive ? Operation::SelectiveReceive
        : command == SelectiveCommand::ReceiveDelete                ? Operation::ReceivingAndDeleting
                                                                    : Operation::SelectiveDelete;
    if (!m_guard.AcquireOperation(operation))
        return false;
    QList<ServerListRow>& rows = listOf(m_visible);
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
    if (m_prompts.message(questions[int(command) - 1], QStringLiteral("メールの受信"), platform::Icon::None,
                          platform::Buttons::YesNo)
        != platform::Answer::Yes) {
        finishEarly();
        return true;
    }
    auto run = std::make_shared<SelectiveRun>();
    run->command = command;
    run->mode = command == SelectiveCommand::Receive ? ServerMode::Save
        : command == SelectiveCommand::ReceiveDelete ? ServerMode::SaveDelete
                                                     : ServerMode::Delete;
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
    m_receiver.RunServerCommand(run->mode, argument, [this, run](ReceiveResult result) {
        if (result == ReceiveResult::NewMail)
            run->anyNewMail = true;
        runNext(run);
    });
}

void ServerList::finishSelective(const std::shared_ptr<SelectiveRun>& run)
{
    m_guard.release();
    const bool started = refetch([this, run](ReceiveResult) {
        if (run->command != SelectiveCommand::Delete) {
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
    const QList<ServerListRow>& rows = visibleRows();
    if (index < 0 || index >= rows.size())
        return false;
    if (!m_guard.AcquireOperation(Operation::Receiving))
        return false;
    setListStatus(QStringLiteral("メールを受信しています。お待ちください"));
    m_receiver.RunServerCommand(ServerMode::FetchOne, rows.at(index).number, [this, show, done](ReceiveResult result) {
        // A message received before is not fetched again: saying so beats showing nothing.
        setListStatus(result == ReceiveResult::NothingNew ? QStringLiteral("すでに受信しているメールでした") : QString());
        m_prompts.setStatus(1, QString());
        // The guard stays held while the received message is shown.
        auto finish = [this, done] {
            m_guard.release();
            if (done)
                done();
        };
        if (result == ReceiveResult::NewMail && show)
            show(finish);
        else
            finish();
    });
    return true;
}

} // namespace fumibako::transfer
