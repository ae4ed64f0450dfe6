#pragma once

#include "settings/core/NumberBoxRule.h"

#include <QAbstractSpinBox>

namespace fumibako::settings {

/**
 * @short A text box with up and down arrows that keeps a whole number by the rules of
 * NumberBoxRule (the port boxes, the minutes box).
 *
 * The user's typing is corrected as it happens; the arrows and the Up and Down keys step by one.
 */
class NumberBox : public QAbstractSpinBox {
    Q_OBJECT
public:
    NumberBox(const NumberBoxRule& rule, QWidget* parent);

    QString text() const;
    /** Sets the text as a program would type it; it is corrected like typing. */
    void setText(const QString& text);
    /** Starts over with the last good text "1", as the dialogs do when they open. */
    void resetRule() { m_rule.reset(); }

    void stepBy(int steps) override;
    /** Wide enough for the largest number the box holds, beside its arrows. */
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

Q_SIGNALS:
    /** The text changed (after correction). */
    void textChanged(const QString& text);

protected:
    StepEnabled stepEnabled() const override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void edited(const QString& text);

    NumberBoxRule m_rule;
    QString m_shown; ///< the text last emitted
};

} // namespace fumibako::settings
