#include "mailview/SaveAsTextDialog.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

namespace fumibako::mailview {

SaveAsTextDialog::SaveAsTextDialog(QWidget* parent, platform::UserPrompts& prompts, ReadingDialogs& dialogs,
                                   const ShownMail& mail)
    : QDialog(parent), m_rules(prompts, dialogs, mail)
{
    setObjectName(QStringLiteral("frmTextHozon"));
    setWindowTitle(QStringLiteral("テキスト変換"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    m_offered = new QListWidget(this);
    m_offered->setObjectName(QStringLiteral("lst1"));
    for (TextItem item : offeredTextItems())
        m_offered->addItem(textItemCaption(item));
    m_offered->setCurrentRow(0);
    connect(m_offered, &QListWidget::itemDoubleClicked, this, &SaveAsTextDialog::chooseSelected);
    auto* add = new QPushButton(QStringLiteral(">"), this);
    add->setObjectName(QStringLiteral("cmdIreru"));
    add->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &SaveAsTextDialog::chooseSelected);
    m_chosen = new QListWidget(this);
    m_chosen->setObjectName(QStringLiteral("lst2"));
    m_chosen->setToolTip(QStringLiteral("項目はDeleteキーで削除"));
    m_chosen->installEventFilter(this);
    auto* nextButton = new QPushButton(QStringLiteral("次へ"), this);
    nextButton->setObjectName(QStringLiteral("cmdNext"));
    nextButton->setAutoDefault(false);
    connect(nextButton, &QPushButton::clicked, this, &SaveAsTextDialog::next);
    auto* label = new QLabel(QStringLiteral("テキストに保存する項目、及び順番を選択してください。"), this);
    label->setObjectName(QStringLiteral("Label1"));

    auto* layout = new QGridLayout(this);
    layout->addWidget(label, 0, 0, 1, 3);
    layout->addWidget(m_offered, 1, 0);
    layout->addWidget(add, 1, 1, Qt::AlignVCenter);
    layout->addWidget(m_chosen, 1, 2);
    layout->addWidget(nextButton, 2, 2, Qt::AlignRight);
}

void SaveAsTextDialog::chooseSelected()
{
    const int row = m_offered->currentRow();
    if (row < 0 || row >= offeredTextItems().size())
        return;
    m_rules.choose(offeredTextItems().at(row));
    showChosen();
}

void SaveAsTextDialog::showChosen()
{
    m_chosen->clear();
    for (TextItem item : m_rules.chosen())
        m_chosen->addItem(textItemCaption(item));
}

bool SaveAsTextDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_chosen && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        const int row = m_chosen->currentRow();
        m_rules.remove(row);
        showChosen();
        m_chosen->setCurrentRow(std::min(row, m_chosen->count() - 1));
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void SaveAsTextDialog::next()
{
    if (m_rules.next())
        accept();
}

} // namespace fumibako::mailview
