#pragma once

#include "platform/UserPrompts.h"

#include <QList>
#include <QMap>
#include <QQueue>

namespace fumibako::test {

/** A message box as the core asked for it. */
struct ShownMessage {
    QString text;
    QString title;
    platform::Icon icon;
    platform::Buttons buttons;
};

/**
 * @short The user-interface seam for tests: answers from a script and records every text.
 *
 * Questions take the next scripted answer; with the script empty, a Yes/No question is answered
 * No, OK/Cancel and Save/Discard/Cancel are answered Cancel and any other box Ok (the safe
 * choice), so a test that forgot to script fails on what it checks.
 */
class RecordingPrompts : public platform::UserPrompts {
public:
    platform::Answer message(const QString& text, const QString& title, platform::Icon icon,
                             platform::Buttons buttons) override;
    void setStatus(int panel, const QString& text) override;

    void answerNext(platform::Answer answer) { m_answers.enqueue(answer); }

    QList<ShownMessage> messages;
    QMap<int, QString> status;
    QStringList statusHistory; // "panel:text", in order

private:
    QQueue<platform::Answer> m_answers;
};

} // namespace fumibako::test
