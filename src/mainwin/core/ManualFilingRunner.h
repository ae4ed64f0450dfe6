#pragma once

#include "filing/ManualFiling.h"

#include <QObject>

#include <memory>

namespace fumibako::platform {
class UserPrompts;
}
namespace fumibako::storage {
class AccountSession;
class MailChangeListener;
} // namespace fumibako::storage

namespace fumibako::mainwin {

/**
 * @short "振り分け実行" from the main window: the open account's rules over a folder or over
 * chosen messages, decided in slices between the window's events (progress() after each), so a
 * large folder shows progress and can be stopped; what was decided until then is written.
 */
class ManualFilingRunner : public QObject {
    Q_OBJECT
public:
    ManualFilingRunner(storage::AccountSession& session, platform::UserPrompts& prompts,
                       storage::MailChangeListener* changes, const filing::AddressBookLookup* addressBook,
                       QObject* parent = nullptr);
    ~ManualFilingRunner() override;

    /** Files the messages of folder @p key; false (after saying why) when nothing started. */
    bool startFolder(const QString& key);
    /** Files the given messages. */
    bool startMessages(const std::vector<storage::FoundMail>& messages);
    /** Stops deciding; what was decided is written. */
    void cancel() { m_cancelled = true; }
    bool isRunning() const { return m_filing != nullptr; }

    /** The status text of a finished run: how many messages were looked at and filed. */
    static QString resultText(const filing::ManualFilingResult& result);

Q_SIGNALS:
    void progress(int decided, int total);
    void finished(const fumibako::filing::ManualFilingResult& result);

private:
    bool prepare();
    bool begin();
    void runSlice();
    void finish();

    storage::AccountSession& m_session;
    platform::UserPrompts& m_prompts;
    storage::MailChangeListener* m_changes;
    const filing::AddressBookLookup* m_addressBook;
    std::unique_ptr<filing::FilingEngine> m_engine;
    std::unique_ptr<filing::ManualFiling> m_filing;
    bool m_cancelled = false;
};

} // namespace fumibako::mainwin
