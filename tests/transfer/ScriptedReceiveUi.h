#pragma once

#include "transfer/ReceiveProgress.h"
#include "transfer/ReceiveUi.h"

#include <QQueue>
#include <QStringList>

#include <functional>

namespace fumibako::test {

/** The receive side of the user-interface seam for tests: scripted passwords, recorded calls. */
class ScriptedReceiveUi : public transfer::ReceiveUi {
public:
    std::optional<transfer::PasswordAnswer> askPassword() override
    {
        ++passwordPrompts;
        if (passwords.isEmpty())
            return std::nullopt;
        return passwords.dequeue();
    }
    void showProgress(const transfer::ProgressFigures& figures) override
    {
        ++progressShown;
        shownAtOpen = figures.messagesText() + QLatin1Char('|') + figures.kilobytesReceivedText();
    }
    void updateProgress(const transfer::ProgressFigures& figures) override
    {
        last = figures;
        ++progressReports;
        if (onProgress)
            onProgress(figures);
    }
    void closeProgress() override { ++progressClosed; }
    void setClipboardText(const QString& text) override { clipboard.append(text); }
    void playNewMailSound(const QString& file) override { sounds.append(file); }
    void showUnreadFolder() override { ++unreadShown; }

    QQueue<std::optional<transfer::PasswordAnswer>> passwords;
    std::function<void(const transfer::ProgressFigures&)> onProgress;
    transfer::ProgressFigures last;
    QString shownAtOpen;
    int passwordPrompts = 0;
    int progressShown = 0;
    int progressReports = 0;
    int progressClosed = 0;
    int unreadShown = 0;
    QStringList clipboard;
    QStringList sounds;
};

} // namespace fumibako::test
