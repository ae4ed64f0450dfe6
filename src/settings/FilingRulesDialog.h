#pragma once

#include "settings/RuleEditDialog.h"
#include "settings/core/FilingRulesEditor.h"
#include "widgets/WindowPrompts.h"

#include <QDialog>

class QTableView;

namespace fumibako::settings {

/**
 * @short "振り分け設定": the account's rules in order, each with its switch, name and what it
 * does; add, edit, copy, delete, up and down; "保存" writes them. The rules are
 * FilingRulesEditor's.
 */
class FilingRulesDialog : public QDialog {
    Q_OBJECT
public:
    /** @p rulesFile: the account's rules; @p folderExists marks rules whose folder is gone. */
    FilingRulesDialog(const QString& rulesFile, filing::FolderExists folderExists, const RuleDialogContext& context,
                      QWidget* parent);

    FilingRulesEditor& editor() { return m_editor; }
    /** Opens the rule dialog on @p rule as a new rule (the mail list's "この差出人で振り分け…"). */
    void addRule(const filing::Rule& rule);

protected:
    void done(int result) override;

private:
    QLayout* createButtons();
    int selectedRow() const;
    void select(int row);
    void editRow(int row);
    void removeSelected();
    bool save();

    FilingRulesEditor m_editor;
    RuleDialogContext m_context;
    widgets::WindowPrompts m_prompts;
    QTableView* m_list = nullptr;
};

} // namespace fumibako::settings
