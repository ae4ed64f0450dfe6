#include "mainwin/core/ManualFilingRunner.h"

#include "filing/AccountFolders.h"
#include "filing/RuleFile.h"
#include "platform/UserPrompts.h"
#include "storage/AccountSession.h"

#include <QTimer>

namespace fumibako::mainwin {

namespace {

// Each slice decides for this long before the window handles its events again.
constexpr int kSliceMs = 40;

} // namespace

ManualFilingRunner::ManualFilingRunner(storage::AccountSession& session, platform::UserPrompts& prompts,
                                       storage::MailChangeListener* changes,
                                       const filing::AddressBookLookup* addressBook, QObject* parent)
    : QObject(parent), m_session(session), m_prompts(prompts), m_changes(changes), m_addressBook(addressBook)
{
}

ManualFilingRunner::~ManualFilingRunner() = default;

bool ManualFilingRunner::prepare()
{
    if (isRunning() || !m_session.isOpen())
        return false;
    const storage::FolderTree& tree = m_session.folderTree();
    const filing::FolderExists exists = [&tree](const QString& key) { return filing::takesFiledMail(tree, key); };
    filing::AccountFiling account{filing::readRules(filing::rulesFile(m_session.paths())), exists, m_addressBook};
    m_engine = filing::makeAccountEngine(account);
    if (m_engine->isEmpty()) {
        m_prompts.message(QStringLiteral("使える振り分けルールがありません。ツールメニューの「振り分け設定」でルールを作ってください"),
                          QStringLiteral("振り分け実行"), platform::Icon::Information, platform::Buttons::Ok);
        m_engine.reset();
        return false;
    }
    m_filing = std::make_unique<filing::ManualFiling>(m_session.paths(), *m_engine, exists);
    m_cancelled = false;
    return true;
}

bool ManualFilingRunner::startFolder(const QString& key)
{
    if (!prepare())
        return false;
    m_filing->addFolder(key);
    return begin();
}

bool ManualFilingRunner::startMessages(const std::vector<storage::FoundMail>& messages)
{
    if (!prepare())
        return false;
    m_filing->addMessages(messages);
    return begin();
}

bool ManualFilingRunner::begin()
{
    Q_EMIT progress(0, m_filing->total());
    QTimer::singleShot(0, this, &ManualFilingRunner::runSlice);
    return true;
}

void ManualFilingRunner::runSlice()
{
    if (!m_filing)
        return;
    const bool more = !m_cancelled && m_filing->step(kSliceMs);
    Q_EMIT progress(m_filing->decided(), m_filing->total());
    if (more && !m_cancelled)
        QTimer::singleShot(0, this, &ManualFilingRunner::runSlice);
    else
        finish();
}

void ManualFilingRunner::finish()
{
    const filing::ManualFilingResult result = m_filing->apply(m_changes);
    m_filing.reset();
    m_engine.reset();
    // The window closes its progress and lists the folder again before anything is said.
    Q_EMIT finished(result);
    if (!result.written) {
        m_prompts.message(QStringLiteral("索引を書き込めなかったため、振り分けませんでした"), QStringLiteral("振り分け実行"),
                          platform::Icon::Exclamation, platform::Buttons::Ok);
    } else if (!result.missingFolders.isEmpty()) {
        QStringList lines;
        for (const filing::MissingFolder& missing : result.missingFolders)
            lines.append(QStringLiteral("ルール「%1」: %2").arg(missing.rule, missing.folder));
        m_prompts.message(QStringLiteral("振り分け先のフォルダがないため、次のルールのメールは動かしませんでした。\r\n")
                              + lines.join(QStringLiteral("\r\n"))
                              + QStringLiteral("\r\n\r\n振り分け設定でフォルダを選び直してください。"),
                          QStringLiteral("振り分け実行"), platform::Icon::Exclamation, platform::Buttons::Ok);
    }
}

QString ManualFilingRunner::resultText(const filing::ManualFilingResult& result)
{
    return QStringLiteral("振り分け実行: %1 通のうち %2 通を振り分けました").arg(result.messages).arg(result.moved);
}

} // namespace fumibako::mainwin
