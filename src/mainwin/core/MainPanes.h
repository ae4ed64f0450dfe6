#pragma once

#include "transfer/PasswordChoice.h"

#include <QString>

#include <optional>

namespace fumibako::transfer {
class ProgressFigures;
}

namespace fumibako::mainwin {

/**
 * @short The main window's dialogs of receiving: the password prompt, the progress dialog, the
 * clipboard and the new-mail sound.
 *
 * The window implements it with its widgets; tests answer it with a script. The controller adds
 * what receiving reports beyond them (new mail) as its own signal. Every call comes on the
 * window's thread.
 */
class ReceivingDialogs {
public:
    virtual ~ReceivingDialogs() = default;
    /** The modal password prompt "パスワード確認"; std::nullopt when it was cancelled. */
    virtual std::optional<transfer::PasswordAnswer> askPassword() = 0;
    /** Opens "メール進捗" (not modal); its cancel calls MainController::cancelReceive(). */
    virtual void showProgress(const transfer::ProgressFigures& figures) = 0;
    virtual void updateProgress(const transfer::ProgressFigures& figures) = 0;
    virtual void closeProgress() = 0;
    virtual void setClipboardText(const QString& text) = 0;
    /** Plays the new-mail sound file without waiting for a sound that cannot end. */
    virtual void playNewMailSound(const QString& file) = 0;
};

/** @short What the controller shows in the preview pane: local pages only. */
class PreviewPane {
public:
    virtual ~PreviewPane() = default;
    /** "about:blank", the shown file's path, or "" for a note. */
    virtual QString location() const = 0;
    /** A local page (the start page). */
    virtual void showFile(const QString& path) = 0;
    /** The preview page the controller wrote (code page 932). */
    virtual void showPreviewPage(const QString& path) = 0;
    virtual void showBlank() = 0;
};

} // namespace fumibako::mainwin
