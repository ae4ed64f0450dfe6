#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QStringList>

class QComboBox;
class QLineEdit;
class QPlainTextEdit;

namespace fumibako::test {

/** The compose window "frmSend" under @p owner that is open, or none. */
QMainWindow* composeWindow(QWidget* owner);

/** Sets the compose window's fields as typing would (the body replaced). */
void fillCompose(QMainWindow* window, const QString& to, const QString& cc, const QString& bcc, const QString& subject,
                 const QString& body);

/** Drops the local files @p paths on @p target (a drag enters, then the drop). */
void dropFiles(QWidget* target, const QStringList& paths);

/** Triggers the menu action or clicks the button called @p objectName in @p window. */
void command(QWidget* window, const QString& objectName);

/** The text of the field @p objectName (combo box, line edit or the body). */
QString fieldText(QWidget* window, const QString& objectName);

} // namespace fumibako::test
