#pragma once

#include "platform/UserPrompts.h"

#include <QList>

class QLabel;
class QStatusBar;
class QWidget;

namespace fumibako::widgets {

/**
 * @short The user-interface seam of a window: message boxes and, for the main window, the
 * status-bar panels.
 *
 * A test hands in its own prompts for the boxes; the panels are always the window's.
 */
class WindowPrompts : public platform::UserPrompts {
public:
    WindowPrompts(QWidget* window, platform::UserPrompts* scripted);

    /** Adds the panels to @p bar: panel 1 the operation, panel 2 the row count. */
    void createPanels(QStatusBar* bar);
    QString statusText(int panel) const;
    /** The prompts that answer instead of the user, if any: the windows this one opens use them too. */
    platform::UserPrompts* scripted() const { return m_scripted; }

    platform::Answer message(const QString& text, const QString& title, platform::Icon icon,
                             platform::Buttons buttons) override;
    void setStatus(int panel, const QString& text) override;

private:
    QWidget* m_window;
    platform::UserPrompts* m_scripted;
    QList<QLabel*> m_panels;
};

} // namespace fumibako::widgets
