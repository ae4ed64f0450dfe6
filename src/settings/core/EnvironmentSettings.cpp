#include "settings/core/EnvironmentSettings.h"

#include "platform/UserPrompts.h"
#include "storage/AccountSession.h"
#include "storage/ProfileStore.h"
#include "storage/SettingValues.h"

#include <QFile>
#include <QFileInfo>

namespace fumibako::settings {

using platform::Buttons;
using platform::Icon;

namespace {

QString flag(bool set)
{
    return set ? QStringLiteral("1") : QStringLiteral("0");
}

bool showSoundProblem(platform::UserPrompts& prompts, SoundFileState state)
{
    switch (state) {
    case SoundFileState::Usable:
        return false;
    case SoundFileState::Missing:
        prompts.message(QStringLiteral("サウンドファイルが見つかりません"), QStringLiteral("パスエラー"),
                        Icon::Exclamation, Buttons::Ok);
        return true;
    case SoundFileState::NotWave:
        prompts.message(QStringLiteral("サウンドファイルがWAVE形式ではありません"), QStringLiteral("パスエラー"),
                        Icon::Exclamation, Buttons::Ok);
        return true;
    }
    return true;
}

} // namespace

QStringList environmentLines(const EnvironmentForm& form, int receiveMethod)
{
    return {QStringLiteral("KidouJusin=") + flag(form.receiveAtStart),
            QStringLiteral("MailHozon=") + flag(form.saveByDefault),
            QStringLiteral("MailJusin=") + QString::number(receiveMethod),
            QStringLiteral("AutoPOP=") + flag(form.autoReceive),
            QStringLiteral("AutoPOPTime=") + form.minutesText,
            QStringLiteral("MailSound=") + flag(form.newMailSound),
            QStringLiteral("MailSoundPath=") + form.soundFile,
            QStringLiteral("Syomei=") + flag(form.signatureByDefault),
            QStringLiteral("GridLine=") + flag(form.gridLines)};
}

SoundFileState checkSoundFile(const QString& path)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return SoundFileState::Missing;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return SoundFileState::Missing;
    const QByteArray head = file.read(12);
    const bool riff = head.startsWith("RIFF") || head.startsWith("RIFX");
    return riff && head.mid(8, 4) == "WAVE" ? SoundFileState::Usable : SoundFileState::NotWave;
}

EnvironmentSettings::EnvironmentSettings(storage::AccountSession& session, storage::AccountSwitchHost& mainWindow,
                                         platform::UserPrompts& prompts)
    : m_session(session), m_mainWindow(mainWindow), m_prompts(prompts)
{
}

EnvironmentForm EnvironmentSettings::open(bool gridShown) const
{
    const storage::AccountEnvironment& memory = m_session.environment();
    EnvironmentForm form;
    // A file without the key (not made by the account manager) reads as not receiving at start.
    form.receiveAtStart = storage::readInt16(QStringLiteral("Kankyou"), QStringLiteral("KidouJusin"), 50,
                                             m_session.paths().userFile, 0)
        == 1;
    form.gridLines = gridShown;
    form.saveByDefault = memory.saveByDefault == 1;
    form.receiveMethod = memory.receiveMethod >= 0 && memory.receiveMethod <= 2 ? memory.receiveMethod : 0;
    form.autoReceive = memory.autoReceive == 1;
    form.minutesText = QString::number(memory.autoReceiveMinutes);
    form.newMailSound = memory.newMailSound == 1;
    form.soundFile = memory.soundFile;
    form.signatureByDefault = memory.signatureByDefault == 1;
    return form;
}

bool EnvironmentSettings::save(const EnvironmentForm& form)
{
    if (form.newMailSound && showSoundProblem(m_prompts, checkSoundFile(form.soundFile)))
        return false;
    storage::AccountEnvironment& memory = m_session.environment();
    memory.receiveMethod = static_cast<qint16>(form.receiveMethod);
    m_mainWindow.setReceiveMethod(form.receiveMethod);

    if (!storage::IniWriteSection(QStringLiteral("Kankyou"), m_session.paths().userFile,
                                  environmentLines(form, memory.receiveMethod))) {
        m_prompts.message(QStringLiteral("保存失敗に失敗しました"), QString(), Icon::None, Buttons::Ok);
        return false;
    }
    memory.receiveAtStart = form.receiveAtStart ? 1 : 0;
    memory.saveByDefault = form.saveByDefault ? 1 : 0;
    memory.autoReceive = form.autoReceive ? 1 : 0;
    memory.autoReceiveMinutes = storage::parseInt16(form.minutesText).value_or(memory.autoReceiveMinutes);
    memory.newMailSound = form.newMailSound ? 1 : 0;
    memory.soundFile = form.soundFile;
    memory.signatureByDefault = form.signatureByDefault ? 1 : 0;
    memory.gridLines = form.gridLines;
    m_mainWindow.setGridLines(form.gridLines);
    return true;
}

} // namespace fumibako::settings
