#pragma once

#include "compose/core/ComposeController.h"
#include "compose/core/ComposeLauncher.h"
#include "storage/MailtoCommandLine.h"

#include <QMainWindow>

#include <array>
#include <functional>

class QAction;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;

namespace fumibako::storage {
struct WindowGeometry;
}
namespace fumibako::transfer {
struct CurrentMail;
}

namespace fumibako::compose {

class AttachmentField;
class ComposeBody;

/** What the compose window keeps outside itself. */
struct ComposeWindowContext {
    storage::WindowGeometry& geometry; ///< "SendWidth" ... in twips, written with the other window settings
    QString programDir;                ///< where "Address.txt" lies
    QString registryFile;              ///< the text font ("Font", "Read*")
    std::function<void()> storedMailChanged; ///< an outgoing file and its index entry were written or removed
};

/**
 * @short `frmSend`, the compose window ("送信フォーム", "転送モード" while redirecting).
 *
 * Loaded when it is opened; closed after sending, storing or overwriting, by "閉じる(&X)", its
 * close box or the end of the program, asking first when the user changed a field
 * (ComposeController::confirmClose). Its normal size and position are kept in the settings in
 * memory as they change, so that they are current when the program ends with the window open.
 * The rules are ComposeController's; this class presents and wires.
 */
class ComposeWindow : public QMainWindow {
    Q_OBJECT
public:
    ComposeWindow(const ComposeServices& services, ComposeWindowContext context, QWidget* parent);
    ~ComposeWindow() override;

    /** OpenCompose; @p stored is the current-mail record (modes 3 and 4). */
    void open(ComposeMode mode, const QString& path, const QString& name, const QString& section,
              const transfer::CurrentMail& stored, const ComposeFields& afterwards);
    /** Sets the given fields only. */
    void setFields(const ComposeFields& fields);
    /** "保存" as the account presets it, for a window shown without OpenCompose. */
    void presetKeep();
    /** The addresses (subject, body) of a "mailto:" command line, added to what the window holds. */
    void addMailto(const storage::MailtoAddresses& mailto);
    /** Shown, raised and active. */
    void present();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // ComposeWindow.cpp
    void createWidgets();
    QWidget* createFieldGrid(QWidget* parent);
    QWidget* createButtonRow(QWidget* parent);
    void createMenus();
    QAction* addCommand(QMenu* menu, const QString& objectName, const QString& caption, void (ComposeWindow::*slot)());
    void wire();
    void applyStoredGeometry();
    void recordNormalBounds();
    void applyTextFont();

    // ComposeWindowCommands.cpp
    ComposeContent content() const;
    void showContent(const ComposeContent& content);
    void showState();
    void fillRecentRecipients();
    void finish(ComposeController::Outcome outcome);
    void sendMail();
    void storeToOutbox();
    void saveDraft();
    void overwrite();
    void newMail();
    void closeWindow() { close(); }
    void chooseFont();
    void easyInput();
    void appendSignature();
    void addDroppedFiles(const QStringList& paths);

    ComposeController m_controller;
    ComposeWindowContext m_context;
    bool m_sending = false;

    std::array<QComboBox*, 3> m_recipients{}; ///< cmbTo, cmbCC, cmbBCC
    QLineEdit* m_subject = nullptr;
    AttachmentField* m_attachments = nullptr;
    ComposeBody* m_body = nullptr;
    QCheckBox* m_keep = nullptr;
    QComboBox* m_signatures = nullptr;
    QPushButton* m_signatureButton = nullptr;
    QPushButton* m_sendButton = nullptr;
    QPushButton* m_outboxButton = nullptr;
    QPushButton* m_easyButton = nullptr;
    QAction* m_overwriteAction = nullptr;
    QWidget* m_form = nullptr;
};

} // namespace fumibako::compose
