#pragma once

#include "platform/UserPrompts.h"

namespace fumibako::tool {

/**
 * The user-interface seam on a terminal: messages go to stderr; questions are answered Yes only
 * when the tool was told so (--yes), else No.
 */
class ConsolePrompts : public platform::UserPrompts {
public:
    explicit ConsolePrompts(bool answerYes = false) : m_answerYes(answerYes) {}

    platform::Answer message(const QString& text, const QString& title, platform::Icon icon,
                             platform::Buttons buttons) override;
    void setStatus(int panel, const QString& text) override;

    /** The last text of status panel 1: the closing status of a command. */
    const QString& lastStatus() const { return m_lastStatus; }

private:
    bool m_answerYes;
    QString m_lastStatus;
};

} // namespace fumibako::tool
