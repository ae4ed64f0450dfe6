#pragma once

#include <QString>

class QPushButton;

namespace fumibako::widgets {

/**
 * A push button named @p objectName that Enter in the dialog does not press: in dialogs whose
 * default is OK or a step forward, the other buttons are pressed by click, Space or their mnemonic.
 */
QPushButton* plainButton(const QString& objectName, const QString& caption);

} // namespace fumibako::widgets
