#pragma once

#include "compose/core/ComposeLauncher.h"

#include <QStringList>

namespace fumibako::test {

/** The compose window's launcher for tests: records each call as a line of text. */
class RecordingComposeLauncher : public compose::ComposeLauncher {
public:
    void OpenCompose(compose::ComposeMode mode, const QString& path, const QString& name, const QString& section,
                     const compose::ComposeFields& afterwards) override
    {
        calls << QStringLiteral("open %1 [%2|%3|%4] %5").arg(int(mode)).arg(path, name, section, describe(afterwards));
    }
    void showWithFields(const compose::ComposeFields& fields) override
    {
        calls << QStringLiteral("show %1").arg(describe(fields));
    }
    void addMailtoAddresses(const storage::MailtoAddresses&) override { calls << QStringLiteral("mailto"); }

    /** "to=...;cc=...;bcc=..." with the fields that are set. */
    static QString describe(const compose::ComposeFields& fields)
    {
        QStringList set;
        if (fields.to)
            set << QStringLiteral("to=") + *fields.to;
        if (fields.cc)
            set << QStringLiteral("cc=") + *fields.cc;
        if (fields.bcc)
            set << QStringLiteral("bcc=") + *fields.bcc;
        return set.join(u';');
    }

    QStringList calls;
};

} // namespace fumibako::test
