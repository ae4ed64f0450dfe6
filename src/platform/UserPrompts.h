#pragma once

#include <QString>

namespace fumibako::platform {

/** @short The program's title, shown on message boxes that name no title of their own. */
inline const QString kProgramTitle = QStringLiteral("フミ(文)バコ");

enum class Icon { None, Information, Exclamation, Question, Critical };
/** SaveDiscardCancel: the buttons "保存", "破棄" and "キャンセル", answered Save, Discard or Cancel. */
enum class Buttons { Ok, YesNo, OkCancel, YesNoCancel, SaveDiscardCancel };
enum class Answer { Ok, Yes, No, Cancel, Save, Discard };

/**
 * @short The one way core code talks to the person at the screen.
 *
 * The windows implement it with message boxes and the status bar; tests implement it with a
 * script that answers and records every text. An empty title means the program's title.
 */
class UserPrompts {
public:
    virtual ~UserPrompts() = default;

    virtual Answer message(const QString& text, const QString& title, Icon icon, Buttons buttons) = 0;

    /** Sets the text of a status-bar panel (1-based, as the main window numbers them). */
    virtual void setStatus(int panel, const QString& text) = 0;
};

/** Prompts that show nothing and answer Ok: for reading again quietly what was read once with messages. */
class QuietPrompts : public UserPrompts {
public:
    Answer message(const QString&, const QString&, Icon, Buttons) override { return Answer::Ok; }
    void setStatus(int, const QString&) override {}
};

} // namespace fumibako::platform
