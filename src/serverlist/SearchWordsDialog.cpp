#include "serverlist/SearchWordsDialog.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>

namespace fumibako::serverlist {

SearchWordsDialog::SearchWordsDialog(QWidget* parent, const QStringList& words, const std::array<QString, 3>& rowFields)
    : QDialog(parent), m_words(words)
{
    setObjectName(QStringLiteral("frmListAdd"));
    setWindowTitle(QStringLiteral("検索リスト"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(true);

    m_typed = new QLineEdit(this);
    m_typed->setObjectName(QStringLiteral("txtList"));
    connect(m_typed, &QLineEdit::returnPressed, this, &SearchWordsDialog::addTyped);
    auto* add = new QPushButton(QStringLiteral("追加"), this);
    add->setObjectName(QStringLiteral("cmdAdd"));
    add->setAutoDefault(false);
    connect(add, &QPushButton::clicked, this, &SearchWordsDialog::addTyped);
    m_list = new QListView(this);
    m_list->setObjectName(QStringLiteral("lstListAdd"));
    m_list->setModel(&m_words);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->installEventFilter(this);

    auto* fields = new QFormLayout;
    const QStringList labels{QStringLiteral("件名"), QStringLiteral("送信元"), QStringLiteral("日付")};
    for (int k = 0; k < 3; ++k) {
        auto* box = new QLineEdit(rowFields.at(k), this);
        box->setObjectName(QStringLiteral("txtListAdd%1").arg(k));
        box->setReadOnly(true);
        box->setCursorPosition(0);
        fields->addRow(labels.at(k), box);
    }

    auto* layout = new QGridLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("追加したいもの"), this), 0, 0, 1, 2);
    layout->addWidget(m_typed, 1, 0);
    layout->addWidget(add, 1, 1);
    layout->addWidget(new QLabel(QStringLiteral("不要なものはDELキー"), this), 2, 0, 1, 2);
    layout->addWidget(m_list, 3, 0, 1, 2);
    layout->addLayout(fields, 4, 0, 1, 2);
    resize(420, 380);
}

void SearchWordsDialog::addTyped()
{
    m_words.addWord(m_typed->text());
}

bool SearchWordsDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Delete) {
        m_words.removeWord(m_list->currentIndex().row());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void SearchWordsDialog::done(int result)
{
    if (!m_reported) {
        m_reported = true;
        Q_EMIT closed(m_words);
    }
    QDialog::done(result);
}

} // namespace fumibako::serverlist
