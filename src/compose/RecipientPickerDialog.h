#pragma once

#include "compose/core/RecipientPicker.h"

#include <QDialog>

#include <array>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QListWidget;
class QRadioButton;
class QTreeView;

namespace fumibako::compose {

struct ComposeContent;

/**
 * @short `frmAddress` "アドレス帳": the compose window's easy input of recipients and attachments.
 *
 * Modal, made fresh for every use. The rules are RecipientPicker's; this dialog presents and wires.
 */
class RecipientPickerDialog : public QDialog {
    Q_OBJECT
public:
    /** Loads the groups of @p table and the lists from the compose fields @p content. */
    RecipientPickerDialog(const QList<addressbook::AddressEntry>& table, const ComposeContent& content,
                          QWidget* parent);

    /** After "OK": the compose fields rewritten from the lists. */
    void writeBack(ComposeContent& content) const { m_picker.writeBack(content); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createWidgets();
    QWidget* createRecipientColumn(int list, QWidget* parent);
    QWidget* createFileRow(QWidget* parent);
    void groupChosen(int index);
    void addSelected(int list);
    void entryDoubleClicked(const QModelIndex& index);
    void chooseFile();
    void addFiles(const QStringList& paths);
    void showLists();

    RecipientPicker m_picker;
    AddressGroupModel m_model;
    QComboBox* m_groups = nullptr;
    QTreeView* m_entries = nullptr;
    QCheckBox* m_withName = nullptr;
    std::array<QListWidget*, 4> m_lists{}; ///< lstTo, lstCc, lstBcc, lstFile
    QButtonGroup* m_defaults = nullptr; ///< opDefault: one "Default" beside each recipient list
};

} // namespace fumibako::compose
