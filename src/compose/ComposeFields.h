#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QStringList>

class QMimeData;

namespace fumibako::compose {

/** The local files a drop carries, or none when it carries anything else. */
QStringList droppedFiles(const QMimeData* data);

/** `txtFile`: the attachment list; files dropped on it are announced, never inserted as text. */
class AttachmentField : public QLineEdit {
    Q_OBJECT
public:
    explicit AttachmentField(QWidget* parent = nullptr);

Q_SIGNALS:
    void filesDropped(const QStringList& paths);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
};

/**
 * `txtBun`: the body. Files dropped on it become attachments (nothing is inserted into the text);
 * Ctrl+Enter asks to send; Ctrl+Tab types a tab character (the window lets Tab move on to the next
 * control).
 */
class ComposeBody : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ComposeBody(QWidget* parent = nullptr);

Q_SIGNALS:
    void filesDropped(const QStringList& paths);
    void sendRequested();

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace fumibako::compose
