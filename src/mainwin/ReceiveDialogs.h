#pragma once

#include "mainwin/core/MainPanes.h"
#include "transfer/ReceiveProgress.h"

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
    /** How many receives showed it since it was made. */
    int shownCount() const { return m_shownCount; }
    /** Shows it in front with @p figures, for a receive that starts. */
    void present(const transfer::ProgressFigures& figures);

Q_SIGNALS:
    void cancelRequested();

protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* m_messages = nullptr;
    QLabel* m_kilobytes = nullptr;
    int m_shownCount = 0;
};

/** @short The main window's dialogs of receiving, the clipboard and the new-mail sound. */
class WindowReceivingDialogs : public ReceivingDialogs {
public:
    WindowReceivingDialogs(QWidget* window, std::function<void()> cancel);
    ~WindowReceivingDialogs() override;

    std::optional<transfer::PasswordAnswer> askPassword() override;
    void showProgress(const transfer::ProgressFigures& figures) override;
    void updateProgress(const transfer::ProgressFigures& figures) override;
    void closeProgress() override;
    void setClipboardText(const QString& text) override;
    void playNewMailSound(const QString& file) override;

    /** Answers the password prompt instead of the user (tests); nullopt cancels it. */
    void setScriptedPassword(std::function<std::optional<transfer::PasswordAnswer>()> script)
    {
        m_scriptedPassword = std::move(script);
    }

private:
    QWidget* m_window;
    std::function<void()> m_cancel;
    std::function<std::optional<transfer::PasswordAnswer>()> m_scriptedPassword;
    ReceiveProgressDialog* m_progress = nullptr;
    std::unique_ptr<QSoundEffect> m_sound;
};

} // namespace fumibako::mainwin
