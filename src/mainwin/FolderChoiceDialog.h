#pragma once

#include "mainwin/core/FolderChoice.h"

#include <QDialog>

#include <optional>

class QTreeWidget;

namespace fumibako::mainwin {

/**
 * @short The small dialog of "フォルダへ移動…" and "フォルダへコピー…": the account's folder tree,
 * the folders that cannot take the messages greyed out, the first choice selected.
 *
 * The arrow keys choose, Enter files, Escape cancels. Its rules are FolderChoice's.
 */
class FolderChoiceDialog : public QDialog {
    Q_OBJECT
public:
    FolderChoiceDialog(const FolderChoice& choice, QWidget* parent);

    /** Runs the dialog; the key of the folder chosen, nothing when it was cancelled. */
    static std::optional<QString> choose(const FolderChoice& choice, QWidget* parent);

    /** The folder key of the selected folder, when it may take the messages. */
    std::optional<QString> chosenKey() const;

private:
    void fillTree();

    const FolderChoice& m_choice;
    QTreeWidget* m_tree = nullptr;
};

} // namespace fumibako::mainwin
