#pragma once

#include "compose/core/SignatureSettings.h"

#include <QGroupBox>

class QComboBox;
class QPlainTextEdit;
class QPushButton;

namespace fumibako::compose {

/**
 * @short The "署名" frame (`frmSyomei`) of the environment settings dialog: the signature names,
 * the text of the chosen one and "作成", "編集", "削除".
 *
 * The dialog that holds it calls load() when it opens and saveIfChanged() when it closes, however
 * it is closed ("保存", "キャンセル" or the close box). Signature files are written and deleted
 * by the buttons at once.
 */
class SignatureFrame : public QGroupBox {
    Q_OBJECT
public:
    SignatureFrame(platform::UserPrompts& prompts, QWidget* parent = nullptr);

    /** The account whose signatures are shown: its settings file and mailbox directory. */
    void load(const QString& userFile, const QString& userMailDir);
    /** Writes the list of names when it changed; false (after a message) when that failed. */
    bool saveIfChanged() { return m_settings.saveIfChanged(); }

private:
    void showNames();
    void showEnabling();
    void nameTyped();
    void nameChosen(int index);
    void create();
    void edit();
    void remove();

    SignatureSettings m_settings;
    QComboBox* m_names = nullptr;
    QPlainTextEdit* m_text = nullptr;
    QPushButton* m_create = nullptr;
    QPushButton* m_edit = nullptr;
    QPushButton* m_remove = nullptr;
    bool m_showing = false; ///< the names are being refilled: no typing to react to
};

} // namespace fumibako::compose
