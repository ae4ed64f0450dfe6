#pragma once

#include <QString>

#include <optional>

namespace fumibako::mailview {

/**
 * @short The dialogs the read window and the save-as-text dialog ask the user with, besides
 * message boxes.
 *
 * The windows implement it with the system's dialogs; tests answer from a script.
 */
class ReadingDialogs {
public:
    virtual ~ReadingDialogs() = default;

    /** An input box with @p prompt and @p title; nothing when it was cancelled. */
    virtual std::optional<QString> askText(const QString& prompt, const QString& title) = 0;

    /** `ChooseFolder`: the folder browser "フォルダの選択"; nothing when it was cancelled. */
    virtual std::optional<QString> chooseFolder() = 0;

    /**
     * A save-file dialog with @p title, the file-type @p filter (as "テキスト形式(*.txt)") and the
     * extension @p suffix added to a name typed without one; nothing when it was cancelled.
     */
    virtual std::optional<QString> chooseSaveFile(const QString& title, const QString& filter, const QString& suffix) = 0;
};

} // namespace fumibako::mailview
