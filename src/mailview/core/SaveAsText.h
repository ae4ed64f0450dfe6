#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace fumibako::platform {
class UserPrompts;
}

namespace fumibako::mailview {

class ReadingDialogs;

/** The items a message saved as text can hold, in the order the dialog offers them. */
enum class TextItem { To, From, Date, BlankLine, Subject, Body };

/** The items offered, in order, and their captions ("宛先", "送信元", "送信日", "項目間に改行", "件名", "本文"). */
const QList<TextItem>& offeredTextItems();
QString textItemCaption(TextItem item);

/** The read window's fields as they are shown when the dialog opens. */
struct ShownMail {
    QString to;
    QString from;
    QString date;
    QString subject;
    QString body; ///< what the body box shows (the header lines while the header view is on)
};

/** The text of @p items in order, each line ended by CR LF, followed by one more CR LF. */
QString savedText(const QList<TextItem>& items, const ShownMail& mail);

/**
 * The file's bytes: code page 932; a text with a character code page 932 cannot give back is
 * written whole as UTF-8 with a byte order mark instead, so nothing shown is lost.
 */
QByteArray savedTextBytes(const QString& text);

/**
 * @short The rules of the save-as-text dialog `frmTextHozon` "テキスト変換": the chosen items and
 * "次へ".
 */
class SaveAsText {
public:
    SaveAsText(platform::UserPrompts& prompts, ReadingDialogs& dialogs, const ShownMail& mail);

    const QList<TextItem>& chosen() const { return m_chosen; }
    /** ">" or a double click on an offered item: appends it (an item may be chosen more than once). */
    void choose(TextItem item);
    /** The Delete key on chosen item @p index. */
    void remove(int index);

    /**
     * "次へ": asks for the file and writes it. True when the file was written and the dialog is
     * to close; false when nothing was chosen, the file dialog was cancelled or the file could
     * not be written (each told to the user but the cancel).
     */
    bool next();

private:
    platform::UserPrompts& m_prompts;
    ReadingDialogs& m_dialogs;
    ShownMail m_mail;
    QList<TextItem> m_chosen;
};

} // namespace fumibako::mailview
