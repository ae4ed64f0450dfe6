#pragma once

#include "mailimport/RunPages.h"
#include "mailimport/core/ImportController.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QListWidget;
class QPushButton;
class QStackedWidget;

namespace fumibako::mailimport {

/**
 * @short "メールのインポート": choose mailboxes (files or folders) and the folder they go into,
 * then the progress with "中止", then the report. Its rules are the ImportController's.
 *
 * While the import runs, closing the window asks it to stop (what it stored is kept); the
 * window closes once it has.
 */
class ImportDialog : public QDialog {
    Q_OBJECT
public:
    /** @p selectedKey: the folder chosen in the tree, the default target where it can take mail. */
    ImportDialog(const ImportServices& services, const QString& selectedKey, QWidget* parent = nullptr);
    ~ImportDialog() override;

    ImportController& controller() { return m_controller; }
    /** Adds @p paths to what is imported, as the add buttons do. */
    void addSources(const QStringList& paths);
    /** Starts at once with @p paths (files dropped on the tree's folder, which is the target). */
    void startWith(const QStringList& paths);

Q_SIGNALS:
    /** The import made folders in the tree. */
    void foldersAdded();
    /** Messages were filed. */
    void mailFiled();

protected:
    void reject() override;

private:
    QWidget* createChoosePage();
    void addFiles();
    void addFolder();
    void refreshChoice();
    void start();
    void stateChanged(ImportController::State state);

    ImportController m_controller;
    QStackedWidget* m_pages = nullptr;
    QListWidget* m_sources = nullptr;
    QComboBox* m_target = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_import = nullptr;
    std::unique_ptr<RunPages> m_run;
};

} // namespace fumibako::mailimport
