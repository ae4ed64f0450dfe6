#pragma once

#include <QString>
#include <QStringList>

namespace fumibako::platform {
class UserPrompts;
}
namespace fumibako::storage {
class AccountSession;
class AccountSwitchHost;
} // namespace fumibako::storage

namespace fumibako::settings {

/** What the controls of the environment settings hold. */
struct EnvironmentForm {
    bool receiveAtStart = false;     ///< `chKanKidou`
    bool gridLines = false;          ///< `chkGrid`
    int receiveMethod = 0;           ///< `opKanJu`: 0 count only, 1 receive all, 2 receive all and delete
    bool autoReceive = false;        ///< `chkanAuto`
    QString minutesText = QStringLiteral("3"); ///< `txtAuto`
    bool newMailSound = false;       ///< `chKanSound`
    QString soundFile;               ///< `txtSound`
    bool signatureByDefault = false; ///< `chkSyomei`
    bool saveByDefault = false;      ///< `chKanSou`
};

/** The nine lines of section "Kankyou" for @p form, in their order. */
QStringList environmentLines(const EnvironmentForm& form, int receiveMethod);

enum class SoundFileState { Usable, Missing, NotWave };

/** Whether @p path names a file, and one in the RIFF WAVE format the new-mail sound plays. */
SoundFileState checkSoundFile(const QString& path);

/**
 * @short The rules of `frmKankyou` "環境設定": the options of section "Kankyou" of the open account.
 *
 * The settings live in three places that "保存" keeps in step: the account file, the open
 * account's settings in memory (which receiving and the automatic-receive timer read), and the
 * main window's receive method and grid lines.
 */
class EnvironmentSettings {
public:
    EnvironmentSettings(storage::AccountSession& session, storage::AccountSwitchHost& mainWindow,
                        platform::UserPrompts& prompts);

    /** The form at opening; @p gridShown is the main window's mail list state. */
    EnvironmentForm open(bool gridShown) const;

    /** "保存": true when the dialog is to close. */
    bool save(const EnvironmentForm& form);

private:
    storage::AccountSession& m_session;
    storage::AccountSwitchHost& m_mainWindow;
    platform::UserPrompts& m_prompts;
};

} // namespace fumibako::settings
