#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QToolButton;

namespace fumibako::mainwin {

/**
 * @short The search box above the mail list: typing narrows the shown folder, Enter (or the
 * button "全フォルダを検索") searches every folder of the account.
 *
 * Escape clears the box; on an empty box it hands the keyboard back to the list, as the down
 * arrow does. A note below
 * the box tells what a search or the filter found when there is something to say.
 */
class SearchBar : public QWidget {
    Q_OBJECT
public:
    explicit SearchBar(QWidget* parent = nullptr);

    QString text() const;
    /** Empties the box without a filterEdited() (the window resets the list itself). */
    void clearText();
    /** Puts the keyboard into the box with its text selected (Ctrl+F). */
    void focusBox();
    /** Shows @p text below the box; an empty text hides the note. */
    void setNote(const QString& text);
    QString note() const;

Q_SIGNALS:
    /** The user changed the text (typed, pasted, cleared with Escape or the clear button). */
    void filterEdited(const QString& text);
    void searchRequested(const QString& text);
    /** Escape on an empty box, or the down arrow: the keyboard goes to the list. */
    void leaveRequested();
    /** The box got (true) or lost (false) the keyboard. */
    void boxFocused(bool focused);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QLineEdit* m_box = nullptr;
    QToolButton* m_searchAll = nullptr;
    QLabel* m_note = nullptr;
};

} // namespace fumibako::mainwin
