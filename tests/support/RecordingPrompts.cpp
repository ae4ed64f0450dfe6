#include "support/RecordingPrompts.h"

namespace fumibako::test {

platform::Answer RecordingPrompts::message(const QString& text, const QString& title, platform::Icon icon,
                                           platform::Buttons buttons)
{
    messages.append({text, title, icon, buttons});
    if (!m_answers.isEmpty())
        return m_answers.dequeue();
    switch (buttons) {
    case platform::Buttons::YesNo:
    case platform::Buttons::YesNoCancel:
        return platform::Answer::No;
    case platform::Buttons::OkCancel:
    case platform::Buttons::SaveDiscardCancel:
        return platform::Answer::Cancel;
    case platform::Buttons::Ok:
        break;
    }
    return platform::Answer::Ok;
}

void RecordingPrompts::setStatus(int panel, const QString& text)
{
    status[panel] = text;
    statusHistory.append(QString::number(panel) + QLatin1Char(':') + text);
}

} // namespace fumibako::test
