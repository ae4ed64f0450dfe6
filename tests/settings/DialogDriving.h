#pragma once

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <functional>

/** Driving the settings dialogs as a user would: keys, clicks, and modal dialogs as they appear. */
namespace fumibako::test {

/** Types @p text into @p widget key by key (any characters, Japanese included). */
inline void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::KeyAction::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

/** Selects everything in @p widget (Ctrl+A) and types @p text over it. */
inline void retype(QWidget* widget, const QString& text)
{
    widget->setFocus();
    QTest::keyClick(widget, Qt::Key_A, Qt::ControlModifier);
    typeText(widget, text);
}

/**
 * A button, check box or radio button clicked near its left edge: a check box that a layout
 * stretched reacts only on its indicator and caption, not in its empty middle.
 */
inline void click(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(std::min(12, widget->width() / 2), widget->height() / 2));
}

/**
 * Runs @p action on the modal dialog named @p name once it is shown (dialogs opened with exec()
 * block the test; this runs from the dialog's own event loop). Gives up after 20 seconds.
 */
inline void whenModalShown(const QString& name, std::function<void(QDialog*)> action)
{
    auto* timer = new QTimer;
    auto* waited = new int(0);
    timer->setInterval(20);
    QObject::connect(timer, &QTimer::timeout, [timer, waited, name, action] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if ((dialog && dialog->objectName() == name && dialog->isVisible()) || ++*waited > 1000) {
            timer->stop();
            timer->deleteLater();
            delete waited;
            if (dialog && dialog->objectName() == name && QTest::qWaitForWindowExposed(dialog)) {
                dialog->activateWindow();
                if (QTest::qWaitForWindowActive(dialog))
                    action(dialog);
            }
        }
    });
    timer->start();
}

template<typename T>
T* named(QObject* parent, const char* name)
{
    T* child = parent->findChild<T*>(QString::fromLatin1(name));
    if (!child)
        qFatal("no child named %s", name);
    return child;
}

} // namespace fumibako::test
