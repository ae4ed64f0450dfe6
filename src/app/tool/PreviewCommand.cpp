#include "app/tool/PreviewCommand.h"

#include "app/tool/ToolIo.h"
#include "mailview/PreviewRenderer.h"

#include <QFile>

#include <cstdio>

namespace fumibako::tool {

int runPreviewCommand(const QStringList& args)
{
    mailview::PreviewFont font;
    for (qsizetype i = 0; i < args.size(); i += 2) {
        const QString& option = args.at(i);
        if (i + 1 >= args.size())
            throw UsageError{option + QStringLiteral(" needs a value")};
        if (option == QLatin1String("--face"))
            font.name = args.at(i + 1);
        else if (option == QLatin1String("--size"))
            font.size = args.at(i + 1);
        else
            throw UsageError{QStringLiteral("preview: unknown option: ") + option};
    }
    QFile input;
    if (!input.open(stdin, QIODevice::ReadOnly)) {
        printError(QStringLiteral("preview: cannot read stdin"));
        return 1;
    }
    const QString body = QString::fromUtf8(input.readAll());
    const QByteArray page = mailview::renderPreviewPage(body, font).toUtf8();
    std::fwrite(page.constData(), 1, page.size(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

} // namespace fumibako::tool
