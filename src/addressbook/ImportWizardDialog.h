#pragma once

#include "addressbook/core/ImportWizard.h"

#include <QDialog>

class QButtonGroup;
class QLineEdit;
class QPushButton;
class QStackedWidget;
class QTreeView;

namespace fumibako::addressbook {

/**
 * @short `frmIm` ("インポート"): the two-page import wizard. Page 1 picks the kind of book and the
 * file, page 2 shows the parsed rows for correction (edit a name in place, Delete removes the
 * selected rows, a header click sorts). The dialog is accepted by "完了"; rowsToImport() then
 * holds the rows to add.
 */
class ImportWizardDialog : public QDialog {
    Q_OBJECT
public:
    ImportWizardDialog(platform::UserPrompts& prompts, QWidget* parent = nullptr);

    QList<ImportedAddress> rowsToImport() const { return m_wizard.rowsToImport(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* createChooseFilePage();
    QWidget* createPreviewPage();
    QLayout* createButtons();
    void browse();
    void next();
    void showPage();

    ImportWizard m_wizard;
    QStackedWidget* m_pages = nullptr;
    QButtonGroup* m_formats = nullptr;
    QLineEdit* m_path = nullptr;
    QTreeView* m_preview = nullptr;
    QPushButton* m_back = nullptr;
    QPushButton* m_next = nullptr;
    QPushButton* m_complete = nullptr;
};

} // namespace fumibako::addressbook
