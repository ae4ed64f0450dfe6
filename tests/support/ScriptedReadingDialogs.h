#pragma once

#include "compose/core/ComposeLauncher.h"
#include "mailview/core/ReadingDialogs.h"

#include <QList>
#include <QQueue>
#include <QStringList>

namespace fumibako::test {

/** The read window's dialogs for tests: answers from queues (nothing queued: cancelled), calls recorded. */
class ScriptedReadingDialogs : public mailview::ReadingDialogs {
public:
    std::optional<QString> askText(const QString& prompt, const QString& title) override
    {
        asked.append(title + QLatin1Char('|') + prompt);
        return texts.isEmpty() ? std::nullopt : texts.dequeue();
    }
    std::optional<QString> chooseFolder() override
    {
        asked.append(QStringLiteral("folder"));
        return folders.isEmpty() ? std::nullopt : folders.dequeue();
    }
    std::optional<QString> chooseSaveFile(const QString& title, const QString& filter, const QString& suffix) override
    {
        asked.append(title + QLatin1Char('|') + filter + QLatin1Char('|') + suffix);
        return files.isEmpty() ? std::nullopt : files.dequeue();
    }

    QQueue<std::optional<QString>> texts;
    QQueue<std::optional<QString>> folders;
    QQueue<std::optional<QString>> files;
    QStringList asked;
};

/** A compose launcher that records what it was asked. */
class RecordingComposeLauncher : public compose::ComposeLauncher {
public:
    struct Opened {
        compose::ComposeMode mode;
        QString path;
        QString name;
        QString section;
        compose::ComposeFields fields;
    };

    void OpenCompose(compose::ComposeMode mode, const QString& path, const QString& name, const QString& section,
                     const compose::ComposeFields& afterwards) override
    {
        opened.append({mode, path, name, section, afterwards});
    }
    void showWithFields(const compose::ComposeFields& fields) override { shown.append(fields); }
    void addMailtoAddresses(const storage::MailtoAddresses&) override {}

    QList<Opened> opened;
    QList<compose::ComposeFields> shown;
};

} // namespace fumibako::test
