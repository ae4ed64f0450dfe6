#pragma once

#include "transfer/ReceiveUi.h"

#include <QDialog>

#include <functional>
#include <memory>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QSoundEffect;

namespace fumibako::mainwin {

/** @short `frmPassword` "パスワード確認": the password and how long to keep it. */
class PasswordDialog : public QDialog {
    Q_OBJECT
public:
    explicit PasswordDialog(QWidget* parent);

    transfer::PasswordAnswer answer() const;
    QLineEdit* passwordBox() const { return m_password; }
    /** Chooses "種類" element @p keep (0-2). */
    void setKeep(transfer::PasswordKeep keep);

private:
    QLineEdit* m_password = nullptr;
    QButtonGroup* m_keep = nullptr;
};

/**
 * @short `frmPOPDialog` "メール進捗": messages and kilobytes received, with a cancel button.
 *
 * Not modal. The cancel button, and closing the dialog in any way, report cancelRequested().
 */
class ReceiveProgressDialog : public QDialog {
    Q_OBJECT
public:
    explicit ReceiveProgressDialog(QWidget* parent);

    void showFigures(const transfer::ProgressFigures& figures);
    QString messagesText() const;
    QString kilobytesText() const;

Q_SIGNALS:
    void cancelRequested();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_messages = nullptr;
    QLabel* m_kilobytes = nullptr;
};

/**
 * @short The main window's side of receiving: the two dialogs, the clipboard, the new-mail sound
 * and the unread view.
 */
class WindowReceiveUi : public transfer::ReceiveUi {
public:
    WindowReceiveUi(QWidget* window, std::function<void()> cancel, std::function<void()> showUnread);
    ~WindowReceiveUi() override;

    std::optional<transfer::PasswordAnswer> askPassword() override;
    void showProgress(const transfer::ProgressFigures& figures) override;
    void updateProgress(const transfer::ProgressFigures& figures) override;
    void closeProgress() override;
    void setClipboardText(const QString& text) override;
    void playNewMailSound(const QString& file) override;
    void showUnreadFolder() override;

    /** Answers the password prompt instead of the user (tests); nullopt cancels it. */
    void setScriptedPassword(std::function<std::optional<transfer::PasswordAnswer>()> script)
    {
        m_scriptedPassword = std::move(script);
    }
    ReceiveProgressDialog* progressDialog() const { return m_progress; }
    int progressShownCount() const { return m_progressShown; }

private:
    QWidget* m_window;
    std::function<void()> m_cancel;
    std::function<void()> m_showUnread;
    std::function<std::optional<transfer::PasswordAnswer>()> m_scriptedPassword;
    ReceiveProgressDialog* m_progress = nullptr;
    std::unique_ptr<QSoundEffect> m_sound;
    int m_progressShown = 0;
};

} // namespace fumibako::mainwin
