#include "widgets/Buttons.h"

#include <QPushButton>

namespace fumibako::widgets {

QPushButton* plainButton(const QString& objectName, const QString& caption)
{
    auto* button = new QPushButton(caption);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

} // namespace fumibako::widgets
