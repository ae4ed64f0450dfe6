#pragma once

#include "mailview/core/ReadMailController.h"
#include "mailview/core/ReadingDialogs.h"
#include "storage/Paths.h"
#include "storage/RegistrySettings.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QPushButton;

namespace fumibako::mailview {

/** What the read window works with; everything outlives the window. */
struct ReadWindowContext {
    platform::UserPrompts& prompts;
    transfer::CurrentMail& currentMail;
    compose::ComposeLauncher& composer;
    storage::ProgramPaths paths;
    storage::WindowGeometry& geometry; ///< "ReadWidth" … in twips, kept in memory until the program ends
    /** "迷惑メールにする" (true) or "迷惑メールではない" (false) on the stored message @p name; none: not offered. */
    std::function<void(const QString& name, bool junk)> judgeJunk = {};
};

/**
 * @short `frmRMail` "メールの詳細": a received message with its attachments, header view,
 * sender's address-book state, reply, redirect and forward.
 *
 * One window for the owner, reused by every open: opening while it is shown refills it. Its
 * rules are in ReadMailController.
 */
class ReadWindow : public QMainWindow {
    Q_OBJECT
public:
    /** The owner's read window, created the first time. */
    static ReadWindow* of(QWidget* owner, const ReadWindowContext& context);

    /** Reads the received message @p name of @p folder and shows it (not modal). */
    void openStored(const QString& folder, const QString& name);

    /**
     * Shows, modally, the message just received into the current-mail record (server list);
     * @p closed is called once the window was closed.
     */
    void showReceived(std::function<void()> closed);

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    ReadWindow(QWidget* owner, const ReadWindowContext& context);

    QWidget* createFields();
    QWidget* createReplyRow();
    void createMenus();
    void loadIfClosed();
    void showView();
    void showBody();
    void chooseFont();
    void recordNormalBounds();
    void runAndClose(bool (ReadMailController::*command)());
    void saveAsText();
    void judgeJunk(bool junk);

    ReadWindowContext m_context;
    std::unique_ptr<ReadingDialogs> m_dialogs;
    ReadMailController m_controller;
    std::function<void()> m_closed;
    bool m_loaded = false;
    QString m_storedName; ///< the stored message shown, "" for one just received (server list)
    QList<QAction*> m_junkActions;

    QLineEdit* m_to = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_subject = nullptr;
    QLineEdit* m_date = nullptr;
    QLineEdit* m_path = nullptr;
    QLabel* m_senderName = nullptr;
    QPlainTextEdit* m_body = nullptr;
    QLabel* m_attachmentLabel = nullptr;
    QListWidget* m_attachments = nullptr;
    QPushButton* m_saveAttachments = nullptr;
    QCheckBox* m_quoteBody = nullptr;
    QCheckBox* m_quoteSubject = nullptr;
    QPushButton* m_reply = nullptr;
    QAction* m_replyAction = nullptr;
    QAction* m_headerAction = nullptr;
    QMenu* m_forwardMenu = nullptr;
};

} // namespace fumibako::mailview
