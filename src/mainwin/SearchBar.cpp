#include "mainwin/SearchBar.h"

#include "widgets/Icons.h"

#include <QAction>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace fumibako::mainwin {

SearchBar::SearchBar(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("searchBar"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 2, 0, 2);
    column->setSpacing(2);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    m_box = new QLineEdit(this);
    m_box->setObjectName(QStringLiteral("txtSearch"));
    m_box->setPlaceholderText(QStringLiteral("件名・送信者で絞り込み (Ctrl+F)"));
    m_box->setToolTip(QStringLiteral("入力すると表示中のフォルダを件名と送信者で絞り込みます。\n"
                                     "Enter キーで全フォルダのメールを本文まで検索します。\n"
                                     "Esc キーで入力を消し、↓ キーで一覧に移ります。"));
    m_box->setClearButtonEnabled(true);
    m_box->addAction(widgets::themedIcon(QStringLiteral("search")), QLineEdit::LeadingPosition);
    m_box->installEventFilter(this);
    m_searchAll = new QToolButton(this);
    m_searchAll->setObjectName(QStringLiteral("cmdSearchAll"));
    m_searchAll->setText(QStringLiteral("全フォルダを検索"));
    m_searchAll->setToolTip(QStringLiteral("入力した語を全フォルダのメールから探し、「検索結果」に表示します"));
    row->addWidget(m_box, 1);
    row->addWidget(m_searchAll);
    column->addLayout(row);
    m_note = new QLabel(this);
    m_note->setObjectName(QStringLiteral("lblSearchNote"));
    m_note->setWordWrap(true);
    m_note->hide();
    column->addWidget(m_note);

    connect(m_box, &QLineEdit::textEdited, this, &SearchBar::filterEdited);
    connect(m_box, &QLineEdit::returnPressed, this, [this] { Q_EMIT searchRequested(m_box->text()); });
    connect(m_searchAll, &QToolButton::clicked, this, [this] { Q_EMIT searchRequested(m_box->text()); });
}

QString SearchBar::text() const
{
    return m_box->text();
}

void SearchBar::clearText()
{
    m_box->clear();
}

void SearchBar::focusBox()
{
    m_box->setFocus(Qt::ShortcutFocusReason);
    m_box->selectAll();
}

void SearchBar::setNote(const QString& text)
{
    m_note->setText(text);
    m_note->setVisible(!text.isEmpty());
}

QString SearchBar::note() const
{
    return m_note->text();
}

bool SearchBar::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_box && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        Q_EMIT boxFocused(event->type() == QEvent::FocusIn);
    if (watched == m_box && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down) {
            Q_EMIT leaveRequested();
            return true;
        }
        if (key == Qt::Key_Escape) {
            if (m_box->text().isEmpty()) {
                Q_EMIT leaveRequested();
            } else {
                m_box->clear();
                Q_EMIT filterEdited(QString());
            }
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace fumibako::mainwin
