#include "settings/NumberBox.h"

#include <QKeyEvent>
#include <QLineEdit>

namespace fumibako::settings {

NumberBox::NumberBox(const NumberBoxRule& rule, QWidget* parent) : QAbstractSpinBox(parent), m_rule(rule)
{
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    setAccelerated(false);
    setCorrectionMode(QAbstractSpinBox::CorrectToPreviousValue);
    connect(lineEdit(), &QLineEdit::textEdited, this, &NumberBox::edited);
}

QString NumberBox::text() const
{
    return lineEdit()->text();
}

void NumberBox::setText(const QString& text)
{
    edited(text);
}

void NumberBox::edited(const QString& text)
{
    const QString corrected = m_rule.corrected(text);
    if (lineEdit()->text() != corrected) {
        const int cursor = lineEdit()->cursorPosition();
        lineEdit()->setText(corrected);
        lineEdit()->setCursorPosition(std::min<int>(cursor, corrected.size()));
    }
    if (corrected != m_shown) {
        m_shown = corrected;
        Q_EMIT textChanged(corrected);
    }
}

void NumberBox::stepBy(int steps)
{
    edited(m_rule.step(text(), steps));
    lineEdit()->selectAll();
}

QSize NumberBox::sizeHint() const
{
    const QSize base = QAbstractSpinBox::sizeHint();
    const int digits = fontMetrics().horizontalAdvance(QString::number(m_rule.maximum()) + QLatin1Char('0'));
    return {std::max(base.width(), digits + 36), base.height()};
}

QAbstractSpinBox::StepEnabled NumberBox::stepEnabled() const
{
    if (!isEnabled())
        return StepNone;
    return StepUpEnabled | StepDownEnabled;
}

void NumberBox::keyPressEvent(QKeyEvent* event)
{
    const bool digit = event->text().size() == 1 && event->text().at(0).isDigit()
        && event->text().at(0).unicode() < 0x80;
    const bool arrow = event->key() == Qt::Key_Up || event->key() == Qt::Key_Down;
    if (!digit && !arrow && !event->text().isEmpty())
        m_rule.nonDigitKey(text());
    else if (event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete)
        m_rule.nonDigitKey(text());
    QAbstractSpinBox::keyPressEvent(event);
}

} // namespace fumibako::settings
