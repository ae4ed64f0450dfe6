#include "compose/ComposeFields.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QUrl>

namespace fumibako::compose {

QStringList droppedFiles(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            paths.append(url.toLocalFile());
    }
    return paths;
}

AttachmentField::AttachmentField(QWidget* parent) : QLineEdit(parent)
{
    setAcceptDrops(true);
}

void AttachmentField::dragEnterEvent(QDragEnterEvent* event)
{
    if (droppedFiles(event->mimeData()).isEmpty())
        QLineEdit::dragEnterEvent(event);
    else
        event->acceptProposedAction();
}

void AttachmentField::dragMoveEvent(QDragMoveEvent* event)
{
    if (droppedFiles(event->mimeData()).isEmpty())
        QLineEdit::dragMoveEvent(event);
    else
        event->acceptProposedAction();
}

void AttachmentField::dropEvent(QDropEvent* event)
{
    const QStringList paths = droppedFiles(event->mimeData());
    if (paths.isEmpty()) {
        QLineEdit::dropEvent(event);
        return;
    }
    event->acceptProposedAction();
    Q_EMIT filesDropped(paths);
}

ComposeBody::ComposeBody(QWidget* parent) : QPlainTextEdit(parent) {}

bool ComposeBody::canInsertFromMimeData(const QMimeData* source) const
{
    return !droppedFiles(source).isEmpty() || QPlainTextEdit::canInsertFromMimeData(source);
}

void ComposeBody::insertFromMimeData(const QMimeData* source)
{
    const QStringList paths = droppedFiles(source);
    if (paths.isEmpty())
        QPlainTextEdit::insertFromMimeData(source);
    else
        Q_EMIT filesDropped(paths);
}

void ComposeBody::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & Qt::ControlModifier)) {
        event->accept();
        Q_EMIT sendRequested();
        return;
    }
    if (event->key() == Qt::Key_Tab && event->modifiers() == Qt::ControlModifier) {
        event->accept();
        insertPlainText(QStringLiteral("\t"));
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

} // namespace fumibako::compose
