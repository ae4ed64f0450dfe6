#include "mainwin/FolderChoiceDialog.h"

#include "widgets/Icons.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <vector>

namespace fumibako::mainwin {

namespace {
constexpr int kNodeRole = Qt::UserRole + 1;
}

FolderChoiceDialog::FolderChoiceDialog(const FolderChoice& choice, QWidget* parent) : QDialog(parent), m_choice(choice)
{
    setObjectName(QStringLiteral("frmFolderChoice"));
    setWindowTitle(choice.title());
    auto* layout = new QVBoxLayout(this);
    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("treFolderChoice"));
    m_tree->setHeaderHidden(true);
    layout->addWidget(m_tree);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* accept = buttons->addButton(choice.acceptText(), QDialogButtonBox::AcceptRole);
    accept->setObjectName(QStringLiteral("cmdFile"));
    accept->setDefault(true);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole)->setObjectName(QStringLiteral("cmdCancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    fillTree();
    // Only a folder that may take the messages can be filed into.
    const auto follow = [this, accept] { accept->setEnabled(chosenKey().has_value()); };
    connect(m_tree, &QTreeWidget::currentItemChanged, this, follow);
    connect(m_tree, &QTreeWidget::itemActivated, this, [this] {
        if (chosenKey())
            QDialog::accept();
    });
    follow();
    resize(320, 360);
}

void FolderChoiceDialog::fillTree()
{
    const storage::FolderTree& tree = m_choice.tree();
    std::vector<QTreeWidgetItem*> items(tree.count() + 1, nullptr);
    for (int node = 1; node <= tree.count(); ++node) {
        const storage::FolderNode& folder = tree.node(node);
        QTreeWidgetItem* parent = folder.parent > 0 ? items.at(folder.parent) : nullptr;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
        item->setText(0, folder.text);
        item->setIcon(0, widgets::themedIcon(folder.imageKey));
        item->setData(0, kNodeRole, node);
        if (!m_choice.isChoosable(node)) {
            // Disabling it would disable the folders below it as well ("受信BOX" holds the user's).
            item->setFlags(item->flags() & ~Qt::ItemIsSelectable);
            item->setForeground(0, palette().brush(QPalette::Disabled, QPalette::Text));
        }
        items.at(node) = item;
    }
    m_tree->expandAll();
    if (const int first = m_choice.initialNode(); first > 0)
        m_tree->setCurrentItem(items.at(first));
}

std::optional<QString> FolderChoiceDialog::chosenKey() const
{
    const QTreeWidgetItem* item = m_tree->currentItem();
    return item ? m_choice.chosenKey(item->data(0, kNodeRole).toInt()) : std::nullopt;
}

std::optional<QString> FolderChoiceDialog::choose(const FolderChoice& choice, QWidget* parent)
{
    FolderChoiceDialog dialog(choice, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.chosenKey();
}

} // namespace fumibako::mainwin
