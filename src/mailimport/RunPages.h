#pragma once

#include <QString>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QWidget;

namespace fumibako::mailimport {

/**
 * @short The two pages the import and the export windows share: the progress while they run
 * (with "中止") and the report once they ended (with "閉じる"), added to a window's stack of pages.
 */
class RunPages {
public:
    /** Adds the pages to @p pages; @p prefix begins their object names ("Import", "Export"). */
    RunPages(QStackedWidget* pages, const QString& prefix);

    void showProgress();
    /** @p percent of the way (-1: not known yet), with what is read or written now. */
    void setProgress(const QString& text, int percent, const QString& detail);
    /** The cancel was asked for: the button waits. */
    void showCancelling();
    void showReport(const QString& text);

    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* closeButton() const { return m_close; }

private:
    QStackedWidget* m_pages;
    QWidget* m_progressPage = nullptr;
    QWidget* m_reportPage = nullptr;
    QLabel* m_text = nullptr;
    QLabel* m_detail = nullptr;
    QProgressBar* m_bar = nullptr;
    QPushButton* m_cancel = nullptr;
    QPlainTextEdit* m_report = nullptr;
    QPushButton* m_close = nullptr;
};

} // namespace fumibako::mailimport
