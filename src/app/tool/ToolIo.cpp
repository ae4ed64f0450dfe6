#include "app/tool/ToolIo.h"

#include <cstdio>
#include <string>

#include <termios.h>
#include <unistd.h>

namespace fumibako::tool {

void printLine(const QString& text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stdout);
}

void printError(const QString& text)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    std::fwrite(bytes.constData(), 1, bytes.size(), stderr);
}

int parseCount(const QString& text, const QString& what)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    if (!ok || value < 0)
        throw UsageError{what + QStringLiteral(" must be a whole number of 0 or more: ") + text};
    return value;
}

// One line of stdin; echo is switched off while a terminal types it. nullopt at end of input.
std::optional<QString> readSecretLine()
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal && tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    bool gotAny = false;
    for (int c = std::getchar(); c != EOF; c = std::getchar()) {
        gotAny = true;
        if (c == '\n')
            break;
        line.push_back(char(c));
    }
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        std::fputc('\n', stderr);
    }
    if (!gotAny)
        return std::nullopt;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return QString::fromStdString(line);
}

std::optional<QString> askPasswordLine()
{
    if (isatty(STDIN_FILENO)) {
        std::fputs("パスワード: ", stderr);
        std::fflush(stderr);
    }
    return readSecretLine();
}

} // namespace fumibako::tool
