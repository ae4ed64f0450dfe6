#pragma once

#include "mailimport/RunPages.h"
#include "mailimport/core/ExportController.h"

#include <QDialog>

#include <memory>

class QLineEdit;
class QPushButton;
class QRadioButton;
class QStackedWidget;

namespace fumibako::mailimport {

/**
 * @short "エクスポート" of a folder: an mbox file or one .eml file per message, where, then the
 * progress with "中止", then what was written. Its rules are the ExportController's.
 */
class ExportDialog : public QDialog {
    Q_OBJECT
public:
    ExportDialog(const ImportServices& services, platform::UserPrompts& prompts, const QString& folderKey,
                 QWidget* parent = nullptr);
    ~ExportDialog() override;

    ExportController& controller() { return m_controller; }

protected:
    void reject() override;

private:
    QWidget* createChoosePage();
    void browse();
    void formatChosen();
    void stateChanged(ExportController::State state);

    ExportController m_controller;
    QStackedWidget* m_pages = nullptr;
    QRadioButton* m_mbox = nullptr;
    QRadioButton* m_eml = nullptr;
    QLineEdit* m_target = nullptr;
    QPushButton* m_export = nullptr;
    std::unique_ptr<RunPages> m_run;
};

} // namespace fumibako::mailimport
