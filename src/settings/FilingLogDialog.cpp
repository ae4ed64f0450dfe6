#include "settings/FilingLogDialog.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace fumibako::settings {

FilingLogDialog::FilingLogDialog(const QString& logFile, QWidget* parent) : QDialog(parent), m_model(logFile)
{
    setObjectName(QStringLiteral("frmFilingLog"));
    setWindowTitle(QStringLiteral("振り分けログ"));
    resize(1040, 480);
    auto* layout = new QVBoxLayout(this);
    auto* view = new QTableView(this);
    view->setObjectName(QStringLiteral("lsvFilingLog"));
    view->setModel(&m_model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->verticalHeader()->hide();
    view->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {140, 90, 140, 150, 160, 200, 140};
    for (int column = 0; column < int(std::size(widths)); ++column)
        view->setColumnWidth(column, widths[column]);
    auto* empty = new QLabel(QStringLiteral("まだ振り分けたメールはありません"), this);
    empty->setVisible(m_model.rowCount() == 0);
    auto* buttons = new QHBoxLayout;
    auto* reload = new QPushButton(QStringLiteral("最新の状態にする(&R)"), this);
    reload->setObjectName(QStringLiteral("cmdReload"));
    reload->setAutoDefault(false);
    auto* close = new QPushButton(QStringLiteral("閉じる"), this);
    close->setObjectName(QStringLiteral("cmdClose"));
    buttons->addWidget(reload);
    buttons->addStretch(1);
    buttons->addWidget(close);
    layout->addWidget(view, 1);
    layout->addWidget(empty);
    layout->addLayout(buttons);
    connect(reload, &QPushButton::clicked, this, [this, empty] {
        m_model.reload();
        empty->setVisible(m_model.rowCount() == 0);
    });
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    view->setFocus();
}

} // namespace fumibako::settings
