#include "app/tool/ConsolePrompts.h"

#include "app/tool/ToolIo.h"

namespace fumibako::tool {

using platform::Answer;
using platform::Buttons;

Answer ConsolePrompts::message(const QString& text, const QString& title, platform::Icon, Buttons buttons)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    printError(QLatin1Char('[') + (title.isEmpty() ? platform::kProgramTitle : title) + QStringLiteral("] ") + shown);
    switch (buttons) {
    case Buttons::YesNo:
    case Buttons::YesNoCancel:
        return m_answerYes ? Answer::Yes : Answer::No;
    case Buttons::OkCancel:
        return m_answerYes ? Answer::Ok : Answer::Cancel;
    case Buttons::SaveDiscardCancel:
        return m_answerYes ? Answer::Save : Answer::Cancel;
    case Buttons::Ok:
        break;
    }
    return Answer::Ok;
}

void ConsolePrompts::setStatus(int panel, const QString& text)
{
    if (panel == 1)
        m_lastStatus = text;
}

} // namespace fumibako::tool
