#include "mainwin/SendingNoticeWindow.h"

#include <QLabel>
#include <QVBoxLayout>

namespace fumibako::mainwin {

SendingNoticeWindow::SendingNoticeWindow(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::WindowTitleHint)
{
    setObjectName(QStringLiteral("frmMessage"));
    setWindowTitle(QStringLiteral("Message"));
    setWindowModality(Qt::NonModal);
    m_label = new QLabel(this);
    m_label->setObjectName(QStringLiteral("lblMessage"));
    m_label->setAlignment(Qt::AlignCenter);
    m_label->setMinimumWidth(200);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 16, 24, 16);
    layout->addWidget(m_label);
}

void SendingNoticeWindow::showNotice(const QString& text)
{
    ++m_shownCount;
    m_label->setText(text);
    if (QWidget* owner = parentWidget()) {
        adjustSize();
        move(owner->geometry().center() - rect().center());
    }
    QWidget::show();
    raise();
}

QString SendingNoticeWindow::text() const
{
    return m_label->text();
}

} // namespace fumibako::mainwin
