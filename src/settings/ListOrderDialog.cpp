#include "settings/ListOrderDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QStringListModel>
#include <QVBoxLayout>

namespace fumibako::settings {

ListOrderDialog::ListOrderDialog(const QString& programDir, QWidget* parent) : QDialog(parent), m_order(programDir)
{
    setObjectName(QStringLiteral("frmSort"));
    setWindowTitle(QStringLiteral("順番変更"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* columns = new QHBoxLayout;
    columns->addWidget(createColumn(ListOrder::Accounts, QStringLiteral("ユーザー名")));
    columns->addWidget(createColumn(ListOrder::Signatures, QStringLiteral("署名")));
    columns->addWidget(createColumn(ListOrder::SearchWords, QStringLiteral("リスト検索")));
    layout->addLayout(columns);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* apply = new QPushButton(QStringLiteral("適用"), this);
    apply->setObjectName(QStringLiteral("cmdTeki"));
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    close->setAutoDefault(false);
    buttons->addWidget(apply);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    connect(apply, &QPushButton::clicked, this, [this] { m_order.apply(); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);
    // A click or the arrow keys choose an account; a move of the chosen entry does not choose it again.
    // (Focus alone makes an entry current without selecting it, and chooses nothing.)
    connect(m_views.at(ListOrder::Accounts)->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        const int row = selectedRow(ListOrder::Accounts);
        if (m_showing || row < 0)
            return;
        m_order.chooseAccount(row);
        showList(ListOrder::Signatures, -1);
        showList(ListOrder::SearchWords, -1);
    });

    m_order.open();
    showList(ListOrder::Accounts, -1);
}

QWidget* ListOrderDialog::createColumn(int which, const QString& caption)
{
    auto* column = new QWidget(this);
    auto* grid = new QGridLayout(column);
    grid->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(caption, column);
    m_models.at(which) = new QStringListModel(this);
    m_views.at(which) = new QListView(column);
    m_views.at(which)->setObjectName(QStringLiteral("lstSort%1").arg(which));
    m_views.at(which)->setModel(m_models.at(which));
    m_views.at(which)->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_views.at(which)->setMinimumSize(140, 180);
    label->setBuddy(m_views.at(which));
    auto* up = new QPushButton(QStringLiteral("↑"), column);
    up->setObjectName(QStringLiteral("cmdSort%1").arg(which));
    auto* down = new QPushButton(QStringLiteral("↓"), column);
    down->setObjectName(QStringLiteral("cmdSort%1").arg(which + 3));
    for (QPushButton* b : {up, down}) {
        b->setAutoDefault(false);
        b->setFixedWidth(32);
    }
    connect(up, &QPushButton::clicked, this, [this, which] { moveSelected(which, -1); });
    connect(down, &QPushButton::clicked, this, [this, which] { moveSelected(which, +1); });
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_views.at(which), 1, 0, 3, 1);
    grid->addWidget(up, 1, 1);
    grid->addWidget(down, 2, 1);
    grid->setRowStretch(3, 1);
    return column;
}

void ListOrderDialog::showList(int which, int selectedRow)
{
    m_showing = true;
    m_models.at(which)->setStringList(m_order.list(which));
    if (selectedRow >= 0)
        m_views.at(which)->setCurrentIndex(m_models.at(which)->index(selectedRow));
    m_showing = false;
}

int ListOrderDialog::selectedRow(int which) const
{
    const QModelIndexList selected = m_views.at(which)->selectionModel()->selectedIndexes();
    return selected.isEmpty() ? -1 : selected.first().row();
}

void ListOrderDialog::moveSelected(int which, int delta)
{
    const int row = selectedRow(which);
    if (row < 0)
        return;
    const int moved = m_order.move(which, row, delta);
    if (moved != row)
        showList(which, moved);
}

} // namespace fumibako::settings
