#include "platform/auth/Keyring.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QPointer>
#include <QTimer>

#include <qt6keychain/keychain.h>

#include <memory>
#include <mutex>
#include <optional>

namespace fumibako::platform::auth::keyring {

namespace {

const QString kService = QStringLiteral("fumibako");
// A keyring that answers at all answers in well under a second; one that waits for an unlock
// prompt nobody sees must not hold the program for ever.
constexpr int kWaitMs = 20000;

// Decided by the first answer. Asked from the window's thread and from transfer workers (a
// renewal reads and writes the refresh token there): every use holds g_reachableMutex.
std::optional<bool> g_reachable;
std::mutex g_reachableMutex;

std::optional<bool> reachableSoFar()
{
    const std::lock_guard<std::mutex> lock(g_reachableMutex);
    return g_reachable;
}

bool sessionBusExists()
{
    if (!qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS"))
        return true;
    // libdbus also finds the bus of a systemd user session at $XDG_RUNTIME_DIR/bus.
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return !runtime.isEmpty() && QFileInfo::exists(runtime + QStringLiteral("/bus"));
}

bool turnedOff()
{
    const QString setting = qEnvironmentVariable("FUMIBAKO_KEYRING").toLower();
    return setting == QLatin1String("off") || setting == QLatin1String("0");
}

Status statusOf(const QKeychain::Job& job)
{
    switch (job.error()) {
    case QKeychain::NoError:
        return Status::Ok;
    case QKeychain::EntryNotFound:
        return Status::NotFound;
    case QKeychain::NoBackendAvailable:
    case QKeychain::NotImplemented:
        return Status::Unreachable;
    case QKeychain::OtherError:
        // What QtKeychain says when D-Bus itself cannot be reached (no bus, nothing to autolaunch).
        return job.errorString().contains(QLatin1String("D-Bus"), Qt::CaseInsensitive) ? Status::Unreachable
                                                                                        : Status::Failed;
    default:
        return Status::Failed;
    }
}

// What a job ended with; shared with its finished handler, which may run after the wait gave up.
struct Outcome {
    bool ended = false;
    Status status = Status::Failed;
    QString text;
};

// Runs @p job (which deletes itself once it ended) and waits for it at most kWaitMs.
std::shared_ptr<const Outcome> runAndWait(QKeychain::Job* job)
{
    auto outcome = std::make_shared<Outcome>();
    QEventLoop loop;
    QPointer<QEventLoop> waiting(&loop);
    QObject::connect(job, &QKeychain::Job::finished, job, [outcome, waiting](QKeychain::Job* done) {
        outcome->ended = true;
        outcome->status = statusOf(*done);
        auto* reading = qobject_cast<QKeychain::ReadPasswordJob*>(done);
        if (reading && outcome->status == Status::Ok)
            outcome->text = reading->textData();
        if (waiting)
            waiting->quit();
    });
    job->setAutoDelete(true);
    QTimer::singleShot(kWaitMs, &loop, &QEventLoop::quit);
    job->start();
    if (!outcome->ended)
        loop.exec();
    return outcome;
}

// Notes what an answer says about the keyring's being there: the first answer decides (a bus
// without a Secret Service answers with an error), a later one only when D-Bus went away.
Status noted(Status status)
{
    const std::lock_guard<std::mutex> lock(g_reachableMutex);
    if (!g_reachable)
        g_reachable = status == Status::Ok || status == Status::NotFound;
    else if (status == Status::Unreachable)
        g_reachable = false;
    return status;
}

bool knownUnreachable()
{
    const std::lock_guard<std::mutex> lock(g_reachableMutex);
    if (!g_reachable && (turnedOff() || !sessionBusExists()))
        g_reachable = false;
    return g_reachable == false;
}

} // namespace

bool isReachable()
{
    if (!reachableSoFar() && !knownUnreachable())
        read(QStringLiteral("reachability check"));
    return reachableSoFar().value_or(false);
}

ReadResult read(const QString& key)
{
    if (knownUnreachable())
        return {Status::Unreachable, {}};
    auto* job = new QKeychain::ReadPasswordJob(kService);
    job->setKey(key);
    const std::shared_ptr<const Outcome> outcome = runAndWait(job);
    if (!outcome->ended)
        return {Status::Failed, {}};
    return {noted(outcome->status), outcome->text};
}

Status write(const QString& key, const QString& value)
{
    if (!isReachable())
        return Status::Unreachable;
    auto* job = new QKeychain::WritePasswordJob(kService);
    job->setKey(key);
    job->setTextData(value);
    const std::shared_ptr<const Outcome> outcome = runAndWait(job);
    return outcome->ended ? noted(outcome->status) : Status::Failed;
}

Status remove(const QString& key)
{
    if (!isReachable())
        return Status::Unreachable;
    auto* job = new QKeychain::DeletePasswordJob(kService);
    job->setKey(key);
    const std::shared_ptr<const Outcome> outcome = runAndWait(job);
    if (!outcome->ended)
        return Status::Failed;
    const Status status = noted(outcome->status);
    return status == Status::NotFound ? Status::Ok : status;
}

} // namespace fumibako::platform::auth::keyring
