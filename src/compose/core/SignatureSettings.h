#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::compose {

/**
 * @short The rules of the "署名" frame of the environment settings: creating, editing and deleting
 * an account's signatures, and saving the list of names when the dialog closes.
 *
 * Signature files are written and deleted at once by the commands; the list of names only by
 * saveIfChanged(), which the dialog calls however it is closed. The frame widget presents the
 * names, the text and the three buttons as this class gives them.
 */
class SignatureSettings {
public:
    explicit SignatureSettings(platform::UserPrompts& prompts) : m_prompts(prompts) {}

    /** The dialog opens for the account of @p userFile: names read, nothing selected, all three buttons off. */
    void load(const QString& userFile, const QString& userMailDir);

    const QStringList& names() const { return m_names; }
    /** The chosen entry of the name box, -1 when none (the user typed a name). */
    int selectedIndex() const { return m_selected; }
    bool listChanged() const { return m_changed; }

    struct Enabling {
        bool create = false; ///< "作成"
        bool edit = false;   ///< "編集"
        bool remove = false; ///< "削除"
    };
    Enabling enabling() const { return m_enabling; }

    /** The name box's text was typed: "作成" on, "編集" and "削除" off, no entry chosen. */
    void nameTyped();

    /**
     * Entry @p index was chosen: the signature's text to show, or nothing when its file cannot be
     * read (after asking whether to drop the name from the list).
     */
    std::optional<QString> nameChosen(int index);

    /** "作成": a new signature @p name with @p text. True when created. */
    bool create(const QString& name, const QString& text);

    /** "編集": writes @p text over the file of @p name. True when written. */
    bool edit(const QString& name, const QString& text);

    /** What "削除" did. */
    enum class Removal {
        None,       ///< nothing: no entry chosen, or the user said No
        NameOnly,   ///< the name left the list (its file was missing)
        FileAndName ///< the file was deleted and the name left the list: the text is emptied
    };
    /** "削除" of the chosen entry. */
    Removal remove();

    /** The dialog closes: writes the list of names when it changed. False when that write failed. */
    bool saveIfChanged();

private:
    void dropSelected();
    bool askDropMissing();

    platform::UserPrompts& m_prompts;
    QString m_userFile;
    QString m_userMailDir;
    QStringList m_names;
    int m_selected = -1;
    bool m_changed = false;
    Enabling m_enabling;
};

} // namespace fumibako::compose
