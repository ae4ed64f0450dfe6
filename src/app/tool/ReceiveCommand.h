#pragma once

#include "storage/AccountSettings.h"
#include "transfer/ReceiveUi.h"
#include "transfer/Receiving.h"

#include <QStringList>

namespace fumibako::tool {

/**
 * Receiving on a terminal: the password is read from stdin (without echo on a terminal) and kept
 * for this run only; no progress dialog, clipboard or sound.
 */
class ConsoleReceiveUi : public transfer::ReceiveUi {
public:
    std::optional<transfer::PasswordAnswer> askPassword() override;
    /** A password was asked for and stdin ended first: the command did nothing and fails. */
    bool noPasswordGiven() const { return m_noPasswordGiven; }
    void showProgress(const transfer::ProgressFigures&) override {}
    void updateProgress(const transfer::ProgressFigures&) override {}
    void closeProgress() override {}
    void setClipboardText(const QString&) override {}
    void playNewMailSound(const QString&) override {}
    void showUnreadFolder() override {}

private:
    bool m_noPasswordGiven = false;
};

/**
 * Opens account @p name of the data directory for receiving: reads its settings into
 * @p properties and fills @p account (pointing at them). False, with a message on stderr, when
 * there is no such account or no working folder.
 */
bool openReceiveAccount(const QString& dataDirOption, const QString& name, storage::AccountProperties& properties,
                        transfer::ReceiveAccount& account);

/**
 * `fumibako-tool [--data-dir DIR] receive ACCOUNT [--method 0|1|2] [--yes]`: receives as the
 * receive command does, with the account's stored settings; questions are answered Yes with
 * --yes, else No. Prints the closing status text; exit code 1 when it is an error.
 */
int runReceiveCommand(const QString& dataDirOption, const QStringList& args);

} // namespace fumibako::tool
