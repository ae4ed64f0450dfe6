#pragma once

#include "filing/FilingEngine.h"
#include "settings/core/RuleEditor.h"
#include "storage/MailList.h"
#include "widgets/WindowPrompts.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QVBoxLayout;

namespace fumibako::settings {

class ActionRowWidget;
class ConditionRowWidget;

/** What the rule dialog works with besides the rule. */
struct RuleDialogContext {
    QStringList folders; ///< the folders mail can be filed into
    /** The folder the main window shows, whose messages "試す" tries the rule on; none: nothing to try on. */
    QString shownFolder;
    const storage::MailList* shownRows = nullptr;
    QString inputDir;
    const filing::AddressBookLookup* addressBook = nullptr;
    platform::UserPrompts* scriptedPrompts = nullptr; ///< tests answer the message boxes
};

/**
 * @short The rule dialog "ルールの編集": name, switch, all or any, chain, the condition rows and
 * the action rows. A row's fault is shown below it as it is typed, and "OK" stays off while
 * there is one. The rules are RuleEditor's.
 */
class RuleEditDialog : public QDialog {
    Q_OBJECT
public:
    RuleEditDialog(const filing::Rule& rule, const RuleDialogContext& context, QWidget* parent);

    /** The rule as edited (after "OK"). */
    filing::Rule rule() const { return m_editor.rule(); }
    const RuleEditor& editor() const { return m_editor; }

private:
    QWidget* createHead();
    QWidget* createRowsArea();
    QLayout* createButtons();
    void rebuildRows();
    void rowsEdited();
    void addCondition();
    void addAction();
    void tryRule();

    RuleEditor m_editor;
    RuleDialogContext m_context;
    widgets::WindowPrompts m_prompts;
    QLineEdit* m_name = nullptr;
    QCheckBox* m_enabled = nullptr;
    QRadioButton* m_all = nullptr;
    QRadioButton* m_any = nullptr;
    QCheckBox* m_chained = nullptr;
    QVBoxLayout* m_conditionRows = nullptr;
    QVBoxLayout* m_actionRows = nullptr;
    QList<ConditionRowWidget*> m_conditionWidgets;
    QList<ActionRowWidget*> m_actionWidgets;
    QLabel* m_problem = nullptr;
    QPushButton* m_ok = nullptr;
    bool m_rebuilding = false;
};

} // namespace fumibako::settings
