#pragma once

#include <QWidget>

class QLabel;

namespace fumibako::mainwin {

/**
 * @short The small "Message" window that says "送信中" while a message goes out.
 *
 * Not modal: it only tells the user why the window is busy. It shows before the SMTP exchange and
 * closes when its result is delivered; the window's event loop paints it in between, as the
 * exchange runs on a worker thread.
 */
class SendingNoticeWindow : public QWidget {
    Q_OBJECT
public:
    explicit SendingNoticeWindow(QWidget* parent);

    /** Shows @p text, centred over the owner. */
    void showNotice(const QString& text);
    void hideNotice() { hide(); }

    QString text() const;
    /** How many times it was shown since it was made. */
    int shownCount() const { return m_shownCount; }

private:
    QLabel* m_label = nullptr;
    int m_shownCount = 0;
};

} // namespace fumibako::mainwin
