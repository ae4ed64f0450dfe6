#pragma once

#include "transfer/PasswordChoice.h"

#include <QString>

#include <optional>

namespace fumibako::transfer {

class ProgressFigures;

/**
 * @short What receiving needs from the windows besides message boxes and the status bar.
 *
 * The main window implements it (password dialog, progress dialog, clipboard, sound, folder tree);
 * the tool and the tests have their own. Every call comes on the user-interface thread.
 */
class ReceiveUi {
public:
    virtual ~ReceiveUi() = default;

    /**
     * The modal password prompt "パスワード確認" ("起動中のみ" chosen when it opens).
     * std::nullopt when it was cancelled.
     */
    virtual std::optional<PasswordAnswer> askPassword() = 0;

    /**
     * Opens the progress dialog "メール進捗" (not modal). Its cancel button "ｷｬﾝｾﾙ", and closing it in
     * any way, must call Receiver::requestCancel().
     */
    virtual void showProgress(const ProgressFigures& figures) = 0;
    /** New figures; may come while the dialog is not shown (then nothing needs to change). */
    virtual void updateProgress(const ProgressFigures& figures) = 0;
    virtual void closeProgress() = 0;

    /** Puts @p text on the system clipboard as plain text. */
    virtual void setClipboardText(const QString& text) = 0;

    /**
     * Plays the new-mail sound file. It may wait until the sound ends, but must not wait for a
     * sound that cannot end (no audio device).
     */
    virtual void playNewMailSound(const QString& file) = 0;

    /** Selects the folder node "未読メール" and shows it, as a click on it does. */
    virtual void showUnreadFolder() = 0;

    /**
     * A receive filed new mail, @p junk of it into 迷惑メール (a folder that may be new to the
     * tree), and moved @p expired old messages out of 迷惑メール into ごみ箱; before the unread
     * view is shown. Called after every receive that brought mail or moved old junk.
     */
    virtual void mailFiled(int /*junk*/, int /*expired*/) {}
};

} // namespace fumibako::transfer
