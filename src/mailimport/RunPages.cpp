#include "mailimport/RunPages.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace fumibako::mailimport {

namespace {

QHBoxLayout* buttonRow(QPushButton* button)
{
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(button);
    return row;
}

} // namespace

RunPages::RunPages(QStackedWidget* pages, const QString& prefix) : m_pages(pages)
{
    m_progressPage = new QWidget;
    m_progressPage->setObjectName(QStringLiteral("pg%1Progress").arg(prefix));
    auto* progress = new QVBoxLayout(m_progressPage);
    m_text = new QLabel;
    m_text->setObjectName(QStringLiteral("lbl%1Progress").arg(prefix));
    m_bar = new QProgressBar;
    m_bar->setObjectName(QStringLiteral("prg%1").arg(prefix));
    m_bar->setRange(0, 100);
    m_detail = new QLabel;
    m_detail->setObjectName(QStringLiteral("lbl%1Source").arg(prefix));
    m_detail->setWordWrap(true);
    m_detail->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_cancel = new QPushButton(QStringLiteral("中止(&C)"));
    m_cancel->setObjectName(QStringLiteral("cmd%1Cancel").arg(prefix));
    progress->addWidget(m_text);
    progress->addWidget(m_bar);
    progress->addWidget(m_detail);
    progress->addStretch(1);
    progress->addLayout(buttonRow(m_cancel));

    m_reportPage = new QWidget;
    m_reportPage->setObjectName(QStringLiteral("pg%1Report").arg(prefix));
    auto* report = new QVBoxLayout(m_reportPage);
    m_report = new QPlainTextEdit;
    m_report->setObjectName(QStringLiteral("txt%1Report").arg(prefix));
    m_report->setReadOnly(true);
    m_report->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_close = new QPushButton(QStringLiteral("閉じる"));
    m_close->setObjectName(QStringLiteral("cmd%1Done").arg(prefix));
    report->addWidget(m_report, 1);
    report->addLayout(buttonRow(m_close));

    m_pages->addWidget(m_progressPage);
    m_pages->addWidget(m_reportPage);
}

void RunPages::showProgress()
{
    m_cancel->setEnabled(true);
    m_cancel->setText(QStringLiteral("中止(&C)"));
    setProgress(QStringLiteral("準備しています…"), -1, QString());
    m_pages->setCurrentWidget(m_progressPage);
    m_cancel->setFocus();
}

void RunPages::setProgress(const QString& text, int percent, const QString& detail)
{
    m_text->setText(text);
    if (percent < 0)
        m_bar->setRange(0, 0); // moving, until there is a figure
    else {
        m_bar->setRange(0, 100);
        m_bar->setValue(percent);
    }
    m_detail->setText(detail);
}

void RunPages::showCancelling()
{
    m_cancel->setEnabled(false);
    m_cancel->setText(QStringLiteral("中止しています…"));
}

void RunPages::showReport(const QString& text)
{
    m_report->setPlainText(text);
    m_pages->setCurrentWidget(m_reportPage);
    m_close->setDefault(true);
    m_close->setFocus();
}

} // namespace fumibako::mailimport
