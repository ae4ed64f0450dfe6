#pragma once

#include <QString>

namespace fumibako::platform::auth {

/**
 * @short The desktop keyring (the Secret Service on D-Bus, through QtKeychain), one secret per key.
 *
 * QtKeychain's jobs are asynchronous; these calls wait for them in a local event loop, so they
 * belong on a thread with a QCoreApplication (the user-interface thread, the tool's main thread).
 * Entries are stored under the service "fumibako".
 */
namespace keyring {

enum class Status {
    Ok,
    NotFound,    ///< the keyring answered: no such entry
    Unreachable, ///< no keyring (no session bus, no Secret Service, turned off)
    Failed,      ///< the keyring answered with an error (locked and not unlocked, refused)
};

struct ReadResult {
    Status status = Status::Unreachable;
    QString value;
};

/**
 * Whether a keyring answers on this session. Decided once per process: false at once without
 * a session bus (nothing to ask), or when FUMIBAKO_KEYRING is "off" or "0"; otherwise the first
 * question to the keyring decides.
 */
bool isReachable();

ReadResult read(const QString& key);
Status write(const QString& key, const QString& value);
/** Removes the entry; Ok also when there was none. */
Status remove(const QString& key);

} // namespace keyring

} // namespace fumibako::platform::auth
