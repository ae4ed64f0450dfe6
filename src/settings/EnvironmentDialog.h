#pragma once

#include "settings/core/EnvironmentSettings.h"
#include "settings/core/JunkSettingsForm.h"
#include "widgets/WindowPrompts.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace fumibako::compose {
class SignatureFrame;
}

namespace fumibako::settings {

class JunkSettingsFrame;
class NumberBox;

/**
 * @short `frmKankyou` "環境設定": the modal dialog of the open account's options. Its rules are
 * EnvironmentSettings'; this class shows them.
 */
class EnvironmentDialog : public QDialog {
    Q_OBJECT
public:
    /**
     * Edits the options of @p session's open account; @p mainWindow takes the receive method and
     * the grid lines, @p gridShown is its mail list's present state. @p scriptedPrompts answers
     * the message boxes instead of the user (tests), else nullptr.
     */
    EnvironmentDialog(storage::AccountSession& session, storage::AccountSwitchHost& mainWindow, bool gridShown,
                      platform::UserPrompts* scriptedPrompts, QWidget* parent);

protected:
    /** However the dialog closes ("保存", "キャンセル", the close box), a changed signature list is saved. */
    void done(int result) override;

private:
    QGroupBox* createStartFrame();
    QGroupBox* createReceiveFrame();
    void addSoundRows(QWidget* frame, QVBoxLayout* layout);
    QGroupBox* createSendFrame();
    QLayout* createButtons();
    QCheckBox* addCheck(QWidget* parent, const QString& name, const QString& caption);
    void showForm(const EnvironmentForm& form);
    EnvironmentForm currentForm() const;
    void chooseSoundFile();
    void saveClicked();

    widgets::WindowPrompts m_prompts;
    EnvironmentSettings m_settings;

    QCheckBox* m_receiveAtStart = nullptr;
    QCheckBox* m_grid = nullptr;
    std::array<QRadioButton*, 3> m_methods{};
    QCheckBox* m_auto = nullptr;
    NumberBox* m_minutes = nullptr;
    QCheckBox* m_sound = nullptr;
    QLineEdit* m_soundFile = nullptr;
    QPushButton* m_soundButton = nullptr;
    QCheckBox* m_signature = nullptr;
    QCheckBox* m_save = nullptr;
    compose::SignatureFrame* m_signatures = nullptr;
    JunkSettingsFrame* m_junk = nullptr;
    JunkForm m_junkShown; ///< as opened: an untouched frame writes nothing
    QString m_userFile;
};

} // namespace fumibako::settings
