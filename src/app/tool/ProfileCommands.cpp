#include "app/tool/ProfileCommands.h"

#include "app/tool/ToolIo.h"
#include "storage/ProfileStore.h"

namespace fumibako::tool {

namespace {

using namespace fumibako::storage;

constexpr int kDefaultBufferSize = 256;

void expectArgs(const QStringList& args, qsizetype min, qsizetype max, const char* usage)
{
    if (args.size() < min || (max >= 0 && args.size() > max))
        throw UsageError{QStringLiteral("usage: fumibako-tool profile ") + QLatin1String(usage)};
}

int printAll(bool found, const QStringList& lines)
{
    if (!found)
        return 1;
    for (const QString& line : lines)
        printLine(line);
    return 0;
}

int get(const QStringList& a)
{
    expectArgs(a, 3, 4, "get FILE SECTION KEY [BUFSIZE]");
    const int size = a.size() == 4 ? parseCount(a[3], QStringLiteral("BUFSIZE")) : kDefaultBufferSize;
    printLine(IniGetString(a[1], a[2], size, a[0]));
    return 0;
}

int set(const QStringList& a)
{
    expectArgs(a, 4, 4, "set FILE SECTION KEY VALUE");
    return writeProfileString(a[0], a[1], a[2], a[3]) ? 0 : 1;
}

int deleteKey(const QStringList& a)
{
    expectArgs(a, 3, 3, "delete-key FILE SECTION KEY");
    return IniDeleteKey(a[0], a[1], a[2]) ? 0 : 1;
}

int deleteSection(const QStringList& a)
{
    expectArgs(a, 2, 2, "delete-section FILE SECTION");
    return IniDeleteSection(a[0], a[1]) ? 0 : 1;
}

int section(const QStringList& a)
{
    expectArgs(a, 2, 2, "section FILE SECTION");
    QStringList lines;
    const bool found = IniGetSection(a[1], a[0], lines);
    return printAll(found, lines);
}

int writeSection(const QStringList& a)
{
    expectArgs(a, 2, -1, "write-section FILE SECTION [LINE ...]");
    return IniWriteSection(a[1], a[0], a.mid(2)) ? 0 : 1;
}

int sections(const QStringList& a)
{
    expectArgs(a, 1, 1, "sections FILE");
    QStringList names;
    const bool found = IniGetSectionNames(a[0], names);
    return printAll(found, names);
}

} // namespace

int runProfileCommand(const QStringList& args)
{
    if (args.isEmpty())
        throw UsageError{QStringLiteral("usage: fumibako-tool profile get|set|delete-key|delete-section|"
                                        "section|write-section|sections ...")};
    const QString command = args.first();
    const QStringList rest = args.mid(1);
    using Handler = int (*)(const QStringList&);
    static const QList<std::pair<QString, Handler>> handlers = {
        {QStringLiteral("get"), get},
        {QStringLiteral("set"), set},
        {QStringLiteral("delete-key"), deleteKey},
        {QStringLiteral("delete-section"), deleteSection},
        {QStringLiteral("section"), section},
        {QStringLiteral("write-section"), writeSection},
        {QStringLiteral("sections"), sections},
    };
    for (const auto& [name, handler] : handlers) {
        if (name == command)
            return handler(rest);
    }
    throw UsageError{QStringLiteral("unknown profile command: ") + command};
}

} // namespace fumibako::tool
