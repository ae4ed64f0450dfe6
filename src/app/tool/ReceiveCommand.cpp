#include "app/tool/ReceiveCommand.h"

#include "addressbook/AddressLookup.h"
#include "app/tool/ConsolePrompts.h"
#include "app/tool/ToolIo.h"
#include "filing/JunkFilter.h"
#include "storage/DataDirectory.h"
#include "transfer/OperationGuard.h"
#include "transfer/StoredMail.h"

#include <QFileInfo>

namespace fumibako::tool {

using namespace fumibako::transfer;

std::optional<PasswordAnswer> ConsoleReceiveUi::askPassword()
{
    const std::optional<QString> password = askPasswordLine();
    if (!password) {
        m_noPasswordGiven = true;
        return std::nullopt;
    }
    return PasswordAnswer{*password, PasswordKeep::WhileRunning};
}

bool openReceiveAccount(const QString& dataDirOption, const QString& name, storage::AccountProperties& properties,
                        ReceiveAccount& account)
{
    const QString programDir = storage::resolveProgramDir(storage::DataDirectoryInputs::fromProcess(dataDirOption));
    account.paths = storage::AccountPaths::make(programDir, name);
    if (name.isEmpty() || !QFileInfo::exists(account.paths.userFile)) {
        printError(QStringLiteral("アカウントがありません: ") + name);
        return false;
    }
    QString error;
    account.workDir = storage::prepareWorkDir(&error);
    if (account.workDir.isEmpty()) {
        printError(error);
        return false;
    }
    storage::prepareAccountDirs(programDir, name);
    properties = storage::readAccountProperties(account.paths.userFile);
    account.properties = &properties;
    account.environment = storage::readAccountEnvironment(account.paths.userFile);
    return true;
}

int runReceiveCommand(const QString& dataDirOption, const QStringList& args)
{
    static const QString usage = QStringLiteral("usage: fumibako-tool [--data-dir DIR] receive ACCOUNT [--method 0|1|2] [--yes]");
    QString name;
    int method = -1;
    bool answerYes = false;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        if (arg == QLatin1String("--yes"))
            answerYes = true;
        else if (arg == QLatin1String("--method") && i + 1 < args.size())
            method = parseCount(args.at(++i), QStringLiteral("--method"));
        else if (name.isEmpty() && !arg.startsWith(QLatin1String("--")))
            name = arg;
        else
            throw UsageError{usage};
    }
    if (name.isEmpty() || method > int(storage::ReceiveMethod::ReceiveAndDelete))
        throw UsageError{usage};
    storage::AccountProperties properties;
    ReceiveAccount account;
    if (!openReceiveAccount(dataDirOption, name, properties, account))
        return 1;
    if (method < 0)
        method = account.environment.receiveMethod;
    ConsolePrompts prompts(answerYes);
    // The junk filter and the filing rules see the address book as the program does.
    const QString programDir = QFileInfo(account.paths.userFile).absolutePath() + u'/';
    addressbook::AddressBook book;
    addressbook::LoadAddressBook(programDir, prompts, book);
    const addressbook::EntryAddressLookup addressBook(book.entries);
    account.addressBook = &addressBook;
    filing::JunkFilter junk(programDir);
    account.junkFilter = &junk;
    OperationGuard guard(prompts);
    ConsoleReceiveUi ui;
    CurrentMail mail;
    Receiver receiver(guard, prompts, ui, mail);
    receiver.setAccount(account);
    const std::optional<storage::ReceiveMethod> chosen = storage::receiveMethodOf(method);
    const std::optional<ReceiveResult> ended = chosen ? startReceiveAndWait(receiver, *chosen) : std::nullopt;
    if (!ended) {
        printError(QStringLiteral("受信方法が正しくありません: ") + QString::number(method));
        return 1;
    }
    if (ui.noPasswordGiven()) {
        printError(QString::fromUtf8(kNoPasswordGiven));
        return 1;
    }
    if (const QString notice = junk.takeNotice(); !notice.isEmpty())
        printError(notice);
    printLine(prompts.lastStatus());
    return *ended == ReceiveResult::Error ? 1 : 0;
}

} // namespace fumibako::tool
