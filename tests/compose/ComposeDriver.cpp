#include "ComposeDriver.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QUrl>

namespace fumibako::test {

QMainWindow* composeWindow(QWidget* owner)
{
    for (QMainWindow* window : owner->findChildren<QMainWindow*>(QStringLiteral("frmSend"))) {
        if (window->isVisible())
            return window;
    }
    return nullptr;
}

void fillCompose(QMainWindow* window, const QString& to, const QString& cc, const QString& bcc, const QString& subject,
                 const QString& body)
{
    window->findChild<QComboBox*>(QStringLiteral("cmbTo"))->setEditText(to);
    window->findChild<QComboBox*>(QStringLiteral("cmbCC"))->setEditText(cc);
    window->findChild<QComboBox*>(QStringLiteral("cmbBCC"))->setEditText(bcc);
    window->findChild<QLineEdit*>(QStringLiteral("txtSub"))->setText(subject);
    window->findChild<QPlainTextEdit*>(QStringLiteral("txtBun"))->setPlainText(body);
}

void dropFiles(QWidget* target, const QStringList& paths)
{
    QMimeData data;
    QList<QUrl> urls;
    for (const QString& path : paths)
        urls.append(QUrl::fromLocalFile(path));
    data.setUrls(urls);
    QWidget* receiver = target;
    if (auto* edit = qobject_cast<QPlainTextEdit*>(target))
        receiver = edit->viewport();
    const QPoint at = receiver->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(receiver, &drop);
}

void command(QWidget* window, const QString& objectName)
{
    if (auto* button = window->findChild<QPushButton*>(objectName)) {
        QVERIFY2(button->isEnabled(), qPrintable(objectName));
        button->click();
        return;
    }
    auto* action = window->findChild<QAction*>(objectName);
    QVERIFY2(action, qPrintable(objectName));
    QVERIFY2(action->isEnabled(), qPrintable(objectName));
    action->trigger();
}

QString fieldText(QWidget* window, const QString& objectName)
{
    if (auto* box = window->findChild<QComboBox*>(objectName))
        return box->currentText();
    if (auto* edit = window->findChild<QLineEdit*>(objectName))
        return edit->text();
    if (auto* body = window->findChild<QPlainTextEdit*>(objectName))
        return body->toPlainText();
    return QStringLiteral("(no field %1)").arg(objectName);
}

} // namespace fumibako::test
