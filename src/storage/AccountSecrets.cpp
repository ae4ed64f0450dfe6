#include "storage/AccountSecrets.h"

#include "platform/auth/Keyring.h"
#include "storage/ProfileStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace fumibako::storage {

namespace keyring = platform::auth::keyring;

namespace {

const QString kProperty = QStringLiteral("Property");
const QString kOAuth2 = QStringLiteral("OAuth2");
// A refresh token runs to a few thousand characters (Microsoft's), doubled by the scrambling.
constexpr int kSecretBuffer = 32768;

// The keyring entry: the data directory and the account name, so that two data directories
// (a test copy, another user's portable folder) never share a secret.
QString keyringKey(const QString& userFile, AccountSecret which)
{
    const QFileInfo file(userFile);
    return file.absolutePath() + QLatin1Char('/') + file.completeBaseName()
           + (which == AccountSecret::Password ? QStringLiteral(":password") : QStringLiteral(":oauth2-refresh-token"));
}

QString programDirOf(const QString& userFile)
{
    return QFileInfo(userFile).absolutePath() + QLatin1Char('/');
}

bool isPortableInstall(const QString& programDir)
{
    const QString executableDir = QCoreApplication::applicationDirPath();
    return !executableDir.isEmpty() && QDir(programDir).canonicalPath() == QDir(executableDir).canonicalPath()
           && QFileInfo::exists(programDir + QStringLiteral("AName.ini"));
}

QString senderNameOf(const QString& userFile)
{
    return IniGetString(kProperty, QStringLiteral("Name"), 1024, userFile);
}

QString readFileSecret(const QString& userFile, AccountSecret which)
{
    const QString stored = which == AccountSecret::Password
                               ? IniGetString(kProperty, QStringLiteral("Password"), kSecretBuffer, userFile)
                               : IniGetString(kOAuth2, QStringLiteral("RefreshToken"), kSecretBuffer, userFile);
    return unscramblePassword(stored, senderNameOf(userFile));
}

// A file that holds a secret is its owner's alone, also one made with a looser mode by hand.
bool keepPrivate(const QString& userFile)
{
    const QFileDevice::Permissions shared = QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ExeGroup
                                            | QFileDevice::ReadOther | QFileDevice::WriteOther | QFileDevice::ExeOther;
    const QFileDevice::Permissions mode = QFile::permissions(userFile);
    return !(mode & shared) || QFile::setPermissions(userFile, mode & ~shared);
}

bool writeFileSecret(const QString& userFile, AccountSecret which, const QString& value, const FillerSource& filler)
{
    if (value.isEmpty()) {
        return which == AccountSecret::Password ? storePassword(userFile, value, filler)
                                                : IniDeleteKey(userFile, kOAuth2, QStringLiteral("RefreshToken"));
    }
    const bool written =
        which == AccountSecret::Password
            ? storePassword(userFile, value, filler)
            : writeProfileString(userFile, kOAuth2, QStringLiteral("RefreshToken"),
                                 quotedIfNeeded(scramblePassword(value, senderNameOf(userFile), filler)));
    return written && keepPrivate(userFile);
}

} // namespace

SecretPlace secretPlace(const QString& programDir)
{
    if (isPortableInstall(programDir))
        return SecretPlace::AccountFile;
    return keyring::isReachable() ? SecretPlace::Keyring : SecretPlace::AccountFile;
}

QString secretPlaceText(SecretPlace place)
{
    if (place == SecretPlace::Keyring)
        return QStringLiteral("パスワードとサインインの情報は、デスクトップのキーリング（Secret Service）に保存します。");
    return QStringLiteral("キーリングが使えないため、パスワードとサインインの情報は、アカウントのファイルに"
                          "読み取りにくくした形で保存します（ファイルは本人だけが読み書きできます）。");
}

QString readAccountSecret(const QString& userFile, AccountSecret which)
{
    if (!isPortableInstall(programDirOf(userFile))) {
        const keyring::ReadResult kept = keyring::read(keyringKey(userFile, which));
        if (kept.status == keyring::Status::Ok && !kept.value.isEmpty())
            return kept.value;
    }
    return readFileSecret(userFile, which);
}

bool storeAccountSecret(const QString& userFile, AccountSecret which, const QString& value, const FillerSource& filler)
{
    if (secretPlace(programDirOf(userFile)) == SecretPlace::Keyring) {
        const QString key = keyringKey(userFile, which);
        const keyring::Status kept = value.isEmpty() ? keyring::remove(key) : keyring::write(key, value);
        if (kept == keyring::Status::Ok) {
            // The file's copy (an old password, a secret kept while no keyring answered) goes.
            return readFileSecret(userFile, which).isEmpty() || writeFileSecret(userFile, which, QString(), filler);
        }
    }
    return writeFileSecret(userFile, which, value, filler);
}

void forgetKeyringSecrets(const QString& userFile)
{
    if (secretPlace(programDirOf(userFile)) != SecretPlace::Keyring)
        return;
    keyring::remove(keyringKey(userFile, AccountSecret::Password));
    keyring::remove(keyringKey(userFile, AccountSecret::RefreshToken));
}

} // namespace fumibako::storage
