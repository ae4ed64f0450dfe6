#pragma once

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace fumibako::test {

/**
 * Answers the next modal dialog of type @p T that becomes the active modal widget, within 10 s,
 * by running @p answer on it (which accepts or rejects it). For the system's own dialogs (input
 * box, file dialogs) that block in their own event loop.
 */
template <typename T>
void answerNextDialog(std::function<void(T*)> answer)
{
    auto* timer = new QTimer;
    auto deadline = std::make_shared<QDeadlineTimer>(10000);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, deadline, answer] {
        T* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        if (!dialog && !deadline->hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (dialog)
            answer(dialog);
    });
    timer->start();
}

/** The window named @p objectName, a visible one when there is one (a closed one may await deletion), or null. */
template <typename T = QWidget>
T* topLevelNamed(const QString& objectName)
{
    T* hidden = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() != objectName || !qobject_cast<T*>(widget))
            continue;
        if (widget->isVisible())
            return qobject_cast<T*>(widget);
        hidden = qobject_cast<T*>(widget);
    }
    return hidden;
}

} // namespace fumibako::test
